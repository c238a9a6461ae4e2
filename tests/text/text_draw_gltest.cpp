// draw_text on real Mesa: the pixels of the glyphs and only those, colours
// after a colour escape, the caller's blend function kept in mode 7, and
// every piece of GL state draw_text touches read back with glGet after
// drawing from several starting states. The font is a hand-made atlas: solid
// glyphs for '1' and 'A', every other glyph transparent.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <array>
#include <string>
#include <vector>

#include "shell/gl.h"
#include "shell/window.h"
#include "support/headless_gl.h"
#include "text/text_draw.h"
#include "text_test_font.h"

namespace {

using namespace text_test;

const int W = 160, H = 80;

// An atlas 64 x 64 texels: '1' solid in columns 0-5, 'A' solid in columns
// 8-17, rows 0-41; the rest transparent. Nearest filtering, level 0 only.
font* make_gl_font() {
  font* f = make_font("gl");
  std::vector<unsigned char> texels(64 * 64 * 4, 0);
  for (int y = 0; y < 42; ++y) {
    for (int x = 0; x < 18; ++x) {
      if (x >= 6 && x < 8) continue;
      unsigned char* t = &texels[(size_t)(y * 64 + x) * 4];
      t[0] = t[1] = t[2] = t[3] = 255;
    }
  }
  GLuint name = 0;
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_2D, name);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 64, 64, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
  glBindTexture(GL_TEXTURE_2D, 0);
  f->texture = name;
  f->atlas_w = 64;
  f->atlas_h = 64;
  for (int i = 0; i < MAX_GLYPHS; ++i) f->glyph_x[i] = 20, f->glyph_y[i] = 0;  // transparent
  f->glyph_x['1'] = 0;
  f->glyph_x['A'] = 8;
  return f;
}

struct rgb8 {
  int r, g, b;
};

// The frame buffer as rows from the top.
std::vector<unsigned char> read_frame() {
  std::vector<unsigned char> px((size_t)W * H * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, W, H, GL_RGBA, GL_UNSIGNED_BYTE, px.data());
  return px;
}

rgb8 pixel(const std::vector<unsigned char>& px, int x, int y) {
  const unsigned char* p = &px[((size_t)(H - 1 - y) * W + x) * 4];
  return {p[0], p[1], p[2]};
}

// Every pixel is `ink` inside the given rectangles and `paper` outside.
void expect_only(const std::vector<unsigned char>& px, std::vector<std::array<int, 4>> boxes,
                 std::vector<rgb8> inks, rgb8 paper) {
  int wrong = 0;
  for (int y = 0; y < H; ++y) {
    for (int x = 0; x < W; ++x) {
      rgb8 want = paper;
      for (size_t b = 0; b < boxes.size(); ++b) {
        const std::array<int, 4>& r = boxes[b];
        if (x >= r[0] && x < r[0] + r[2] && y >= r[1] && y < r[1] + r[3]) want = inks[b];
      }
      rgb8 got = pixel(px, x, y);
      if (abs(got.r - want.r) > 2 || abs(got.g - want.g) > 2 || abs(got.b - want.b) > 2) {
        if (wrong++ < 5) {
          ADD_FAILURE() << "pixel (" << x << ", " << y << ") is " << got.r << "," << got.g << "," << got.b
                        << " instead of " << want.r << "," << want.g << "," << want.b;
        }
      }
    }
  }
  EXPECT_EQ(wrong, 0);
}

class TextDrawGl : public ::testing::Test {
 protected:
  font* f = nullptr;
  void SetUp() override {
    ASSERT_TRUE(headless_gl_open(W, H));
    clear_fonts();
    text_blend_mode = 3;
    text_fixed_pitch = 0;
    f = make_gl_font();
    font_select(f);
    glDisable(GL_DEPTH_TEST);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  }
  void TearDown() override {
    if (f) {
      GLuint name = f->texture;
      glDeleteTextures(1, &name);
    }
    clear_fonts();
    text_blend_mode = 3;
    glBlendFunc(GL_ONE, GL_ZERO);
    glDisable(GL_BLEND);
  }
};

