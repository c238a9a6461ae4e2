// Change points of a performance series (see history_changes.h).
#include "history/history_changes.h"

#include <math.h>

#include <algorithm>

// ---------------------------------------------------------------------------
// E-divisive means

history_split history_best_split(const double* x, size_t n, int32_t min_segment, bool last_ok) {
  history_split best = {0, 0.0};
  size_t min_left = (size_t)std::max(min_segment, 1);
  size_t min_right = last_ok ? 1 : min_left;
  if (n < min_left + min_right) return best;
  // Sums of |x_i - x_j| within the left side, within the right side and
  // across, kept as the split moves right one value at a time.
  double within_left = 0.0, within_right = 0.0, across = 0.0;
  for (size_t i = 0; i < n; i++)
    for (size_t j = i + 1; j < n; j++) within_right += fabs(x[i] - x[j]);
  for (size_t t = 0; t + 1 < n; t++) {
    double to_left = 0.0, to_right = 0.0;
    for (size_t i = 0; i < t; i++) to_left += fabs(x[i] - x[t]);
    for (size_t j = t + 1; j < n; j++) to_right += fabs(x[t] - x[j]);
    within_left += to_left;
    within_right -= to_right;
    across += to_right - to_left;
    size_t m = t + 1, k = n - m;
    if (m < min_left || k < min_right) continue;
    double e = 2.0 * across / ((double)m * (double)k);
    if (m > 1) e -= within_left / ((double)m * (double)(m - 1) / 2.0);
    if (k > 1) e -= within_right / ((double)k * (double)(k - 1) / 2.0);
    double q = (double)m * (double)k / (double)n * e;
    if (q > best.q) best = {m, q};
  }
  return best;
}

// splitmix64: small, seedable, the same on every platform.
static uint64_t next_random(uint64_t* state) {
  uint64_t z = (*state += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

// The permutation test's p-value for a split scoring q: the share of random
// reorderings whose best split scores at least as much. It stops once the
// reorderings that do are too many for the split to be significant.
static double split_p_value(const std::vector<double>& values, double q, const history_change_options& o,
                            bool last_ok, uint64_t* state) {
  std::vector<double> shuffled = values;
  int32_t at_least = 0, done = 0;
  int32_t give_up = (int32_t)floor(o.alpha * (o.permutations + 1));
  for (; done < o.permutations; done++) {
    for (size_t i = shuffled.size() - 1; i > 0; i--) {
      size_t j = (size_t)(next_random(state) % (uint64_t)(i + 1));
      std::swap(shuffled[i], shuffled[j]);
    }
    history_split s = history_best_split(shuffled.data(), shuffled.size(), o.min_segment, last_ok);
    if (s.q >= q) at_least++;
    if (at_least >= give_up) {
      done++;
      break;
    }
  }
  return (double)(at_least + 1) / (double)(done + 1);
}

// Searches logs[a, b) for splits, recursively on both sides of each one found.
static void search(const std::vector<double>& logs, size_t a, size_t b, const history_change_options& o,
                   uint64_t* state, std::vector<history_change>* found) {
  bool last_ok = false;
  history_split s = history_best_split(logs.data() + a, b - a, o.min_segment, last_ok);
  if (s.index == 0 || !(s.q > 0.0)) return;
  std::vector<double> part(logs.begin() + (ptrdiff_t)a, logs.begin() + (ptrdiff_t)b);
  double p = split_p_value(part, s.q, o, last_ok, state);
  if (p > o.alpha) return;
  history_change c = {};
  c.index = a + s.index;
  c.p_value = p;
  found->push_back(c);
  search(logs, a, c.index, o, state, found);
  search(logs, c.index, b, o, state, found);
}

// ---------------------------------------------------------------------------
// Steps and their intervals

static double median_of_sorted(const std::vector<double>& v) {
  size_t n = v.size();
  return n % 2 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]);
}

