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

static double sorted_median(const std::vector<double>& sorted) {
  size_t n = sorted.size();
  if (n == 0) return 0.0;
  return n % 2 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2.0;
}

// The values that are numbers, ascending. NaN (a frame or run the clock
// could not time) is left out: it has no place in an order, and std::sort
// with one in the range is undefined.
static std::vector<double> sorted_numbers(const double* values, size_t n) {
  std::vector<double> sorted;
  sorted.reserve(n);
  for (size_t i = 0; i < n; i++) {
    if (!isnan(values[i])) sorted.push_back(values[i]);
  }
  std::sort(sorted.begin(), sorted.end());
  return sorted;
}

runner_summary runner_summarise(const double* frame_ms, size_t count) {
  runner_summary s = {};
  std::vector<double> sorted = sorted_numbers(frame_ms, count);
  size_t n = sorted.size();
  if (n == 0) return s;
  double sum = 0.0;
  for (double v : sorted) sum += v;
  s.count = n;
  s.mean_ms = sum / (double)n;
  s.median_ms = sorted_median(sorted);
  s.q1_ms = runner_percentile(sorted.data(), n, 25.0);
  s.q3_ms = runner_percentile(sorted.data(), n, 75.0);
  s.iqr_ms = s.q3_ms - s.q1_ms;
  s.p90_ms = runner_percentile(sorted.data(), n, 90.0);
  s.p99_ms = runner_percentile(sorted.data(), n, 99.0);
  s.max_ms = sorted[n - 1];
  size_t slow = n / 100;
  if (slow < 1) slow = 1;
  double slow_sum = 0.0;
  for (size_t i = n - slow; i < n; i++) slow_sum += sorted[i];
  double slow_mean = slow_sum / (double)slow;
  s.low_1pct_fps = slow_mean > 0.0 ? 1000.0 / slow_mean : 0.0;
  s.has_p90 = n >= RUNNER_P90_MIN_FRAMES;
  s.has_p99 = n >= RUNNER_P99_MIN_FRAMES;
  return s;
}

bool runner_median_ci_ranks(size_t n, size_t* low, size_t* high) {
  // P(B <= j) for B binomial (n, 1/2), each term from logarithms: a first
  // term of 0.5^n would underflow to 0 from n = 1075 on, and every later
  // term built from it by ratios with it.
  const double log_half_n = -(double)n * log(2.0), log_n_factorial = lgamma((double)n + 1.0);
  double below = 0.0;  // P(B <= k - 1)
  size_t best = 0;
  for (size_t k = 1; k <= n / 2; k++) {
    double j = (double)(k - 1);
    below += exp(log_n_factorial - lgamma(j + 1.0) - lgamma((double)n - j + 1.0) + log_half_n);
    if (below > 0.025) break;
    best = k;
  }
  if (best == 0) return false;
  *low = best;
  *high = n + 1 - best;
  return true;
}

// Lag-1 autocorrelation of n values in order.
static double lag1_autocorrelation(const std::vector<double>& v) {
  size_t n = v.size();
  double mean = 0.0;
  for (double x : v) mean += x / (double)n;
  double c0 = 0.0, c1 = 0.0;
  for (size_t i = 0; i < n; i++) {
    c0 += (v[i] - mean) * (v[i] - mean);
    if (i > 0) c1 += (v[i] - mean) * (v[i - 1] - mean);
  }
  return c0 > 0.0 ? c1 / c0 : 0.0;
}

// Variance of the median of n values of a Gaussian AR(1) sequence with
// lag-1 autocorrelation rho, over the expected sample variance, in units
// of 1 / n: the median of independent values has pi / 2 times the mean's
// variance, each lag k adds 2 (1 - k / n) (2 / pi) asin(rho^k) to it (the
// correlation of the values' sides of the median), and the sample variance
// of correlated values falls short of the true one by the sum in the
// denominator.
static double median_variance_factor(size_t n, double rho) {
  const double pi = 3.14159265358979323846;
  double sides = 1.0, shortfall = 0.0, power = 1.0;
  for (size_t k = 1; k < n && power > 1e-12; k++) {
    power *= rho;
    sides += 2.0 * (1.0 - (double)k / (double)n) * (2.0 / pi) * asin(power);
    shortfall += (double)(n - k) * power;
  }
  double expected_variance = 1.0 - 2.0 / ((double)n * (double)(n - 1)) * shortfall;
  return pi / 2.0 * sides / std::max(expected_variance, 0.05);
}

