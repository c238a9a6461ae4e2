// The frame-time picture of a run ("frametimes.png"): for each named mode a panel
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

// The timed frames of one mode, in order.
struct runner_plot_mode {
  std::string name;
  std::vector<double> ms;
};

// One run to plot.
struct runner_plot_run {
  std::string label;                    // legend name (e.g. "base", "new" or a report's file name)
  std::vector<runner_plot_mode> modes;  // one panel each, top to bottom
};

// Draws the picture of run a, with run b overlaid when b is not null, over
// the whole current surface and returns it read back (top row first): a
// panel for each of a's modes, then for each of b's that a has not, with
// each run's frames of that mode (none where a run lacks it). Each
// panel's scale covers its slowest finite frame time; NaN frame times are
// drawn at 0 and infinite ones at the top. Needs
// a current GL context; leaves its GL state, matrices and the current font
// as it found them (the surface's pixels are overwritten).
runner_image runner_plot_frametimes(const char* title, const runner_plot_run& a, const runner_plot_run* b);

// Most steps a panel's ms axis is divided into.
constexpr int RUNNER_PLOT_MAX_STEPS = 12;
// The smallest top of the ms axis: shorter frame times all sit at the bottom.
constexpr double RUNNER_PLOT_MIN_TOP_MS = 1e-6;

// A panel's ms axis: from 0 to top_ms in steps of step_ms.
struct runner_plot_scale {
  double top_ms;   // finite, at least RUNNER_PLOT_MIN_TOP_MS
  double step_ms;  // a round step (1, 2 or 5 times a power of ten), finite and > 0
  int steps;       // grid lines above 0 at step_ms, 2 step_ms, ...: 1 to RUNNER_PLOT_MAX_STEPS
};

// The axis for a panel whose slowest frame took slowest_ms, in about ticks
// steps (1 to RUNNER_PLOT_MAX_STEPS): top_ms is at or above slowest_ms
// whenever it is finite, so the slowest frame is always inside the panel.
// NaN, infinite, negative and zero values give the smallest axis; huge and
// tiny ones give a finite axis with a bounded number of steps.
runner_plot_scale runner_plot_choose_scale(double slowest_ms, int ticks);

// A title as the runs use it: "<renderer>, WxH, frame end <end>".
std::string runner_plot_title(const std::string& renderer, int width, int height, const char* frame_end);

// One mode of an A/B's picture: the ratio NEW/BASE of each pair in time
// order, the estimate and its interval, and the threshold.
struct runner_plot_ratio_mode {
  std::string name;
  std::vector<double> ratios;  // one per pair (NaN: not drawn)
  double ratio = 1.0;          // the estimate
  bool has_interval = false;
  double low = 1.0, high = 1.0;  // the interval of the estimate
  double threshold_percent = 3.0;
  std::string verdict;  // shown beside the mode's name
};

// Draws the picture of an A/B (ab.png) over the whole current surface and
// returns it read back: a panel per mode with each pair's ratio as a point,
// a line at 1, the threshold lines (dashed) and the interval (a band), on a
// scale that holds the interval, the threshold lines and every finite ratio
// within three interquartile ranges of the quartiles (a ratio beyond sits on
// the panel's edge). Same GL needs and state as runner_plot_frametimes.
runner_image runner_plot_ratios(const char* title, const std::vector<runner_plot_ratio_mode>& modes);
