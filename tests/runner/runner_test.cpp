// The headless runner's own logic: flight-script parsing and its refusals,
// frame-time statistics, picture comparison under a tolerance, and the
// command-line value checks.
#include <gtest/gtest.h>
#include <string.h>

#include <string>

#include "runner/runner_args.h"
#include "runner/runner_image.h"
#include "runner/runner_script.h"
#include "runner/runner_stats.h"

namespace {

// ---------------------------------------------------------------------------
// Command-line values

TEST(runner_args, SizesAreWholeAndInRange) {
  int32_t w = -1, h = -1;
  EXPECT_TRUE(runner_parse_size("320x240", 320, 240, &w, &h));
  EXPECT_EQ(w, 320);
  EXPECT_EQ(h, 240);
  EXPECT_TRUE(runner_parse_size("8192x16", 16, 16, &w, &h));
  EXPECT_EQ(w, 8192);
  EXPECT_EQ(h, 16);
  w = h = -1;
  const char* refused[] = {"319x240", "320x239",  "8193x600", "800x8193",
                           "800x",    "x600",     "800x600x", "800 x600",
                           "800X600", "-800x600", "",         "99999999999999999999x600"};
  for (const char* text : refused) {
    EXPECT_FALSE(runner_parse_size(text, 320, 240, &w, &h)) << text;
  }
  EXPECT_EQ(w, -1);  // a refused value leaves the outputs alone
  EXPECT_EQ(h, -1);
}

TEST(runner_args, CountsAndNumbersRefuseJunkAndRange) {
  long long n = -1;
  EXPECT_TRUE(runner_parse_count("0", 255, &n));
  EXPECT_EQ(n, 0);
  EXPECT_TRUE(runner_parse_count("255", 255, &n));
  EXPECT_EQ(n, 255);
  for (const char* text : {"256", "-1", "12a", "", "1.5", "99999999999999999999"}) {
    EXPECT_FALSE(runner_parse_count(text, 255, &n)) << text;
  }
  EXPECT_EQ(n, 255);
  double v = -1;
  EXPECT_TRUE(runner_parse_number("0.25", 0, 1, &v));
  EXPECT_EQ(v, 0.25);
  for (const char* text : {"nan", "inf", "-0.001", "1.0001", "1e400", "0.5s", ""}) {
    EXPECT_FALSE(runner_parse_number(text, 0, 1, &v)) << text;
  }
  EXPECT_EQ(v, 0.25);
}

// ---------------------------------------------------------------------------
// Scripts

TEST(runner_script, ParsesEventsInFrameOrder) {
  runner_script s;
  char error[128];
  const char* text =
      "# comment line\n"
      "\n"
      "30 shot solid_1   # trailing comment\n"
      "  2 down w\r\n"
      "5 move -40 12\n"
      "2 up CTRL\n"
      "40 end\n"
      "7 down 0x1b";
  ASSERT_EQ(runner_parse_script(text, &s, error, sizeof error), 1) << error;
  EXPECT_EQ(s.last_frame, 40);
  ASSERT_EQ(s.events.size(), 6u);
  EXPECT_EQ(s.events[0].frame, 2);
  EXPECT_EQ(s.events[0].action, RUNNER_KEY_DOWN);
  EXPECT_EQ(s.events[0].key, 'W');
  EXPECT_EQ(s.events[1].action, RUNNER_KEY_UP);  // same frame keeps its order
  EXPECT_EQ(s.events[1].key, 0x11);
  EXPECT_EQ(s.events[2].action, RUNNER_MOVE);
  EXPECT_EQ(s.events[2].dx, -40);
  EXPECT_EQ(s.events[2].dy, 12);
  EXPECT_EQ(s.events[3].key, 0x1B);
  EXPECT_STREQ(s.events[4].name, "solid_1");
  EXPECT_EQ(s.events[5].action, RUNNER_END);
}

void expect_refused(const std::string& text, const char* line_and_reason) {
  runner_script s;
  char error[128];
  EXPECT_EQ(runner_parse_script(text.c_str(), &s, error, sizeof error), 0) << text;
  EXPECT_NE(strstr(error, line_and_reason), nullptr) << "got: " << error;
}

TEST(runner_script, RefusesBadLinesNamingThem) {
  expect_refused("1 down W\n", "no end");
  expect_refused("0 end\n", "line 1: frame must be");
  expect_refused("10000001 end\n", "line 1: frame must be");
  expect_refused("12x end\n", "line 1: frame must be");
  expect_refused("5 end\n5 end\n", "line 2: second end");
  expect_refused("5 end\n6 down W\n", "after the end");
  expect_refused("1 down\n2 end\n", "line 1: down takes one key");
  expect_refused("1 down W W\n2 end\n", "line 1: down takes one key");
  expect_refused("1 down PAGEUP\n2 end\n", "unknown key 'PAGEUP'");
  expect_refused("1 down 0xFF\n2 end\n", "unknown key");
  expect_refused("1 down 0x\n2 end\n", "unknown key");
  expect_refused("1 move 3\n2 end\n", "move takes two offsets");
  expect_refused("1 move 3 200000\n2 end\n", "move takes two offsets");
  expect_refused("1 shot ../../etc/passwd\n2 end\n", "shot takes one name");
  expect_refused("1 shot " + std::string(48, 'a') + "\n2 end\n", "shot takes one name");
  expect_refused("1 fly\n2 end\n", "line 1: unknown action 'fly'");
  expect_refused("1 end extra\n", "end takes no arguments");
  expect_refused("1 a b c d e\n", "too many words");
  expect_refused(std::string(300, ' ') + "1 end\n", "longer than 255");
}

TEST(runner_script, ErrorTextStaysInsideItsBuffer) {
  runner_script s;
  char error[12];
  memset(error, 'x', sizeof error);
  EXPECT_EQ(runner_parse_script("1 fly far away\n", &s, error, 8), 0);
  EXPECT_EQ(strlen(error), 7u);
  EXPECT_EQ(error[8], 'x');
}

TEST(runner_script, BuiltInToursParse) {
  for (const char* name : {"short", "bench", "reference"}) {
    const char* text = runner_builtin_tour(name);
    ASSERT_NE(text, nullptr) << name;
    runner_script s;
    char error[128];
    EXPECT_EQ(runner_parse_script(text, &s, error, sizeof error), 1) << name << ": " << error;
    EXPECT_NE(strstr(runner_tour_names(), name), nullptr);
  }
  EXPECT_EQ(runner_builtin_tour("nope"), nullptr);
}

// ---------------------------------------------------------------------------
// Statistics

TEST(runner_stats, PercentilesByNearestRank) {
  double values[200];
  for (int i = 0; i < 200; i++) values[i] = (double)(200 - i);  // 200 .. 1, unsorted
  runner_summary s = runner_summarise(values, 200);
  EXPECT_EQ(s.count, 200u);
  EXPECT_DOUBLE_EQ(s.median_ms, 100.5);
  EXPECT_DOUBLE_EQ(s.mean_ms, 100.5);
  EXPECT_DOUBLE_EQ(s.p90_ms, 180.0);
  EXPECT_DOUBLE_EQ(s.p99_ms, 198.0);
  EXPECT_DOUBLE_EQ(s.max_ms, 200.0);
  // Slowest 1 %: the two frames of 199 and 200 ms.
  EXPECT_DOUBLE_EQ(s.low_1pct_fps, 1000.0 / 199.5);
  EXPECT_EQ(values[0], 200.0);  // input untouched
}

TEST(runner_stats, SmallAndEmptySets) {
  double one = 4.0;
  runner_summary s = runner_summarise(&one, 1);
  EXPECT_EQ(s.median_ms, 4.0);
  EXPECT_EQ(s.p99_ms, 4.0);
  EXPECT_EQ(s.low_1pct_fps, 250.0);
  double three[] = {3.0, 1.0, 2.0};
  s = runner_summarise(three, 3);
  EXPECT_EQ(s.median_ms, 2.0);
  EXPECT_EQ(s.p90_ms, 3.0);
  EXPECT_EQ(s.low_1pct_fps, 1000.0 / 3.0);
  s = runner_summarise(nullptr, 0);
  EXPECT_EQ(s.count, 0u);
  EXPECT_EQ(s.median_ms, 0.0);
}

// ---------------------------------------------------------------------------
// Pictures

runner_image filled(int32_t w, int32_t h, uint8_t r, uint8_t g, uint8_t b) {
  runner_image im = {w, h, std::vector<uint8_t>((size_t)w * h * 3)};
  for (size_t i = 0; i < im.rgb.size(); i += 3) {
    im.rgb[i] = r;
    im.rgb[i + 1] = g;
    im.rgb[i + 2] = b;
  }
  return im;
}

void set_pixel(runner_image& im, int32_t x, int32_t y, uint8_t r, uint8_t g, uint8_t b) {
  size_t i = ((size_t)y * im.width + x) * 3;
  im.rgb[i] = r;
  im.rgb[i + 1] = g;
  im.rgb[i + 2] = b;
}

TEST(runner_image, DifferencesWithinToleranceAreIgnored) {
  runner_image a = filled(8, 4, 100, 100, 100);
  runner_image b = filled(8, 4, 100, 100, 100);
  set_pixel(b, 1, 1, 104, 96, 100);  // 4 off: inside a tolerance of 4
  runner_compare_result r = runner_compare_images(a, b, 4);
  EXPECT_EQ(r.same_size, 1);
  EXPECT_EQ(r.differing, 0);
  EXPECT_EQ(r.max_channel_diff, 4);
  EXPECT_TRUE(r.samples.empty());
  r = runner_compare_images(a, b, 3);
  EXPECT_EQ(r.differing, 1);
}

TEST(runner_image, ReportsWhichPixelsDifferAndWhere) {
  runner_image got = filled(10, 6, 0, 0, 0);
  runner_image want = filled(10, 6, 0, 0, 0);
  set_pixel(got, 7, 1, 255, 0, 0);
  set_pixel(got, 2, 4, 0, 0, 50);
  set_pixel(got, 9, 5, 0, 30, 0);
  runner_compare_result r = runner_compare_images(got, want, 10);
  EXPECT_EQ(r.differing, 3);
  EXPECT_EQ(r.max_channel_diff, 255);
  EXPECT_EQ(r.min_x, 2);
  EXPECT_EQ(r.max_x, 9);
  EXPECT_EQ(r.min_y, 1);
  EXPECT_EQ(r.max_y, 5);
  ASSERT_EQ(r.samples.size(), 3u);
  EXPECT_EQ(r.samples[0].x, 7);
  EXPECT_EQ(r.samples[0].y, 1);
  EXPECT_EQ(r.samples[0].got[0], 255);
  EXPECT_EQ(r.samples[0].expected[0], 0);
  EXPECT_EQ(r.samples[1].x, 2);
  EXPECT_EQ(r.samples[1].y, 4);

  runner_image diff = runner_diff_image(got, want, 10);
  ASSERT_EQ(diff.width, 10);
  EXPECT_EQ(diff.rgb[(1 * 10 + 7) * 3], 255);
  EXPECT_EQ(diff.rgb[0], 0);
}

TEST(runner_image, KeepsOnlyTheFirstSamplesButCountsAll) {
  runner_image got = filled(40, 40, 0, 0, 0);
  runner_image want = filled(40, 40, 200, 200, 200);
  runner_compare_result r = runner_compare_images(got, want, 0);
  EXPECT_EQ(r.differing, 1600);
  EXPECT_EQ(r.samples.size(), RUNNER_DIFF_SAMPLES);
}

TEST(runner_image, DifferentSizesOrBrokenBuffersAreNotCompared) {
  runner_image a = filled(8, 4, 1, 2, 3);
  runner_image b = filled(4, 8, 1, 2, 3);
  EXPECT_EQ(runner_compare_images(a, b, 255).same_size, 0);
  runner_image c = filled(8, 4, 1, 2, 3);
  c.rgb.resize(10);  // claims 8x4 but holds less
  EXPECT_EQ(runner_compare_images(a, c, 255).same_size, 0);
  EXPECT_EQ(runner_diff_image(a, c, 0).width, 0);
}

}  // namespace