runner_spread runner_spread_of(const double* values, size_t count, bool looked_every_run) {
  runner_spread s = {};
  std::vector<double> in_order;
  for (size_t i = 0; i < count; i++) {
    if (!isnan(values[i])) in_order.push_back(values[i]);
  }
  std::vector<double> sorted = in_order;
  std::sort(sorted.begin(), sorted.end());
  size_t n = sorted.size();
  s.runs = n;
  if (n == 0) return s;
  s.median_ms = sorted_median(sorted);
  if (n >= 2) {
    double mean = 0.0;
    for (double v : sorted) mean += v;
    mean /= (double)n;
    double squares = 0.0;
    for (double v : sorted) squares += (v - mean) * (v - mean);
    s.has_cv = mean > 0.0;
    s.cv_percent = s.has_cv ? sqrt(squares / (double)(n - 1)) / mean * 100.0 : 0.0;
  }
  size_t low = 0, high = 0;
  if (n < RUNNER_CI_MIN_RUNS || !runner_median_ci_ranks(n, &low, &high)) return s;
  s.has_ci = true;
  s.ci_low_ms = sorted[low - 1];
  s.ci_high_ms = sorted[high - 1];
  s.drift = RUNNER_CI_DRIFT;
  // The t interval, in logarithms of the values.
  if (!(sorted[0] > 0.0) || !isfinite(sorted[n - 1])) return s;
  std::vector<double> logs;
  for (double v : in_order) logs.push_back(log(v));
  if (n >= RUNNER_CI_DRIFT_ESTIMATE_RUNS)
    s.drift = std::min(std::max(s.drift, lag1_autocorrelation(logs)), RUNNER_CI_DRIFT_MAX);
  double mean = 0.0, squares = 0.0;
  for (double x : logs) mean += x / (double)n;
  for (double x : logs) squares += (x - mean) * (x - mean);
  double sd = sqrt(squares / (double)(n - 1));
  double half = runner_t_975((double)(n - 1)) * sd * sqrt(median_variance_factor(n, s.drift) / (double)n);
  if (looked_every_run) half *= RUNNER_AUTO_WIDENING;
  if (half > 0.0) {  // (equal runs keep their exact value)
    double centre = log(s.median_ms);
    s.ci_low_ms = std::min(s.ci_low_ms, exp(centre - half));
    s.ci_high_ms = std::max(s.ci_high_ms, exp(centre + half));
  }
  return s;
}

bool runner_spread_within(const runner_spread& s, double percent) {
  if (!s.has_ci) return false;
  double allowed = s.median_ms * percent / 100.0;
  return s.ci_low_ms >= s.median_ms - allowed && s.ci_high_ms <= s.median_ms + allowed;
}

bool runner_spread_auto_done(const double* values, size_t n, double percent) {
  if (n < RUNNER_AUTO_MIN_RUNS) return false;  // (NaN values only make fewer)
  runner_spread s = runner_spread_of(values, n, true);
  return s.runs >= RUNNER_AUTO_MIN_RUNS && runner_spread_within(s, percent);
}

double runner_t_975(double df) {
  static const double table_df[] = {1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15, 16, 17,
                                    18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 40, 60, 120};
  static const double table_t[] = {12.706, 4.303, 3.182, 2.776, 2.571, 2.447, 2.365, 2.306, 2.262,
                                   2.228,  2.201, 2.179, 2.160, 2.145, 2.131, 2.120, 2.110, 2.101,
                                   2.093,  2.086, 2.080, 2.074, 2.069, 2.064, 2.060, 2.056, 2.052,
                                   2.048,  2.045, 2.042, 2.021, 2.000, 1.980};
  const size_t count = sizeof table_df / sizeof table_df[0];
  if (!(df > 1.0)) return table_t[0];
  for (size_t i = 1; i < count; i++) {
    if (df <= table_df[i]) {
      // Linear in 1/df between the neighbouring rows.
      double a = 1.0 / table_df[i - 1], b = 1.0 / table_df[i], x = 1.0 / df;
      return table_t[i - 1] + (table_t[i] - table_t[i - 1]) * (a - x) / (a - b);
    }
  }
  double a = 1.0 / table_df[count - 1], x = 1.0 / df;  // towards 1.960 at infinity
  return 1.960 + (table_t[count - 1] - 1.960) * x / a;
}

