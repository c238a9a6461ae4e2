// Viewport, projection, pixel overlay and smoothing set-up. Depends on
// shell/window.h for the client size and on OpenGL 1.1.
#include "shell/view.h"

#include <math.h>
#include <stdio.h>

#include "shell/gl.h"
#include "shell/window.h"

uint8_t use_2d_projection = 0;

// Default perspective of a resize.
static const double pi = 3.14159265358979323846;
static const float default_fov = 90.0f;
static const float default_near = 0.1f;
static const float default_far = 1000.0f;

// Loads the pixel orthographic projection of a width x height client area
// (x right, y down, one unit per pixel, z range of half the height).
static void load_pixel_ortho(int32_t width, int32_t height) {
  glOrtho(0.0, (double)width, (double)height, 0.0, (double)(height / 2), (double)(-height / 2));
}

void resize_gl_view(int32_t width, int32_t height) {
  if (height < 1) height = 1;
  screen_height = height;
  screen_width = width;
  glViewport(0, 0, width, height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  if (use_2d_projection) {
    load_pixel_ortho(width, height);
  } else {
    set_perspective(default_fov, default_near, default_far);
  }
  glMatrixMode(GL_MODELVIEW);
}

// The client width as the aspect-ratio arithmetic uses it: a window with no
// width (minimised) counts as one pixel wide, so the matrix stays finite.
static float aspect_width(void) { return screen_width < 1 ? 1.0f : (float)screen_width; }

// The matrix formulas are evaluated in extended precision (long double: the
// x87 format on x86 GCC and MinGW, at the precision the program sets at
// start-up) and rounded to float once per stored value, so every build gets
// the same matrix as the 32-bit one, whose float arithmetic is extended.
typedef long double extended;

// Builds and loads the perspective from the half-extents at distance 1.
static void load_perspective(float tx, float ty, float near_plane, float far_plane) {
  const extended n = near_plane, f = far_plane;
  float m[16] = {0};
  m[0] = (float)(1.0L / (extended)tx);
  m[5] = (float)(1.0L / (extended)ty);
  m[10] = (float)((f + n) / (n - f));
  m[11] = -1.0f;
  m[14] = (float)(2.0L * n * f / (n - f));
  glLoadMatrixf(m);
  glMatrixMode(GL_MODELVIEW);
}

// Vertical half-extent from the horizontal one and the window's aspect.
static float vertical_extent(float tx) {
  return (float)((extended)screen_height * (extended)tx / (extended)aspect_width());
}

void set_perspective(float fov, float near_plane, float far_plane) {
  glMatrixMode(GL_PROJECTION);
  float tx = (float)tan(0.5 * pi * (double)fov / 180.0);
  float t_min = (float)(0.75L * (extended)tx);
  float ty = vertical_extent(tx);
  if (t_min > ty) {  // wider than 4:3: keep the vertical field of 4:3
    ty = t_min;
    tx = (float)((extended)aspect_width() * (extended)ty / (extended)screen_height);
  }
  load_perspective(tx, ty, near_plane, far_plane);
}

void set_perspective_plain(float fov, float near_plane, float far_plane) {
  glMatrixMode(GL_PROJECTION);
  float tx = (float)tan(0.5 * pi * (double)fov / 180.0);
  load_perspective(tx, vertical_extent(tx), near_plane, far_plane);
}

void enter_overlay(void) {
  glPushMatrix();
  glLoadIdentity();
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  load_pixel_ortho(screen_width, screen_height);
  glDisable(GL_DEPTH_TEST);
  glMatrixMode(GL_MODELVIEW);
}

void leave_overlay(void) {
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
  glEnable(GL_DEPTH_TEST);
}

void enable_smoothing(void) {
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA_SATURATE, GL_ONE);
  glHint(GL_LINE_SMOOTH_HINT, GL_NICEST);
  glEnable(GL_LINE_SMOOTH);
  glHint(GL_POINT_SMOOTH_HINT, GL_NICEST);
  glEnable(GL_POINT_SMOOTH);
}

// A program that owns its window has to tell the toolkit the window's size;
// until it does, pixel projections would be empty and everything would land
// off-screen, so the facilities draw nothing and this says why, once.
static uint8_t screen_size_warned = 0;

int32_t screen_size_known(const char* facility) {
  if ((screen_width > 0 && screen_height > 0) || gl_context) return 1;
  if (!screen_size_warned) {
    screen_size_warned = 1;
    fprintf(stderr,
            "boxfield toolkit: %s draws nothing while screen_width x screen_height is %d x %d: set both to "
            "the window's client size in pixels (open_gl_window sets them for the toolkit's own window)\n",
            facility, (int)screen_width, (int)screen_height);
  }
  return 0;
}
