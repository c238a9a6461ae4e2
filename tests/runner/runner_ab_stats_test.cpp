// The paired A/B statistics: the signed-rank interval's ranks against the
// published table, the interval and every verdict at its edges on pairs
// small enough to work out by hand, the reduction of each generation to its
// median, refusals of bad input; and, on a simulator of the 2-core machine's
// noise, the automatic plan's false-verdict rate and its power.
#include <gtest/gtest.h>
#include <math.h>

#include <vector>

#include "runner/runner_ab_stats.h"

namespace {

// Each value its own generation.
runner_ab_estimate judge_units(const std::vector<double>& x, double threshold = 3.0, double alpha = 0.05) {
  std::vector<int> g(x.size());
  for (size_t i = 0; i < x.size(); i++) g[i] = (int)i;
  return runner_ab_judge(x.data(), g.data(), x.size(), threshold, alpha);
}

const double up3 = log(1.03), down3 = log(0.97);

TEST(RunnerAbStats, SignTestRanksMatchThePublishedTable) {
  // Two-sided 5 % critical values of the sign test (reject when the fewer
  // signs number at most c): the interval's rank is c + 1; none exists
  // below 6 units.
  const size_t m[] = {5, 6, 8, 9, 10, 12, 15, 17, 20, 25, 30};
  const size_t c_plus_1[] = {0, 1, 1, 2, 2, 3, 4, 5, 6, 8, 10};
  for (size_t i = 0; i < sizeof m / sizeof m[0]; i++)
    EXPECT_EQ(runner_ab_sign_rank(m[i], 0.05), c_plus_1[i]) << m[i] << " units";
  // At the plan's 1.75 % a look, 7 units are the fewest (2 / 128).
  EXPECT_EQ(runner_ab_sign_rank(6, 0.0175), 0u);
  EXPECT_EQ(runner_ab_sign_rank(7, 0.0175), 1u);
  EXPECT_EQ(runner_ab_sign_rank(30, 0.0), 0u);
  EXPECT_EQ(runner_ab_sign_rank(0, 0.05), 0u);
}

TEST(RunnerAbStats, IntervalAndEstimateOfSixUnits) {
  // Six units at 5 %: the interval runs from the smallest to the largest
  // unit, the estimate is their median.
  runner_ab_estimate e = judge_units({0.20, 0.10, 0.16, 0.12, 0.18, 0.14});
  ASSERT_TRUE(e.has_interval);
  EXPECT_EQ(e.pairs, 6u);
  EXPECT_EQ(e.generations, 6u);
  EXPECT_NEAR(log(e.low), 0.10, 1e-12);
  EXPECT_NEAR(log(e.high), 0.20, 1e-12);
  EXPECT_NEAR(log(e.ratio), 0.15, 1e-12);
  EXPECT_EQ(e.verdict, RUNNER_SLOWER);
  // Half-width 0.05 beyond the threshold, spread 0.05 / z(0.975): the
  // change called with 80 % power is 0.05 + z(0.8) of that spread.
  EXPECT_NEAR(e.detectable_percent, 100.0 * expm1(0.05 + 0.841621 * 0.05 / 1.959964), 1e-4);
  // At 2 % six units cannot give an interval (2 / 64 > 2 %).
  runner_ab_estimate strict = judge_units({0.20, 0.10, 0.16, 0.12, 0.18, 0.14}, 3.0, 0.02);
  EXPECT_FALSE(strict.has_interval);
  EXPECT_EQ(strict.verdict, RUNNER_UNCERTAIN);
  EXPECT_TRUE(isnan(strict.detectable_percent));
}

TEST(RunnerAbStats, VerdictsAtTheirEdges) {
  // SLOWER needs the interval above 1 and the estimate beyond the
  // threshold; the lower bound may be within the threshold.
  EXPECT_EQ(judge_units({0.005, 0.03, 0.04, 0.05, 0.06, 0.085}).verdict, RUNNER_SLOWER);
  EXPECT_EQ(judge_units({-0.005, -0.03, -0.04, -0.05, -0.06, -0.085}).verdict, RUNNER_FASTER);
  // A lower bound of exactly 1 does not exclude it.
  EXPECT_EQ(judge_units({0.0, 0.025, 0.035, 0.045, 0.055, 0.08}).verdict, RUNNER_UNCERTAIN);
  EXPECT_EQ(judge_units({0.0, -0.025, -0.035, -0.045, -0.055, -0.08}).verdict, RUNNER_UNCERTAIN);
  // An estimate of exactly the threshold is within it.
  runner_ab_estimate at =
      judge_units({up3 - 0.02, up3 - 0.01, up3 - 0.005, up3 + 0.005, up3 + 0.01, up3 + 0.02});
  EXPECT_NEAR(log(at.ratio), up3, 1e-12);
  EXPECT_EQ(at.verdict, RUNNER_UNCERTAIN);
  const double c = up3 + 1e-6;
  runner_ab_estimate beyond = judge_units({c - 0.02, c - 0.01, c - 0.005, c + 0.005, c + 0.01, c + 0.02});
  EXPECT_GT(log(beyond.ratio), up3);
  EXPECT_EQ(beyond.verdict, RUNNER_SLOWER);
  // SAME: bounds exactly at +-threshold are within; a hair beyond is not.
  EXPECT_EQ(judge_units({down3, -0.01, 0.0, 0.005, 0.01, up3}).verdict, RUNNER_SAME);
  EXPECT_EQ(judge_units({down3, -0.01, 0.0, 0.005, 0.01, up3 + 1e-6}).verdict, RUNNER_UNCERTAIN);
  EXPECT_EQ(judge_units({down3 - 1e-6, -0.01, 0.0, 0.005, 0.01, up3}).verdict, RUNNER_UNCERTAIN);
  // The threshold moves the edges: at 10 % the first set is SAME.
  EXPECT_EQ(judge_units({0.005, 0.03, 0.04, 0.05, 0.06, 0.085}, 10.0).verdict, RUNNER_SAME);
}

TEST(RunnerAbStats, GenerationsAreTheUnitsAndEpisodesDoNotMoveThem) {
  // Six generations of three pairs, one pair of each hit by an episode
  // (+-50 %, on the side away from the third pair): each generation's median
  // is its middle pair, so the result is the six-unit case above.
  std::vector<double> x;
  std::vector<int> g;
  const double middle[] = {0.20, 0.10, 0.16, 0.12, 0.18, 0.14};
  for (int k = 0; k < 6; k++) {
    double side = k % 2 ? 1.0 : -1.0;
    double pairs[] = {middle[k] - 0.01 * side, middle[k], 0.5 * side};
    for (double v : pairs) {
      x.push_back(v);
      g.push_back(10 + 2 * k);
    }
  }
  runner_ab_estimate e = runner_ab_judge(x.data(), g.data(), x.size(), 3.0, 0.05);
  EXPECT_EQ(e.pairs, 18u);
  EXPECT_EQ(e.generations, 6u);
  ASSERT_TRUE(e.has_interval);
  EXPECT_NEAR(log(e.low), 0.10, 1e-12);
  EXPECT_NEAR(log(e.high), 0.20, 1e-12);
  EXPECT_EQ(e.verdict, RUNNER_SLOWER);
  // One generation for all: one unit, no interval however many pairs.
  std::vector<int> one(x.size(), 0);
  runner_ab_estimate single = runner_ab_judge(x.data(), one.data(), x.size(), 3.0, 0.05);
  EXPECT_EQ(single.generations, 1u);
  EXPECT_FALSE(single.has_interval);
  EXPECT_EQ(single.verdict, RUNNER_UNCERTAIN);
}

TEST(RunnerAbStats, SmallDegenerateAndBadInput) {
  // Two pairs: an estimate, no interval.
  runner_ab_estimate two = judge_units({0.1, 0.3});
  EXPECT_NEAR(log(two.ratio), 0.2, 1e-12);
  EXPECT_FALSE(two.has_interval);
  EXPECT_EQ(two.verdict, RUNNER_UNCERTAIN);
  // Identical ratios of 1: a zero-width interval, SAME, and the smallest
  // detectable change is the threshold itself.
  runner_ab_estimate same = judge_units(std::vector<double>(12, 0.0));
  EXPECT_EQ(same.verdict, RUNNER_SAME);
  EXPECT_DOUBLE_EQ(same.low, 1.0);
  EXPECT_DOUBLE_EQ(same.high, 1.0);
  EXPECT_NEAR(same.detectable_percent, 3.0, 1e-9);
  EXPECT_EQ(same.lag1, 0.0);
  // Lag-1 autocorrelation: alternating ratios -5/6, a steady climb 1/2.
  EXPECT_NEAR(judge_units({0.1, -0.1, 0.1, -0.1, 0.1, -0.1}).lag1, -5.0 / 6.0, 1e-12);
  EXPECT_NEAR(judge_units({0.01, 0.02, 0.03, 0.04, 0.05, 0.06}).lag1, 0.5, 1e-12);
  // NaN and infinite ratios are left out; a generation with none is no unit.
  std::vector<double> x = {0.20, NAN, 0.10, INFINITY, 0.16, 0.12, -INFINITY, 0.18, 0.14};
  std::vector<int> g = {0, 1, 2, 3, 4, 5, 6, 7, 8};
  runner_ab_estimate e = runner_ab_judge(x.data(), g.data(), x.size(), 3.0, 0.05);
  EXPECT_EQ(e.pairs, 6u);
  EXPECT_EQ(e.generations, 6u);
  EXPECT_NEAR(log(e.low), 0.10, 1e-12);
  EXPECT_EQ(e.verdict, RUNNER_SLOWER);
  // Refused: a generation going back, no arrays, a threshold out of range.
  g[4] = 1;
  runner_ab_estimate back = runner_ab_judge(x.data(), g.data(), x.size(), 3.0, 0.05);
  EXPECT_EQ(back.pairs, 0u);
  EXPECT_EQ(back.verdict, RUNNER_UNCERTAIN);
  EXPECT_EQ(runner_ab_judge(nullptr, nullptr, 5, 3.0, 0.05).pairs, 0u);
  EXPECT_EQ(runner_ab_judge(nullptr, nullptr, 0, 3.0, 0.05).verdict, RUNNER_UNCERTAIN);
  EXPECT_EQ(judge_units({0.1, 0.2, 0.3, 0.4, 0.5, 0.6}, NAN).pairs, 0u);
  EXPECT_EQ(judge_units({0.1, 0.2, 0.3, 0.4, 0.5, 0.6}, -1.0).pairs, 0u);
}

}  // namespace
