// Projection and overlay on real Mesa: the perspective's wide-screen rule on
// 4:3, 5:4 and 16:9 windows, the pixel mapping of the overlay, exact
// restoration of both matrices, and the projection stack depth the
// frame-rate overlay needs.
#include <gtest/gtest.h>
#include <math.h>

#include "shell/gl.h"
#include "shell/view.h"
#include "shell/window.h"
#include "support/headless_gl.h"

namespace {

struct matrix {
  float m[16];
};

matrix get_matrix(GLenum which) {
  matrix r;
  glGetFloatv(which, r.m);
  return r;
}

// Near 0.1 and far 1000 entries of every default perspective.
const float depth_scale = (1000.0f + 0.1f) / (0.1f - 1000.0f);
const float depth_offset = 2.0f * 0.1f * 1000.0f / (0.1f - 1000.0f);

void expect_perspective(const matrix& p, float m0, float m5) {
  for (int i = 0; i < 16; i++) {
    if (i == 0)
      EXPECT_FLOAT_EQ(p.m[i], m0);
    else if (i == 5)
      EXPECT_FLOAT_EQ(p.m[i], m5);
    else if (i == 10)
      EXPECT_FLOAT_EQ(p.m[i], depth_scale);
    else if (i == 11)
      EXPECT_EQ(p.m[i], -1.0f);
    else if (i == 14)
      EXPECT_FLOAT_EQ(p.m[i], depth_offset);
    else
      EXPECT_EQ(p.m[i], 0.0f) << "entry " << i;
  }
}

uint32_t pixel_at(int x, int y) {
  unsigned char rgba[4] = {0, 0, 0, 0};
  glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
  return (uint32_t)rgba[0] << 16 | (uint32_t)rgba[1] << 8 | rgba[2];
}

}  // namespace

// ---------------------------------------------------------------------------
// Perspective

TEST(SetPerspective, FourByThreeHasTheFieldHorizontally) {
  ASSERT_TRUE(headless_gl_open(640, 480));
  // Horizontal half-extent 1, vertical 0.75: the same matrix the wide-screen
  // rule gives at its 4:3 threshold.
  expect_perspective(get_matrix(GL_PROJECTION_MATRIX), 1.0f, 1.0f / 0.75f);
}

TEST(SetPerspective, TallerThanFourByThreeKeepsTheHorizontalField) {
  ASSERT_TRUE(headless_gl_open(1280, 1024));
  expect_perspective(get_matrix(GL_PROJECTION_MATRIX), 1.0f, 1.25f);
}

TEST(SetPerspective, WideScreenKeepsTheVerticalFieldOfFourByThree) {
  ASSERT_TRUE(headless_gl_open(1920, 1080));
  // Vertical half-extent 0.75, horizontal 4/3.
  expect_perspective(get_matrix(GL_PROJECTION_MATRIX), 0.75f, 1.0f / 0.75f);
  GLint mode = 0;
  glGetIntegerv(GL_MATRIX_MODE, &mode);
  EXPECT_EQ(mode, GL_MODELVIEW);
}

TEST(SetPerspective, PlainKeepsTheHorizontalFieldOnWideScreens) {
  ASSERT_TRUE(headless_gl_open(1920, 1080));
  set_perspective_plain(90.0f, 0.1f, 1000.0f);
  expect_perspective(get_matrix(GL_PROJECTION_MATRIX), 1.0f, 1920.0f / 1080.0f);
}

TEST(SetPerspective, OtherFieldAndPlanes) {
  ASSERT_TRUE(headless_gl_open(400, 300));
  set_perspective(60.0f, 1.0f, 100.0f);
  matrix p = get_matrix(GL_PROJECTION_MATRIX);
  EXPECT_FLOAT_EQ(p.m[0], 1.0f / (float)tan(M_PI / 6.0));
  EXPECT_FLOAT_EQ(p.m[5], 1.0f / (0.75f * (float)tan(M_PI / 6.0)));
  EXPECT_FLOAT_EQ(p.m[10], -101.0f / 99.0f);
  EXPECT_FLOAT_EQ(p.m[14], -200.0f / 99.0f);
}

