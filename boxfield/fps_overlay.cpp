// Frame-rate overlay (see fps_overlay.h).
#include "boxfield/fps_overlay.h"

#include <math.h>
#include <stdio.h>

#include "shell/gl.h"
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
