// The paired A/B verdict: generation medians judged with the sign test
// (median estimate, order-statistic interval), the rule for SLOWER, FASTER
// and SAME, the smallest change the A/B could have called, and the automatic
// plan's looks and the alpha spent at each.
#include "runner/runner_ab_stats.h"

#include <math.h>

#include <algorithm>
#include <vector>

namespace {

// The looks of --pairs auto, doubling from 10 pairs, and the two-sided alpha
// spent at each: the same at every look (Pocock's way), calibrated so that
// the chance of rejecting "ratio 1" at some look stays at or below 5 % under
// the sign test. Under that null each generation is above or below 1 by a
// fair coin whatever the noise's shape, so the chance is a property of coin
// flips alone and was computed exactly (a walk over the count of signs):
// with generations of 1, 2, 3 or 4 pairs it is at most 4.3 %, 3.2 %, 3.5 %
// and 2.6 % over the five looks, and at most 4.5 % when a time cap stops the
// A/B between two looks (judged with the next look's alpha). Bonferroni's
// 1 % a look would give at most 2.5 %, wider intervals and less power. The
// threshold and the stop at SAME only lower the rate of false verdicts.
const size_t ab_look_pairs[] = {10, 20, 40, 80, 160};
const double ab_look_alpha[] = {0.0175, 0.0175, 0.0175, 0.0175, 0.0175};
const int ab_look_count = (int)(sizeof ab_look_pairs / sizeof ab_look_pairs[0]);

// Standard normal quantile by bisection of the distribution function (the
// callers need a few per judgement, so speed does not matter).
double ab_normal_quantile(double p) {
  double lo = -40.0, hi = 40.0;
  for (int i = 0; i < 200; i++) {
    double mid = 0.5 * (lo + hi);
    if (0.5 * erfc(-mid / sqrt(2.0)) < p) {
      lo = mid;
    } else {
      hi = mid;
    }
  }
  return 0.5 * (lo + hi);
}

// Median of v[0..n) (reordered in place; n > 0).
double ab_median_in_place(double* v, size_t n) {
  std::nth_element(v, v + n / 2, v + n);
  double upper = v[n / 2];
  return n % 2 ? upper : 0.5 * (*std::max_element(v, v + n / 2) + upper);
}

// Lag-1 autocorrelation of the values in time order, about their median,
// each value clipped to 3 robust standard deviations (1.4826 MAD) so that
// one episode does not make the whole figure. scratch holds n values.
double ab_lag1(const std::vector<double>& x, std::vector<double>* scratch) {
  size_t n = x.size();
  if (n < 3) return 0.0;
  std::vector<double>& dev = *scratch;
  dev.assign(x.begin(), x.end());
  double centre = ab_median_in_place(dev.data(), n);
  for (size_t i = 0; i < n; i++) dev[i] = fabs(x[i] - centre);
  double limit = 3.0 * 1.4826 * ab_median_in_place(dev.data(), n);
  double num = 0.0, den = 0.0, previous = 0.0;
  for (size_t i = 0; i < n; i++) {
    double d = x[i] - centre;
    if (limit > 0.0) d = std::max(-limit, std::min(limit, d));
    den += d * d;
    if (i > 0) num += previous * d;
    previous = d;
  }
  return den > 0.0 ? num / den : 0.0;
}

runner_ab_estimate ab_refused(void) {
  runner_ab_estimate e = {};
  e.verdict = RUNNER_UNCERTAIN;
  e.ratio = e.low = e.high = 1.0;
  e.detectable_percent = NAN;
  return e;
}

}  // namespace

int runner_ab_looks(void) { return ab_look_count; }

size_t runner_ab_look_pairs(int look) { return look >= 0 && look < ab_look_count ? ab_look_pairs[look] : 0; }

double runner_ab_look_alpha(int look) {
  return look >= 0 && look < ab_look_count ? ab_look_alpha[look] : 0.0;
}

