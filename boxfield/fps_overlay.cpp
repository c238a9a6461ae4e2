// Frame-rate overlay (see fps_overlay.h).
#include "boxfield/fps_overlay.h"

#include <math.h>
#include <stdio.h>

#include "font/font_registry.h"
#include "shell/gl.h"
#include "shell/view.h"
#include "text/text_draw.h"
#include "util/helpers.h"

double fps_history[FPS_HISTORY_LENGTH];

static bool fps_history_started = false;

void fps_history_push(double rate) {
  if (!fps_history_started) {
    for (int32_t i = 0; i < FPS_HISTORY_LENGTH; i++) fps_history[i] = 0.0;
    fps_history_started = true;
  }
  for (int32_t i = FPS_HISTORY_LENGTH - 1; i >= 1; i--) fps_history[i] = fps_history[i - 1];
  fps_history[0] = rate;
}

void fps_format_text(char* text, size_t size, double rate) {
  // Runtimes spell non-finite values differently ("1.#INF" in older Windows
  // ones), so those are written out by hand.
  if (isnan(rate)) {
    snprintf(text, size, "FPS: nan");
  } else if (isinf(rate)) {
    snprintf(text, size, rate > 0 ? "FPS: inf" : "FPS: -inf");
  } else {
    snprintf(text, size, "FPS: %lg", rate);
  }
}

void fps_bar_colour(double rate, float rgb[3]) {
  rgb[1] = 0.0f;
  rgb[2] = 0.0f;
  if (rate >= 60.0) {
    rgb[0] = 0.0f;
    rgb[1] = 0.5f;
  } else if (rate >= 30.0) {
    rgb[0] = 0.5f;
    rgb[1] = 0.5f;
  } else if (rate >= 20.0) {
    rgb[0] = 0.5f;
    rgb[1] = 0.25f;
  } else {
    rgb[0] = 0.5f;
  }
}

void draw_fps_overlay(int32_t x, int32_t y, double rate) {
  fps_history_push(rate);
  char text[30];
  fps_format_text(text, sizeof text, rate);
  // The text renderer sets up its own 2D projection.
  font_select_by_name("normal");
  draw_text(x, y, 0, text, 0x4040C0);

  int32_t top = y + current_line_height;
  enter_overlay();
  glEnable(GL_BLEND);
  glDisable(GL_LIGHTING);
  glDisable(GL_DEPTH_TEST);
  // Each bar is added to the picture with a screen-like blend.
  glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_COLOR);
  glBegin(GL_LINES);
  for (int32_t i = FPS_HISTORY_LENGTH - 1; i >= 0; i--) {
    double v = fps_history[i];
    float rgb[3];
    fps_bar_colour(v, rgb);
    glColor3f(rgb[0], rgb[1], rgb[2]);
    // Oldest at x + 1, newest at x + 100; each bar stands on the base line
    // and is min(v, 100) pixels tall.
    int32_t column = x + FPS_HISTORY_LENGTH - i;
    glVertex2f((float)column, (float)(top + 100));
    glVertex2f((float)column, (float)((double)top + clamp_nonneg_double(100.0 - v)));
  }
  glEnd();
  glDisable(GL_BLEND);
  leave_overlay();
}