const char* runner_verdict_name(runner_verdict v) {
  switch (v) {
    case RUNNER_SAME:
      return "SAME";
    case RUNNER_FASTER:
      return "FASTER";
    case RUNNER_SLOWER:
      return "SLOWER";
    case RUNNER_UNCERTAIN:
      return "UNCERTAIN";
    case RUNNER_MISSING:
      return "MISSING";
    case RUNNER_UNTIMED:
      return "UNTIMED";
  }
  return "?";
}

// Batches the spread of a mean of run medians is taken from: runs of one
// process drift together (the machine's speed wanders over minutes; the
// lag-1 autocorrelation of run medians was 0.2 to 0.6 on the test
// machine), so neighbouring runs are not independent samples. The means of
// up to this many batches of consecutive runs are.
static const size_t RUNNER_BATCHES = 5;

// Mean of the logarithms of the positive, finite values, the variance of
// that mean from the means of up to RUNNER_BATCHES batches of consecutive
// values, and the number of batches. Returns the count of values used.
static size_t log_moments(const double* v, size_t n, double* mean, double* mean_variance, size_t* batches) {
  std::vector<double> logs;
  for (size_t i = 0; i < n; i++) {
    if (v[i] > 0.0 && isfinite(v[i])) logs.push_back(log(v[i]));
  }
  size_t count = logs.size();
  double sum = 0.0;
  for (double x : logs) sum += x;
  *mean = count ? sum / (double)count : 0.0;
  size_t b = count < RUNNER_BATCHES ? count : RUNNER_BATCHES;
  *batches = b;
  *mean_variance = 0.0;
  if (b < 2) return count;
  std::vector<double> means;
  for (size_t j = 0; j < b; j++) {
    size_t from = j * count / b, to = (j + 1) * count / b;
    double s = 0.0;
    for (size_t i = from; i < to; i++) s += logs[i];
    means.push_back(s / (double)(to - from));
  }
  double m = 0.0, squares = 0.0;
  for (double x : means) m += x / (double)b;
  for (double x : means) squares += (x - m) * (x - m);
  *mean_variance = squares / (double)(b - 1) / (double)b;
  return count;
}

runner_ratio runner_compare_runs(const double* base, size_t base_runs, const double* next, size_t next_runs,
                                 double threshold_percent) {
  runner_ratio r = {};
  double mb = 0.0, eb = 0.0, mn = 0.0, en = 0.0;
  size_t bb = 0, bn = 0;
  size_t nb = log_moments(base, base_runs, &mb, &eb, &bb);
  size_t nn = log_moments(next, next_runs, &mn, &en, &bn);
  if (nb == 0) {
    r.verdict = RUNNER_UNTIMED;
    return r;
  }
  if (nn == 0) {
    r.verdict = RUNNER_MISSING;
    return r;
  }
  runner_spread sb = runner_spread_of(base, base_runs), sn = runner_spread_of(next, next_runs);
  r.ratio = sb.median_ms > 0.0 ? sn.median_ms / sb.median_ms : 0.0;
  r.verdict = RUNNER_UNCERTAIN;
  if (nb < 2 || nn < 2) return r;
  double se = sqrt(eb + en);
  double half = 0.0;
  if (se > 0.0) {
    double df =
        (eb + en) * (eb + en) /
        ((eb > 0.0 ? eb * eb / (double)(bb - 1) : 0.0) + (en > 0.0 ? en * en / (double)(bn - 1) : 0.0));
    half = runner_t_975(df) * se;
  }
  double d = mn - mb;
  r.has_interval = true;
  r.low = exp(d - half);
  r.high = exp(d + half);
  // Compared in logarithms with a margin of rounding, so that a change of
  // exactly the threshold is within it.
  const double eps = 1e-9;
  double up = log1p(threshold_percent / 100.0);
  double down = threshold_percent < 100.0 ? log1p(-threshold_percent / 100.0) : -INFINITY;
  double lo = d - half, hi = d + half;
  if (lo > up + eps) {
    r.verdict = RUNNER_SLOWER;
  } else if (hi < down - eps) {
    r.verdict = RUNNER_FASTER;
  } else if (lo >= down - eps && hi <= up + eps) {
    r.verdict = RUNNER_SAME;
  }
  return r;
}
