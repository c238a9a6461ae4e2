// The statistics of a paired A/B comparison of two program builds, drivers
// or settings flown on one machine: two processes (BASE and NEW) take turns
// flying short timed runs, and every few pairs both are replaced by fresh
// ones, so each "generation" of pairs meets new process-level state. Per
// pair and mode the driver has x = log(NEW run median / BASE run median).
//
// The unit of the verdict is the generation, not the pair: the pairs of one
// generation share its processes' offset (a slow process state moves every
// pair of its generation by about 25 %), and neighbouring pairs share the
// machine's episodes and drift. Each generation's pairs are reduced to their
// median (an episode hitting one run of a pair does not move it), and the
// generation medians, independent with the true log ratio as their median
// when both sides meet the same machine, are judged with the sign test:
// their median is the estimate and the distribution-free interval of the
// median (order statistics) the interval. The sign test counts a generation
// thrown 25 % off by a slow process as one wrong sign, where a signed-rank
// test would give it the largest rank; on simulations of this noise it
// called a real 5 % change more often at the same false-verdict rate. See
// docs/benchmarking.md, "A/B statistics". No dependencies.
#pragma once

#include <stddef.h>

#include "runner/runner_stats.h"

struct runner_ab_estimate {
  runner_verdict
      verdict;        // RUNNER_SAME, _FASTER, _SLOWER or _UNCERTAIN (MISSING/UNTIMED are the driver's to set)
  size_t pairs;       // pairs judged (finite log ratios)
  double ratio;       // point estimate of NEW/BASE (1 when no pairs)
  bool has_interval;  // enough generations for an interval at this alpha
  double low, high;   // interval of the ratio at confidence 1 - alpha (the estimate when none)
  double detectable_percent;  // smallest change this A/B could have called at 80 % power, in percent (NaN
                              // when unknown)
  double lag1;                // estimated lag-1 autocorrelation of the log ratios (0 when too few)
  size_t generations;         // generations judged (the units of the interval)
};

// Judges one mode's pairs in time order: log_ratios[i] = log(new/base) of
// pair i, generation[i] the process generation it was flown in
// (nondecreasing; a pair whose generation goes back is refused: the result
// is UNCERTAIN with no pairs). Pairs whose log ratio is NaN or infinite are
// left out. alpha is the two-sided error for this look (0.05 for a fixed
// number of pairs, runner_ab_look_alpha(k) at look k of --pairs auto).
// SLOWER: the interval lies above 1 and the estimate above 1 + threshold;
// FASTER: below 1 and below 1 - threshold; SAME: the whole interval within
// +-threshold (a bound exactly at the threshold is within it); otherwise
// UNCERTAIN.
runner_ab_estimate runner_ab_judge(const double* log_ratios, const int* generation, size_t n,
                                   double threshold_percent, double alpha);

// The automatic plan: the pair counts at which it looks, and the alpha to
// spend at each look so that, with the A/B stopping at the first look where
// the mode is decided, the chance of a false SLOWER or FASTER per mode stays
// at or below 5 %. A stop forced by a time cap between looks judges with the
// next look's alpha.
int runner_ab_looks(void);
size_t runner_ab_look_pairs(int look);  // pairs at look k (0-based); 0 past the last
double runner_ab_look_alpha(int look);  // 0 past the last

// The 1-based rank k of the lower bound of the sign-test interval of the
// median of m units at confidence at least 1 - alpha: the interval runs from
// the k-th smallest to the k-th largest unit, and its exact coverage is
// 1 - 2 P(B <= k - 1), B binomial (m, 1/2). 0 when no k reaches 1 - alpha
// (too few units for this alpha).
size_t runner_ab_sign_rank(size_t m, double alpha);
