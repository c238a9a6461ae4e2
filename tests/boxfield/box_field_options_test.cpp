// The box-field program's command line: Windows command lines split as the
// C runtime splits them (quotes, backslashes before quotes), every option
// checked whole, benchmark-only options refused without --benchmark, and
// two choices of flight refused.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "boxfield/box_field_options.h"

namespace {

using args = std::vector<std::string>;

TEST(box_field_options, WindowsCommandLinesSplitLikeTheRuntime) {
  EXPECT_EQ(box_field_split_command_line("boxfield.exe"), (args{"boxfield.exe"}));
  EXPECT_EQ(box_field_split_command_line("  \"C:\\Program Files\\bf\\boxfield.exe\"  --windowed\t640x360 "),
            (args{"C:\\Program Files\\bf\\boxfield.exe", "--windowed", "640x360"}));
  EXPECT_EQ(box_field_split_command_line("a --report \"my report.json\""),
            (args{"a", "--report", "my report.json"}));
  // Backslashes are literal unless a quote follows: 2n + quote -> n and a
  // grouping quote, 2n + 1 + quote -> n and a literal quote.
  EXPECT_EQ(box_field_split_command_line("a C:\\dir\\ b"), (args{"a", "C:\\dir\\", "b"}));
  EXPECT_EQ(box_field_split_command_line("a \"C:\\dir\\\\\" b"), (args{"a", "C:\\dir\\", "b"}));
  EXPECT_EQ(box_field_split_command_line("a \\\"q\\\" b"), (args{"a", "\"q\"", "b"}));
  EXPECT_EQ(box_field_split_command_line("a \"\" b"), (args{"a", "", "b"}));
  EXPECT_EQ(box_field_split_command_line("a \"unterminated b"), (args{"a", "unterminated b"}));
  EXPECT_TRUE(box_field_split_command_line("").empty());
  EXPECT_TRUE(box_field_split_command_line(nullptr).empty());
}

bool parse(const args& a, box_field_options* o, std::string* message) {
  char error[256] = "";
  bool ok = box_field_parse_options(a, o, error, sizeof error);
  *message = error;
  return ok;
}

TEST(box_field_options, BenchmarkOptionsAreRead) {
  box_field_options o;
  std::string message;
  ASSERT_TRUE(parse({"--windowed", "640x360", "--benchmark", "short", "--frame-end", "finish",
                     "--results-file", "r.csv", "--report", "out/r.json", "--strict"},
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
  ASSERT_TRUE(parse({"--benchmark", "--script", "f.txt"}, &d, &message)) << message;
  EXPECT_EQ(d.tour, "bench");
  EXPECT_EQ(d.script_file, "f.txt");
  EXPECT_EQ(d.frame_end, RUNNER_FRAME_END_SWAP);
  EXPECT_EQ(d.report, "boxfield-report.json");
  EXPECT_EQ(d.window_width, 0);
}

TEST(box_field_options, MistakesAreNamed) {
  struct refusal {
    args a;
    const char* message;
  };
  const refusal refusals[] = {
      {{"--fullscreen"}, "unknown option --fullscreen"},
      {{"bench"}, "unexpected argument 'bench'"},
      {{"--windowed"}, "--windowed needs a value"},
      {{"--windowed", "640"}, "--windowed wants WxH, each from 64 to 8192 (got '640')"},
      {{"--windowed", "32x32"}, "--windowed wants WxH, each from 64 to 8192 (got '32x32')"},
      {{"--benchmark", "long"}, "--benchmark: no tour 'long' (tours: short bench reference)"},
      {{"--benchmark", "--frame-end", "flip"},
       "--frame-end wants swap, finish, readpixels or none (got 'flip')"},
      {{"--benchmark", "--report", ""}, "--report needs a non-empty value"},
      {{"--benchmark", "short", "--script", "f.txt"},
       "--benchmark short and --script both choose the flight: give one"},
      {{"--report", "r.json"}, "--report needs --benchmark"},
      {{"--windowed", "640x360", "--strict"}, "--strict needs --benchmark"},
  };
  for (const refusal& r : refusals) {
    box_field_options o;
    std::string message;
    EXPECT_FALSE(parse(r.a, &o, &message)) << r.a[0];
    EXPECT_EQ(message, r.message);
  }
  // --help wins over the rest of the line.
  box_field_options o;
  std::string message;
  EXPECT_TRUE(parse({"--report", "x", "--help"}, &o, &message));
  EXPECT_TRUE(o.help);
}

}  // namespace
