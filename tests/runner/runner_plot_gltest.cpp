// The frame-time picture on real Mesa: one run draws in the first run's
// colour only, a second run overlaid adds the second colour, a panel is
// drawn for every mode either run has, the title and labels are drawn, and the caller's GL state (blending,
// depth test, line smoothing), matrices and current font come back as they were. The ms axis covers the
// slowest frame of either run at every magnitude, and frame times that are huge, tiny, equal, infinite or NaN
// draw a picture without looping forever. PNG files keep every pixel, and a file that cannot be written says
// why.
#include <float.h>
#include <gtest/gtest.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "font/font_registry.h"
#include "glyphs/builtin_font.h"
#include "glyphs/cell_font.h"
#include "glyphs/cell_glyphs.h"
#include "runner/runner_plot.h"
#include "shell/gl.h"
#include "support/headless_gl.h"
#include "support/temp_files.h"

namespace {

// Pixels within 24 per channel of a packed colour.
int64_t count_near(const runner_image& im, int32_t rgb) {
  int64_t n = 0;
  const int r = (rgb >> 16) & 255, g = (rgb >> 8) & 255, b = rgb & 255;
  for (size_t i = 0; i + 2 < im.rgb.size(); i += 3) {
    if (abs(im.rgb[i] - r) <= 24 && abs(im.rgb[i + 1] - g) <= 24 && abs(im.rgb[i + 2] - b) <= 24) n++;
  }
  return n;
}

// Light pixels (text) in the rows [y0, y1).
int64_t light_pixels(const runner_image& im, int32_t y0, int32_t y1) {
  int64_t n = 0;
  for (int32_t y = y0; y < y1; y++) {
    for (int32_t x = 0; x < im.width; x++) {
      const uint8_t* p = &im.rgb[((size_t)y * im.width + x) * 3];
      if (p[0] > 150 && p[1] > 150 && p[2] > 150) n++;
    }
  }
  return n;
}

runner_plot_run ramp(const char* label, double base) {
  runner_plot_run run;
  run.label = label;
  run.modes = {{"solid", {}}, {"wire", {}}};
  for (int i = 0; i < 120; i++) {
    run.modes[0].ms.push_back(base + (i % 10));
    run.modes[1].ms.push_back(base / 2 + (i % 7));
  }
  return run;
}

const int32_t first_colour = 0x4FC3F7, second_colour = 0xFFA040;

// Panels met going down column x: runs of 20 rows or more (the least panel
// height; text lines are shorter) that are not the background colour.
int panels_in_column(const runner_image& im, int32_t x) {
  int n = 0, run = 0;
  for (int32_t y = 0; y <= im.height; y++) {
    const uint8_t* p = y < im.height ? &im.rgb[((size_t)y * im.width + x) * 3] : nullptr;
    bool background = !p || (p[0] == 0x14 && p[1] == 0x18 && p[2] == 0x1E);
    if (!background) {
      run++;
    } else {
      n += run >= 20;
      run = 0;
    }
  }
  return n;
}

TEST(runner_plot, OneOrTwoRunsInTheirColoursWithTitle) {
  ASSERT_TRUE(headless_gl_open(640, 360));
  runner_plot_run a = ramp("base", 20.0), b = ramp("new", 30.0);
  runner_image one = runner_plot_frametimes("llvmpipe, 640x360, frame end finish", a, nullptr);
  ASSERT_EQ(one.width, 640);
  ASSERT_EQ(one.height, 360);
  EXPECT_GT(count_near(one, first_colour), 500);
  EXPECT_EQ(count_near(one, second_colour), 0);
  EXPECT_GT(light_pixels(one, 0, 20), 100);  // the title

  runner_image two = runner_plot_frametimes("compare", a, &b);
  EXPECT_GT(count_near(two, first_colour), 500);
  EXPECT_GT(count_near(two, second_colour), 500);

  runner_plot_run empty;
  empty.label = "nothing";
  runner_image none = runner_plot_frametimes("no frames", empty, nullptr);  // draws axes, no run
  EXPECT_EQ(none.width, 640);
  EXPECT_EQ(panels_in_column(none, 320), 0);
}

TEST(runner_plot, APanelForEveryModeOfEitherRun) {
  ASSERT_TRUE(headless_gl_open(640, 360));
  runner_plot_run a = ramp("base", 20.0);
  EXPECT_EQ(panels_in_column(runner_plot_frametimes("two", a, nullptr), 620), 2);
  // A mode only the second run has gets its own panel, below the first run's.
  runner_plot_run b = ramp("new", 30.0);
  b.modes.push_back({"glow", std::vector<double>(50, 12.0)});
  EXPECT_EQ(panels_in_column(runner_plot_frametimes("three", a, &b), 620), 3);
  runner_plot_run one;
  one.label = "one";
  one.modes = {{"only", std::vector<double>(10, 5.0)}};
  EXPECT_EQ(panels_in_column(runner_plot_frametimes("one", one, nullptr), 620), 1);
}

// Mean row of the pixels of column x within 24 per channel of a packed
// colour; -1 when there are none.
double mean_row_near(const runner_image& im, int32_t x, int32_t rgb) {
  const int r = (rgb >> 16) & 255, g = (rgb >> 8) & 255, b = rgb & 255;
  double sum = 0.0;
  int n = 0;
  for (int32_t y = 0; y < im.height; y++) {
    const uint8_t* p = &im.rgb[((size_t)y * im.width + x) * 3];
    if (abs(p[0] - r) <= 24 && abs(p[1] - g) <= 24 && abs(p[2] - b) <= 24) {
      sum += y;
      n++;
    }
  }
  return n ? sum / n : -1.0;
}

TEST(runner_plot, ScaleCoversTheSlowerRunToo) {
  // Steady runs of 2 ms and, overlaid, 9 ms: the 9 ms run's median line
  // sits 4.5 times as high above the panel's bottom as the 2 ms one's, not
  // clipped to the top of a scale made for the faster run.
  ASSERT_TRUE(headless_gl_open(640, 360));
  runner_plot_run fast, slow;
  fast.label = "fast";
  fast.modes = {{"solid", std::vector<double>(60, 2.0)}};
  slow.label = "slow";
  slow.modes = {{"solid", std::vector<double>(60, 9.0)}};
  for (bool slow_first : {false, true}) {
    runner_image im = slow_first ? runner_plot_frametimes("scale", slow, &fast)
                                 : runner_plot_frametimes("scale", fast, &slow);
    const int32_t x = im.width / 3;
    // The panel's bottom edge: the lowest row of the panel's colour.
    int32_t bottom = -1;
    for (int32_t y = 0; y < im.height; y++) {
      const uint8_t* p = &im.rgb[((size_t)y * im.width + x) * 3];
      if (p[0] == 0x1E && p[1] == 0x24 && p[2] == 0x2C) bottom = y;
    }
    const int32_t median_colour[2] = {0x9BE7FF, 0xFFD080};  // of the first and the second run
    double fast_row = mean_row_near(im, x, median_colour[slow_first ? 1 : 0]);
    double slow_row = mean_row_near(im, x, median_colour[slow_first ? 0 : 1]);
    ASSERT_GT(bottom, 0) << slow_first;
    ASSERT_GE(fast_row, 0.0) << slow_first;
    ASSERT_GE(slow_row, 0.0) << slow_first;
    EXPECT_NEAR((bottom - slow_row) / (bottom - fast_row), 4.5, 0.3) << slow_first;
  }
}

TEST(runner_plot, RatiosPictureKeepsItsScaleThroughAnOutlier) {
  // Twenty pair ratios from 1.00 to 1.095 and one episode of 3.0: the
  // twenty spread over much of the panel instead of a sliver at its foot,
  // and there is a panel for each mode.
  ASSERT_TRUE(headless_gl_open(640, 360));
  runner_plot_ratio_mode solid;
  solid.name = "solid";
  for (int i = 0; i < 20; i++) solid.ratios.push_back(1.0 + 0.005 * i);
  solid.ratios.push_back(3.0);
  solid.ratio = 1.05;
  solid.has_interval = true;
  solid.low = 1.03;
  solid.high = 1.07;
  solid.verdict = "SLOWER";
  runner_plot_ratio_mode wire = solid;
  wire.name = "wire";
  runner_image im = runner_plot_ratios("ratios", {solid, wire});
  EXPECT_EQ(panels_in_column(im, im.width / 2), 2);
  // Rows of the first panel (the top half) that hold one of the twenty
  // points (the outlier is the last, at the right).
  int32_t first = -1, last = -1;
  for (int32_t y = 0; y < im.height / 2; y++) {
    for (int32_t x = 60; x < im.width * 9 / 10; x++) {
      const uint8_t* p = &im.rgb[((size_t)y * im.width + x) * 3];
      if (abs(p[0] - 0x4F) <= 8 && abs(p[1] - 0xC3) <= 8 && abs(p[2] - 0xF7) <= 8) {
        if (first < 0) first = y;
        last = y;
      }
    }
  }
  ASSERT_GE(first, 0);
  EXPECT_GT(last - first, im.height / 8) << first << ".." << last;
}

// The axis for slowest frame x: finite, at or above x, round, not absurdly
// high, with a bounded number of steps.
void expect_scale_covers(double x, int ticks) {
  runner_plot_scale s = runner_plot_choose_scale(x, ticks);
  SCOPED_TRACE(::testing::Message() << "slowest " << x << ", ticks " << ticks);
  ASSERT_TRUE(isfinite(s.top_ms));
  ASSERT_TRUE(isfinite(s.step_ms) && s.step_ms > 0.0);
  EXPECT_GE(s.steps, 1);
  EXPECT_LE(s.steps, RUNNER_PLOT_MAX_STEPS);
  EXPECT_GE(s.top_ms, RUNNER_PLOT_MIN_TOP_MS);
  double covered = isfinite(x) && x > RUNNER_PLOT_MIN_TOP_MS ? x : RUNNER_PLOT_MIN_TOP_MS;
  EXPECT_GE(s.top_ms, covered);
  EXPECT_LE(s.top_ms, std::min(DBL_MAX, covered * 3.5));
  EXPECT_LE(s.steps * s.step_ms, s.top_ms * (1.0 + 1e-12));
}

TEST(runner_plot, ScaleCoversTheSlowestFrameAtEveryMagnitude) {
  const double specials[] = {0.0,
                             -1.0,
                             NAN,
                             INFINITY,
                             -INFINITY,
                             4.9e-324,
                             1e-300,
                             1e-7,
                             0.1 + 0.2,
                             0.3,
                             0.7,
                             1.0,
                             16.7,
                             33.4,
                             99.9999,
                             1e15 + 0.125,
                             1.7e308,
                             DBL_MAX,
                             nextafter(DBL_MAX, 0.0)};
  const int tick_counts[] = {-3, 0, 1, 4, 5, RUNNER_PLOT_MAX_STEPS, 100};
  for (int ticks : tick_counts) {
    for (double x : specials) expect_scale_covers(x, ticks);
  }
  // Values just above round numbers, where a step rounded down would clip.
  for (int e = -6; e <= 300; e += 7) {
    for (double m : {1.0, 2.0, 2.5, 3.0, 4.0, 5.0, 7.5, 9.99}) {
      double x = m * pow(10.0, e);
      for (int ticks : {1, 4, 5}) {
        expect_scale_covers(x, ticks);
        expect_scale_covers(nextafter(x, INFINITY), ticks);
        expect_scale_covers(nextafter(x, 0.0), ticks);
      }
    }
  }
  uint64_t state = 12345;
  for (int i = 0; i < 20000; i++) {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    double x = ldexp((double)(state >> 11) / 9007199254740992.0 + 0.5, (int)(state % 200) - 100);
    expect_scale_covers(x, 4);
  }
}

TEST(runner_plot, ExtremeFrameTimesDrawAPicture) {
  ASSERT_TRUE(headless_gl_open(320, 240));
  const std::vector<std::vector<double>> cases = {{1.7e308, 5.0, 7.0},
                                                  {DBL_MAX, DBL_MAX},
                                                  {1e-300, 2e-300, 1.5e-300},
                                                  {4.9e-324},
                                                  {12.5, 12.5, 12.5},
                                                  {0.0, 0.0},
                                                  {NAN, 3.0, INFINITY, -INFINITY, -2.0, 4.0},
                                                  {NAN, NAN},
                                                  {INFINITY},
                                                  std::vector<double>(5000, 16.6)};
  for (const std::vector<double>& ms : cases) {
    runner_plot_run a;
    a.label = "extreme";
    a.modes = {{"solid", ms}, {"wire", ms}};
    runner_plot_run b = ramp("plain", 10.0);
    runner_image im = runner_plot_frametimes("extreme", a, &b);
    ASSERT_EQ(im.width, 320);
    ASSERT_EQ(im.height, 240);
    EXPECT_GT(count_near(im, second_colour), 0);
  }
}

TEST(runner_plot, LeavesTheCallersStateAlone) {
  ASSERT_TRUE(headless_gl_open(320, 240));
  load_cell_font(builtin_font_cells, BUILTIN_FONT_CELLS_LENGTH, make_glyph_style(6.0f, 6.0f), "caller");
  font_select_by_name("caller");
  font* caller = current_font;
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA_SATURATE, GL_ONE);
  glEnable(GL_LINE_SMOOTH);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glTranslatef(1.0f, 2.0f, 3.0f);
  GLint depth_before = 0;
  glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth_before);

  runner_plot_run a = ramp("run", 10.0);
  runner_image im = runner_plot_frametimes("state", a, nullptr);
  EXPECT_GT(count_near(im, first_colour), 100);  // drawn with the caller's blending off

  EXPECT_TRUE(glIsEnabled(GL_BLEND));
  EXPECT_TRUE(glIsEnabled(GL_LINE_SMOOTH));
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  GLint src = 0, dst = 0, depth_after = 0;
  glGetIntegerv(GL_BLEND_SRC, &src);
  glGetIntegerv(GL_BLEND_DST, &dst);
  EXPECT_EQ(src, GL_SRC_ALPHA_SATURATE);
  EXPECT_EQ(dst, GL_ONE);
  glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth_after);
  EXPECT_EQ(depth_after, depth_before);
  GLfloat m[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, m);
  EXPECT_FLOAT_EQ(m[12], 1.0f);
  EXPECT_FLOAT_EQ(m[13], 2.0f);
  EXPECT_EQ(current_font, caller);
  EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
  glDisable(GL_BLEND);
  glDisable(GL_LINE_SMOOTH);
  glLoadIdentity();
}

TEST(runner_png, PixelsKeptAndWhyAWriteFailed) {
  runner_image im;
  im.width = 3;
  im.height = 2;
  for (int i = 0; i < 18; i++) im.rgb.push_back((uint8_t)(i * 14 + 1));
  std::string path = temp_path("round_trip.png");
  std::string why;
  ASSERT_EQ(runner_write_png(path.c_str(), im, &why), 1) << why;
  runner_image back;
  char error[256];
  ASSERT_EQ(runner_read_png(path.c_str(), &back, error, sizeof error), 1) << error;
  EXPECT_EQ(back.width, 3);
  EXPECT_EQ(back.height, 2);
  EXPECT_EQ(back.rgb, im.rgb);
  // A regular file where the folder should be: the system's reason.
  std::string inside = path + "/x.png";
  EXPECT_EQ(runner_write_png(inside.c_str(), im, &why), 0);
  EXPECT_NE(why.find("directory"), std::string::npos) << why;
  runner_image empty;
  why.clear();
  EXPECT_EQ(runner_write_png(path.c_str(), empty, &why), 0);
  EXPECT_FALSE(why.empty());
  remove(path.c_str());
}

}  // namespace
