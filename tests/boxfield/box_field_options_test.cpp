// The command lines of the box-field program and of boxfield_runner: every
// option checked whole in either value spelling, benchmark-only and
// compare-only options refused out of their mode, two choices of flight
// refused, and the defaults the two programs' help texts explain.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "boxfield/box_field_options.h"
#include "boxfield/box_field_runner_options.h"

namespace {

using args = std::vector<std::string>;

TEST(box_field_options, BenchmarkOptionsAreRead) {
  box_field_options o;
  std::string message;
  ASSERT_TRUE(box_field_parse_options({"--size=640x360", "--benchmark", "short", "--frame-end", "finish",
                                       "--results-file=r.csv", "--report", "out/r.json", "--strict"},
                                      &o, &message))
      << message;
  EXPECT_EQ(o.window_width, 640);
  EXPECT_EQ(o.window_height, 360);
  EXPECT_TRUE(o.benchmark);
  EXPECT_EQ(o.tour, "short");
  EXPECT_EQ(o.frame_end, RUNNER_FRAME_END_FINISH);
  EXPECT_EQ(o.results_file, "r.csv");
  EXPECT_EQ(o.report, "out/r.json");
  EXPECT_TRUE(o.strict);

  box_field_options d;  // the benchmark's defaults; an option after it is not a tour
  ASSERT_TRUE(
      box_field_parse_options({"--windowed", "64x64", "--benchmark", "--script", "f.txt"}, &d, &message))
      << message;
  EXPECT_EQ(d.tour, "bench");
  EXPECT_EQ(d.script_file, "f.txt");
  EXPECT_EQ(d.frame_end, RUNNER_FRAME_END_SWAP);
  EXPECT_EQ(d.report, "boxfield-report.json");
  EXPECT_EQ(d.window_width, 64);

  box_field_options h;  // help wins over the rest of the line; "/?" is help too
  EXPECT_TRUE(box_field_parse_options({"--report", "x", "/?"}, &h, &message));
  EXPECT_TRUE(h.help);
}

TEST(box_field_options, MistakesAreNamed) {
  const struct {
    args a;
    const char* message;
  } refusals[] = {
      {{"--fullscreen"}, "unknown option --fullscreen"},
      {{"bench"}, "unexpected argument 'bench'"},
      {{"--", "--help"}, "unexpected argument '--help'"},
      {{"--windowed"}, "--windowed needs a value"},
      {{"--benchmark", "--report", "--strict"}, "--report needs a value, not the option '--strict'"},
      {{"--windowed", "640"}, "--windowed wants WxH, each from 64 to 8192 (got '640')"},
      {{"--size=32x32"}, "--size wants WxH, each from 64 to 8192 (got '32x32')"},
      {{"--benchmark", "long"}, "--benchmark: no tour 'long' (tours: short bench reference ab)"},
      {{"--benchmark", "--frame-end=flip"},
       "--frame-end wants swap, finish, readpixels or none (got 'flip')"},
      {{"--benchmark", "--report", ""}, "--report needs a non-empty value"},
      {{"--benchmark=short", "--script", "f.txt"},
       "--benchmark short and --script both choose the flight: give one"},
      {{"--report", "r.json"}, "--report needs --benchmark"},
      {{"--size", "640x360", "--strict"}, "--strict needs --benchmark"},
  };
  for (const auto& r : refusals) {
    box_field_options o;
    std::string message;
    EXPECT_FALSE(box_field_parse_options(r.a, &o, &message)) << r.a[0];
    EXPECT_EQ(message, r.message);
  }
}

TEST(box_field_runner_options, FlightAndCompareModesAreRead) {
  box_field_runner_options o;
  std::string message;
  ASSERT_TRUE(box_field_runner_parse_options({"--size=160x90", "--tour", "bench", "--out=o", "--tolerance=0",
                                              "--max-differing", "7", "--frame-end=swap", "--real-clock"},
                                             &o, &message))
      << message;
  EXPECT_EQ(o.width, 160);
  EXPECT_EQ(o.tour, "bench");
  EXPECT_EQ(o.out_dir, "o");
  EXPECT_EQ(o.shots.tolerance, 0);
  EXPECT_EQ(o.shots.max_differing, 7);
  EXPECT_EQ(o.frame_end, RUNNER_FRAME_END_SWAP);
  EXPECT_TRUE(o.real_clock);
  EXPECT_EQ(o.runs.runs, 3);  // the run defaults both programs share
  EXPECT_EQ(o.runs.warmup_passes, 1);
  EXPECT_FALSE(o.runs.auto_runs);

  // The run options, read by the one function both programs call.
  box_field_runner_options ro;
  ASSERT_TRUE(box_field_runner_parse_options(
      {"--runs=auto", "--ci", "0.5", "--max-runs=6", "--max-seconds", "60", "--warmup=0", "--gpu-time", "off",
       "--gl-errors=poll", "--egl-swap=off"},
      &ro, &message))
      << message;
  EXPECT_TRUE(ro.runs.auto_runs);
  EXPECT_EQ(ro.runs.ci_percent, 0.5);
  EXPECT_EQ(ro.runs.max_runs, 6);
  EXPECT_EQ(ro.runs.max_seconds, 60.0);
  EXPECT_EQ(ro.runs.warmup_passes, 0);
  EXPECT_FALSE(ro.instruments.gpu_time);
  EXPECT_FALSE(ro.instruments.gl_error_callback);
  EXPECT_FALSE(ro.instruments.egl_swap);
  box_field_options b;
  ASSERT_TRUE(
      box_field_parse_options({"--benchmark", "--runs", "7", "--gl-errors", "callback"}, &b, &message))
      << message;
  EXPECT_EQ(b.runs.runs, 7);
  EXPECT_TRUE(b.instruments.gl_error_callback);
  box_field_options plain;
  EXPECT_FALSE(box_field_parse_options({"--runs", "7"}, &plain, &message));
  EXPECT_EQ(message, "--runs needs --benchmark");
  const std::pair<args, std::string> refused[] = {
      {{"--runs", "0"}, "--runs wants a count from 1 to 1000 or auto (got '0')"},
      {{"--max-runs", "5"},
       "--max-runs wants a count from 6 (the fewest runs an interval needs) to 1000 (got '5')"},
      {{"--ci=0"}, "--ci wants a percentage from 0.01 to 50 (got '0')"},
      {{"--gpu-time=yes"}, "--gpu-time wants on or off (got 'yes')"},
      {{"--gl-errors=off"}, "--gl-errors wants callback or poll (got 'off')"},
      {{"--egl-swap=1"}, "--egl-swap wants on or off (got '1')"},
  };
  for (const auto& c : refused) {
    EXPECT_FALSE(box_field_runner_parse_options(c.first, &ro, &message)) << c.second;
    EXPECT_EQ(message, c.second);
  }

  box_field_runner_options c;
  ASSERT_TRUE(box_field_runner_parse_options({"a.json", "--threshold=2.5", "--compare", "--", "-b.json"}, &c,
                                             &message))
      << message;
  EXPECT_TRUE(c.compare);
  EXPECT_EQ(c.reports, (args{"a.json", "-b.json"}));
  EXPECT_EQ(c.threshold, 2.5);

  // --bisect shares --ab's options; its flight goes after --.
  box_field_runner_options bi;
  ASSERT_TRUE(box_field_runner_parse_options(
      {"--bisect", "--good", "v1", "--bad=HEAD", "--build", "make -j2", "--run", "build/r", "--pairs", "20",
       "--max-seconds", "90", "--", "--size", "64x64", "--runs", "3"},
      &bi, &message))
      << message;
  EXPECT_TRUE(bi.bisect);
  EXPECT_EQ(bi.bisect_good, "v1");
  EXPECT_EQ(bi.bisect_bad, "HEAD");
  EXPECT_EQ(bi.bisect_build, "make -j2");
  EXPECT_EQ(bi.bisect_run, "build/r");
  EXPECT_EQ(bi.ab_pairs, 20);
  EXPECT_EQ(bi.ab_max_seconds, 90.0);
  EXPECT_EQ(bi.flight_args, (args{"--size", "64x64", "--runs", "3"}));
  EXPECT_EQ(bi.out_dir, "bisect-out");
  EXPECT_EQ(bi.width, 1280);  // the flight's size is the sides' own

  // The history: recording beside a flight, one reading view with its filters.
  box_field_runner_options h;
  ASSERT_TRUE(box_field_runner_parse_options({"--tour", "bench", "--history", "h.db"}, &h, &message))
      << message;
  EXPECT_EQ(h.history, "h.db");
  EXPECT_EQ(h.history_command, "");
  ASSERT_TRUE(box_field_runner_parse_options(
      {"--history-trend", "--plot", "t.png", "--until", "2026-03-01", "--driver", "Mesa 23"}, &h, &message))
      << message;
  EXPECT_EQ(h.history_command, "trend");
  EXPECT_EQ(h.plot, "t.png");
  EXPECT_EQ(h.until, "2026-03-01");
  EXPECT_EQ(h.driver, "Mesa 23");
  box_field_runner_options add;
  ASSERT_TRUE(box_field_runner_parse_options({"--history-add", "a.json", "b.json"}, &add, &message))
      << message;
  EXPECT_EQ(add.reports, (std::vector<std::string>{"a.json", "b.json"}));

  box_field_runner_options d;  // the defaults its help explains
  ASSERT_TRUE(box_field_runner_parse_options({}, &d, &message));
  EXPECT_EQ(d.tour, "short");
  EXPECT_EQ(d.frame_end, RUNNER_FRAME_END_FINISH);
  EXPECT_EQ(d.shots.tolerance, 24);
  EXPECT_EQ(d.out_dir, "runner-out");

  const struct {
    args a;
    const char* message;
  } refusals[] = {
      {{"bench"}, "unexpected argument 'bench'"},
      {{"--size", "--strict"}, "--size needs a value, not the option '--strict'"},
      {{"--tour", "short", "--script", "s.txt"}, "--tour and --script both choose the flight: give one"},
      {{"--tolerance=256"}, "--tolerance wants 0 to 255 (got '256')"},
      {{"--tour=long"}, "no tour 'long' (tours: short bench reference ab)"},
      {{"--threshold", "5"}, "--threshold needs --compare"},
      {{"--compare", "a", "b", "--strict"}, "--strict does not go with --compare"},
      {{"--compare", "a"}, "--compare takes two reports, BASE.json and NEW.json (got 1)"},
      {{"--compare", "a", "b", "--threshold=-1"}, "--threshold wants a percentage from 0 to 99 (got '-1')"},
      {{"--good", "v1"}, "--good needs --bisect"},
      {{"--bisect", "--good", "v1", "--bad", "v2", "--run", "r"},
       "--bisect needs --good REV, --bad REV, --build CMD and --run CMD"},
      {{"--bisect", "--good", "v1", "--bad", "v2", "--build", "b", "--run", "r", "--size", "64x64"},
       "--size is a flight option: with --bisect, flight options go after --"},
      {{"--bisect", "--good", "v1", "--bad", "v2", "--build", "b", "--run", "r", "--base", "x"},
       "--base does not go with --bisect (--run is the command of both sides)"},
      {{"--bisect", "--ab", "--good", "v1", "--bad", "v2", "--build", "b", "--run", "r"},
       "--bisect does not go with --ab"},
      {{"--plot", "p.png"}, "--plot needs --compare"},
      {{"--history-runs", "--history-changes"}, "give one of the --history-... options at a time"},
      {{"--history-trend", "--tour", "bench"}, "--tour does not go with the --history-... options"},
      {{"--history-changes", "--plot", "p.png"}, "--plot goes with --compare or --history-trend"},
      {{"--history-add"}, "--history-add takes one or more report files"},
      {{"--history-add", "a.json", "--machine", "ab"}, "--machine does not go with --history-add"},
      {{"--machine", "ab"},
       "--machine goes with --history-runs, --history-trend, --history-changes or --history-csv"},
      {{"--history-runs", "--since", "March"},
       "--since wants a UTC date, 2026-03-01 or 2026-03-01T12:00:00Z (got 'March')"},
      {{"--history-runs", "stray"}, "unexpected argument 'stray'"},
      {{"--compare", "a", "b", "--history", "h.db"}, "--history does not go with --compare"},
  };
  for (const auto& r : refusals) {
    box_field_runner_options x;
    EXPECT_FALSE(box_field_runner_parse_options(r.a, &x, &message)) << r.a[0];
    EXPECT_EQ(message, r.message);
  }
}

}  // namespace