size_t runner_ab_sign_rank(size_t m, double alpha) {
  if (m == 0 || !(alpha > 0.0 && alpha < 1.0)) return 0;
  // The binomial (m, 1/2) distribution by repeated halving (exact to
  // rounding, no large factorials), up to half its range.
  std::vector<double> p(m + 1, 0.0);
  p[0] = 1.0;
  for (size_t r = 1; r <= m; r++) {
    for (size_t s = r; s >= 1; s--) p[s] = 0.5 * (p[s] + p[s - 1]);
    p[0] *= 0.5;
  }
  // Largest k with 2 P(B <= k - 1) <= alpha (a hair of slack for rounding).
  double below = 0.0;
  size_t k = 0;
  for (size_t t = 0; t <= m / 2; t++) {
    below += p[t];
    if (2.0 * below > alpha * (1.0 + 1e-12)) break;
    k = t + 1;
  }
  return k;
}

runner_ab_estimate runner_ab_judge(const double* log_ratios, const int* generation, size_t n,
                                   double threshold_percent, double alpha) {
  runner_ab_estimate e = ab_refused();
  if (n > 0 && (!log_ratios || !generation)) return e;
  if (!(threshold_percent >= 0.0 && threshold_percent < 100.0)) return e;
  for (size_t i = 1; i < n; i++)
    if (generation[i] < generation[i - 1]) return e;

  // Pairs with a finite log ratio, and each generation's median of them.
  std::vector<double> pairs, units, scratch;
  pairs.reserve(n);
  units.reserve(n);
  scratch.reserve(n);
  size_t first = 0;  // the current generation's first finite pair
  for (size_t i = 0; i < n; i++) {
    if (isfinite(log_ratios[i])) pairs.push_back(log_ratios[i]);
    if ((i + 1 == n || generation[i + 1] != generation[i]) && pairs.size() > first) {
      scratch.assign(pairs.begin() + (ptrdiff_t)first, pairs.end());
      units.push_back(ab_median_in_place(scratch.data(), scratch.size()));
      first = pairs.size();
    }
  }
  e.pairs = pairs.size();
  e.generations = units.size();
  e.lag1 = ab_lag1(pairs, &scratch);
  size_t m = units.size();
  if (m == 0) return e;

  // The estimate is the median generation; the interval runs from the k-th
  // smallest to the k-th largest generation.
  std::sort(units.begin(), units.end());
  double estimate = m % 2 ? units[m / 2] : 0.5 * (units[m / 2 - 1] + units[m / 2]);
  e.ratio = e.low = e.high = exp(estimate);
  size_t k = runner_ab_sign_rank(m, alpha);
  if (k == 0) return e;
  double lo = units[k - 1], hi = units[m - k];
  e.has_interval = true;
  e.low = exp(lo);
  e.high = exp(hi);

  // Compared in logarithms with a margin of rounding, so that a bound of
  // exactly the threshold is within it.
  const double eps = 1e-9;
  double up = log1p(threshold_percent / 100.0);
  double down = log1p(-threshold_percent / 100.0);
  if (lo > eps && estimate > up + eps) {
    e.verdict = RUNNER_SLOWER;
  } else if (hi < -eps && estimate < down - eps) {
    e.verdict = RUNNER_FASTER;
  } else if (lo >= down - eps && hi <= up + eps) {
    e.verdict = RUNNER_SAME;
  }

  // The smallest change called with 80 % power: SLOWER needs the estimate
  // beyond the threshold and beyond the interval's half-width h (so the
  // lower bound clears 1); the estimate's spread is h / z(1 - alpha / 2).
  double half = 0.5 * (hi - lo);
  double spread = half / ab_normal_quantile(1.0 - alpha / 2.0);
  e.detectable_percent = 100.0 * expm1(std::max(up, half) + ab_normal_quantile(0.8) * spread);
  return e;
}
