// Text layout with the program's own font, built as the program builds it
// (the built-in cell glyphs at 6-pixel cells, through the atlas builder, on
// the recording GL layer): cell width 13, gap 2, the digit one 6 wide, quads
// 42 high, line feeds, tabs, script levels and wrapping.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "font/font_registry.h"
#include "glyphs/builtin_font.h"
#include "glyphs/cell_font.h"
#include "glyphs/cell_glyphs.h"
#include "shell/window.h"
#include "support/gl_recorder.h"
#include "text/text_draw.h"
#include "text_test_font.h"
#include "text_test_quads.h"

namespace {

using namespace text_test;

class BuiltinFontText : public ::testing::Test {
 protected:
  void SetUp() override {
    clear_fonts();
    text_fixed_pitch = 0;
    text_blend_mode = 3;
    screen_width = 640;
    screen_height = 480;
    gl_recorder_reset();
    load_cell_font(builtin_font_cells, BUILTIN_FONT_CELLS_LENGTH, make_glyph_style(6.0f, 6.0f), "normal");
    font_select_by_name("normal");
    gl_recorder_clear_calls();
  }
  void TearDown() override { clear_fonts(); }
};

TEST_F(BuiltinFontText, MetricsOfTheFrameRateText) {
  ASSERT_NE(current_font, nullptr);
  EXPECT_EQ(current_cell_w, 13);  // 'C' is 12 wide
  EXPECT_EQ(current_line_height, 42);
  EXPECT_EQ(current_font->glyph_w['1'], 6);
  EXPECT_EQ(text_width(""), 0);
  EXPECT_EQ(text_width("1"), 6 + 2);
  EXPECT_EQ(text_width("11"), 16);
  std::string greek = "1" + glyph_escape(256) + "1";
  EXPECT_EQ(text_width(greek.c_str()), 16);
  EXPECT_EQ(text_width("A"), current_font->glyph_w['A'] + 2);

  char text[] = "11 1";
  EXPECT_EQ(text_width_prefix(text, -1), 16 + 8 + 8);
  EXPECT_EQ(text_width_prefix(text, 2), 16);
  EXPECT_EQ(text_width_prefix(text, 40), 32);
  EXPECT_STREQ(text, "11 1");
}

TEST_F(BuiltinFontText, LayoutInPixels) {
  draw_text(20, 30, 0, "11", 0xFFFFFF);
  EXPECT_EQ(recorded_quads(), (std::vector<quad>{{20, 30, 6, 42}, {28, 30, 6, 42}}));
  EXPECT_EQ(gl_recorder_count("glBindTexture"), 2);  // the atlas, then the caller's texture back
  EXPECT_EQ(gl_recorder_count("glBegin"), 1);

  // A tab to 100, then a line feed back to x (not to the tab), 43 lower.
  gl_recorder_clear_calls();
  std::string text = "1" + layout_escape(1, 100) + "1\n1";
  draw_text(20, 30, 0, text.c_str(), 0xFFFFFF);
  EXPECT_EQ(recorded_quads(), (std::vector<quad>{{20, 30, 6, 42}, {100, 30, 6, 42}, {20, 73, 6, 42}}));

  // Scale 179, raise 38: 6 pixels up, advances of 4 + 2; then back down.
  gl_recorder_clear_calls();
  text = "1" + script_escape(179, 38) + "11" + script_escape(256, 0) + "11";
  draw_text(0, 30, 0, text.c_str(), 0xFFFFFF);
  EXPECT_EQ(
      recorded_quads(),
      (std::vector<quad>{{0, 30, 6, 42}, {8, 24, 6, 42}, {14, 24, 6, 42}, {20, 30, 6, 42}, {28, 30, 6, 42}}));
}

TEST_F(BuiltinFontText, WrappingDrawsNoSpace) {
  // The space is one 6-pixel cell; "11" measures 16.
  draw_text(0, 0, 40, "11 11 11", 0);
  EXPECT_EQ(
      recorded_quads(),
      (std::vector<quad>{
          {0, 0, 6, 42}, {8, 0, 6, 42}, {24, 0, 6, 42}, {32, 0, 6, 42}, {0, 43, 6, 42}, {8, 43, 6, 42}}));
  gl_recorder_clear_calls();
  draw_text(0, 0, 0, "11 11 11", 0);
  EXPECT_EQ(recorded_quads().size(), 8u);
}

}  // namespace
