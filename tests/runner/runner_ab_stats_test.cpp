// The paired A/B statistics: the signed-rank interval's ranks against the
// published table, the interval and every verdict at its edges on pairs
// small enough to work out by hand, the reduction of each generation to its
// median, refusals of bad input; and, on a simulator of the 2-core machine's
// noise, the automatic plan's false-verdict rate and its power.
#include <gtest/gtest.h>
#include <math.h>

#include <stdint.h>

#include <algorithm>
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

// A simulator of the 2-core machine's noise, drawing only what the judge
// sees: the log run times of BASE and NEW taking turns. Time runs in seconds
// through the runs and through each restart of the two processes, so drift
// and episodes carry across pairs and across generations.
struct ab_sim_noise {
  double slow_rate;                  // chance that a fresh process lands in the slow group
  double slow;                       // that group's slowdown (log)
  double process_sd;                 // a fresh process's offset within the normal group (log)
  double run_sd;                     // a run median's own noise (log), heavy-tailed
  double drift_phi;                  // drift autocorrelation from one run to the next
  double drift_sd;                   // drift's standard deviation (log)
  double episode_per_s;              // episodes starting per second
  double episode_mean_s;             // mean length of an episode
  double episode_low, episode_high;  // an episode slows every run during it by this much (log)
};

// Measured here with llvmpipe on the main thread: 2 of 16 invocations 25-30 %
// slower, the others within +-4 %; runs 1.5-7 % apart; neighbouring runs
// correlated 0.2-0.6; episodes of +25..70 % lasting seconds to tens of
// seconds. "Moderate" meets a slow process half as often.
const ab_sim_noise machine_noise = {1.0 / 8.0, log(1.27),  0.015, 0.02,      0.5,
                                    0.02,      1.0 / 60.0, 10.0,  log(1.25), log(1.70)};
const ab_sim_noise moderate_noise = {1.0 / 16.0, log(1.27),  0.015, 0.02,      0.5,
                                     0.02,       1.0 / 60.0, 10.0,  log(1.25), log(1.70)};

// The driver's plan: 3-second runs, a generation of two pairs, 12 seconds to
// start and warm up two fresh processes, the default 10-minute cap.
const double sim_run_s = 3.0, sim_restart_s = 12.0, sim_cap_s = 600.0;
const int sim_generation_pairs = 2;

struct ab_sim {
  uint64_t state;
  const ab_sim_noise* noise;
  double clock, drift, episode_end, episode_size;
  double spare;  // Box-Muller's second normal, NAN when used
};

double sim_uniform(ab_sim* s) {  // splitmix64, in (0, 1)
  uint64_t z = (s->state += 0x9e3779b97f4a7c15ull);
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
  z ^= z >> 31;
  return ((double)(z >> 11) + 0.5) / 9007199254740992.0;
}

double sim_normal(ab_sim* s) {
  if (!isnan(s->spare)) {
    double v = s->spare;
    s->spare = NAN;
    return v;
  }
  double r = sqrt(-2.0 * log(sim_uniform(s))), a = 6.283185307179586 * sim_uniform(s);
  s->spare = r * sin(a);
  return r * cos(a);
}

// Moves the clock on by one run (or `runs` runs' time): the drift decays
// and renews, episodes start at random.
void sim_advance(ab_sim* s, double runs) {
  double keep = runs == 1.0 ? s->noise->drift_phi : pow(s->noise->drift_phi, runs);
  s->drift = keep * s->drift + sqrt(1.0 - keep * keep) * s->noise->drift_sd * sim_normal(s);
  double t = s->clock, seconds = runs * sim_run_s;
  for (;;) {
    t += -log(sim_uniform(s)) / s->noise->episode_per_s;
    if (t > s->clock + seconds) break;
    double end = t - log(sim_uniform(s)) * s->noise->episode_mean_s;
    if (end > s->episode_end) {
      s->episode_end = end;
      s->episode_size =
          s->noise->episode_low + (s->noise->episode_high - s->noise->episode_low) * sim_uniform(s);
    }
  }
  s->clock += seconds;
}

// One run's log median: the drift, an episode covering its middle, and its
// own noise (one run in ten three times as wide: heavy tails).
double sim_run(ab_sim* s) {
  sim_advance(s, 1.0);
  double middle = s->clock - sim_run_s / 2.0;
  return s->drift + (middle < s->episode_end ? s->episode_size : 0.0) +
         s->noise->run_sd * (sim_uniform(s) < 0.1 ? 3.0 : 1.0) * sim_normal(s);
}

double sim_process(ab_sim* s) {
  return s->noise->process_sd * sim_normal(s) + (sim_uniform(s) < s->noise->slow_rate ? s->noise->slow : 0.0);
}

