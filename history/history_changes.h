// Change points of a performance series: where a run's figures stepped and
// stayed. E-divisive means (energy distance between the runs before and
// after a split, the best split tested against random reorderings of the
// same runs, then each side searched again), each step then measured by the
// Hodges-Lehmann shift between its two sides with a distribution-free 95 %
// interval, and kept only when that interval leaves out zero and the step is
// wider than the runs' own intervals. Works on logarithms, so a step is a
// ratio. Pure: no database, no files; seeded, so the same series gives the
// same answer. Depends on the C++ standard library only.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <vector>

// One run of a series: its figure (a median, in ms) and, when the run had
// enough repetitions for one, its own 95 % interval.
struct history_point {
  double value;
  bool has_interval;
  double low, high;
};

struct history_change_options {
  double alpha = 0.01;         // the permutation test's level
  int32_t permutations = 499;  // random reorderings per test (fewer when it is clear early)
  uint64_t seed = 0x5eed;      // of the reorderings
  int32_t min_segment = 2;     // runs on each side of a change, except...
  bool allow_last_run = true;  // ...the newest run standing out from its segment
};

// A change point: runs [0, index) before it (back to the previous change),
// [index, next change) after it.
struct history_change {
  size_t index;             // the first run after the change
  double p_value;           // of the split when it was found (NaN: the newest run alone)
  double step_percent;      // after against before: Hodges-Lehmann shift of the logs, as a percentage
  double step_low_percent;  // its 95 % interval
  double step_high_percent;
  double run_width_percent;  // median half-width of the runs' own intervals (0: none had one)
};

// The confirmed change points of a series, in order. Non-finite or
// non-positive values are not accepted: the caller leaves such runs out.
std::vector<history_change> history_find_changes(const std::vector<history_point>& series,
                                                 const history_change_options& options);

// The best split of values[0, n) by E-divisive means: its index (the first
// value of the right side) and its statistic, or index 0 when no split is
// allowed or every split scores 0. last_ok: a right side of one value is
// allowed.
struct history_split {
  size_t index;
  double q;
};
history_split history_best_split(const double* values, size_t n, int32_t min_segment, bool last_ok);