TEST_F(TextDrawGl, GlyphPixelsAndColourEscape) {
  set_text_blend_mode(4);
  std::string text = "1" + layout_escape(0, 0x00FF00) + "A";
  draw_text(10, 12, 0, text.c_str(), 0xFF0000);
  // '1' at x 10..15 in red, the 2-pixel gap, 'A' at 18..27 in green.
  expect_only(read_frame(), {{10, 12, 6, 42}, {18, 12, 10, 42}}, {{255, 0, 0}, {0, 255, 0}}, {0, 0, 0});
  EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

TEST_F(TextDrawGl, TransparentGlyphsAndLineFeeds) {
  set_text_blend_mode(4);
  draw_text(4, 2, 0, "x1\n A", 0x0000FF);
  // 'x' and ' ' sample transparent texels: only '1' and 'A' leave ink.
  expect_only(read_frame(), {{14, 2, 6, 42}, {12, 45, 10, 42}}, {{0, 0, 255}, {0, 0, 255}}, {0, 0, 0});
}

TEST_F(TextDrawGl, BlendModeSevenKeepsTheCallersFunction) {
  glClearColor(0.5f, 0.5f, 0.5f, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  // The caller's function keeps the destination: nothing the text draws shows.
  glBlendFunc(GL_ZERO, GL_ONE);
  set_text_blend_mode(7);
  draw_text(10, 10, 0, "1A", 0xFF0000);
  expect_only(read_frame(), {}, {}, {128, 128, 128});
  GLint src = 0, dst = 0;
  glGetIntegerv(GL_BLEND_SRC, &src);
  glGetIntegerv(GL_BLEND_DST, &dst);
  EXPECT_EQ(src, GL_ZERO);
  EXPECT_EQ(dst, GL_ONE);

  // Mode 1 replaces, whatever the caller had.
  set_text_blend_mode(1);
  draw_text(10, 10, 0, "1", 0xFF0000);
  std::vector<unsigned char> px = read_frame();
  rgb8 inside = pixel(px, 12, 20), outside = pixel(px, 30, 20);
  EXPECT_EQ(inside.r, 255);
  EXPECT_EQ(inside.g, 0);
  EXPECT_EQ(outside.r, 128);
}

struct gl_snapshot {
  GLint depth_func, blend_src, blend_dst, binding, matrix_mode, mv_depth, proj_depth;
  GLboolean blend, lighting, texture;
  GLdouble modelview[16], projection[16];
};

gl_snapshot snapshot() {
  gl_snapshot s;
  glGetIntegerv(GL_DEPTH_FUNC, &s.depth_func);
  glGetIntegerv(GL_BLEND_SRC, &s.blend_src);
  glGetIntegerv(GL_BLEND_DST, &s.blend_dst);
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &s.binding);
  glGetIntegerv(GL_MATRIX_MODE, &s.matrix_mode);
  glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &s.mv_depth);
  glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &s.proj_depth);
  s.blend = glIsEnabled(GL_BLEND);
  s.lighting = glIsEnabled(GL_LIGHTING);
  s.texture = glIsEnabled(GL_TEXTURE_2D);
  glGetDoublev(GL_MODELVIEW_MATRIX, s.modelview);
  glGetDoublev(GL_PROJECTION_MATRIX, s.projection);
  return s;
}

void expect_same(const gl_snapshot& a, const gl_snapshot& b) {
  EXPECT_EQ(a.depth_func, b.depth_func);
  EXPECT_EQ(a.blend_src, b.blend_src);
  EXPECT_EQ(a.blend_dst, b.blend_dst);
  EXPECT_EQ(a.binding, b.binding);
  EXPECT_EQ(a.matrix_mode, b.matrix_mode);
  EXPECT_EQ(a.mv_depth, b.mv_depth);
  EXPECT_EQ(a.proj_depth, b.proj_depth);
  EXPECT_EQ(a.blend, b.blend);
  EXPECT_EQ(a.lighting, b.lighting);
  EXPECT_EQ(a.texture, b.texture);
  for (int i = 0; i < 16; ++i) {
    EXPECT_EQ(a.modelview[i], b.modelview[i]) << i;
    EXPECT_EQ(a.projection[i], b.projection[i]) << i;
  }
}

TEST_F(TextDrawGl, RestoresEveryStateItTouches) {
  GLuint other = 0;
  glGenTextures(1, &other);
  struct start {
    GLenum depth, src, dst;
    bool blend, lighting, texture, bind_other;
    GLenum mode;
  };
  const start starts[] = {
      {GL_LESS, GL_ONE, GL_ZERO, false, false, false, false, GL_MODELVIEW},
      {GL_LEQUAL, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, true, true, true, true, GL_MODELVIEW},
      {GL_GREATER, GL_DST_COLOR, GL_ZERO, true, false, false, true, GL_PROJECTION},
      {GL_EQUAL, GL_ZERO, GL_SRC_COLOR, false, true, true, false, GL_MODELVIEW},
  };
  for (const start& s : starts) {
    glDepthFunc(s.depth);
    glBlendFunc(s.src, s.dst);
    s.blend ? glEnable(GL_BLEND) : glDisable(GL_BLEND);
    s.lighting ? glEnable(GL_LIGHTING) : glDisable(GL_LIGHTING);
    s.texture ? glEnable(GL_TEXTURE_2D) : glDisable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, s.bind_other ? other : 0);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-1, 1, -1, 1, 1, 50);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslated(1, 2, -3);
    glRotated(30, 0, 1, 0);
    glMatrixMode(s.mode);
    gl_snapshot before = snapshot();
    for (int mode : {3, 4, 7}) {
      set_text_blend_mode(mode);
      std::string text =
          "1" + layout_escape(0, 0xFF) + script_escape(179, 38) + "A\nA " + layout_escape(1, 50) + "1";
      draw_text(3, 4, 100, text.c_str(), 0xFFFFFF);
      draw_text(3, 4, 0, nullptr, 0xFFFFFF);
      expect_same(before, snapshot());
    }
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
  }
  glMatrixMode(GL_MODELVIEW);
  glDeleteTextures(1, &other);
  glDisable(GL_LIGHTING);
  glDisable(GL_TEXTURE_2D);
  glDepthFunc(GL_LEQUAL);
}

TEST_F(TextDrawGl, MappedTextRestoresItsState) {
  glBlendFunc(GL_DST_COLOR, GL_ZERO);
  glDisable(GL_BLEND);
  glDisable(GL_TEXTURE_2D);
  gl_snapshot before = snapshot();
  draw_text_mapped("1A", [](double u, double v, double* x, double* y, double* z, int32_t* rgb) {
    *x = u;
    *y = v;
    *z = 0;
    *rgb = 0xFFFFFF;
  });
  expect_same(before, snapshot());
  EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

}  // namespace
