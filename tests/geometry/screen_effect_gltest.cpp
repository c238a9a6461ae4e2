// Screen effects on real Mesa: the glow keeps white white and restores a
// mid-grey through the addition, the copy lands in place at sizes that are
// not powers of two, a radius below 1 runs no blur, both effects replay from
// a display list with the pixels of a direct call, and they leave the GL
// state they promise.
#include "geometry/screen_effect.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <vector>

#include "geometry/shapes_2d.h"
#include "shell/gl.h"
#include "shell/view.h"
#include "shell/window.h"
#include "support/headless_gl.h"

namespace {

using pixels = std::vector<unsigned char>;

pixels read_screen(void) {
  pixels p((size_t)screen_width * screen_height * 3);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, screen_width, screen_height, GL_RGB, GL_UNSIGNED_BYTE, p.data());
  return p;
}

// Channel c of the pixel at column x, row y counted from the top.
int at(const pixels& p, int x, int y, int c = 0) {
  return p[((size_t)(screen_height - 1 - y) * screen_width + x) * 3 + c];
}

// A grey screen with a white rectangle over columns [0, white_w) and rows
// [0, white_h) from the top.
void draw_scene(float grey, int white_w, int white_h) {
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_BLEND);
  glClearColor(grey, grey, grey, 1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  enter_overlay();
  draw_rect_2d(0, 0, white_w, white_h, 0xFFFFFF);
  leave_overlay();
}

// Reports the first pixel whose channels differ by more than tolerance, and
// returns how many channel values differ at all.
int expect_same(const pixels& a, const pixels& b, const char* what, int tolerance = 0) {
  EXPECT_EQ(a.size(), b.size());
  int differing = 0;
  bool reported = false;
  for (size_t i = 0; i < a.size() && i < b.size(); i++) {
    if (a[i] == b[i]) continue;
    differing++;
    if (abs(a[i] - b[i]) > tolerance && !reported) {
      size_t px = i / 3;
      ADD_FAILURE() << what << ": pixel (" << px % screen_width << ", "
                    << screen_height - 1 - px / screen_width << " from top) channel " << i % 3 << ": "
                    << (int)a[i] << " vs " << (int)b[i];
      reported = true;
    }
  }
  return differing;
}

}  // namespace

TEST(ScreenEffectGl, BloomKeepsWhiteAndRestoresGrey) {
  ASSERT_TRUE(headless_gl_open(128, 64));
  draw_scene(0.5f, 32, 64);
  pixels before = read_screen();
  int grey = at(before, 100, 30);
  ASSERT_NEAR(grey, 128, 1);
  screen_bloom(4.0f);
  pixels after = read_screen();
  for (int y : {0, 31, 63}) {
    for (int x : {0, 16, 31}) EXPECT_EQ(at(after, x, y), 255) << x << "," << y;
  }
  // Far from the white area the glow is 0.5^16 (nothing) and the addition
  // brings the grey back.
  for (int y : {0, 32, 63}) {
    for (int x : {80, 100, 127}) {
      for (int c = 0; c < 3; c++) EXPECT_NEAR(at(after, x, y, c), grey, 1) << x << "," << y;
    }
  }
  // Next to it the blurred white spreads onto the grey.
  EXPECT_GT(at(after, 33, 32), grey + 10);
  EXPECT_GT(at(after, 33, 32), at(after, 40, 32));
}

TEST(ScreenEffectGl, CopyLandsInPlaceAtOddSizes) {
  // 100 x 60 copies 128 x 64; with black and white and no blur the squaring
  // leaves the image alone and the addition saturates white: the result must
  // be the input, not shifted or flipped.
  ASSERT_TRUE(headless_gl_open(100, 60));
  draw_scene(0.0f, 37, 11);
  pixels before = read_screen();
  ASSERT_EQ(at(before, 36, 10), 255);
  ASSERT_EQ(at(before, 37, 10), 0);
  ASSERT_EQ(at(before, 36, 11), 0);
  screen_bloom(0.0f);
  expect_same(read_screen(), before, "bloom without blur");
  screen_blur(0.5f);
  expect_same(read_screen(), before, "blur below one pixel");
}

TEST(ScreenEffectGl, RadiusBelowOneRunsNoBlur) {
  ASSERT_TRUE(headless_gl_open(64, 64));
  draw_scene(0.25f, 20, 40);
  screen_bloom(0.0f);
  pixels none = read_screen();
  draw_scene(0.25f, 20, 40);
  screen_bloom(0.99f);
  expect_same(read_screen(), none, "radius 0.99 against radius 0");
  draw_scene(0.25f, 20, 40);
  screen_bloom(1.0f);
  pixels one = read_screen();
  // One level of one pixel spreads the white onto the column next to it.
  EXPECT_GT(at(one, 20, 10), at(none, 20, 10));
}

