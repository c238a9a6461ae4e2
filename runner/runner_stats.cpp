// Frame-time statistics (see runner_stats.h).
#include "runner/runner_stats.h"

#include <math.h>

#include <algorithm>
#include <vector>

double runner_percentile(const double* sorted, size_t n, double p) {
  if (n == 0) return 0.0;
  double rank = ceil(p / 100.0 * (double)n);
  size_t index = rank < 1.0 ? 0 : (size_t)rank - 1;
  if (index >= n) index = n - 1;
  return sorted[index];
}

runner_summary runner_summarise(const double* frame_ms, size_t n) {
  runner_summary s = {};
  if (n == 0) return s;
  std::vector<double> sorted(frame_ms, frame_ms + n);
  std::sort(sorted.begin(), sorted.end());
  double sum = 0.0;
  for (double v : sorted) sum += v;
  s.count = n;
  s.mean_ms = sum / (double)n;
  s.median_ms = n % 2 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2.0;
  s.p90_ms = runner_percentile(sorted.data(), n, 90.0);
  s.p99_ms = runner_percentile(sorted.data(), n, 99.0);
  s.max_ms = sorted[n - 1];
  size_t slow = n / 100;
  if (slow < 1) slow = 1;
  double slow_sum = 0.0;
  for (size_t i = n - slow; i < n; i++) slow_sum += sorted[i];
  double slow_mean = slow_sum / (double)slow;
  s.low_1pct_fps = slow_mean > 0.0 ? 1000.0 / slow_mean : 0.0;
  return s;
}
