// draw_text, draw_text_boxed and draw_text_mapped against the recording GL
// layer: the whole call stream of a short text, the layout of quads (advance
// and gap, line feeds, tabs, scripts, wrapping, fixed pitch), colour escapes,
// glyph codes beyond the font's tables, blend modes, and the state restored
// from several starting states.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "shell/window.h"
#include "support/gl_recorder.h"
#include "text/text_draw.h"
#include "text_test_font.h"
#include "text_test_quads.h"

namespace {

using namespace text_test;

// The eight calls of one glyph quad of the test font, written out.
void expect_glyph(std::vector<gl_call>& out, int code, int x, int y, int w) {
  const float s0 = (float)glyph_x(code) / ATLAS_W, s1 = (float)(glyph_x(code) + w) / ATLAS_W;
  const float t0 = (float)glyph_y(code) / ATLAS_H, t1 = (float)(glyph_y(code) + 42) / ATLAS_H;
  out.push_back(gl_call_of("glTexCoord2f", {s0, t0}));
  out.push_back(gl_call_of("glVertex2i", {(double)x, (double)y}));
  out.push_back(gl_call_of("glTexCoord2f", {s1, t0}));
  out.push_back(gl_call_of("glVertex2i", {(double)(x + w), (double)y}));
  out.push_back(gl_call_of("glTexCoord2f", {s1, t1}));
  out.push_back(gl_call_of("glVertex2i", {(double)(x + w), (double)(y + 42)}));
  out.push_back(gl_call_of("glTexCoord2f", {s0, t1}));
  out.push_back(gl_call_of("glVertex2i", {(double)x, (double)(y + 42)}));
}

class TextDrawRec : public ::testing::Test {
 protected:
  font* f = nullptr;
  void SetUp() override {
    clear_fonts();
    text_fixed_pitch = 0;
    text_blend_mode = 3;
    screen_width = 640;
    screen_height = 480;
    f = make_font("test");
    font_select(f);
    gl_recorder_reset();
  }
  void TearDown() override {
    clear_fonts();
    text_fixed_pitch = 0;
    text_blend_mode = 3;
  }
};

TEST_F(TextDrawRec, WholeStreamOfAShortText) {
  std::string text = "1" + layout_escape(0, 0x00FF00) + "A";
  draw_text(5, 7, 0, text.c_str(), 0x102030);
  std::vector<gl_call> expected = {
      gl_call_of("glGetIntegerv", {GL_MATRIX_MODE}),
      gl_call_of("glPushMatrix", {}),
      gl_call_of("glLoadIdentity", {}),
      gl_call_of("glMatrixMode", {GL_PROJECTION}),
      gl_call_of("glPushMatrix", {}),
      gl_call_of("glLoadIdentity", {}),
      gl_call_of("glOrtho", {0, 640, 480, 0, 1, -1}),
      gl_call_of("glGetIntegerv", {GL_DEPTH_FUNC}),
      gl_call_of("glDepthFunc", {GL_ALWAYS}),
      gl_call_of("glIsEnabled", {GL_BLEND}),
      gl_call_of("glEnable", {GL_BLEND}),
      gl_call_of("glIsEnabled", {GL_LIGHTING}),
      gl_call_of("glDisable", {GL_LIGHTING}),
      gl_call_of("glGetIntegerv", {GL_BLEND_SRC}),
      gl_call_of("glGetIntegerv", {GL_BLEND_DST}),
      gl_call_of("glBlendFunc", {GL_SRC_ALPHA, GL_ONE}),
      gl_call_of("glIsEnabled", {GL_TEXTURE_2D}),
      gl_call_of("glEnable", {GL_TEXTURE_2D}),
      gl_call_of("glGetIntegerv", {GL_TEXTURE_BINDING_2D}),
      gl_call_of("glBindTexture", {GL_TEXTURE_2D, TEXTURE}),
      gl_call_of("glBegin", {GL_QUADS}),
      gl_call_of("glColor3ub", {0x10, 0x20, 0x30}),
  };
  expect_glyph(expected, '1', 5, 7, 6);
  expected.push_back(gl_call_of("glColor3ub", {0, 255, 0}));
  expect_glyph(expected, 'A', 5 + 6 + 2, 7, 10);
  for (const gl_call& c : std::vector<gl_call>{
           gl_call_of("glEnd", {}),
           gl_call_of("glPopMatrix", {}),
           gl_call_of("glMatrixMode", {GL_MODELVIEW}),
           gl_call_of("glPopMatrix", {}),
           gl_call_of("glDepthFunc", {GL_LESS}),
           gl_call_of("glBlendFunc", {GL_ONE, GL_ZERO}),
           gl_call_of("glDisable", {GL_TEXTURE_2D}),
           gl_call_of("glDisable", {GL_BLEND}),
           gl_call_of("glBindTexture", {GL_TEXTURE_2D, 0}),
       })
    expected.push_back(c);
  EXPECT_EQ(gl_recorder_calls(), expected);
}

TEST_F(TextDrawRec, AdvanceGapLineFeedAndTab) {
  // Two ones advance 6 + 2 + 6 + 2; every quad is the full line high.
  draw_text(0, 0, 0, "111", 0);
  EXPECT_EQ(recorded_quads(), (std::vector<quad>{{0, 0, 6, 42}, {8, 0, 6, 42}, {16, 0, 6, 42}}));

  // The line feed returns to x, not to the tab, one line height plus one down.
  gl_recorder_clear_calls();
  std::string text = "1" + layout_escape(1, 100) + "1\n1";
  draw_text(5, 7, 0, text.c_str(), 0);
  EXPECT_EQ(recorded_quads(), (std::vector<quad>{{5, 7, 6, 42}, {100, 7, 6, 42}, {5, 50, 6, 42}}));

  // A tab is absolute, whatever the starting x.
  gl_recorder_clear_calls();
  text = layout_escape(1, 100) + "A";
  draw_text(300, 0, 0, text.c_str(), 0);
  EXPECT_EQ(recorded_quads(), (std::vector<quad>{{100, 0, 10, 42}}));
}

TEST_F(TextDrawRec, ScriptLevelsRaiseAndNarrow) {
  // (38 x 42 + 128) / 256 = 6 up; advances floor(6 x 179/256 + 0.5) + 2 = 6.
  std::string text = "1" + script_escape(179, 38) + "11" + script_escape(256, 0) + "11";
  draw_text(0, 20, 0, text.c_str(), 0);
  EXPECT_EQ(
      recorded_quads(),
      (std::vector<quad>{{0, 20, 6, 42}, {8, 14, 6, 42}, {14, 14, 6, 42}, {20, 20, 6, 42}, {28, 20, 6, 42}}));
  // A subscript: (-115 x 42 + 128) / 256 truncates to -18, 18 pixels down.
  gl_recorder_clear_calls();
  text = script_escape(179, -115) + "1" + script_escape(256, 0) + "1";
  draw_text(0, 20, 0, text.c_str(), 0);
  EXPECT_EQ(recorded_quads(), (std::vector<quad>{{0, 38, 6, 42}, {6, 20, 6, 42}}));
}

TEST_F(TextDrawRec, WrappingBreaksAtSpacesAndNeverDrawsThem) {
  // "11" is 16 wide. The first space fits the next word (16 + 16 <= 40), the
  // second does not (40 + 16 > 40) and breaks the line.
  draw_text(0, 0, 40, "11 11 11", 0);
  EXPECT_EQ(
      recorded_quads(),
      (std::vector<quad>{
          {0, 0, 6, 42}, {8, 0, 6, 42}, {24, 0, 6, 42}, {32, 0, 6, 42}, {0, 43, 6, 42}, {8, 43, 6, 42}}));
  // Without wrapping a space is a glyph like any other.
  gl_recorder_clear_calls();
  draw_text(0, 0, 0, "1 1", 0);
  EXPECT_EQ(recorded_quads(), (std::vector<quad>{{0, 0, 6, 42}, {8, 0, 6, 42}, {16, 0, 6, 42}}));
  // A word ending exactly at the right edge stays on the line (16 + 16 = 32).
  gl_recorder_clear_calls();
  draw_text(0, 0, 32, "11 11", 0);
  EXPECT_EQ(recorded_quads(),
            (std::vector<quad>{{0, 0, 6, 42}, {8, 0, 6, 42}, {24, 0, 6, 42}, {32, 0, 6, 42}}));
  // A word too wide for an empty line is drawn past the edge.
  gl_recorder_clear_calls();
  draw_text(0, 0, 10, " AAA", 0);
  EXPECT_EQ(recorded_quads(), (std::vector<quad>{{0, 43, 10, 42}, {12, 43, 10, 42}, {24, 43, 10, 42}}));
}

TEST_F(TextDrawRec, ColourChangesAfterTheEscapeOnly) {
  std::string text = "1" + layout_escape(0, 0xFF0000) + "1";
  draw_text(0, 0, 0, text.c_str(), 0x0000FF);
  std::vector<gl_call> seen = gl_recorder_calls_named({"glColor3ub", "glVertex2i"});
  ASSERT_EQ(seen.size(), 10u);
  EXPECT_EQ(seen[0], gl_call_of("glColor3ub", {0, 0, 255}));
  EXPECT_EQ(seen[5], gl_call_of("glColor3ub", {255, 0, 0}));
  // The next call starts from its own colour again.
  gl_recorder_clear_calls();
  draw_text(0, 0, 0, "1", 0x0000FF);
  EXPECT_EQ(gl_recorder_calls_named({"glColor3ub"}),
            std::vector<gl_call>{gl_call_of("glColor3ub", {0, 0, 255})});
}

TEST_F(TextDrawRec, FixedPitchCentresGlyphsInTheCell) {
  text_fixed_pitch = 1;
  f->glyph_w['W'] = 16;  // wider than the 13-pixel cell: shifted left
  draw_text(0, 0, 0, "1AW", 0);
  EXPECT_EQ(recorded_quads(), (std::vector<quad>{{3, 0, 6, 42}, {14, 0, 10, 42}, {24, 0, 16, 42}}));
}

TEST_F(TextDrawRec, GlyphCodesBeyondTheTablesDrawNothing) {
  std::string text = glyph_escape(511) + glyph_escape(512) + glyph_escape(65535) + "1";
  draw_text(0, 0, 0, text.c_str(), 0);
  EXPECT_EQ(recorded_quads(), (std::vector<quad>{{0, 0, 7, 42}, {9, 0, 6, 42}}));
  std::vector<gl_call> coords = gl_recorder_calls_named({"glTexCoord2f"});
  ASSERT_EQ(coords.size(), 8u);
  EXPECT_EQ(coords[0], gl_call_of("glTexCoord2f", {2044.0f / ATLAS_W, (float)glyph_y(511) / ATLAS_H}));

  // A glyph escape whose high byte is 0 draws that glyph, and the text goes
  // on after it.
  gl_recorder_reset();
  exact_text low(std::string("1") + glyph_escape('B') + "1");
  draw_text(0, 0, 0, low.p, 0);
  EXPECT_EQ(recorded_quads(), (std::vector<quad>{{0, 0, 6, 42}, {8, 0, 8, 42}, {18, 0, 6, 42}}));
  EXPECT_EQ(gl_recorder_count("glBegin"), 1);
  EXPECT_EQ(gl_recorder_count("glEnd"), 1);
}

TEST_F(TextDrawRec, NullTextDrawsNullQuestionMarkAndNoFontDrawsNothing) {
  draw_text(3, 4, 0, "NULL?", 0x123456);
  std::vector<gl_call> named = gl_recorder_calls();
  gl_recorder_reset();
  draw_text(3, 4, 0, nullptr, 0x123456);
  EXPECT_EQ(gl_recorder_calls(), named);
  EXPECT_EQ(recorded_quads().size(), 5u);

  gl_recorder_reset();
  current_font = nullptr;
  draw_text(3, 4, 0, "text", 0);
  draw_text(3, 4, 0, nullptr, 0);
  draw_text_boxed(3, 4, "text", 0, 0xFFFFFF);
  draw_text_mapped("text", [](double, double, double*, double*, double*, int32_t*) {});
  EXPECT_TRUE(gl_recorder_calls().empty());
}

TEST_F(TextDrawRec, BlendModes) {
  const GLenum factors[5][2] = {{0, 0},
                                {GL_ONE, GL_ZERO},
                                {GL_ZERO, GL_ONE_MINUS_SRC_COLOR},
                                {GL_SRC_ALPHA, GL_ONE},
                                {GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA}};
  for (int mode = 1; mode <= 4; ++mode) {
    gl_recorder_reset();
    set_text_blend_mode(mode);
    draw_text(0, 0, 0, "1", 0);
    std::vector<gl_call> blends = gl_recorder_calls_named({"glBlendFunc"});
    ASSERT_EQ(blends.size(), 2u);
    EXPECT_EQ(blends[0], gl_call_of("glBlendFunc", {(double)factors[mode][0], (double)factors[mode][1]}));
    EXPECT_EQ(blends[1], gl_call_of("glBlendFunc", {GL_ONE, GL_ZERO}));
  }
  // Other modes keep the caller's function: only the restore is sent.
  for (int mode : {0, 5, 7, -1}) {
    gl_recorder_reset();
    gl_recorder_set_value(GL_BLEND_SRC, {GL_DST_COLOR});
    gl_recorder_set_value(GL_BLEND_DST, {GL_SRC_COLOR});
    set_text_blend_mode(mode);
    draw_text(0, 0, 0, "1", 0);
    EXPECT_EQ(gl_recorder_calls_named({"glBlendFunc"}),
              std::vector<gl_call>{gl_call_of("glBlendFunc", {GL_DST_COLOR, GL_SRC_COLOR})});
  }
}

TEST_F(TextDrawRec, RestoresEveryStateItTouches) {
  struct start {
    bool blend, lighting, texture;
    GLenum depth, src, dst, mode;
    GLuint bound;
  };
  const start starts[] = {
      {false, false, false, GL_LESS, GL_ONE, GL_ZERO, GL_MODELVIEW, 0},
      {true, true, true, GL_LEQUAL, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_MODELVIEW, 4},
      {true, false, true, GL_GREATER, GL_ZERO, GL_SRC_COLOR, GL_PROJECTION, 17},
      {false, true, false, GL_ALWAYS, GL_DST_ALPHA, GL_ONE, GL_TEXTURE, 9},
  };
  for (const start& s : starts) {
    gl_recorder_reset();
    gl_recorder_set_enabled(GL_BLEND, s.blend);
    gl_recorder_set_enabled(GL_LIGHTING, s.lighting);
    gl_recorder_set_enabled(GL_TEXTURE_2D, s.texture);
    gl_recorder_set_value(GL_DEPTH_FUNC, {(double)s.depth});
    gl_recorder_set_value(GL_BLEND_SRC, {(double)s.src});
    gl_recorder_set_value(GL_BLEND_DST, {(double)s.dst});
    gl_recorder_set_value(GL_MATRIX_MODE, {(double)s.mode});
    gl_recorder_set_value(GL_TEXTURE_BINDING_2D, {(double)s.bound});
    std::string text = "1" + layout_escape(0, 0xFF) + script_escape(179, 38) + "1\n1";
    draw_text(0, 0, 100, text.c_str(), 0);
    EXPECT_EQ(gl_recorder_enabled(GL_BLEND), s.blend);
    EXPECT_EQ(gl_recorder_enabled(GL_LIGHTING), s.lighting);
    EXPECT_EQ(gl_recorder_enabled(GL_TEXTURE_2D), s.texture);
    EXPECT_EQ(gl_recorder_value(GL_DEPTH_FUNC), std::vector<double>{(double)s.depth});
    EXPECT_EQ(gl_recorder_value(GL_BLEND_SRC), std::vector<double>{(double)s.src});
    EXPECT_EQ(gl_recorder_value(GL_BLEND_DST), std::vector<double>{(double)s.dst});
    EXPECT_EQ(gl_recorder_value(GL_MATRIX_MODE), std::vector<double>{(double)s.mode});
    EXPECT_EQ(gl_recorder_value(GL_TEXTURE_BINDING_2D), std::vector<double>{(double)s.bound});
    EXPECT_EQ(gl_recorder_count("glPushMatrix"), 2);
    EXPECT_EQ(gl_recorder_count("glPopMatrix"), 2);
    // The model-view matrix is the one pushed first and popped last.
    std::vector<gl_call> matrix = gl_recorder_calls_named({"glMatrixMode", "glPushMatrix", "glPopMatrix"});
    size_t first = matrix[0].name == "glMatrixMode" ? 1 : 0;
    if (s.mode != GL_MODELVIEW) {
      EXPECT_EQ(matrix[0], gl_call_of("glMatrixMode", {GL_MODELVIEW}));
    }
    EXPECT_EQ(matrix[first].name, "glPushMatrix");
    EXPECT_EQ(matrix[first + 1], gl_call_of("glMatrixMode", {GL_PROJECTION}));
    EXPECT_EQ(matrix[first + 4], gl_call_of("glMatrixMode", {GL_MODELVIEW}));
    EXPECT_EQ(matrix[first + 5].name, "glPopMatrix");
  }
}

TEST_F(TextDrawRec, BoxedFillsTheMeasuredWidthFirst) {
  draw_text_boxed(10, 20, "11", 0xFFFFFF, 0x204060);
  std::vector<gl_call> calls = gl_recorder_calls();
  std::vector<gl_call> expected = {
      gl_call_of("glBegin", {GL_QUADS}),
      gl_call_of("glColor3ub", {0x20, 0x40, 0x60}),
      gl_call_of("glVertex2d", {10, 20}),
      gl_call_of("glVertex2d", {26, 20}),
      gl_call_of("glVertex2d", {26, 62}),
      gl_call_of("glVertex2d", {10, 62}),
      gl_call_of("glEnd", {}),
      gl_call_of("glGetIntegerv", {GL_MATRIX_MODE}),
  };
  ASSERT_GT(calls.size(), expected.size());
  EXPECT_EQ(std::vector<gl_call>(calls.begin(), calls.begin() + expected.size()), expected);
  EXPECT_EQ(recorded_quads(), (std::vector<quad>{{10, 20, 6, 42}, {18, 20, 6, 42}}));
}

// A double rounded to single precision. Through a volatile float: GCC 12's
// SLP vectorizer at -O2 drops a (double)(float)x round trip inside a braced
// list of doubles, which would leave the expected value unrounded.
double to_float(double v) {
  volatile float f = (float)v;
  return f;
}

std::vector<std::array<double, 2>> mapped_uv;

void map_for_test(double u, double v, double* x, double* y, double* z, int32_t* rgb) {
  mapped_uv.push_back({u, v});
  *x = u * 100.0;
  *y = v * 10.0;
  *z = 0.5;
  *rgb = v == 0.0 ? 0x010203 : 0x040506;
}

TEST_F(TextDrawRec, MappedTextLaysGlyphsOutInTheUvPlane) {
  mapped_uv.clear();
  draw_text_mapped("1\n", map_for_test);
  const double d1 = 6.0 / 42.0, d2 = 8.0 / 42.0;
  std::vector<gl_call> expected = {
      gl_call_of("glIsEnabled", {GL_TEXTURE_2D}),
      gl_call_of("glEnable", {GL_TEXTURE_2D}),
      gl_call_of("glGetIntegerv", {GL_TEXTURE_BINDING_2D}),
      gl_call_of("glBindTexture", {GL_TEXTURE_2D, TEXTURE}),
      gl_call_of("glIsEnabled", {GL_BLEND}),
      gl_call_of("glEnable", {GL_BLEND}),
      gl_call_of("glGetIntegerv", {GL_BLEND_SRC}),
      gl_call_of("glGetIntegerv", {GL_BLEND_DST}),
      gl_call_of("glBlendFunc", {GL_SRC_ALPHA, GL_ONE}),
      gl_call_of("glBegin", {GL_QUADS}),
  };
  // Glyph '1' then glyph 10 (line feeds are glyphs here); the texture extent
  // is one texel short of the glyph in both directions.
  struct glyph_case {
    int code, w;
    double u;
  };
  for (glyph_case g : {glyph_case{'1', 6, 0.0}, glyph_case{10, 8, d1}}) {
    const float s0 = (float)glyph_x(g.code) / ATLAS_W, s1 = s0 + (float)(g.w - 1) / ATLAS_W;
    const float t0 = (float)glyph_y(g.code) / ATLAS_H, t1 = t0 + 41.0f / ATLAS_H;
    const double d = g.w / 42.0;
    const double us[4] = {g.u, g.u + d, g.u + d, g.u};
    const double vs[4] = {0, 0, 1, 1};
    const float ss[4] = {s0, s1, s1, s0}, ts[4] = {t0, t0, t1, t1};
    for (int k = 0; k < 4; ++k) {
      expected.push_back(gl_call_of("glTexCoord2f", {ss[k], ts[k]}));
      expected.push_back(vs[k] == 0 ? gl_call_of("glColor3ub", {1, 2, 3})
                                    : gl_call_of("glColor3ub", {4, 5, 6}));
      expected.push_back(gl_call_of("glVertex3f", {to_float(us[k] * 100.0), to_float(vs[k] * 10.0), 0.5f}));
    }
  }
  for (const gl_call& c : std::vector<gl_call>{
           gl_call_of("glEnd", {}),
           gl_call_of("glBindTexture", {GL_TEXTURE_2D, 0}),
           gl_call_of("glDisable", {GL_TEXTURE_2D}),
           gl_call_of("glBlendFunc", {GL_ONE, GL_ZERO}),
           gl_call_of("glDisable", {GL_BLEND}),
       })
    expected.push_back(c);
  EXPECT_EQ(gl_recorder_calls(), expected);
  ASSERT_EQ(mapped_uv.size(), 8u);
  EXPECT_DOUBLE_EQ(mapped_uv[7][0], d1);
  EXPECT_DOUBLE_EQ(mapped_uv[5][0], d1 + d2);
}

}  // namespace
