// Text measurement and the escape walk, without GL: widths with the gap,
// scale and spacing of the style, escapes adding nothing (a zero inside a
// glyph escape included), the line feed ending the measure, fixed pitch,
// prefixes that leave the text alone, and texts cut short inside a skipped
// run read no further than their terminating zero.
#include <gtest/gtest.h>

#include <string>

#include "text/text_draw.h"
#include "text_test_font.h"

namespace {

using namespace text_test;

class TextWidth : public ::testing::Test {
 protected:
  font* f = nullptr;
  void SetUp() override {
    clear_fonts();
    text_fixed_pitch = 0;
    f = make_font("test");
    font_select(f);
  }
  void TearDown() override {
    clear_fonts();
    text_fixed_pitch = 0;
  }
};

TEST_F(TextWidth, GlyphsPlusGap) {
  // Gap: floor(13 x 0.13 + 0.5) = 2.
  EXPECT_EQ(text_width(""), 0);
  EXPECT_EQ(text_width("A"), 10 + 2);
  EXPECT_EQ(text_width("11"), 6 + 2 + 6 + 2);
  EXPECT_EQ(text_width("11\n111"), 16);
  // Escapes add nothing: glyph escapes (even for wide glyphs), colour, tab
  // and script escapes alike.
  std::string t = "1" + glyph_escape(300) + layout_escape(1, 500) + script_escape(128, 66) + "1";
  EXPECT_EQ(text_width(t.c_str()), 16);

  // A cell width of 20 makes the gap floor(2.6 + 0.5) = 3.
  current_cell_w = 20;
  EXPECT_EQ(text_width("1"), 9);
}

TEST_F(TextWidth, StyleScaleAndSpacing) {
  f->style.spacing = 0.5f;  // floor(6 x 1.5 + 0.5) = 9
  EXPECT_EQ(text_width("1"), 9 + 2);
  f->style.spacing = 0.0f;
  f->style.scale_x = 0.5f;  // floor(3 + 0.5) = 3
  EXPECT_EQ(text_width("1"), 3 + 2);
  f->style.scale_x = 0.75f;  // floor(4.5 + 0.5) = 5
  EXPECT_EQ(text_width("1"), 5 + 2);

  // Widths come from the style's font; a style without a font uses the
  // current font's own.
  font* wide = make_font("wide");
  wide->glyph_w['1'] = 20;
  f->style.scale_x = 1.0f;
  f->style.font = wide;
  EXPECT_EQ(text_width("1"), 22);
  f->style.font = nullptr;
  EXPECT_EQ(text_width("1"), 8);
}

TEST_F(TextWidth, WithoutAFontOrWithFixedPitch) {
  current_font = nullptr;
  EXPECT_EQ(text_width("anything"), 10);
  EXPECT_EQ(text_width(""), 10);
  font_select(f);

  text_fixed_pitch = 1;
  EXPECT_EQ(text_width("abc"), 3 * 13 - 1);
  EXPECT_EQ(text_width(""), -1);
  char text[] = "abcd";
  EXPECT_EQ(text_width_prefix(text, 2), 2 * 13 - 1);
}

TEST_F(TextWidth, PrefixMeasuresAndLeavesTheTextAsItWas) {
  std::string source = "A1" + layout_escape(0, 0x0000FF) + "11";
  std::string copy = source;
  char* text = &copy[0];
  EXPECT_EQ(text_width_prefix(text, -1), 12 + 8 + 8 + 8);
  EXPECT_EQ(text_width_prefix(text, 1000), 36);
  EXPECT_EQ(text_width_prefix(text, (int32_t)source.size()), 36);
  EXPECT_EQ(text_width_prefix(text, 0), 0);
  EXPECT_EQ(text_width_prefix(text, 1), 12);
  EXPECT_EQ(text_width_prefix(text, 2), 20);
  EXPECT_EQ(text_width_prefix(text, 4), 20);  // inside the escape
  EXPECT_EQ(text_width_prefix(text, 9), 28);
  EXPECT_EQ(copy, source);
}

TEST_F(TextWidth, EscapedEndStepsOverPayloadZeros) {
  std::string t = "ab" + glyph_escape(256) + layout_escape(0, 0xFF) + "c";
  exact_text text(t);
  EXPECT_EQ(escaped_end(text.p), text.p + t.size());
  const char* empty = "";
  EXPECT_EQ(escaped_end(empty), empty);
}

TEST_F(TextWidth, GlyphEscapeWithHighByteZeroIsWhole) {
  // (2, 0, 'B') is one 3-byte escape for glyph 66; its zero ends nothing.
  std::string t = std::string("1") + glyph_escape('B') + "1";
  ASSERT_EQ(t.size(), 5u);
  exact_text text(t);
  EXPECT_EQ(escaped_end(text.p), text.p + 5);
  EXPECT_EQ(text_width(text.p), 16);  // both ones; the escape adds nothing
  EXPECT_EQ(text_width_prefix(text.p, -1), 16);
  EXPECT_EQ(text_width_prefix(text.p, 4), 8);
}

TEST_F(TextWidth, TextsCutShortReadNothingPastTheirEnd) {
  // A low control byte skips that many bytes, but never the terminator.
  exact_text skip(
      "1\x07"
      "ab");
  EXPECT_EQ(text_width(skip.p), 8);
  std::string skipped = std::string("1\x07") + "abcdefg1";
  EXPECT_EQ(text_width(skipped.c_str()), 16);

  // Words measured for wrapping stop at the same places.
  exact_text stray("\x03");
  EXPECT_EQ(text_width(stray.p), 0);
}

}  // namespace
