// Screen effects against the recording GL layer: the complete command
// sequences of screen_bloom and screen_blur (names made once, texture-enable
// sampling, copy size, squaring passes, blur levels, overlay, restore).
#include "geometry/screen_effect.h"

#include <gtest/gtest.h>
#include <math.h>

#include <vector>

#include "shell/window.h"
#include "support/gl_recorder.h"

namespace {

using calls_t = std::vector<gl_call>;

struct screen {
  int w, h;    // window
  int cw, ch;  // copy size
  float u, v;  // u_max, v_max
};

void add(calls_t& c, const char* name, std::initializer_list<double> args) {
  c.push_back(gl_call_of(name, args));
}

void add_copy(calls_t& c, const screen& s, bool clamped) {
  add(c, "glCopyTexImage2D", {GL_TEXTURE_2D, 0, GL_RGB8, 0, 0, (double)s.cw, (double)s.ch, 0});
  add(c, "glTexParameterf", {GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, 9729.0});
  add(c, "glTexParameterf", {GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, 9729.0});
  if (clamped) {
    add(c, "glTexParameterf", {GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, 10496.0});
    add(c, "glTexParameterf", {GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, 10496.0});
  }
}

// Texture coordinates are float sums, as the quad table gives them.
void add_quad(calls_t& c, const screen& s, float du, float dv) {
  add(c, "glTexCoord2f", {du, (float)(s.v + dv)});
  add(c, "glVertex2i", {0, 0});
  add(c, "glTexCoord2f", {(float)(s.u + du), (float)(s.v + dv)});
  add(c, "glVertex2i", {(double)s.w, 0});
  add(c, "glTexCoord2f", {(float)(s.u + du), dv});
  add(c, "glVertex2i", {(double)s.w, (double)s.h});
  add(c, "glTexCoord2f", {du, dv});
  add(c, "glVertex2i", {0, (double)s.h});
}

// One blur level; s_off and t_off are r / copy_width and r / copy_height.
void add_level(calls_t& c, const screen& s, float s_off, float t_off) {
  add_copy(c, s, true);
  add(c, "glBegin", {GL_QUADS});
  add(c, "glColor4f", {1, 1, 1, 0.33333334f});
  add_quad(c, s, s_off, 0);
  add(c, "glColor4f", {1, 1, 1, 0.25f});
  add_quad(c, s, -s_off, 0);
  add(c, "glEnd", {});
  add_copy(c, s, true);
  add(c, "glBegin", {GL_QUADS});
  add(c, "glColor4f", {1, 1, 1, 0.33333334f});
  add_quad(c, s, 0, t_off);
  add(c, "glColor4f", {1, 1, 1, 0.25f});
  add_quad(c, s, 0, -t_off);
  add(c, "glEnd", {});
}

void add_enter_overlay(calls_t& c, const screen& s) {
  add(c, "glPushMatrix", {});
  add(c, "glLoadIdentity", {});
  add(c, "glMatrixMode", {GL_PROJECTION});
  add(c, "glPushMatrix", {});
  add(c, "glLoadIdentity", {});
  add(c, "glOrtho", {0, (double)s.w, (double)s.h, 0, (double)(s.h / 2), (double)(-(s.h / 2))});
  add(c, "glDisable", {GL_DEPTH_TEST});
  add(c, "glMatrixMode", {GL_MODELVIEW});
}

void add_leave_overlay(calls_t& c) {
  add(c, "glMatrixMode", {GL_PROJECTION});
  add(c, "glPopMatrix", {});
  add(c, "glMatrixMode", {GL_MODELVIEW});
  add(c, "glPopMatrix", {});
  add(c, "glEnable", {GL_DEPTH_TEST});
}

// Runs the effect on a window of the given size with fresh texture names.
void start(int w, int h) {
  screen_width = w;
  screen_height = h;
  bloom_work_texture = bloom_source_texture = blur_work_texture = 0;
  gl_recorder_reset();
}

void expect_stream(const calls_t& want) {
  const calls_t& got = gl_recorder_calls();
  size_t n = got.size() < want.size() ? got.size() : want.size();
  for (size_t i = 0; i < n; i++) {
    ASSERT_EQ(got[i], want[i]) << "first difference at call " << i;
  }
  EXPECT_EQ(got.size(), want.size());
}

}  // namespace

TEST(ScreenEffect, BloomFirstCallAt800x600) {
  // 600 needs 1024 rows, not 512: u_max = 0.78125, v_max = 0.5859375.
  const screen s = {800, 600, 1024, 1024, 0.78125f, 0.5859375f};
  start(800, 600);
  gl_recorder_set_next_texture(7);
  screen_bloom((float)(800 / 80));

  calls_t want;
  add(want, "glGenTextures", {1, 7});  // bloom_work_texture
  add(want, "glGenTextures", {1, 8});  // bloom_source_texture
  add(want, "glIsEnabled", {GL_TEXTURE_2D});
  add(want, "glEnable", {GL_TEXTURE_2D});
  add_enter_overlay(want, s);
  add(want, "glBindTexture", {GL_TEXTURE_2D, 8});
  add_copy(want, s, false);
  add(want, "glBindTexture", {GL_TEXTURE_2D, 7});
  add(want, "glEnable", {GL_BLEND});
  add(want, "glBlendFunc", {GL_DST_COLOR, GL_ZERO});
  for (int pass = 0; pass < 4; pass++) {
    add_copy(want, s, false);
    add(want, "glBegin", {GL_QUADS});
    add(want, "glColor3f", {1, 1, 1});
    add_quad(want, s, 0, 0);
    add(want, "glEnd", {});
  }
  add(want, "glBlendFunc", {GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA});
  // Radius 10: levels 10, 5, 2.5, 1.25 pixels over 1024 texels.
  add_level(want, s, 10.0f / 1024, 10.0f / 1024);
  add_level(want, s, 5.0f / 1024, 5.0f / 1024);
  add_level(want, s, 2.5f / 1024, 2.5f / 1024);
  add_level(want, s, 1.25f / 1024, 1.25f / 1024);
  add(want, "glBlendFunc", {GL_ONE, GL_ONE});
  add(want, "glBindTexture", {GL_TEXTURE_2D, 8});
  add(want, "glBegin", {GL_QUADS});
  add(want, "glColor3f", {1, 1, 1});
  add_quad(want, s, 0, 0);
  add(want, "glEnd", {});
  add_leave_overlay(want);
  add(want, "glBlendFunc", {GL_ONE, GL_ZERO});
  add(want, "glDisable", {GL_TEXTURE_2D});
  expect_stream(want);

  EXPECT_EQ(bloom_work_texture, 7u);
  EXPECT_EQ(bloom_source_texture, 8u);
  EXPECT_TRUE(gl_recorder_enabled(GL_BLEND));
  EXPECT_EQ(gl_recorder_value(GL_CURRENT_COLOR), (std::vector<double>{1, 1, 1, 1}));
}

