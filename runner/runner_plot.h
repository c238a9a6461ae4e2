// The frame-time picture of a run ("frametimes.png"): for each mode a panel
// of frame time (ms) against timed frame number, with the median and the
// 99th percentile marked, and a title naming the GL renderer, size and frame
// end. One run, or two overlaid in two colours (a comparison). Drawn with
// the toolkit's own 2D primitives and text over the whole current GL surface
// (screen_width x screen_height) and read back. Depends on the toolkit
// (shapes_2d, text, font registry, built-in font, view) and runner_image.
#pragma once

#include <string>
#include <vector>

#include "runner/runner_image.h"

// One run to plot.
struct runner_plot_run {
  std::string label;             // legend name (e.g. "base", "new" or a report's file name)
  std::vector<double> solid_ms;  // timed frames of solid mode, in order
  std::vector<double> wire_ms;   // timed frames of wire mode, in order
};

// Draws the picture of run a, with run b overlaid when b is not null, over
// the whole current surface and returns it read back (top row first). Needs
// a current GL context; leaves its GL state, matrices and the current font
// as it found them (the surface's pixels are overwritten).
runner_image runner_plot_frametimes(const char* title, const runner_plot_run& a, const runner_plot_run* b);

// A title as the runs use it: "<renderer>, WxH, frame end <end>".
std::string runner_plot_title(const std::string& renderer, int width, int height, const char* frame_end);
