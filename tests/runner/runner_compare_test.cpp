// Report comparison: the report reader on made-up reports (fields taken,
// frame-time lists, every kind of malformed or truncated text refused with
// a message), the ratios and the regression threshold, and the --compare
// command's exit status and refusals on report files.
#include <gtest/gtest.h>
#include <stdio.h>
#include <string.h>

#include <string>

#include "runner/runner_compare.h"
#include "support/temp_files.h"

namespace {

// A report as the runner writes it, with the figures to vary.
std::string make_report(const char* size, const char* script, double solid_median, double wire_median,
                        const char* extra = "") {
  char text[2048];
  snprintf(
      text, sizeof text,
      "{\n  \"program\": \"boxfield\",\n  \"gl\": {\"vendor\": \"Mesa\", \"renderer\": \"llvm\\u00e9\"},\n"
      "  \"surface\": {%s},\n  \"script\": \"%s\",\n  \"frames\": 500,\n  \"modes\": {\n"
      "    \"solid\": {\"frames\": 249, \"mean_ms\": 10.5, \"median_ms\": %.4f, \"p90_ms\": 12.25, "
      "\"p99_ms\": 14.5, \"max_ms\": 20, \"low_1pct_fps\": 50.0},\n"
      "    \"wire\": {\"frames\": 249, \"mean_ms\": 5.5, \"median_ms\": %.4f, \"p90_ms\": 6.5, "
      "\"p99_ms\": 7.5e0, \"max_ms\": 9, \"low_1pct_fps\": 120.5}\n  },\n"
      "  \"shots\": [{\"name\": \"solid\", \"passed\": true, \"message\": null}]%s\n}\n",
      size, script, solid_median, wire_median, extra);
  return text;
}

std::string standard_report(double solid_median = 10.0, double wire_median = 5.0, const char* extra = "") {
  return make_report("\"width\": 1280, \"height\": 720", "tour bench", solid_median, wire_median, extra);
}

bool parse(const std::string& text, runner_read_figures* out, std::string* error) {
  char message[256];
  int ok = runner_parse_report(text.data(), text.size(), out, message, sizeof message);
  *error = message;
  return ok != 0;
}

TEST(runner_read_figures, FieldsAndFrameTimeListsAreRead) {
  runner_read_figures r;
  std::string error;
  ASSERT_TRUE(parse(standard_report(10.25, 5.125), &r, &error)) << error;
  EXPECT_EQ(r.width, 1280);
  EXPECT_EQ(r.height, 720);
  EXPECT_EQ(r.script, "tour bench");
  EXPECT_EQ(r.solid.frames, 249);
  EXPECT_DOUBLE_EQ(r.solid.median_ms, 10.25);
  EXPECT_DOUBLE_EQ(r.solid.p90_ms, 12.25);
  EXPECT_DOUBLE_EQ(r.solid.p99_ms, 14.5);
  EXPECT_DOUBLE_EQ(r.solid.low_1pct_fps, 50.0);
  EXPECT_DOUBLE_EQ(r.wire.median_ms, 5.125);
  EXPECT_DOUBLE_EQ(r.wire.p99_ms, 7.5);
  EXPECT_DOUBLE_EQ(r.wire.low_1pct_fps, 120.5);
  EXPECT_FALSE(r.has_frame_times);
  EXPECT_TRUE(r.solid.frame_times_ms.empty());

  // The per-frame lists, when the report has them (either may be missing).
  ASSERT_TRUE(
      parse(standard_report(10, 5, ",\n  \"frame_times_ms\": {\"solid\": [1, 2.5, 1e1], \"wire\": []}"), &r,
            &error))
      << error;
  EXPECT_TRUE(r.has_frame_times);
  EXPECT_EQ(r.solid.frame_times_ms, std::vector<double>({1.0, 2.5, 10.0}));
  EXPECT_TRUE(r.wire.frame_times_ms.empty());
  ASSERT_TRUE(parse(standard_report(10, 5, ", \"frame_times_ms\": {\"wire\": [0.5]}"), &r, &error)) << error;
  EXPECT_TRUE(r.solid.frame_times_ms.empty());
  EXPECT_EQ(r.wire.frame_times_ms, std::vector<double>({0.5}));

  // Escapes in strings are decoded; member order does not matter.
  ASSERT_TRUE(
      parse("{\"modes\": {\"wire\": {\"low_1pct_fps\": 1, \"p99_ms\": 1, \"p90_ms\": 1, \"median_ms\": 1, "
            "\"frames\": 0}, \"solid\": {\"frames\": 3, \"median_ms\": 0, \"p90_ms\": 0, \"p99_ms\": 0, "
            "\"low_1pct_fps\": 0}}, \"script\": \"script a\\\"b\\\\c\\u00e9\\ud83d\\ude00\", "
            "\"surface\": {\"height\": 2, \"width\": 1}}",
            &r, &error))
      << error;
  EXPECT_EQ(r.script, "script a\"b\\c\xc3\xa9\xf0\x9f\x98\x80");
  EXPECT_EQ(r.width, 1);
  EXPECT_EQ(r.height, 2);
}

TEST(runner_read_figures, EveryTruncationIsRefusedWithAMessage) {
  // Cut after every byte (ASan checks that no cut is read beyond).
  std::string full = standard_report(10, 5, ", \"frame_times_ms\": {\"solid\": [1.5, 2], \"wire\": [3]}");
  runner_read_figures r;
  std::string error;
  ASSERT_TRUE(parse(full, &r, &error)) << error;
  size_t end = full.find_last_of('}');
  for (size_t n = 0; n <= end; n++) {
    std::string cut(full.data(), n);
    EXPECT_FALSE(parse(cut, &r, &error)) << n;
    EXPECT_FALSE(error.empty()) << n;
  }
  // The text need not be terminated: a buffer cut inside a number.
  const char number_cut[] = {'{', '"', 'a', '"', ':', '1', '2'};
  char message[128];
  EXPECT_EQ(runner_parse_report(number_cut, sizeof number_cut, &r, message, sizeof message), 0);
}

TEST(runner_read_figures, MalformedTextAndWrongFieldsAreRefused) {
  struct refusal {
    std::string text;
    const char* message;  // part of the error
  };
  const refusal refused[] = {
      {"", "text ends where a value should be"},
      {"[1, 2]", "not an object"},
      {standard_report() + "x", "text after the report"},
      {"{\"a\": 01}", "',' or '}' expected"},  // a leading zero ends the number
      {"{\"a\": 1.}", "bad number"},
      {"{\"a\": -}", "bad value"},
      {"{\"a\": 1e}", "bad number"},
      {"{\"a\": 1e999}", "out of range"},
      {"{\"a\": NaN}", "bad value"},
      {"{\"a\": tru}", "bad value"},
      {"{\"a\": \"\\x\"}", "bad escape"},
      {"{\"a\": \"\\u12G4\"}", "bad \\u escape"},
      {"{\"a\": \"\\ud800x\"}", "unpaired surrogate"},
      {"{\"a\": \"\\udc00\"}", "unpaired surrogate"},
      {"{\"a\": \"tab\there\"}", "control character"},
      {"{\"a\" 1}", "':' expected"},
      {"{a: 1}", "member name expected"},
      {"{\"a\": 1,}", "member name expected"},
      {"{\"a\": [1 2]}", "',' or ']' expected"},
      {"{\"a\": 1 \"b\": 2}", "',' or '}' expected"},
      {std::string(40, '[') + std::string(40, ']'), "nesting too deep"},
      {"{\"a\": \"" + std::string(100, '1') + "\"}", "no surface"},
      {"{\"a\": " + std::string(100, '1') + "}", "longer than 63"},
      {make_report("\"width\": 1280", "tour bench", 1, 1), "no surface.height"},
      {make_report("\"width\": 12.5, \"height\": 720", "tour bench", 1, 1), "whole numbers"},
      {make_report("\"width\": 0, \"height\": 720", "tour bench", 1, 1), "whole numbers"},
      {make_report("\"width\": \"1280\", \"height\": 720", "tour bench", 1, 1),
       "surface.width is not a number"},
      {make_report("\"width\": 1280, \"height\": 720", "tour bench", -1, 1), "modes.solid.median_ms"},
      {standard_report(1, 1, ", \"frame_times_ms\": [1]"), "frame_times_ms is not an object"},
      {standard_report(1, 1, ", \"frame_times_ms\": {\"wire\": 1}"), "frame_times_ms.wire is not an array"},
      {standard_report(1, 1, ", \"frame_times_ms\": {\"solid\": [1, \"2\"]}"), "frame_times_ms.solid[1]"},
      {"{\"surface\": {\"width\": 1, \"height\": 1}, \"script\": 3}", "no script string"},
      {"{\"surface\": {\"width\": 1, \"height\": 1}, \"script\": \"s\"}", "no modes object"},
      {"{\"surface\": {\"width\": 1, \"height\": 1}, \"script\": \"s\", \"modes\": {\"solid\": {}}}",
       "no modes.solid.frames"},
      {"{\"surface\": {\"width\": 1, \"height\": 1}, \"script\": \"s\", \"modes\": {\"solid\": {\"frames\": "
       "2.5, "
       "\"median_ms\": 1, \"p90_ms\": 1, \"p99_ms\": 1, \"low_1pct_fps\": 1}}}",
       "modes.solid.frames is not a whole number"},
  };
  for (const refusal& c : refused) {
    runner_read_figures r;
    std::string error;
    EXPECT_FALSE(parse(c.text, &r, &error)) << c.text;
    EXPECT_NE(error.find(c.message), std::string::npos) << c.text << "\n  gave: " << error;
  }
}

// ---------------------------------------------------------------------------
// Comparison

runner_read_figures report_of(double solid_median, double wire_median) {
  runner_read_figures r;
  std::string error;
  EXPECT_TRUE(parse(standard_report(solid_median, wire_median), &r, &error)) << error;
  return r;
}

TEST(runner_compare, RatiosAndTheThresholdDecideARegression) {
  runner_read_figures base = report_of(10.0, 5.0);
  // Within 5 %: 4.9 % slower solid, faster wire.
  runner_comparison c = runner_compare_reports(base, report_of(10.49, 4.0), 5.0);
  EXPECT_FALSE(c.median_regressed);
  EXPECT_NEAR(c.modes[0].ratio[0], 1.049, 1e-9);
  EXPECT_NEAR(c.modes[1].ratio[0], 0.8, 1e-9);
  EXPECT_STREQ(c.modes[0].mode, "solid");
  EXPECT_STREQ(c.modes[1].mode, "wire");
  EXPECT_FALSE(c.modes[0].worse[0]);
  // Beyond it in one mode only.
  c = runner_compare_reports(base, report_of(10.0, 5.3), 5.0);
  EXPECT_TRUE(c.median_regressed);
  EXPECT_FALSE(c.modes[0].worse[0]);
  EXPECT_TRUE(c.modes[1].worse[0]);
  // The same change passes a wider threshold.
  EXPECT_FALSE(runner_compare_reports(base, report_of(10.0, 5.3), 10.0).median_regressed);

  // Tails and the 1 % low are flagged but do not make a regression; a lower
  // frame rate is the worse one.
  runner_read_figures slow_tail = base;
  slow_tail.solid.p99_ms *= 1.5;
  slow_tail.wire.low_1pct_fps *= 0.9;
  c = runner_compare_reports(base, slow_tail, 5.0);
  EXPECT_FALSE(c.median_regressed);
  EXPECT_TRUE(c.modes[0].worse[2]);
  EXPECT_FALSE(c.modes[0].worse[1]);
  EXPECT_TRUE(c.modes[1].worse[3]);
  EXPECT_NEAR(c.modes[1].ratio[3], 0.9, 1e-9);
  runner_read_figures fast = base;
  fast.wire.low_1pct_fps *= 2.0;
  EXPECT_FALSE(runner_compare_reports(base, fast, 5.0).modes[1].worse[3]);

  // A mode without timed frames is not compared (no ratio against zero).
  runner_read_figures empty = base;
  empty.wire.frames = 0;
  empty.wire.median_ms = 0.0;
  c = runner_compare_reports(empty, report_of(10.0, 50.0), 5.0);
  EXPECT_FALSE(c.modes[1].compared);
  EXPECT_FALSE(c.median_regressed);
}

TEST(runner_compare, SizesAndFlightsMustMatch) {
  runner_read_figures a = report_of(1, 1), b = report_of(1, 1);
  char why[256];
  EXPECT_EQ(runner_reports_comparable(a, b, why, sizeof why), 1);
  b.width = 1920;
  b.height = 1080;
  ASSERT_EQ(runner_reports_comparable(a, b, why, sizeof why), 0);
  EXPECT_STREQ(why, "surfaces differ: 1280x720 against 1920x1080");
  b = a;
  b.script = "tour short";
  ASSERT_EQ(runner_reports_comparable(a, b, why, sizeof why), 0);
  EXPECT_STREQ(why, "flights differ: \"tour bench\" against \"tour short\"");
}

// Runs the command with its two outputs going to files.
struct command_result {
  int status;
  std::string out, err;
};

command_result run_compare(std::vector<std::string> args, runner_compare_plotter plot = nullptr) {
  std::vector<char*> argv;
  std::string program = "boxfield_runner";
  argv.push_back(&program[0]);
  for (std::string& a : args) argv.push_back(&a[0]);
  std::string out_path = temp_path("compare_out.txt"), err_path = temp_path("compare_err.txt");
  FILE* out = fopen(out_path.c_str(), "wb");
  FILE* err = fopen(err_path.c_str(), "wb");
  int status = runner_compare_main((int)argv.size(), argv.data(), out, err, plot);
  fclose(out);
  fclose(err);
  return {status, read_whole_file(out_path), read_whole_file(err_path)};
}

std::string write_report(const char* name, const std::string& text) {
  std::string path = temp_path(name);
  FILE* f = fopen(path.c_str(), "wb");
  fwrite(text.data(), 1, text.size(), f);
  fclose(f);
  return path;
}

TEST(runner_compare, CommandExitStatusAndRefusals) {
  std::string base = write_report("base.json", standard_report(10.0, 5.0));
  std::string same = write_report("same.json", standard_report(10.2, 5.1));
  std::string slower = write_report("slower.json", standard_report(11.0, 5.0));
  std::string other_size =
      write_report("size.json", make_report("\"width\": 1920, \"height\": 1080", "tour bench", 10.0, 5.0));
  std::string broken = write_report("broken.json", standard_report().substr(0, 200));

  command_result r = run_compare({"--compare", base, same});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("median ms      10.000       10.200    1.020\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("no median frame time grew by more than 5 %"), std::string::npos) << r.out;

  r = run_compare({"--compare", base, slower});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("median ms      10.000       11.000    1.100  REGRESSED"), std::string::npos) << r.out;
  r = run_compare({base, "--compare", slower, "--threshold", "12.5"});
  EXPECT_EQ(r.status, 0) << r.out;

  r = run_compare({"--compare", base, other_size});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("surfaces differ: 1280x720 against 1920x1080 (--force compares them anyway)"),
            std::string::npos)
      << r.err;
  EXPECT_TRUE(r.out.empty());
  r = run_compare({"--compare", base, other_size, "--force"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("compared because of --force"), std::string::npos);

  r = run_compare({"--compare", base, broken});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("broken.json: not a valid report"), std::string::npos) << r.err;
  r = run_compare({"--compare", base, temp_path("missing.json")});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("missing.json: cannot open it"), std::string::npos) << r.err;

  // Usage errors.
  EXPECT_EQ(run_compare({"--compare", base}).status, 2);
  EXPECT_EQ(run_compare({"--compare", base, same, same}).status, 2);
  EXPECT_EQ(run_compare({"--compare", base, same, "--threshold", "-1"}).status, 2);
  EXPECT_EQ(run_compare({"--compare", base, same, "--threshold"}).status, 2);
  r = run_compare({"--compare", base, same, "--size", "10x10"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("--size does not go with --compare"), std::string::npos) << r.err;
}

