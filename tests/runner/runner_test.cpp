// The headless runner's own logic: flight-script parsing and its refusals,
// frame-time statistics (the interval's ranks at any run count, its
// coverage under drift between runs, the --runs auto stop, Welch's degrees
// of freedom), the count of repeated runs, picture comparison under a
// tolerance, and the command-line value checks.
#include <gtest/gtest.h>
#include <math.h>
#include <string.h>

#include <string>
#include <vector>

#include "runner/runner_args.h"
#include "runner/runner_image.h"
#include "runner/runner_runs.h"
#include "runner/runner_script.h"
#include "runner/runner_stats.h"

namespace {

// ---------------------------------------------------------------------------
// Command-line values

TEST(runner_args, SizesAreWholeAndInRange) {
  int32_t w = -1, h = -1;
  EXPECT_TRUE(runner_parse_size("320x240", 320, 240, &w, &h));
  EXPECT_EQ(w, 320);
  EXPECT_EQ(h, 240);
  EXPECT_TRUE(runner_parse_size("8192x16", 16, 16, &w, &h));
  EXPECT_EQ(w, 8192);
  EXPECT_EQ(h, 16);
  w = h = -1;
  const char* refused[] = {"319x240", "320x239",  "8193x600", "800x8193",
                           "800x",    "x600",     "800x600x", "800 x600",
                           "800X600", "-800x600", "",         "99999999999999999999x600"};
  for (const char* text : refused) {
    EXPECT_FALSE(runner_parse_size(text, 320, 240, &w, &h)) << text;
  }
  EXPECT_EQ(w, -1);  // a refused value leaves the outputs alone
  EXPECT_EQ(h, -1);
}

TEST(runner_args, CountsAndNumbersRefuseJunkAndRange) {
  long long n = -1;
  EXPECT_TRUE(runner_parse_count("0", 255, &n));
  EXPECT_EQ(n, 0);
  EXPECT_TRUE(runner_parse_count("255", 255, &n));
  EXPECT_EQ(n, 255);
  for (const char* text : {"256", "-1", "12a", "", "1.5", "99999999999999999999"}) {
    EXPECT_FALSE(runner_parse_count(text, 255, &n)) << text;
  }
  EXPECT_EQ(n, 255);
  double v = -1;
  EXPECT_TRUE(runner_parse_number("0.25", 0, 1, &v));
  EXPECT_EQ(v, 0.25);
  for (const char* text : {"nan", "inf", "-0.001", "1.0001", "1e400", "0.5s", ""}) {
    EXPECT_FALSE(runner_parse_number(text, 0, 1, &v)) << text;
  }
  EXPECT_EQ(v, 0.25);
}

// ---------------------------------------------------------------------------
// Scripts

TEST(runner_script, ParsesEventsInFrameOrder) {
  runner_script s;
  char error[128];
  const char* text =
      "# comment line\n"
      "\n"
      "30 shot solid_1   # trailing comment\n"
      "  2 down w\r\n"
      "5 move -40 12\n"
      "2 up CTRL\n"
      "40 end\n"
      "7 down 0x1b";
  ASSERT_EQ(runner_parse_script(text, &s, error, sizeof error), 1) << error;
  EXPECT_EQ(s.last_frame, 40);
  ASSERT_EQ(s.events.size(), 6u);
  EXPECT_EQ(s.events[0].frame, 2);
  EXPECT_EQ(s.events[0].action, RUNNER_KEY_DOWN);
  EXPECT_EQ(s.events[0].key, 'W');
  EXPECT_EQ(s.events[1].action, RUNNER_KEY_UP);  // same frame keeps its order
  EXPECT_EQ(s.events[1].key, 0x11);
  EXPECT_EQ(s.events[2].action, RUNNER_MOVE);
  EXPECT_EQ(s.events[2].dx, -40);
  EXPECT_EQ(s.events[2].dy, 12);
  EXPECT_EQ(s.events[3].key, 0x1B);
  EXPECT_STREQ(s.events[4].name, "solid_1");
  EXPECT_EQ(s.events[5].action, RUNNER_END);
}

void expect_refused(const std::string& text, const char* line_and_reason) {
  runner_script s;
  char error[128];
  EXPECT_EQ(runner_parse_script(text.c_str(), &s, error, sizeof error), 0) << text;
  EXPECT_NE(strstr(error, line_and_reason), nullptr) << "got: " << error;
}

TEST(runner_script, RefusesBadLinesNamingThem) {
  expect_refused("1 down W\n", "no end");
  expect_refused("0 end\n", "line 1: frame must be");
  expect_refused("10000001 end\n", "line 1: frame must be");
  expect_refused("12x end\n", "line 1: frame must be");
  expect_refused("5 end\n5 end\n", "line 2: second end");
  expect_refused("5 end\n6 down W\n", "after the end");
  expect_refused("1 down\n2 end\n", "line 1: down takes one key");
  expect_refused("1 down W W\n2 end\n", "line 1: down takes one key");
  expect_refused("1 down PAGEUP\n2 end\n", "unknown key 'PAGEUP'");
  expect_refused("1 down 0xFF\n2 end\n", "unknown key");
  expect_refused("1 down 0x\n2 end\n", "unknown key");
  expect_refused("1 move 3\n2 end\n", "move takes two offsets");
  expect_refused("1 move 3 200000\n2 end\n", "move takes two offsets");
  expect_refused("1 shot ../../etc/passwd\n2 end\n", "shot takes one name");
  expect_refused("1 shot " + std::string(48, 'a') + "\n2 end\n", "shot takes one name");
  expect_refused("1 fly\n2 end\n", "line 1: unknown action 'fly'");
  expect_refused("1 end extra\n", "end takes no arguments");
  expect_refused("1 a b c d e\n", "too many words");
  expect_refused(std::string(300, ' ') + "1 end\n", "longer than 255");
}

TEST(runner_script, ErrorTextStaysInsideItsBuffer) {
  runner_script s;
  char error[12];
  memset(error, 'x', sizeof error);
  EXPECT_EQ(runner_parse_script("1 fly far away\n", &s, error, 8), 0);
  EXPECT_EQ(strlen(error), 7u);
  EXPECT_EQ(error[8], 'x');
}

// ---------------------------------------------------------------------------
// Statistics

TEST(runner_stats, PercentilesByNearestRank) {
  double values[200];
  for (int i = 0; i < 200; i++) values[i] = (double)(200 - i);  // 200 .. 1, unsorted
  runner_summary s = runner_summarise(values, 200);
  EXPECT_EQ(s.count, 200u);
  EXPECT_DOUBLE_EQ(s.median_ms, 100.5);
  EXPECT_DOUBLE_EQ(s.mean_ms, 100.5);
  EXPECT_DOUBLE_EQ(s.p90_ms, 180.0);
  EXPECT_DOUBLE_EQ(s.p99_ms, 198.0);
  EXPECT_DOUBLE_EQ(s.max_ms, 200.0);
  // Slowest 1 %: the two frames of 199 and 200 ms.
  EXPECT_DOUBLE_EQ(s.low_1pct_fps, 1000.0 / 199.5);
  EXPECT_EQ(values[0], 200.0);  // input untouched
}

TEST(runner_stats, SmallAndEmptySets) {
  double one = 4.0;
  runner_summary s = runner_summarise(&one, 1);
  EXPECT_EQ(s.median_ms, 4.0);
  EXPECT_EQ(s.p99_ms, 4.0);
  EXPECT_EQ(s.low_1pct_fps, 250.0);
  double three[] = {3.0, 1.0, 2.0};
  s = runner_summarise(three, 3);
  EXPECT_EQ(s.median_ms, 2.0);
  EXPECT_EQ(s.p90_ms, 3.0);
  EXPECT_EQ(s.low_1pct_fps, 1000.0 / 3.0);
  s = runner_summarise(nullptr, 0);
  EXPECT_EQ(s.count, 0u);
  EXPECT_EQ(s.median_ms, 0.0);
  // Untimed values (NaN) are left out of the order and of every figure.
  const double gaps[] = {NAN, 3.0, NAN, 1.0, 2.0, NAN};
  s = runner_summarise(gaps, 6);
  EXPECT_EQ(s.count, 3u);
  EXPECT_EQ(s.median_ms, 2.0);
  EXPECT_EQ(s.mean_ms, 2.0);
  EXPECT_EQ(s.max_ms, 3.0);
  runner_spread r = runner_spread_of(gaps, 6);
  EXPECT_EQ(r.runs, 3u);
  EXPECT_EQ(r.median_ms, 2.0);
  EXPECT_EQ(runner_summarise(gaps, 1).count, 0u);
}

TEST(runner_stats, QuartilesAndTheFrameCountsPercentilesNeed) {
  std::vector<double> v;
  for (int i = 1; i <= 99; i++) v.push_back((double)i);
  runner_summary s = runner_summarise(v.data(), v.size());
  EXPECT_FALSE(s.has_p99);  // 99 frames: p99 would be the slowest frame
  EXPECT_TRUE(s.has_p90);
  EXPECT_EQ(s.q1_ms, 25.0);
  EXPECT_EQ(s.q3_ms, 75.0);
  EXPECT_EQ(s.iqr_ms, 50.0);
  v.push_back(100.0);
  s = runner_summarise(v.data(), v.size());
  EXPECT_TRUE(s.has_p99);
  EXPECT_EQ(s.p99_ms, 99.0);
  EXPECT_FALSE(runner_summarise(v.data(), 9).has_p90);
  EXPECT_TRUE(runner_summarise(v.data(), 10).has_p90);
}

// The largest k with P(B <= k - 1) <= 2.5 %, B binomial (n, 1/2), summed
// term by term from P(B = 0) = 2^-n with the terms and their sum kept
// scaled by a power of two, so nothing underflows or overflows.
size_t exact_ci_rank(size_t n) {
  double term = 1.0, sum = 0.0;
  int exponent = -(int)n;  // term and sum are multiplied by 2^exponent
  size_t best = 0;
  for (size_t k = 1; k <= n / 2; k++) {
    sum += term;
    if (ldexp(sum, exponent) > 0.025) break;
    best = k;
    term = term * (double)(n - (k - 1)) / (double)k;
    if (term > 0x1p500) {
      term = ldexp(term, -500);
      sum = ldexp(sum, -500);
      exponent += 500;
    }
  }
  return best;
}

TEST(runner_stats, OrderStatisticRanksOfTheMedian) {
  size_t low = 0, high = 0;
  EXPECT_FALSE(runner_median_ci_ranks(5, &low, &high));  // 93.75 % at best
  const size_t expect[][3] = {{6, 1, 6}, {9, 2, 8}, {10, 2, 9}, {17, 5, 13}, {100, 40, 61}, {1075, 505, 571}};
  for (const auto& e : expect) {
    ASSERT_TRUE(runner_median_ci_ranks(e[0], &low, &high)) << e[0];
    EXPECT_EQ(low, e[1]) << e[0];
    EXPECT_EQ(high, e[2]) << e[0];
  }
  // Either side of where 0.5^n underflows, and far past it.
  for (size_t n : {1073, 1074, 1075, 1076, 2000, 3000, 5000}) {
    ASSERT_TRUE(runner_median_ci_ranks(n, &low, &high)) << n;
    EXPECT_EQ(low, exact_ci_rank(n)) << n;
    EXPECT_EQ(high, n + 1 - low) << n;
  }
}

TEST(runner_stats, SpreadOfRunValues) {
  const double runs[] = {6.0, 2.0, 5.0, 1.0, 4.0, 3.0};
  runner_spread s = runner_spread_of(runs, 6);
  EXPECT_EQ(s.median_ms, 3.5);
  ASSERT_TRUE(s.has_ci);
  // At least the order-statistic interval (ranks 1 and 6).
  EXPECT_LE(s.ci_low_ms, 1.0);
  EXPECT_GE(s.ci_high_ms, 6.0);
  EXPECT_NEAR(s.cv_percent, sqrt(17.5 / 5.0) / 3.5 * 100.0, 1e-9);
  EXPECT_FALSE(runner_spread_of(runs, 5).has_ci);
  EXPECT_FALSE(runner_spread_of(runs, 1).has_cv);
  // Equal runs: no width at all.
  const double equal[] = {10.0, 10.0, 10.0, 10.0, 10.0, 10.0};
  s = runner_spread_of(equal, 6);
  EXPECT_EQ(s.ci_low_ms, 10.0);
  EXPECT_EQ(s.ci_high_ms, 10.0);
  EXPECT_TRUE(runner_spread_within(s, 0.01));
  // A zero value has no logarithm: the order-statistic interval alone.
  const double with_zero[] = {0.0, 2.0, 5.0, 1.0, 4.0, 3.0};
  s = runner_spread_of(with_zero, 6);
  EXPECT_EQ(s.ci_low_ms, 0.0);
  EXPECT_EQ(s.ci_high_ms, 5.0);
  // From 20 runs the runs' own autocorrelation widens the interval when it
  // is above the one allowed for: a steady climb has nearly 1.
  std::vector<double> climbing, alternating;
  for (int i = 0; i < 20; i++) {
    climbing.push_back(100.0 + i);
    alternating.push_back(i % 2 ? 90.0 : 110.0);
  }
  EXPECT_EQ(runner_spread_of(climbing.data(), 19).drift, RUNNER_CI_DRIFT);
  EXPECT_GT(runner_spread_of(climbing.data(), 20).drift, 0.8);
  EXPECT_EQ(runner_spread_of(alternating.data(), 20).drift, RUNNER_CI_DRIFT);
}

TEST(runner_stats, WithinTheTargetTakesBothEnds) {
  runner_spread s = {};
  s.runs = 10;
  s.has_ci = true;
  s.median_ms = 100.0;
  s.ci_low_ms = 99.0;  // exactly 1 % below
  s.ci_high_ms = 101.0;
  EXPECT_TRUE(runner_spread_within(s, 1.0));
  EXPECT_FALSE(runner_spread_within(s, 0.99));
  s.ci_high_ms = 101.5;  // the low end within, the high end not
  EXPECT_FALSE(runner_spread_within(s, 1.0));
  s.ci_low_ms = 98.5;  // the high end within, the low end not
  s.ci_high_ms = 100.5;
  EXPECT_FALSE(runner_spread_within(s, 1.0));
  s.has_ci = false;
  s.ci_low_ms = s.ci_high_ms = 100.0;
  EXPECT_FALSE(runner_spread_within(s, 1.0));
}

// Run values with drift: the logarithm of each run's value is an AR(1)
// sequence of lag-1 autocorrelation rho and standard deviation cv around
// log 100 (so 100 is the median the runs scatter around). Seeded, and the
// same on every platform.
struct drift_source {
  uint64_t state;
  double normal(void) {
    auto uniform = [this]() {
      state += 0x9E3779B97F4A7C15ull;  // splitmix64
      uint64_t z = state;
      z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
      z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
      return ((double)((z ^ (z >> 31)) >> 11) + 0.5) / 9007199254740992.0;
    };
    double u = uniform(), v = uniform();
    return sqrt(-2.0 * log(u)) * cos(6.283185307179586 * v);
  }
  void fill(std::vector<double>* runs, double rho, double cv) {
    double x = normal() * cv, e = sqrt(1.0 - rho * rho) * cv;
    for (double& v : *runs) {
      v = 100.0 * exp(x);
      x = rho * x + e * normal();
    }
  }
};

bool covers(const runner_spread& s) { return s.has_ci && s.ci_low_ms <= 100.0 && s.ci_high_ms >= 100.0; }

TEST(runner_stats, IntervalCoversUnderDrift) {
  // Independent runs, and the drift the test machine shows (autocorrelation
  // 0.2 to 0.6), with few runs and many; the interval must not buy its
  // coverage by being needlessly wide either.
  drift_source source = {1};
  const int trials = 10000;
  for (size_t n : {6, 27}) {
    std::vector<double> runs(n);
    for (double rho : {0.0, 0.4, 0.6}) {
      int covered = 0;
      for (int t = 0; t < trials; t++) {
        source.fill(&runs, rho, 0.02);
        covered += covers(runner_spread_of(runs.data(), n));
      }
      double coverage = (double)covered / trials;
      EXPECT_GE(coverage, 0.95) << n << " runs, autocorrelation " << rho;
      if (rho == 0.6) {
        EXPECT_LE(coverage, 0.99) << n << " runs";
      }
    }
  }
}

TEST(runner_stats, AutoRunsStopOnAnIntervalThatCovers) {
  // --runs auto with --ci 1 and 30 runs at most, looking after every run.
  // With CV 1 % many flights stop early; with CV 2 % few do.
  drift_source source = {2};
  const int trials = 3000;
  const size_t max_runs = 30;
  std::vector<double> runs(max_runs);
  const double cases[][2] = {{0.01, 0.4}, {0.01, 0.6}, {0.02, 0.4}, {0.02, 0.6}};
  for (const auto& c : cases) {
    const double cv = c[0], rho = c[1];
    int covered = 0, early = 0;
    size_t fewest = max_runs;
    for (int t = 0; t < trials; t++) {
      source.fill(&runs, rho, cv);
      size_t n = 1;
      while (n < max_runs && !runner_spread_auto_done(runs.data(), n, 1.0)) n++;
      early += n < max_runs;
      fewest = std::min(fewest, n);
      covered += covers(runner_spread_of(runs.data(), n, true));
    }
    double coverage = (double)covered / trials;
    EXPECT_GE(coverage, 0.95) << "CV " << cv << ", autocorrelation " << rho;
    EXPECT_GE(fewest, RUNNER_AUTO_MIN_RUNS);
    if (cv == 0.01) {
      EXPECT_GT(early, trials / 4) << "autocorrelation " << rho;
    }
  }
}

TEST(runner_stats, StudentQuantiles) {
  EXPECT_NEAR(runner_t_975(1.0), 12.706, 1e-9);
  EXPECT_NEAR(runner_t_975(4.0), 2.776, 1e-9);
  EXPECT_NEAR(runner_t_975(30.0), 2.042, 1e-9);
  EXPECT_GT(runner_t_975(4.5), 2.571);
  EXPECT_LT(runner_t_975(4.5), 2.776);
  EXPECT_NEAR(runner_t_975(1e9), 1.960, 1e-6);
}

std::vector<double> scaled(const std::vector<double>& v, double k) {
  std::vector<double> out;
  for (double x : v) out.push_back(x * k);
  return out;
}

TEST(runner_stats, VerdictsOnRunMedians) {
  const std::vector<double> base = {10.0, 10.1, 9.9, 10.05, 9.95};
  auto verdict = [&](const std::vector<double>& b, const std::vector<double>& n) {
    return runner_compare_runs(b.data(), b.size(), n.data(), n.size(), 3.0).verdict;
  };
  EXPECT_EQ(verdict(base, base), RUNNER_SAME);
  EXPECT_EQ(verdict(base, scaled(base, 1.05)), RUNNER_SLOWER);
  EXPECT_EQ(verdict(base, scaled(base, 0.95)), RUNNER_FASTER);
  runner_ratio r = runner_compare_runs(base.data(), 5, scaled(base, 1.05).data(), 5, 3.0);
  EXPECT_NEAR(r.ratio, 1.05, 1e-12);
  EXPECT_LT(r.low, 1.05);
  EXPECT_GT(r.high, 1.05);
  // Edges: no spread, a change of exactly the threshold is within it.
  const std::vector<double> flat = {10.0, 10.0, 10.0};
  EXPECT_EQ(verdict(flat, {10.3, 10.3, 10.3}), RUNNER_SAME);
  EXPECT_EQ(verdict(flat, {10.31, 10.31, 10.31}), RUNNER_SLOWER);
  EXPECT_EQ(verdict(flat, {9.7, 9.7, 9.7}), RUNNER_SAME);
  EXPECT_EQ(verdict(flat, {9.69, 9.69, 9.69}), RUNNER_FASTER);
  // Noise wider than the threshold: no verdict either way.
  EXPECT_EQ(verdict({10.0, 11.0, 9.0}, {10.5, 11.5, 9.5}), RUNNER_UNCERTAIN);
  EXPECT_EQ(verdict({10.0, 11.0, 9.0}, {10.0, 11.0, 9.0}), RUNNER_UNCERTAIN);
  // One run a side gives no spread to judge by, however large the change.
  runner_ratio one = runner_compare_runs(flat.data(), 1, scaled(flat, 2.0).data(), 1, 3.0);
  EXPECT_EQ(one.verdict, RUNNER_UNCERTAIN);
  EXPECT_FALSE(one.has_interval);
  EXPECT_EQ(verdict(base, {}), RUNNER_MISSING);
  EXPECT_EQ(verdict({}, base), RUNNER_UNTIMED);
  // Runs of a drifting machine: the same twelve values a side, 6 % apart,
  // judged with the runs' order. Taken one by one they would say FASTER;
  // drifting steadily, neighbouring runs are not independent and the batch
  // means leave it UNCERTAIN; alternating, every batch has the same mean
  // and the change is clear.
  std::vector<double> drifting, alternating;
  for (int i = 0; i < 12; i++) drifting.push_back(100.0 + i);
  for (int i = 0; i < 6; i++) alternating.insert(alternating.end(), {100.0 + i, 111.0 - i});
  EXPECT_EQ(verdict(drifting, scaled(drifting, 0.94)), RUNNER_UNCERTAIN);
  EXPECT_EQ(verdict(alternating, scaled(alternating, 0.94)), RUNNER_FASTER);
}

TEST(runner_stats, WelchDegreesOfFreedomComeFromBatches) {
  // Ten runs a side in five batches of two equal runs: the batch means of
  // the logarithms are c - 2d .. c + 2d, so each side's mean has variance
  // 2.5 d^2 / 5 = d^2 / 2, the difference's standard error is d, and
  // Welch's degrees of freedom are (d^2)^2 / (2 (d^2 / 2)^2 / 4) = 8 (the
  // runs, ten a side, would give 18 and a narrower interval).
  const double d = 0.01, shift = 0.052;
  std::vector<double> base, next;
  for (int j = -2; j <= 2; j++) {
    for (int twice = 0; twice < 2; twice++) {
      base.push_back(100.0 * exp(j * d));
      next.push_back(100.0 * exp(shift + j * d));
    }
  }
  const double t8 = 2.306;
  runner_ratio r = runner_compare_runs(base.data(), 10, next.data(), 10, 3.0);
  ASSERT_TRUE(r.has_interval);
  EXPECT_NEAR(log(r.low), shift - t8 * d, 1e-9);
  EXPECT_NEAR(log(r.high), shift + t8 * d, 1e-9);
  // 5.2 % slower, its interval's low end 2.9 % (below 3 %): not proven
  // slower. With the runs' degrees of freedom on either side it would be.
  EXPECT_EQ(r.verdict, RUNNER_UNCERTAIN);
}

// ---------------------------------------------------------------------------
// Repeated runs

// A pass of 20 frames of one mode, the first a setup frame, every timed
// frame taking ms.
std::vector<runner_frame> pass_of(double ms) {
  std::vector<runner_frame> frames;
  for (int i = 0; i < 20; i++) frames.push_back({i == 0 ? 500.0 : ms, 0, i == 0, 0, -1.0, -1.0});
  return frames;
}

// Passes flown until the runs end, with each pass's frames from ms(pass).
int32_t fly(runner_runs* r, const runner_runs_plan& plan, double (*ms)(int32_t pass),
            double seconds_each = 1.0) {
  runner_runs_start(r, plan);
  for (int32_t pass = 0; pass < 5000; pass++) {
    runner_runs_pass_begins(r, pass * seconds_each);
    if (!runner_runs_pass_done(r, pass_of(ms(pass)), (pass + 1) * seconds_each)) return pass + 1;
  }
  return -1;
}

double steady(int32_t) { return 10.0; }
double noisy(int32_t pass) { return pass % 2 ? 10.0 : 12.0; }

TEST(runner_runs, CountsCapsAndTheAutoStop) {
  runner_runs_plan plan;
  plan.warmup_passes = 2;
  plan.runs = 4;
  runner_runs r;
  EXPECT_EQ(fly(&r, plan, steady), 6);
  EXPECT_EQ(r.timed.size(), 4u);
  EXPECT_EQ(r.ended_by, "the 4 runs asked for were flown");
  // Auto: steady runs stop as soon as the runs may, noisy ones at the cap.
  plan.auto_runs = true;
  plan.max_runs = 12;
  EXPECT_EQ(fly(&r, plan, steady), 2 + (int32_t)RUNNER_AUTO_MIN_RUNS);
  EXPECT_EQ(r.timed.size(), RUNNER_AUTO_MIN_RUNS);
  EXPECT_NE(r.ended_by.find("interval was within"), std::string::npos) << r.ended_by;
  for (int32_t cap : {6, 12, 31}) {
    plan.max_runs = cap;
    fly(&r, plan, noisy);
    EXPECT_EQ(r.timed.size(), (size_t)cap);
    EXPECT_EQ(r.ended_by.rfind("--max-runs", 0), 0u) << r.ended_by;
  }
  // The time cap counts timed runs only: 2 warm-up passes, then 5 runs of
  // 10 s reach --max-seconds 50.
  plan.max_runs = 30;
  plan.max_seconds = 50.0;
  fly(&r, plan, noisy, 10.0);
  EXPECT_EQ(r.timed.size(), 5u);
  EXPECT_EQ(r.ended_by.rfind("--max-seconds", 0), 0u) << r.ended_by;
}

// ---------------------------------------------------------------------------
// Pictures

runner_image filled(int32_t w, int32_t h, uint8_t r, uint8_t g, uint8_t b) {
  runner_image im = {w, h, std::vector<uint8_t>((size_t)w * h * 3)};
  for (size_t i = 0; i < im.rgb.size(); i += 3) {
    im.rgb[i] = r;
    im.rgb[i + 1] = g;
    im.rgb[i + 2] = b;
  }
  return im;
}

void set_pixel(runner_image& im, int32_t x, int32_t y, uint8_t r, uint8_t g, uint8_t b) {
  size_t i = ((size_t)y * im.width + x) * 3;
  im.rgb[i] = r;
  im.rgb[i + 1] = g;
  im.rgb[i + 2] = b;
}

TEST(runner_image, DifferencesWithinToleranceAreIgnored) {
  runner_image a = filled(8, 4, 100, 100, 100);
  runner_image b = filled(8, 4, 100, 100, 100);
  set_pixel(b, 1, 1, 104, 96, 100);  // 4 off: inside a tolerance of 4
  runner_compare_result r = runner_compare_images(a, b, 4);
  EXPECT_EQ(r.same_size, 1);
  EXPECT_EQ(r.differing, 0);
  EXPECT_EQ(r.max_channel_diff, 4);
  EXPECT_TRUE(r.samples.empty());
  r = runner_compare_images(a, b, 3);
  EXPECT_EQ(r.differing, 1);
}

TEST(runner_image, ReportsWhichPixelsDifferAndWhere) {
  runner_image got = filled(10, 6, 0, 0, 0);
  runner_image want = filled(10, 6, 0, 0, 0);
  set_pixel(got, 7, 1, 255, 0, 0);
  set_pixel(got, 2, 4, 0, 0, 50);
  set_pixel(got, 9, 5, 0, 30, 0);
  runner_compare_result r = runner_compare_images(got, want, 10);
  EXPECT_EQ(r.differing, 3);
  EXPECT_EQ(r.max_channel_diff, 255);
  EXPECT_EQ(r.min_x, 2);
  EXPECT_EQ(r.max_x, 9);
  EXPECT_EQ(r.min_y, 1);
  EXPECT_EQ(r.max_y, 5);
  ASSERT_EQ(r.samples.size(), 3u);
  EXPECT_EQ(r.samples[0].x, 7);
  EXPECT_EQ(r.samples[0].y, 1);
  EXPECT_EQ(r.samples[0].got[0], 255);
  EXPECT_EQ(r.samples[0].expected[0], 0);
  EXPECT_EQ(r.samples[1].x, 2);
  EXPECT_EQ(r.samples[1].y, 4);

  runner_image diff = runner_diff_image(got, want, 10);
  ASSERT_EQ(diff.width, 10);
  EXPECT_EQ(diff.rgb[(1 * 10 + 7) * 3], 255);
  EXPECT_EQ(diff.rgb[0], 0);
}

TEST(runner_image, KeepsOnlyTheFirstSamplesButCountsAll) {
  runner_image got = filled(40, 40, 0, 0, 0);
  runner_image want = filled(40, 40, 200, 200, 200);
  runner_compare_result r = runner_compare_images(got, want, 0);
  EXPECT_EQ(r.differing, 1600);
  EXPECT_EQ(r.samples.size(), RUNNER_DIFF_SAMPLES);
}

TEST(runner_image, DifferentSizesOrBrokenBuffersAreNotCompared) {
  runner_image a = filled(8, 4, 1, 2, 3);
  runner_image b = filled(4, 8, 1, 2, 3);
  EXPECT_EQ(runner_compare_images(a, b, 255).same_size, 0);
  runner_image c = filled(8, 4, 1, 2, 3);
  c.rgb.resize(10);  // claims 8x4 but holds less
  EXPECT_EQ(runner_compare_images(a, c, 255).same_size, 0);
  EXPECT_EQ(runner_diff_image(a, c, 0).width, 0);
}

}  // namespace
