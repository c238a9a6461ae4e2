// Reports and their comparison: reports written by the runner's writer and
// read back by its reader (fields, run medians, null figures, frame times),
// every truncation and kind of malformed text refused with a message,
// duplicate keys, strict UTF-8 and locale-independent numbers checked with
// a second JSON reader (Python's), the verdicts and refusals of the
// --compare command and its picture that never changes the status.
#include <gtest/gtest.h>
#include <locale.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#ifdef __linux__
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "runner/runner_compare.h"
#include "runner/runner_environment.h"
#include "runner/runner_report.h"
#include "support/temp_files.h"

namespace {

// n frame times around centre (a fixed, uneven pattern).
std::vector<double> frames_around(double centre, int n) {
  std::vector<double> v;
  for (int i = 0; i < n; i++) v.push_back(centre * (1.0 + 0.02 * ((i * 7) % 5 - 2) / 2.0));
  return v;
}

// A report of runs, each drawing the solid frames then the wire ones (the
// first frame of each mode builds its list and is not timed).
runner_report made_report(const std::vector<std::vector<double>>& solid,
                          const std::vector<std::vector<double>>& wire) {
  runner_report r;
  r.tool = "boxfield_runner";
  r.frame_end = "finish";
  r.width = 640;
  r.height = 360;
  r.clock = "real";
  r.script = "tour bench";
  r.gl_error_check = "glGetError per frame";
  r.gpu_time = "unavailable";
  r.env.gl_renderer = "llvmpipe";
  r.env.program = r.tool;
  r.runs_requested = std::to_string(solid.size());
  r.mode_names = {"solid", "wire"};
  for (size_t k = 0; k < solid.size(); k++) {
    std::vector<runner_frame> run;
    run.push_back({80.0, 0, true, 0, -1.0, -1.0});
    for (double ms : solid[k]) run.push_back({ms, 0, false, 0, -1.0, -1.0});
    if (k < wire.size() && !wire[k].empty()) {
      run.push_back({90.0, 1, true, 0, -1.0, -1.0});
      for (double ms : wire[k]) run.push_back({ms, 1, false, 0, -1.0, -1.0});
    }
    r.runs.push_back(run);
  }
  runner_report_summarise(&r);
  return r;
}

// Runs whose medians are the given values, 20 frames each.
std::vector<std::vector<double>> runs_with_medians(const std::vector<double>& medians, double scale = 1.0) {
  std::vector<std::vector<double>> runs;
  for (double m : medians) runs.push_back(frames_around(m * scale, 20));
  return runs;
}

const std::vector<double> solid_medians = {10.0, 10.1, 9.9, 10.05, 9.95, 10.0};
const std::vector<double> wire_medians = {5.0, 5.05, 4.95, 5.02, 4.98, 5.0};

runner_report standard(double scale = 1.0) {
  return made_report(runs_with_medians(solid_medians, scale), runs_with_medians(wire_medians, scale));
}

bool parse(const std::string& text, runner_read_figures* out, std::string* error) {
  char message[256];
  int ok = runner_parse_report(text.data(), text.size(), out, message, sizeof message);
  *error = message;
  return ok != 0;
}

std::string write_text(const char* name, const std::string& text) {
  std::string path = temp_path(name);
  FILE* f = fopen(path.c_str(), "wb");
  fwrite(text.data(), 1, text.size(), f);
  fclose(f);
  return path;
}

TEST(runner_report_json, WrittenReportsReadBack) {
  runner_report r = standard();
  std::string text = runner_report_json(r);
  runner_read_figures f;
  std::string error;
  ASSERT_TRUE(parse(text, &f, &error)) << error;
  EXPECT_EQ(f.schema_version, RUNNER_SCHEMA_VERSION);
  EXPECT_EQ(f.program, "boxfield_runner");
  EXPECT_EQ(f.frame_end, "finish");
  EXPECT_EQ(f.clock, "real");
  EXPECT_EQ(f.gl_renderer, "llvmpipe");
  EXPECT_EQ(f.width, 640);
  EXPECT_EQ(f.height, 360);
  ASSERT_EQ(f.modes.size(), 2u);
  const runner_read_mode* solid = runner_read_find_mode(f, "solid");
  ASSERT_NE(solid, nullptr);
  EXPECT_EQ(solid->frames, 120);
  EXPECT_EQ(solid->run_medians_ms, solid_medians);
  EXPECT_DOUBLE_EQ(solid->median_ms, 10.0);
  EXPECT_TRUE(isnan(solid->p99_ms));  // 20 frames a run: no p99
  EXPECT_FALSE(isnan(solid->p90_ms));
  EXPECT_EQ(solid->frame_times_ms.size(), 120u);
  EXPECT_TRUE(f.has_frame_times);
  // The summary's figures: the interval of 6 run medians reaches at least
  // their range (9.9 .. 10.1); p99 and 1 % low are n/a with 20 frames a run.
  const runner_mode_figures* m = runner_report_mode(r, "solid");
  ASSERT_NE(m, nullptr);
  std::string line = runner_result_line(*m);
  double low = 0.0, high = 0.0;
  ASSERT_EQ(
      sscanf(line.c_str(), "RESULT mode=solid median_ms=10.000 ci_low_ms=%lf ci_high_ms=%lf cv_percent=0.",
             &low, &high),
      2)
      << line;
  EXPECT_LE(low, 9.9);
  EXPECT_GE(high, 10.1);
  EXPECT_NE(line.find(" runs=6 frames=120"), std::string::npos);

  // One run of 99 frames and one of 100: p99 only when every run has 100.
  runner_report edge = made_report({frames_around(10, 99)}, {});
  ASSERT_TRUE(parse(runner_report_json(edge), &f, &error)) << error;
  EXPECT_TRUE(isnan(runner_read_find_mode(f, "solid")->p99_ms));
  EXPECT_NE(runner_result_line(*runner_report_mode(edge, "solid"))
                .find("ci_low_ms=n/a ci_high_ms=n/a cv_percent=n/a runs=1"),
            std::string::npos);
  edge = made_report({frames_around(10, 100)}, {});
  ASSERT_TRUE(parse(runner_report_json(edge), &f, &error)) << error;
  EXPECT_FALSE(isnan(runner_read_find_mode(f, "solid")->p99_ms));
  EXPECT_EQ(runner_read_find_mode(f, "wire")->frames, 0);
}

TEST(runner_report_json, EveryTruncationIsRefusedWithAMessage) {
  std::string text = runner_report_json(made_report({{10.0, 11.0}}, {{5.0}}));
  runner_read_figures f;
  std::string error;
  for (size_t n = 0; n < text.size() - 1; n++) {
    EXPECT_FALSE(parse(text.substr(0, n), &f, &error)) << n;
    EXPECT_FALSE(error.empty()) << n;
  }
}

TEST(runner_report_json, MalformedTextAndWrongFieldsAreRefused) {
  std::string good = runner_report_json(made_report({{10.0, 11.0}}, {{5.0}}));
  runner_read_figures f;
  std::string error;
  auto replaced = [&good](const char* from, const std::string& to) {
    std::string s = good;
    size_t at = s.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return s.replace(at, strlen(from), to);
  };
  struct refusal {
    std::string text, message;
  };
  const refusal cases[] = {
      {replaced("\"schema_version\": 2", "\"schema_version\": 1"), "schema_version 1, this build reads 2"},
      {replaced("\"schema_version\": 2", "\"schema\": 2"), "no schema_version"},
      {replaced("\"frame_end\": \"finish\"", "\"frame_end\": 3"), "frame_end is not a string"},
      {replaced("\"width\": 640", "\"width\": 0"), "surface size is not whole numbers"},
      {replaced("\"width\": 640", "\"width\": 640.5"), "surface size is not whole numbers"},
      {replaced("\"renderer\": \"llvmpipe\"", "\"renderer\": null"), "gl.renderer is not a string"},
      {replaced("\"median_ms\": 10.5,", "\"median_ms\": -1,"),
       "modes.solid.median_ms is -1, not a time above 0"},
      {replaced("\"median_ms\": 10.5,", "\"median_ms\": 1e400,"), "not a valid report"},
      {replaced("\"frames\": 2,", "\"frames\": 2.5,"), "modes.solid.frames is not a whole number"},
      {replaced("\"script\": \"tour bench\"", "\"script\": \"\xff\xfe\""), "not a valid report"},
      {good + "x", "not a valid report"},
      {"[1, 2]", "not a valid report: the report is not an object"},
      {"{\"a\": " + std::string(40, '[') + std::string(40, ']') + "}", "nesting deeper than 32"},
      // A member the reader takes, given twice, wherever it is.
      {replaced("\"script\": \"tour bench\"", "\"script\": \"first\", \"script\": \"tour bench\""),
       "not a valid report: script is given twice"},
      {replaced("\"shots\": []", "\"shots\": [], \"modes\": {}"), "not a valid report: modes is given twice"},
      {replaced("\"frames\": 2,", "\"frames\": 2, \"frames\": 9,"), "modes.solid.frames is given twice"},
      {replaced("\"cpu_model\": \"\"", "\"cpu_model\": \"\", \"cpu_model\": \"x\""),
       "environment.cpu_model is given twice"},
  };
  for (const refusal& c : cases) {
    EXPECT_FALSE(parse(c.text, &f, &error)) << c.message;
    EXPECT_NE(error.find(c.message), std::string::npos) << error;
  }
  // Members the reader does not take may repeat.
  EXPECT_TRUE(parse(replaced("\"shots\": []", "\"shots\": [], \"shots\": [1]"), &f, &error)) << error;
  // Nesting exactly as deep as the limit (the report's object and 31
  // arrays) is read; one level more is refused.
  std::string at_limit =
      std::string(RUNNER_REPORT_MAX_DEPTH - 1, '[') + std::string(RUNNER_REPORT_MAX_DEPTH - 1, ']');
  EXPECT_TRUE(parse(replaced("\"shots\": []", "\"shots\": [], \"deep\": " + at_limit), &f, &error)) << error;
  EXPECT_FALSE(parse(replaced("\"shots\": []", "\"shots\": [], \"deep\": [" + at_limit + "]"), &f, &error));
  EXPECT_EQ(error, "not a valid report: nesting deeper than 32");
}

#ifndef _WIN32
// Reads a report file with Python's json module and prints what a test
// names; "" when Python is not there.
std::string python_reads(const std::string& path, const char* expression) {
  if (system("python3 -c 'import json' >/dev/null 2>&1") != 0) return "";
  std::string command =
      "python3 -c 'import json,sys; d=json.load(open(sys.argv[1], encoding=\"utf-8\")); "
      "print(" +
      std::string(expression) + ")' '" + path + "' 2>&1";
  FILE* p = popen(command.c_str(), "r");
  std::string out;
  char buffer[512];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, p)) > 0) out.append(buffer, n);
  pclose(p);
  return out;
}

