// Screen-space glow and blur (see screen_effect.h).
#include "geometry/screen_effect.h"

#include <math.h>

#include "shell/gl.h"
#include "shell/view.h"
#include "shell/window.h"

uint32_t bloom_work_texture = 0;
uint32_t bloom_source_texture = 0;
uint32_t blur_work_texture = 0;

// ---------------------------------------------------------------------------
// Screen copies and quads

// The copied area: powers of two covering the window, and the texture
// coordinates where the window's part of a copy ends.
struct screen_copy_size {
  int32_t copy_width;
  int32_t copy_height;
  float u_max;
  float v_max;
};

static int32_t covering_pow2(int32_t n) {
  int32_t p = 1;
  while (p < n && p < (1 << 30)) p *= 2;
  return p;
}

static screen_copy_size screen_copy_size_now(void) {
  screen_copy_size c;
  c.copy_width = covering_pow2(screen_width);
  c.copy_height = covering_pow2(screen_height);
  c.u_max = (float)screen_width / (float)c.copy_width;
  c.v_max = (float)screen_height / (float)c.copy_height;
  return c;
}

// Copies the framebuffer from its lower-left corner into the bound texture,
// with linear filtering; a clamped copy also clamps both wrap modes.
static void screen_copy(const screen_copy_size& c, bool clamped) {
  glCopyTexImage2D(GL_TEXTURE_2D, 0, GL_RGB8, 0, 0, c.copy_width, c.copy_height, 0);
  glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, (float)GL_LINEAR);
  glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, (float)GL_LINEAR);
  if (clamped) {
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, (float)GL_CLAMP);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, (float)GL_CLAMP);
  }
}

// The copy laid over the whole window (inside the caller's GL_QUADS), shifted
// by (du, dv) in texture coordinates. The copy's top row is the window's top
// row, so the quad's top edge takes v_max.
static void screen_quad(const screen_copy_size& c, float du, float dv) {
  glTexCoord2f(du, c.v_max + dv);
  glVertex2i(0, 0);
  glTexCoord2f(c.u_max + du, c.v_max + dv);
  glVertex2i(screen_width, 0);
  glTexCoord2f(c.u_max + du, dv);
  glVertex2i(screen_width, screen_height);
  glTexCoord2f(du, dv);
  glVertex2i(0, screen_height);
}

// ---------------------------------------------------------------------------
// Blur

// One level with offset r pixels on the bound work texture, blending with
// (GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA): alphas 1/3 then 1/4 make each half
// a 1/4, 1/2, 1/4 filter, first across, then down.
static void blur_level(const screen_copy_size& c, float r) {
  float s = r / (float)c.copy_width;
  float t = r / (float)c.copy_height;

  screen_copy(c, true);
  glBegin(GL_QUADS);
  glColor4f(1.0f, 1.0f, 1.0f, 0.33333334f);
  screen_quad(c, s, 0.0f);
  glColor4f(1.0f, 1.0f, 1.0f, 0.25f);
  screen_quad(c, -s, 0.0f);
  glEnd();

  screen_copy(c, true);
  glBegin(GL_QUADS);
  glColor4f(1.0f, 1.0f, 1.0f, 0.33333334f);
  screen_quad(c, 0.0f, t);
  glColor4f(1.0f, 1.0f, 1.0f, 0.25f);
  screen_quad(c, 0.0f, -t);
  glEnd();
}

// Levels at radius, radius/2, ... while the offset is at least one pixel.
// An infinite radius would never halve below 1: it gets no blur, like NaN.
static void blur_loop(const screen_copy_size& c, float radius) {
  if (!isfinite(radius)) return;
  for (float r = radius; r >= 1.0f; r = r * 0.5f) blur_level(c, r);
}

// ---------------------------------------------------------------------------
// Effects

void screen_bloom(float radius) {
  if (!screen_size_known("screen_bloom")) return;
  if (bloom_work_texture == 0) {
    glGenTextures(1, &bloom_work_texture);
    glGenTextures(1, &bloom_source_texture);
  }
  GLboolean textured = glIsEnabled(GL_TEXTURE_2D);
  glEnable(GL_TEXTURE_2D);
  screen_copy_size c = screen_copy_size_now();
  enter_overlay();

  glBindTexture(GL_TEXTURE_2D, bloom_source_texture);
  screen_copy(c, false);

  // Four squaring passes: each multiplies the screen by a copy of itself,
  // so every channel ends as c^16 and only near-white areas stay bright.
  glBindTexture(GL_TEXTURE_2D, bloom_work_texture);
  glEnable(GL_BLEND);
  glBlendFunc(GL_DST_COLOR, GL_ZERO);
  for (int pass = 0; pass < 4; pass++) {
    screen_copy(c, false);
    glBegin(GL_QUADS);
    glColor3f(1.0f, 1.0f, 1.0f);
    screen_quad(c, 0.0f, 0.0f);
    glEnd();
  }

  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  blur_loop(c, radius);

  // Add the untouched image on top of the blurred glow.
  glBlendFunc(GL_ONE, GL_ONE);
  glBindTexture(GL_TEXTURE_2D, bloom_source_texture);
  glBegin(GL_QUADS);
  glColor3f(1.0f, 1.0f, 1.0f);
  screen_quad(c, 0.0f, 0.0f);
  glEnd();

  leave_overlay();
  glBlendFunc(GL_ONE, GL_ZERO);
  if (!textured) glDisable(GL_TEXTURE_2D);
}

void screen_blur(float radius) {
  if (!screen_size_known("screen_blur")) return;
  if (blur_work_texture == 0) glGenTextures(1, &blur_work_texture);
  GLboolean textured = glIsEnabled(GL_TEXTURE_2D);
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, blur_work_texture);
  screen_copy_size c = screen_copy_size_now();
  enter_overlay();
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  blur_loop(c, radius);
  leave_overlay();
  glBlendFunc(GL_ONE, GL_ZERO);
  if (!textured) glDisable(GL_TEXTURE_2D);
}
