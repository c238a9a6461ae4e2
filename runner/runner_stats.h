// Frame-time statistics of the headless runner: median, percentiles and the
// "1 % low" frame rate of a set of frame times. No dependencies.
#pragma once

#include <stddef.h>

struct runner_summary {
  size_t count;         // frames summarised
  double mean_ms;       // arithmetic mean of the frame times
  double median_ms;     // middle value (mean of the two middle values for an even count)
  double p90_ms;        // nearest-rank 90th percentile
  double p99_ms;        // nearest-rank 99th percentile
  double max_ms;        // slowest frame
  double low_1pct_fps;  // 1000 / mean of the slowest 1 % of frames (at least one frame)
};

// Nearest-rank percentile (0 < p <= 100) of n ascending values; 0 when n is 0.
double runner_percentile(const double* sorted, size_t n, double p);

// Summarises n frame times in milliseconds (any order; the input is not
// changed). A zero count gives an all-zero summary.
runner_summary runner_summarise(const double* frame_ms, size_t n);
