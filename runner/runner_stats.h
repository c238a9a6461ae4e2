// Frame-time statistics of the runners: figures of one run's frame times
// (median, quartiles, percentiles, "1 % low"), the spread of a figure
// across repeated runs (median of run medians, its 95 % confidence
// interval allowing for drift between runs, coefficient of variation), the
// stopping rule of --runs auto, and the verdict of a
// comparison of two sets of run medians. No dependencies.
#pragma once

#include <stddef.h>

// Frames a run needs before its p90, and its p99 and 1 % low, mean anything
// (with fewer, p99 would be the slowest frame and the 1 % low one frame).
constexpr size_t RUNNER_P90_MIN_FRAMES = 10;
constexpr size_t RUNNER_P99_MIN_FRAMES = 100;

struct runner_summary {
  size_t count;         // frames summarised
  double mean_ms;       // arithmetic mean of the frame times
  double median_ms;     // middle value (mean of the two middle values for an even count)
  double q1_ms, q3_ms;  // nearest-rank 25th and 75th percentiles
  double iqr_ms;        // q3_ms - q1_ms
  double p90_ms;        // nearest-rank 90th percentile (meaningful when has_p90)
  double p99_ms;        // nearest-rank 99th percentile (meaningful when has_p99)
  double max_ms;        // slowest frame
  double low_1pct_fps;  // 1000 / mean of the slowest 1 % of frames (meaningful when has_p99)
  bool has_p90;         // count >= RUNNER_P90_MIN_FRAMES
  bool has_p99;         // count >= RUNNER_P99_MIN_FRAMES (p99 and the 1 % low)
};

// Nearest-rank percentile (0 < p <= 100) of n ascending values; 0 when n is 0.
double runner_percentile(const double* sorted, size_t n, double p);

// Summarises n frame times in milliseconds (any order; the input is not
// changed). NaN values are left out (count is the rest); none left gives an
// all-zero summary.
runner_summary runner_summarise(const double* frame_ms, size_t n);

// Runs needed for a 95 % interval of the median of run values.
constexpr size_t RUNNER_CI_MIN_RUNS = 6;

// Runs of one process drift together: the run medians of the test machine
// showed lag-1 autocorrelation 0.2 to 0.6, so neighbouring runs are not
// independent and an interval that assumes they are is too narrow (at 0.6
// it covered 79 to 83 % instead of 95 %). The interval allows for this
// much lag-1 autocorrelation (a margin above the 0.6 seen), or for the
// runs' own estimate when that is larger and there are at least
// RUNNER_CI_DRIFT_ESTIMATE_RUNS runs to estimate it from (up to
// RUNNER_CI_DRIFT_MAX).
constexpr double RUNNER_CI_DRIFT = 0.65;
constexpr size_t RUNNER_CI_DRIFT_ESTIMATE_RUNS = 20;
constexpr double RUNNER_CI_DRIFT_MAX = 0.9;

// --runs auto looks at the interval after every run and stops at the first
// one narrow enough, which favours intervals that came out too narrow by
// chance. It therefore stops no earlier than this many runs, and judges and
// reports an interval this much wider than a fixed count of runs gets.
constexpr size_t RUNNER_AUTO_MIN_RUNS = 10;
constexpr double RUNNER_AUTO_WIDENING = 1.2;

// A figure across repeated runs (one value per run).
struct runner_spread {
  size_t runs;                   // values summarised
  double median_ms;              // median of the values
  bool has_ci;                   // runs >= RUNNER_CI_MIN_RUNS
  double ci_low_ms, ci_high_ms;  // 95 % interval of the median (see runner_spread_of)
  double drift;                  // lag-1 autocorrelation the interval allows for
  bool has_cv;                   // runs >= 2
  double cv_percent;             // sample standard deviation / mean, in percent
};

// The 1-based ranks k and n + 1 - k of the order statistics that bound a
// distribution-free confidence interval of the median of n independent
// values with coverage 1 - 2 P(B <= k - 1) >= 95 %, B binomial (n, 1/2), k
// as large as possible. Exact for any n (the binomial terms are taken from
// logarithms). False when no k reaches 95 % (n < 6).
bool runner_median_ci_ranks(size_t n, size_t* low, size_t* high);

// Spread of n run values in run order (input unchanged; NaN values left out
// and not counted in runs). The interval of the median covers both the
// order-statistic interval of runner_median_ci_ranks and a t interval in
// logarithms around the median whose width allows for the median's
// variance and for neighbouring runs drifting together (lag-1
// autocorrelation drift, see RUNNER_CI_DRIFT): simulated, it covers at
// least 95 % with 6 to 100 runs at autocorrelation up to 0.6. With
// looked_every_run (--runs auto) the t interval is RUNNER_AUTO_WIDENING
// times wider. Values that are not positive and finite leave only the
// order-statistic interval.
runner_spread runner_spread_of(const double* values, size_t n, bool looked_every_run = false);

// True when the interval lies within +-percent of the median (both ends).
bool runner_spread_within(const runner_spread& s, double percent);

// Whether --runs auto may stop on these run values (in run order): at least
// RUNNER_AUTO_MIN_RUNS of them, and their interval for looking after every
// run within +-percent of the median. Simulated with CV 1 to 2 % and
// autocorrelation up to 0.6, the interval it stops on covers at least 95 %.
bool runner_spread_auto_done(const double* values, size_t n, double percent);

// The 97.5 % quantile of Student's t with df degrees of freedom (df >= 1;
// tabled values, linear in 1/df between them).
double runner_t_975(double df);

enum runner_verdict {
  RUNNER_SAME,       // the interval of new/base lies within +-threshold
  RUNNER_FASTER,     // new is faster by more than the threshold, with 95 % confidence
  RUNNER_SLOWER,     // new is slower by more than the threshold, with 95 % confidence
  RUNNER_UNCERTAIN,  // anything else (or too few runs to tell)
  RUNNER_MISSING,    // base timed frames in the mode, new none: a failure
  RUNNER_UNTIMED     // base timed none: nothing to compare
};

// "SAME", "FASTER", "SLOWER", "UNCERTAIN", "MISSING", "UNTIMED".
const char* runner_verdict_name(runner_verdict v);

struct runner_ratio {
  runner_verdict verdict;
  double ratio;       // median of new run medians / median of base run medians
  bool has_interval;  // both sides had at least 2 runs
  double low, high;   // 95 % interval of the ratio of geometric means of run medians
};

// Compares two sets of run medians in run order (milliseconds; 0 values
// mean no runs of the mode): Welch's t interval of the difference of the
// means of the logarithms, turned back into a ratio, against
// +-threshold_percent. A bound exactly at the threshold counts as within
// it. Frames within one run are not independent, so only run medians
// enter; nor are neighbouring runs when the machine drifts, so with more
// than 5 runs a side the spread comes from the means of 5 batches of
// consecutive runs (with 5 batches' degrees of freedom).
runner_ratio runner_compare_runs(const double* base, size_t base_runs, const double* next, size_t next_runs,
                                 double threshold_percent);