TEST(SetPerspective, DepthEntriesAreRoundedOnceFromExtendedPrecision) {
  // (far + near) / (near - far) and 2 near far / (near - far), evaluated in
  // extended precision and rounded to float once: -1.00020003, not the
  // -1.00019991 that rounding every single-precision step gives.
  ASSERT_TRUE(headless_gl_open(640, 480));
  for (int plain = 0; plain < 2; plain++) {
    if (plain)
      set_perspective_plain(90.0f, 0.1f, 1000.0f);
    else
      set_perspective(90.0f, 0.1f, 1000.0f);
    matrix p = get_matrix(GL_PROJECTION_MATRIX);
    EXPECT_EQ(p.m[10], -1.00020003f) << "plain " << plain;
    EXPECT_EQ(p.m[14], -0.200020004f) << "plain " << plain;
  }
}

TEST(SetPerspective, ZeroWidthStaysFinite) {
  ASSERT_TRUE(headless_gl_open(64, 64));
  resize_gl_view(0, 0);  // a minimised window
  EXPECT_EQ(screen_width, 0);
  EXPECT_EQ(screen_height, 1);
  matrix p = get_matrix(GL_PROJECTION_MATRIX);
  for (float v : p.m) EXPECT_TRUE(std::isfinite(v));
}

TEST(ResizeGlView, TwoDimensionalProjectionMapsPixels) {
  ASSERT_TRUE(headless_gl_open(200, 101));
  use_2d_projection = 1;
  resize_gl_view(200, 101);
  use_2d_projection = 0;
  matrix p = get_matrix(GL_PROJECTION_MATRIX);
  EXPECT_FLOAT_EQ(p.m[0], 2.0f / 200.0f);
  EXPECT_FLOAT_EQ(p.m[5], -2.0f / 101.0f);
  EXPECT_FLOAT_EQ(p.m[10], 2.0f / 100.0f);  // z range 50 to -50: integer halves
  EXPECT_FLOAT_EQ(p.m[12], -1.0f);
  EXPECT_FLOAT_EQ(p.m[13], 1.0f);
}

// ---------------------------------------------------------------------------
// Overlay

TEST(Overlay, MapsPixelsFromTheTopLeftCorner) {
  ASSERT_TRUE(headless_gl_open(1920, 1080));
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  enter_overlay();
  glBegin(GL_POINTS);
  glColor3f(1, 0, 0);
  glVertex2f(1919.5f, 1079.5f);  // bottom-right pixel
  glColor3f(0, 1, 0);
  glVertex2f(0.5f, 0.5f);  // top-left pixel
  glColor3f(0, 0, 1);
  glVertex2f(100.5f, 10.5f);
  glEnd();
  // Depth is off in the overlay: a point far behind still shows.
  glBegin(GL_POINTS);
  glColor3f(1, 1, 1);
  glVertex3f(5.5f, 5.5f, -539.0f);
  glEnd();
  matrix p = get_matrix(GL_PROJECTION_MATRIX);
  leave_overlay();

  EXPECT_EQ(pixel_at(1919, 0), 0xFF0000u);  // GL rows count from the bottom
  EXPECT_EQ(pixel_at(0, 1079), 0x00FF00u);
  EXPECT_EQ(pixel_at(100, 1069), 0x0000FFu);
  EXPECT_EQ(pixel_at(5, 1074), 0xFFFFFFu);
  EXPECT_EQ(pixel_at(1918, 0), 0x000000u);
  // z range 540 to -540.
  EXPECT_FLOAT_EQ(p.m[10], 2.0f / 1080.0f);
  EXPECT_EQ(p.m[14], 0.0f);
}