TEST(runner_report_json, OddNamesAndACommaLocaleReadWithAnotherReader) {
  if (python_reads("/dev/null", "1").empty()) GTEST_SKIP() << "no python3";
  runner_report r = made_report({{10.25, 11.5}}, {{5.125}});
  r.script = std::string("script a\"b\\c\x01\x1f\xff\xfe tab\there ") + "\xc3\xa9";
  r.env.gl_renderer = "bad \xc3 end";
  r.shots.push_back({"shot\"1", 3, "x\\y.png", 0, 1, "line\nbreak"});
  // A host program may set a locale whose decimal point is a comma.
  const char* comma = nullptr;
  for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8"}) {
    if (setlocale(LC_ALL, name) && localeconv()->decimal_point[0] == ',') {
      comma = name;
      break;
    }
  }
  std::string json = temp_path("odd.json"), csv = temp_path("odd.csv");
  ASSERT_TRUE(runner_report_write_json(json.c_str(), r));
  ASSERT_TRUE(runner_report_write_csv(csv.c_str(), r));
  setlocale(LC_ALL, "C");
  ASSERT_NE(comma, nullptr) << "no locale with a decimal comma (tools/setup.sh makes de_DE.UTF-8)";
  // One Python run reads every field the test looks at, a line each.
  EXPECT_EQ(
      python_reads(json,
                   "\"\\n\".join([repr(d[\"script\"]), str(d[\"gl\"][\"renderer\"] == \"bad \\ufffd end\"), "
                   "str(d[\"modes\"][\"solid\"][\"median_ms\"]), str(d[\"frame_times_ms\"][\"solid\"]), "
                   "d[\"shots\"][0][\"name\"], str(d[\"shots\"][0][\"message\"] == \"line\\nbreak\")])"),
      "'script a\"b\\\\c\\x01\\x1f\xef\xbf\xbd\xef\xbf\xbd tab\\there \xc3\xa9'\nTrue\n10.875\n[[10.25, "
      "11.5]]\n"
      "shot\"1\nTrue\n");
  EXPECT_EQ(read_whole_file(csv),
            "run,frame,mode,ms,gpu_ms,cpu_ms\n1,2,solid,10.2500,,\n1,3,solid,11.5000,,\n1,5,wire,5.1250,,\n");
  // Every kind of report the runner writes reads back in our reader too.
  runner_read_figures f;
  char error[256];
  EXPECT_EQ(runner_read_report(json.c_str(), &f, error, sizeof error), 1) << error;
  remove(json.c_str());
  remove(csv.c_str());
}
#endif

