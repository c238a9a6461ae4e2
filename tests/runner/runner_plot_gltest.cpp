// The frame-time picture on real Mesa: one run draws in the first run's
// colour only, a second run overlaid adds the second colour, the title and
// labels are drawn, and the caller's GL state (blending, depth test, line
// smoothing), matrices and current font come back as they were.
#include <gtest/gtest.h>
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
  for (int i = 0; i < 120; i++) {
    run.solid_ms.push_back(base + (i % 10));
    run.wire_ms.push_back(base / 2 + (i % 7));
  }
  return run;
}

const int32_t first_colour = 0x4FC3F7, second_colour = 0xFFA040;

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

}  // namespace