TEST(Overlay, OddHeightUsesIntegerHalves) {
  ASSERT_TRUE(headless_gl_open(64, 1081));
  enter_overlay();
  matrix p = get_matrix(GL_PROJECTION_MATRIX);
  leave_overlay();
  EXPECT_FLOAT_EQ(p.m[10], 2.0f / 1080.0f);
  EXPECT_EQ(p.m[14], 0.0f);
}

TEST(Overlay, LeaveRestoresBothMatricesExactlyAndEnablesDepth) {
  ASSERT_TRUE(headless_gl_open(640, 480));
  glMatrixMode(GL_PROJECTION);
  glRotatef(17.0f, 0.3f, 0.5f, 0.1f);
  glMatrixMode(GL_MODELVIEW);
  glTranslatef(1.25f, -3.5f, 7.0f);
  glRotatef(33.0f, 1.0f, 0.2f, 0.0f);
  matrix projection = get_matrix(GL_PROJECTION_MATRIX);
  matrix modelview = get_matrix(GL_MODELVIEW_MATRIX);
  glDisable(GL_DEPTH_TEST);

  enter_overlay();
  EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
  GLint mode = 0;
  glGetIntegerv(GL_MATRIX_MODE, &mode);
  EXPECT_EQ(mode, GL_MODELVIEW);
  matrix inside = get_matrix(GL_MODELVIEW_MATRIX);
  const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  for (int i = 0; i < 16; i++) EXPECT_EQ(inside.m[i], identity[i]);
  glTranslatef(5, 5, 0);  // drawing code moves the overlay's modelview
  leave_overlay();

  matrix projection_after = get_matrix(GL_PROJECTION_MATRIX);
  matrix modelview_after = get_matrix(GL_MODELVIEW_MATRIX);
  for (int i = 0; i < 16; i++) {
    EXPECT_EQ(projection_after.m[i], projection.m[i]) << "projection entry " << i;
    EXPECT_EQ(modelview_after.m[i], modelview.m[i]) << "modelview entry " << i;
  }
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  glGetIntegerv(GL_MATRIX_MODE, &mode);
  EXPECT_EQ(mode, GL_MODELVIEW);
  EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

TEST(Overlay, ProjectionStackHoldsThreeMatrices) {
  ASSERT_TRUE(headless_gl_open(640, 480));
  GLint max_depth = 0;
  glGetIntegerv(GL_MAX_PROJECTION_STACK_DEPTH, &max_depth);
  EXPECT_GE(max_depth, 3);
  // The frame pushes the projection once, the overlay a second time.
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glMatrixMode(GL_MODELVIEW);
  enter_overlay();
  GLint depth = 0;
  glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &depth);
  EXPECT_EQ(depth, 3);
  leave_overlay();
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &depth);
  EXPECT_EQ(depth, 1);
  EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

TEST(EnableSmoothing, BlendsAndSmoothsLinesAndPoints) {
  ASSERT_TRUE(headless_gl_open(64, 64));
  enable_smoothing();
  EXPECT_TRUE(glIsEnabled(GL_BLEND));
  EXPECT_TRUE(glIsEnabled(GL_LINE_SMOOTH));
  EXPECT_TRUE(glIsEnabled(GL_POINT_SMOOTH));
  GLint value = 0;
  glGetIntegerv(GL_BLEND_SRC, &value);
  EXPECT_EQ(value, GL_SRC_ALPHA_SATURATE);
  glGetIntegerv(GL_BLEND_DST, &value);
  EXPECT_EQ(value, GL_ONE);
  glGetIntegerv(GL_LINE_SMOOTH_HINT, &value);
  EXPECT_EQ(value, GL_NICEST);
  glGetIntegerv(GL_POINT_SMOOTH_HINT, &value);
  EXPECT_EQ(value, GL_NICEST);
  glDisable(GL_BLEND);
  glDisable(GL_LINE_SMOOTH);
  glDisable(GL_POINT_SMOOTH);
}