// ---------------------------------------------------------------------------
// The command

struct command_result {
  int status;
  std::string out, err;
};

command_result run_compare(const std::string& base, const std::string& next,
                           runner_compare_plotter plot = nullptr, double threshold = 3.0, bool force = false,
                           const std::string& plot_path = std::string()) {
  runner_compare_request request;
  request.program = "boxfield_runner";
  request.base_path = base;
  request.next_path = next;
  request.threshold_percent = threshold;
  request.force = force;
  request.plot_path = plot_path;
  std::string out_path = temp_path("compare_out.txt"), err_path = temp_path("compare_err.txt");
  FILE* out = fopen(out_path.c_str(), "wb");
  FILE* err = fopen(err_path.c_str(), "wb");
  int status = runner_compare_main(request, out, err, plot);
  fclose(out);
  fclose(err);
  return {status, read_whole_file(out_path), read_whole_file(err_path)};
}

std::string write_report(const char* name, const runner_report& r) {
  return write_text(name, runner_report_json(r));
}

TEST(runner_compare, VerdictsAndExitStatus) {
  std::string base = write_report("base.json", standard());
  std::string same = write_report("same.json", standard(1.001));
  std::string slower = write_report("slower.json", standard(1.05));
  std::string faster = write_report("faster.json", standard(0.95));
  std::string edge = write_report("edge.json", standard(1.03));

  command_result r = run_compare(base, same);
  EXPECT_EQ(r.status, RUNNER_COMPARE_OK) << r.err;
  EXPECT_NE(r.out.find("SAME"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("passed: every mode BASE timed is SAME or FASTER"), std::string::npos) << r.out;

  r = run_compare(base, slower);
  EXPECT_EQ(r.status, RUNNER_COMPARE_FAILED);
  EXPECT_NE(r.out.find("  solid        10.000       10.500    1.0500"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("SLOWER\n"), std::string::npos) << r.out;
  r = run_compare(base, faster);
  EXPECT_EQ(r.status, RUNNER_COMPARE_OK);
  EXPECT_NE(r.out.find("FASTER"), std::string::npos) << r.out;
  // The same slowdown under a larger threshold.
  EXPECT_EQ(run_compare(base, slower, nullptr, 12.5).status, RUNNER_COMPARE_OK);
  // Exactly the threshold (3 %) is not beyond it: the interval reaching
  // past it is UNCERTAIN, which has a status of its own.
  r = run_compare(base, edge);
  EXPECT_EQ(r.status, RUNNER_COMPARE_UNCERTAIN) << r.out;
  EXPECT_EQ(r.out.find("  SLOWER"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\nundecided: no mode SLOWER or MISSING, but a mode is UNCERTAIN\n"),
            std::string::npos);

  // One run a side: nothing to judge the noise by.
  std::string one_a =
      write_report("one_a.json", made_report({frames_around(10, 20)}, {frames_around(5, 20)}));
  std::string one_b =
      write_report("one_b.json", made_report({frames_around(20, 20)}, {frames_around(5, 20)}));
  r = run_compare(one_a, one_b);
  EXPECT_EQ(r.status, RUNNER_COMPARE_UNCERTAIN);
  EXPECT_NE(r.out.find("UNCERTAIN (1 and 1 runs: 2 a side at least"), std::string::npos) << r.out;
  // 20 % slower with three runs a side is UNCERTAIN, not a pass; beside a
  // SLOWER mode the comparison fails.
  std::vector<double> three = {10.0, 12.5, 8.5};
  std::string three_a = write_report("three_a.json", made_report(runs_with_medians(three), {}));
  std::string three_b = write_report("three_b.json", made_report(runs_with_medians(three, 1.2), {}));
  r = run_compare(three_a, three_b);
  EXPECT_EQ(r.status, RUNNER_COMPARE_UNCERTAIN) << r.out;
  EXPECT_NE(r.out.find("UNCERTAIN (the interval"), std::string::npos) << r.out;
  std::string mixed = write_report(
      "mixed.json", made_report(runs_with_medians(solid_medians, 1.05), runs_with_medians({5.0, 6.0, 4.0})));
  r = run_compare(base, mixed);
  EXPECT_EQ(r.status, RUNNER_COMPARE_FAILED) << r.out;
  EXPECT_NE(r.out.find("UNCERTAIN"), std::string::npos) << r.out;

  // A mode timed in BASE and not in NEW fails the comparison.
  std::string no_wire = write_report("no_wire.json", made_report(runs_with_medians(solid_medians), {}));
  r = run_compare(base, no_wire);
  EXPECT_EQ(r.status, RUNNER_COMPARE_FAILED);
  EXPECT_NE(r.out.find("MISSING: NEW timed no frames in this mode"), std::string::npos) << r.out;
  EXPECT_EQ(run_compare(no_wire, base).status, RUNNER_COMPARE_OK);
}

// text with its n-th (0-based) occurrence of from replaced by to.
std::string nth_replaced(std::string text, const std::string& from, const std::string& to, int n = 0) {
  size_t at = text.find(from);
  for (int i = 0; i < n && at != std::string::npos; i++) at = text.find(from, at + 1);
  EXPECT_NE(at, std::string::npos) << from;
  return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

TEST(runner_compare, ReportsWithUnusableFiguresAreRefused) {
  std::string base = write_report("base_u.json", standard());
  std::string good = runner_report_json(made_report({{10.0, 11.0}}, {{5.0}}));
  // The wire mode's run list emptied.
  size_t wire = good.find("\"wire\": {");
  size_t list = good.find("\"run_figures\": [", wire) + 16;
  std::string no_runs = good;
  no_runs.erase(list, no_runs.find("\n      ]", list) + 7 - list);
  struct refusal {
    std::string text, message;
  };
  const refusal cases[] = {
      {no_runs, "modes.wire.frames is 1 but modes.wire.run_figures lists no run"},
      {nth_replaced(good, "\"median_ms\": 5.0", "\"median_ms\": 0"),
       "not a valid report: modes.wire.median_ms is 0, not a time above 0"},
      {nth_replaced(good, "\"median_ms\": 5.0", "\"median_ms\": 0", 1),
       "not a valid report: modes.wire.run_figures[0].median_ms is 0, not a time above 0"},
      {nth_replaced(good, "\"median_ms\": 5.0", "\"median_ms\": null", 1),
       "not a valid report: modes.wire.run_figures[0].median_ms is null, not a time above 0"},
      {nth_replaced(good, "\"median_ms\": 5.0,", "", 1), "modes.wire.run_figures[0] has no median_ms"},
      {nth_replaced(good, "\"median_ms\": 5.0", "\"median_ms\": null"),
       "modes.wire.frames is 1 but modes.wire.median_ms is missing"},
      {runner_report_json(made_report({{}}, {})), "no mode timed a frame (modes.*.frames are all 0)"},
  };
  for (const refusal& c : cases) {
    std::string next = write_text("unusable.json", c.text);
    command_result r = run_compare(base, next);
    EXPECT_EQ(r.status, RUNNER_COMPARE_REFUSED) << c.message;
    EXPECT_EQ(r.err, "boxfield_runner: " + next + ": " + c.message + "\n");
    EXPECT_TRUE(r.out.empty()) << r.out;
  }
  // Two reports with nothing timed: the first one read is named.
  std::string none = write_report("none_u.json", made_report({{}}, {}));
  command_result r = run_compare(none, none);
  EXPECT_EQ(r.status, RUNNER_COMPARE_REFUSED);
  EXPECT_EQ(r.err, "boxfield_runner: " + none + ": no mode timed a frame (modes.*.frames are all 0)\n");
  // A frame the clock could not time (null) is left out; the figures stay.
  runner_read_figures f;
  std::string error;
  ASSERT_TRUE(parse(nth_replaced(good, "        11.0\n", "        null\n"), &f, &error)) << error;
  EXPECT_EQ(runner_read_find_mode(f, "solid")->frame_times_ms, std::vector<double>({10.0}));
}

TEST(runner_compare, ReportsThatMeasuredOtherThingsAreRefused) {
  std::string base = write_report("base_r.json", standard());
  struct difference {
    void (*change)(runner_report*);
    const char* message;
  };
  const difference cases[] = {
      {[](runner_report* r) { r->width = 1280; }, "surfaces differ: \"640x360\" against \"1280x360\""},
      {[](runner_report* r) { r->script = "tour short"; },
       "flights differ: \"tour bench\" against \"tour short\""},
      {[](runner_report* r) { r->frame_end = "swap"; }, "frame ends differ"},
      {[](runner_report* r) { r->clock = "fixed"; }, "clocks differ"},
      {[](runner_report* r) { r->tool = "boxfield"; },
       "programs differ: \"boxfield_runner\" against \"boxfield\""},
      {[](runner_report* r) { r->env.gl_renderer = "radeonsi"; }, "GL renderers differ"},
      {[](runner_report* r) { r->env.driver_settings = "LP_NUM_THREADS=1"; },
       "driver settings differ: \"\" against \"LP_NUM_THREADS=1\""},
      {[](runner_report* r) { r->env.cpu_model = "Other CPU"; },
       "CPU models differ: \"\" against \"Other CPU\""},
      {[](runner_report* r) { r->env.usable_cpus = 1; }, "usable CPUs differ: \"0\" against \"1\""},
      {[](runner_report* r) { r->env.cpu_limit = 1.5; }, "CPU limits differ: \"none\" against \"1.5\""},
      {[](runner_report* r) { r->warmup_passes = 2; }, "warm-up passes differ: \"0\" against \"2\""},
      {[](runner_report* r) { r->gpu_time = "GL_ARB_timer_query, GL_TIME_ELAPSED per frame"; },
       "timer queries differ: \"off\" against \"on\""},
      {[](runner_report* r) { r->gl_error_check = "GL_KHR_debug callback"; },
       "GL error checks differ: \"glGetError per frame\" against \"GL_KHR_debug callback\""},
      // Only headless runs record their swaps.
      {[](runner_report* r) { r->egl_frames_swapped = 0; },
       "headless swaps: recorded in NEW only (\"off\"; a report of an older build?)"},
      {[](runner_report* r) { r->runs_ended_by = RUNNER_RUNS_STOPPED_EARLY; },
       "changed.json was stopped before the runs were over (runs.ended_by)"},
  };
  for (const difference& d : cases) {
    runner_report changed = standard();
    d.change(&changed);
    std::string next = write_report("changed.json", changed);
    command_result r = run_compare(base, next);
    EXPECT_EQ(r.status, RUNNER_COMPARE_REFUSED) << d.message;
    EXPECT_NE(r.err.find(d.message), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("(--force compares them anyway)\n"), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_TRUE(r.out.empty());
    r = run_compare(base, next, nullptr, 3.0, true);
    EXPECT_EQ(r.status, RUNNER_COMPARE_OK) << r.err;
    EXPECT_NE(r.out.find(d.message), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("compared because of --force"), std::string::npos);
  }
  // Both ways of saying timer queries did not run are the same setting.
  runner_report unavailable = standard(), off = standard();
  off.gpu_time = "off (--gpu-time off)";
  EXPECT_EQ(run_compare(write_report("unavailable.json", unavailable), write_report("off.json", off)).status,
            RUNNER_COMPARE_OK);
  // Work added on purpose is read where present (absent: none); a field
  // absent from both reports is no difference, from one only it is.
  std::string text = runner_report_json(standard());
  runner_report with_work = standard();
  with_work.add_work_percent = 20;
  std::string added = write_report("added.json", with_work);
  command_result r = run_compare(base, added);
  EXPECT_EQ(r.status, RUNNER_COMPARE_REFUSED);
  EXPECT_NE(r.err.find(": added work differ: \"0 %\" against \"20 %\" (--force"), std::string::npos) << r.err;
  std::string older = nth_replaced(text, "\"usable_cpus\": 0,", "");
  r = run_compare(write_text("older_a.json", older), write_text("older_b.json", older));
  EXPECT_EQ(r.status, RUNNER_COMPARE_OK) << r.err;
  r = run_compare(write_text("older_a.json", older), base);
  EXPECT_EQ(r.status, RUNNER_COMPARE_REFUSED);
  EXPECT_NE(r.err.find(": usable CPUs: recorded in NEW only (\"0\"; a report of an older build?) (--force"),
            std::string::npos)
      << r.err;
  // Every difference in the one line, a stopped flight among them.
  runner_report two = standard();
  two.env.usable_cpus = 1;
  two.warmup_passes = 3;
  two.runs_ended_by = RUNNER_RUNS_STOPPED_EARLY;
  std::string next = write_report("two.json", two);
  r = run_compare(base, next);
  EXPECT_EQ(r.err,
            "boxfield_runner: not comparing " + base + " with " + next +
                ": usable CPUs differ: \"0\" against \"1\"; warm-up passes differ: \"0\" against \"3\"; " +
                next +
                " was stopped before the runs were over (runs.ended_by) (--force compares them anyway)\n");
  r = run_compare(base, next, nullptr, 3.0, true);
  EXPECT_EQ(r.status, RUNNER_COMPARE_OK);
  EXPECT_EQ(
      r.out.find("note: the reports differ: usable CPUs differ: \"0\" against \"1\"; warm-up passes differ: "
                 "\"0\" against \"3\"; compared because of --force\nnote: " +
                 next +
                 " was stopped before the runs were over (runs.ended_by); compared because of --force\n"),
      0u)
      << r.out;
  text = runner_report_json(standard());
  std::string old =
      write_text("old.json", text.replace(text.find("\"schema_version\": 2"), 19, "\"schema_version\": 1"));
  r = run_compare(base, old);
  EXPECT_EQ(r.status, RUNNER_COMPARE_REFUSED);
  EXPECT_NE(r.err.find("old.json: schema_version 1, this build reads 2"), std::string::npos) << r.err;
  std::string broken = write_text("broken.json", runner_report_json(standard()).substr(0, 200));
  r = run_compare(base, broken);
  EXPECT_EQ(r.status, RUNNER_COMPARE_REFUSED);
  EXPECT_NE(r.err.find("broken.json: not a valid report"), std::string::npos) << r.err;
  r = run_compare(base, temp_path("missing.json"));
  EXPECT_EQ(r.status, RUNNER_COMPARE_REFUSED);
  EXPECT_NE(r.err.find("missing.json: cannot open it"), std::string::npos) << r.err;
}

TEST(runner_environment, DriverSettingsAreTheDriversOwnVariablesSorted) {
  const char* const environment[] = {"PATH=/usr/bin",
                                     "MESA_GL_VERSION_OVERRIDE=3.3",
                                     "LP_NUM_THREADS=1",
                                     "MESAX=1",
                                     "vblank_mode=0",
                                     "vblank_modes=1",
                                     "LP_",
                                     "GLIBC_TUNABLES=glibc.malloc.trim_threshold=268435456",
                                     "MALLOC_ARENA_MAX=2",
                                     nullptr};
  EXPECT_EQ(runner_driver_settings(environment),
            "GLIBC_TUNABLES=glibc.malloc.trim_threshold=268435456; LP_NUM_THREADS=1; MALLOC_ARENA_MAX=2; "
            "MESA_GL_VERSION_OVERRIDE=3.3; vblank_mode=0");
  const char* const none[] = {"HOME=/root", nullptr};
  EXPECT_EQ(runner_driver_settings(none), "");
}

TEST(runner_environment, UsableCpusFollowTheAffinityAndTheCgroupLimit) {
  EXPECT_DOUBLE_EQ(runner_cgroup_cpu_limit("150000 100000\n"), 1.5);
  for (const char* no_limit : {"max 100000\n", "100000", "-5 100000", "5 0", "50000 100000 x", ""})
    EXPECT_EQ(runner_cgroup_cpu_limit(no_limit), 0.0) << no_limit;
  EXPECT_EQ(runner_usable_cpus(8, 1.5, 16), 2);
  EXPECT_EQ(runner_usable_cpus(1, 4.0, 16), 1);
  EXPECT_EQ(runner_usable_cpus(0, 0.0, 4), 4);
#ifdef __linux__
  // Pinned to one processor, as under taskset -c 0 (in a child, so this
  // process keeps its own): the machine's count stays, one is usable.
  fflush(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) != 0) _exit(90);
    int first = 0;
    while (!CPU_ISSET(first, &set)) first++;
    CPU_ZERO(&set);
    CPU_SET(first, &set);
    if (sched_setaffinity(0, sizeof set, &set) != 0) _exit(91);
    runner_environment e;
    runner_environment_gather(&e);
    _exit(e.affinity_cpus == 1 && e.usable_cpus == 1 &&
                  e.logical_cores == (int32_t)std::thread::hardware_concurrency()
              ? 0
              : 92);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
#endif
}

// What the comparison picture is handed: where it goes and both runs' frames.
std::string plotted_path;
std::vector<double> plotted_base_solid;
int plot_ok(const char* path, const runner_read_figures& base, const char*, const runner_read_figures&,
            const char*, char*, size_t) {
  plotted_path = path;
  plotted_base_solid = runner_read_find_mode(base, "solid")->frame_times_ms;
  return 1;
}
int plot_fails(const char*, const runner_read_figures&, const char*, const runner_read_figures&, const char*,
               char* error, size_t error_size) {
  snprintf(error, error_size, "no EGL display");
  return 0;
}

TEST(runner_compare, PictureBesideTheNewReportNeverChangesTheVerdict) {
  std::string base = write_report("base_p.json", made_report({{9, 11}, {9, 11}}, {{4, 6}, {4, 6}}));
  std::string next = write_report("next_p.json", made_report({{9, 11}, {9, 11}}, {{4, 6}, {4, 6}}));
  plotted_path.clear();
  command_result r = run_compare(base, next, plot_ok);
  EXPECT_EQ(r.status, RUNNER_COMPARE_OK) << r.err;
  // NEW's folder (compared as paths: Windows joins with a backslash).
  std::filesystem::path picture = std::filesystem::u8path(plotted_path);
  EXPECT_TRUE(picture.parent_path() == std::filesystem::u8path(next).parent_path()) << plotted_path;
  EXPECT_EQ(picture.filename().u8string(), "compare-frametimes.png");
  // A bare name: the current folder.
  EXPECT_EQ(runner_compare_default_plot_path("next.json"), "compare-frametimes.png");
  EXPECT_EQ(plotted_base_solid, std::vector<double>({9.0, 11.0, 9.0, 11.0}));
  r = run_compare(base, next, plot_ok, 3.0, false, temp_path("chosen.png"));
  EXPECT_EQ(plotted_path, temp_path("chosen.png"));
  // A picture path that cannot be written is a usage error, refused before
  // the reports are read.
  plotted_path.clear();
  std::filesystem::create_directories(temp_path("a_folder.png"));
  r = run_compare(temp_path("none_a.json"), temp_path("none_b.json"), plot_ok, 3.0, false,
                  temp_path("a_folder.png"));
  EXPECT_EQ(r.status, RUNNER_COMPARE_USAGE);
  EXPECT_EQ(r.err, "boxfield_runner: cannot write " + temp_path("a_folder.png") + ": it is a folder\n");
  EXPECT_TRUE(r.out.empty() && plotted_path.empty());

  // No picture: one line on the error stream, the verdict and status kept.
  std::string slower = write_report("slower_p.json", standard(1.05));
  std::string base6 = write_report("base6_p.json", standard());
  for (const std::string& n : {next, slower}) {
    const std::string& b = n == next ? base : base6;
    command_result with = run_compare(b, n, plot_ok);
    command_result without = run_compare(b, n, plot_fails);
    EXPECT_EQ(with.status, without.status);
    EXPECT_EQ(without.err, "boxfield_runner: no comparison picture: no EGL display\n");
    EXPECT_EQ(with.out.substr(0, with.out.find("frame-time picture")), without.out);
  }
}

}  // namespace