// The Hodges-Lehmann shift of after against before (median of every
// difference) with its 95 % interval from the order statistics of the
// differences at the Mann-Whitney normal quantiles; with too few runs for
// that, the smallest and largest difference.
static void measure_step(const std::vector<double>& logs, size_t a, size_t index, size_t b,
                         history_change* c) {
  std::vector<double> d;
  d.reserve((index - a) * (b - index));
  for (size_t i = a; i < index; i++)
    for (size_t j = index; j < b; j++) d.push_back(logs[j] - logs[i]);
  std::sort(d.begin(), d.end());
  double m = (double)(index - a), k = (double)(b - index), count = (double)d.size();
  double spread = sqrt(m * k * (m + k + 1.0) / 12.0);
  double below = floor(count / 2.0 - 1.959964 * spread);  // differences left below the interval
  size_t lo = below >= 1.0 ? (size_t)below : 0;
  size_t hi = d.size() - 1 - lo;
  c->step_percent = (exp(median_of_sorted(d)) - 1.0) * 100.0;
  c->step_low_percent = (exp(d[lo]) - 1.0) * 100.0;
  c->step_high_percent = (exp(d[hi]) - 1.0) * 100.0;
}

// Median half-width of the runs' own intervals in [a, b), relative to their
// figures, in percent; 0 when none has one.
static double run_width(const std::vector<history_point>& series, size_t a, size_t b) {
  std::vector<double> w;
  for (size_t i = a; i < b; i++) {
    const history_point& p = series[i];
    if (p.has_interval && isfinite(p.low) && isfinite(p.high) && p.high >= p.low)
      w.push_back((p.high - p.low) / 2.0 / p.value * 100.0);
  }
  if (w.empty()) return 0.0;
  std::sort(w.begin(), w.end());
  return median_of_sorted(w);
}

// The newest run alone after a step: a permutation test cannot tell one
// run from the rest below a p-value of 1 / runs, so it is judged against
// the runs of its segment before it (at least HISTORY_LAST_RUN_BEFORE): it
// stands out when it is more than HISTORY_LAST_RUN_Z robust deviations
// (1.4826 median absolute deviations) from their median.
static const size_t HISTORY_LAST_RUN_BEFORE = 8;
static const double HISTORY_LAST_RUN_Z = 5.0;

static bool last_run_stands_out(const std::vector<double>& logs, size_t a) {
  size_t n = logs.size();
  if (n - 1 - a < HISTORY_LAST_RUN_BEFORE) return false;
  std::vector<double> before(logs.begin() + (ptrdiff_t)a, logs.end() - 1);
  std::sort(before.begin(), before.end());
  double centre = median_of_sorted(before);
  std::vector<double> deviation;
  for (double v : before) deviation.push_back(fabs(v - centre));
  std::sort(deviation.begin(), deviation.end());
  double scale = 1.4826 * median_of_sorted(deviation);
  double off = fabs(logs[n - 1] - centre);
  if (scale == 0.0) return off > 0.0;
  return off > HISTORY_LAST_RUN_Z * scale;
}

static bool confirmed(const history_change& c) {
  bool leaves_out_zero = c.step_low_percent > 0.0 || c.step_high_percent < 0.0;
  return leaves_out_zero && fabs(c.step_percent) > c.run_width_percent;
}

std::vector<history_change> history_find_changes(const std::vector<history_point>& series,
                                                 const history_change_options& options) {
  std::vector<history_change> found;
  std::vector<double> logs;
  for (const history_point& p : series) {
    if (!(p.value > 0.0) || !isfinite(p.value)) return found;
    logs.push_back(log(p.value));
  }
  if (logs.size() < 3) return found;
  uint64_t state = options.seed;
  search(logs, 0, logs.size(), options, &state, &found);
  std::sort(found.begin(), found.end(),
            [](const history_change& x, const history_change& y) { return x.index < y.index; });
  size_t last_start = found.empty() ? 0 : found.back().index;
  if (options.allow_last_run && last_start < logs.size() - 1 && last_run_stands_out(logs, last_start)) {
    history_change c = {};
    c.index = logs.size() - 1;
    c.p_value = NAN;
    found.push_back(c);
  }
  // Each step is measured between its neighbours; one that is not confirmed
  // is dropped and its neighbours measured again over the merged sides.
  for (bool dropped = true; dropped;) {
    dropped = false;
    for (size_t i = 0; i < found.size(); i++) {
      size_t a = i ? found[i - 1].index : 0;
      size_t b = i + 1 < found.size() ? found[i + 1].index : logs.size();
      measure_step(logs, a, found[i].index, b, &found[i]);
      found[i].run_width_percent = run_width(series, a, b);
    }
    for (size_t i = 0; i < found.size(); i++) {
      if (!confirmed(found[i])) {
        found.erase(found.begin() + (ptrdiff_t)i);
        dropped = true;
        break;
      }
    }
  }
  return found;
}