// What the comparison picture is handed: where it goes and both runs' frames.
std::string plotted_path;
std::vector<double> plotted_base_solid, plotted_next_wire;
int plot_ok(const char* path, const runner_read_figures& base, const char*, const runner_read_figures& next,
            const char*, char*, size_t) {
  plotted_path = path;
  plotted_base_solid = base.solid.frame_times_ms;
  plotted_next_wire = next.wire.frame_times_ms;
  return 1;
}
int plot_fails(const char*, const runner_read_figures&, const char*, const runner_read_figures&, const char*,
               char* error, size_t error_size) {
  snprintf(error, error_size, "cannot write the picture");
  return 0;
}

TEST(runner_compare, PictureOfBothRunsBesideTheNewReport) {
  const char* times = ",\n  \"frame_times_ms\": {\"solid\": [9, 11], \"wire\": [4, 6]}";
  std::string base = write_report("base_times.json", standard_report(10.0, 5.0, times));
  std::string next = write_report("next_times.json", standard_report(10.0, 5.0, times));
  std::string bare = write_report("no_times.json", standard_report(10.0, 5.0));

  plotted_path.clear();
  command_result r = run_compare({"--compare", base, next}, plot_ok);
  EXPECT_EQ(r.status, 0) << r.err;
  std::string folder = next.substr(0, next.find_last_of('/') + 1);
  EXPECT_EQ(plotted_path, folder + "compare-frametimes.png");
  EXPECT_EQ(plotted_base_solid, std::vector<double>({9.0, 11.0}));
  EXPECT_EQ(plotted_next_wire, std::vector<double>({4.0, 6.0}));

  r = run_compare({"--compare", base, next, "--plot", temp_path("chosen.png")}, plot_ok);
  EXPECT_EQ(plotted_path, temp_path("chosen.png"));

  // A report without frame times: the table still, no picture, status kept.
  plotted_path.clear();
  r = run_compare({"--compare", base, bare}, plot_ok);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(plotted_path.empty());
  EXPECT_NE(r.out.find("no frame-time picture"), std::string::npos) << r.out;

  // A picture that cannot be made is a failure even when nothing regressed.
  r = run_compare({"--compare", base, next}, plot_fails);
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.err.find("cannot write the picture"), std::string::npos) << r.err;
}

}  // namespace