TEST(ScreenEffect, BloomReusesNamesAndKeepsTexturingOn) {
  start(64, 48);
  screen_bloom(0.9f);
  gl_recorder_clear_calls();
  gl_recorder_set_enabled(GL_TEXTURE_2D, true);
  screen_bloom(0.9f);  // below 1: no blur level, only squaring and addition
  EXPECT_EQ(gl_recorder_count("glGenTextures"), 0);
  EXPECT_EQ(gl_recorder_count("glCopyTexImage2D"), 5);
  EXPECT_EQ(gl_recorder_count("glBegin"), 5);
  EXPECT_EQ(gl_recorder_count("glColor4f"), 0);
  EXPECT_EQ(gl_recorder_count("glDisable"), 1);  // only the overlay's depth test
  EXPECT_EQ(gl_recorder_calls().back(), gl_call_of("glBlendFunc", {GL_ONE, GL_ZERO}));
  EXPECT_TRUE(gl_recorder_enabled(GL_TEXTURE_2D));
  // 64 x 48 copies 64 x 64.
  EXPECT_EQ(gl_recorder_calls_named({"glCopyTexImage2D"})[0],
            gl_call_of("glCopyTexImage2D", {GL_TEXTURE_2D, 0, GL_RGB8, 0, 0, 64, 64, 0}));
}

TEST(ScreenEffect, BlurAt1024x768) {
  const screen s = {1024, 768, 1024, 1024, 1.0f, 0.75f};
  start(1024, 768);
  gl_recorder_set_next_texture(3);
  screen_blur(12.0f);

  calls_t want;
  add(want, "glGenTextures", {1, 3});
  add(want, "glIsEnabled", {GL_TEXTURE_2D});
  add(want, "glEnable", {GL_TEXTURE_2D});
  add(want, "glBindTexture", {GL_TEXTURE_2D, 3});
  add_enter_overlay(want, s);
  add(want, "glEnable", {GL_BLEND});
  add(want, "glBlendFunc", {GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA});
  // Radius 12: levels 12, 6, 3, 1.5.
  add_level(want, s, 12.0f / 1024, 12.0f / 1024);
  add_level(want, s, 6.0f / 1024, 6.0f / 1024);
  add_level(want, s, 3.0f / 1024, 3.0f / 1024);
  add_level(want, s, 1.5f / 1024, 1.5f / 1024);
  add_leave_overlay(want);
  add(want, "glBlendFunc", {GL_ONE, GL_ZERO});
  add(want, "glDisable", {GL_TEXTURE_2D});
  expect_stream(want);
  EXPECT_EQ(blur_work_texture, 3u);
  // White with alpha 0.25 is left current after a level ran.
  EXPECT_EQ(gl_recorder_value(GL_CURRENT_COLOR), (std::vector<double>{1, 1, 1, 0.25}));
}

TEST(ScreenEffect, BlurLevelCountsAndUnusableRadii) {
  struct {
    float radius;
    int levels;
  } cases[] = {{12, 4}, {10, 4}, {1, 1},   {1.99f, 1},    {2, 2},      {0.9f, 0},
               {0, 0},  {-5, 0}, {NAN, 0}, {INFINITY, 0}, {3e38f, 128}};
  for (const auto& k : cases) {
    start(100, 100);
    screen_blur(k.radius);
    EXPECT_EQ(gl_recorder_count("glCopyTexImage2D"), 2 * k.levels) << "radius " << k.radius;
  }
}

TEST(ScreenEffect, CopySizeForTinyWindows) {
  start(1, 1);
  screen_blur(1);
  EXPECT_EQ(gl_recorder_calls_named({"glCopyTexImage2D"})[0],
            gl_call_of("glCopyTexImage2D", {GL_TEXTURE_2D, 0, GL_RGB8, 0, 0, 1, 1, 0}));
  // A width of 0 (the toolkit's own window minimised) still starts the
  // search at 1: u_max 0.
  int stand_in = 0;
  gl_context = (HGLRC)&stand_in;
  start(0, 1);
  screen_blur(1);
  gl_context = nullptr;
  EXPECT_EQ(gl_recorder_calls_named({"glCopyTexImage2D"})[0],
            gl_call_of("glCopyTexImage2D", {GL_TEXTURE_2D, 0, GL_RGB8, 0, 0, 1, 1, 0}));
  EXPECT_EQ(gl_recorder_calls_named({"glTexCoord2f"})[1], gl_call_of("glTexCoord2f", {1.0f, 1.0f}));
}