// Runs one effect directly, then compiled into a list and replayed twice on
// the same scene; returns the number of channel values the replays change.
void check_replay(int effect, float radius, int tolerance) {
  SCOPED_TRACE(testing::Message() << (effect == 0 ? "screen_bloom" : "screen_blur") << " radius " << radius);
  draw_scene(0.6f, 30, 50);
  pixels scene = read_screen();
  if (effect == 0) {
    screen_bloom(radius);
  } else {
    screen_blur(radius);
  }
  pixels direct = read_screen();
  ASSERT_GT(expect_same(scene, direct, "", 255), 100) << "the effect changed nothing";

  GLuint list = glGenLists(1);
  glNewList(list, GL_COMPILE);
  if (effect == 0) {
    screen_bloom(radius);
  } else {
    screen_blur(radius);
  }
  glEndList();
  // Compiling draws nothing: the screen still holds the direct result.
  expect_same(read_screen(), direct, "after compiling");

  // Each replay copies the framebuffer afresh.
  for (int replay = 0; replay < 2; replay++) {
    draw_scene(0.6f, 30, 50);
    glCallList(list);
    int differing = expect_same(read_screen(), direct, "replayed", tolerance);
    EXPECT_LT(differing, (int)direct.size() / 20);
  }
  glDeleteLists(list, 1);
  EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

TEST(ScreenEffectGl, DisplayListReplayMatchesDirectCall) {
  ASSERT_TRUE(headless_gl_open(96, 80));
  // Whole-pixel offsets (levels 2 and 1) replay bit for bit.
  check_replay(0, 2.0f, 0);
  check_replay(1, 2.0f, 0);
  // With offsets between texels (levels 3 and 1.5) Mesa's display-list path
  // rounds a few interpolated values differently from immediate mode: allow
  // two steps of 255 at a few pixels.
  check_replay(0, 3.0f, 2);
  check_replay(1, 3.0f, 2);
}

TEST(ScreenEffectGl, StateLeftBehind) {
  ASSERT_TRUE(headless_gl_open(64, 32));
  for (int textured = 0; textured < 2; textured++) {
    SCOPED_TRACE(textured);
    draw_scene(0.5f, 10, 10);
    glMatrixMode(GL_MODELVIEW);
    glTranslatef(1, 2, 3);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA_SATURATE, GL_ONE);
    if (textured) glEnable(GL_TEXTURE_2D);
    GLfloat model_before[16], proj_before[16], model_after[16], proj_after[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, model_before);
    glGetFloatv(GL_PROJECTION_MATRIX, proj_before);

    screen_bloom(2.0f);
    GLint v[4];
    GLfloat colour[4];
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    glGetIntegerv(GL_BLEND_SRC, v);
    EXPECT_EQ(v[0], GL_ONE);
    glGetIntegerv(GL_BLEND_DST, v);
    EXPECT_EQ(v[0], GL_ZERO);
    EXPECT_EQ(glIsEnabled(GL_TEXTURE_2D), textured ? GL_TRUE : GL_FALSE);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));  // leave_overlay enables it
    glGetIntegerv(GL_TEXTURE_BINDING_2D, v);
    EXPECT_EQ((GLuint)v[0], bloom_source_texture);
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_EQ(colour[0], 1.0f);
    EXPECT_EQ(colour[3], 1.0f);
    glGetIntegerv(GL_MATRIX_MODE, v);
    EXPECT_EQ(v[0], GL_MODELVIEW);
    glGetFloatv(GL_MODELVIEW_MATRIX, model_after);
    glGetFloatv(GL_PROJECTION_MATRIX, proj_after);
    for (int i = 0; i < 16; i++) {
      EXPECT_EQ(model_after[i], model_before[i]);
      EXPECT_EQ(proj_after[i], proj_before[i]);
    }
    // The work texture keeps the clamped wrap modes of its blur copies.
    glBindTexture(GL_TEXTURE_2D, bloom_work_texture);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, v);
    EXPECT_EQ(v[0], GL_CLAMP);

    glBlendFunc(GL_SRC_ALPHA_SATURATE, GL_ONE);
    screen_blur(2.0f);
    glGetIntegerv(GL_BLEND_DST, v);
    EXPECT_EQ(v[0], GL_ZERO);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, v);
    EXPECT_EQ((GLuint)v[0], blur_work_texture);
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_EQ(colour[3], 0.25f);
    EXPECT_EQ(glIsEnabled(GL_TEXTURE_2D), textured ? GL_TRUE : GL_FALSE);
    glDisable(GL_TEXTURE_2D);
    glLoadIdentity();
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
  }
}