// The pairs one A/B flies within the time cap, NEW truly `change` slower:
// ABBA order, fresh processes every generation.
void sim_pairs(uint64_t seed, const ab_sim_noise& noise, double change, std::vector<double>* x,
               std::vector<int>* g) {
  ab_sim s = {seed * 0x2545f4914f6cdd1dull + 1, &noise, 0.0, 0.0, -1.0, 0.0, NAN};
  sim_advance(&s, 40.0);
  double start = s.clock, base_state = 0.0, new_state = 0.0;
  x->clear();
  g->clear();
  for (size_t i = 0; s.clock - start + 2.0 * sim_run_s <= sim_cap_s; i++) {
    if (i % sim_generation_pairs == 0) {
      sim_advance(&s, sim_restart_s / sim_run_s);
      base_state = sim_process(&s);
      new_state = sim_process(&s);
    }
    bool base_first = i % 4 == 0 || i % 4 == 3;
    double first = sim_run(&s), second = sim_run(&s);
    double base = base_state + (base_first ? first : second);
    double next = new_state + log1p(change) + (base_first ? second : first);
    x->push_back(next - base);
    g->push_back((int)(i / sim_generation_pairs));
  }
}

// The automatic plan over those pairs: judged at each look and stopped at
// the first decided one, at the last look, or at the time cap (judged with
// the next look's alpha).
runner_ab_estimate sim_plan(const std::vector<double>& x, const std::vector<int>& g, double threshold) {
  for (int look = 0;; look++) {
    size_t n = std::min(runner_ab_look_pairs(look), x.size());
    runner_ab_estimate e = runner_ab_judge(x.data(), g.data(), n, threshold, runner_ab_look_alpha(look));
    if (e.verdict != RUNNER_UNCERTAIN || n == x.size() || look + 1 == runner_ab_looks()) return e;
  }
}

struct sim_tally {
  int verdicts[4];
  double pairs;
};

// A/Bs of `count` simulated sequences, judged at each threshold given.
std::vector<sim_tally> sim_many(int count, uint64_t seed, const ab_sim_noise& noise, double change,
                                const std::vector<double>& thresholds) {
  std::vector<sim_tally> t(thresholds.size(), sim_tally{});
  std::vector<double> x;
  std::vector<int> g;
  for (int k = 0; k < count; k++) {
    sim_pairs(seed + (uint64_t)k, noise, change, &x, &g);
    for (size_t j = 0; j < thresholds.size(); j++) {
      runner_ab_estimate e = sim_plan(x, g, thresholds[j]);
      t[j].verdicts[e.verdict]++;
      t[j].pairs += (double)e.pairs / count;
    }
  }
  return t;
}

TEST(RunnerAbStats, AutoPlanKeepsFalseVerdictsAtFivePercentOnThisMachinesNoise) {
  // Same build on both sides: a false SLOWER or FASTER per mode at most 5 %
  // of 10,000 A/Bs. With threshold 0 the rule is the bare test of "ratio 1"
  // at every look, the worst case of the alpha spending.
  const int count = 10000;
  const std::vector<double> thresholds = {3.0, 0.0};
  std::vector<sim_tally> t = sim_many(count, 1000, machine_noise, 0.0, thresholds);
  for (size_t j = 0; j < thresholds.size(); j++) {
    int slower = t[j].verdicts[RUNNER_SLOWER], faster = t[j].verdicts[RUNNER_FASTER];
    EXPECT_LE(slower + faster, count * 5 / 100)
        << "threshold " << thresholds[j] << ": " << slower << " SLOWER, " << faster << " FASTER";
    // Neither side is favoured: the two wrong verdicts about equally often.
    EXPECT_LE(abs(slower - faster), 10 + (slower + faster) / 2);
  }
}

TEST(RunnerAbStats, AutoPlanCallsRealSlowdownsUnderModerateNoise) {
  const int count = 2000;
  // +10 %: far beyond the threshold; a generation falls below 1 mostly when
  // BASE drew a slow process (1 in 16): at least 90 % SLOWER.
  sim_tally ten = sim_many(count, 50000, moderate_noise, 0.10, {3.0})[0];
  EXPECT_GE(ten.verdicts[RUNNER_SLOWER], count * 90 / 100);
  // +5 %: the estimate is beyond 3 % in most A/Bs and the interval clears 1
  // once about twenty generations are in: at least 80 % SLOWER.
  sim_tally five = sim_many(count, 60000, moderate_noise, 0.05, {3.0})[0];
  EXPECT_GE(five.verdicts[RUNNER_SLOWER], count * 80 / 100);
  // +3 %, the threshold itself: the estimate falls beyond it about half the
  // time, so about half (never most) are SLOWER; none is FASTER.
  sim_tally three = sim_many(count, 70000, moderate_noise, 0.03, {3.0})[0];
  EXPECT_GE(three.verdicts[RUNNER_SLOWER], count * 25 / 100);
  EXPECT_LE(three.verdicts[RUNNER_SLOWER], count * 55 / 100);
  for (const sim_tally* t : {&ten, &five, &three}) EXPECT_EQ(t->verdicts[RUNNER_FASTER], 0);
  // A bigger change is decided sooner.
  EXPECT_LT(ten.pairs, five.pairs);
}

}  // namespace
