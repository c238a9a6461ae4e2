// Clock selection through the self-replacing pointer, the tick fallback, and
// the Windows-compatible random sequence that makes every platform build the
// same box field.
#include "shell/clock.h"

#include <gtest/gtest.h>
#include <math.h>

TEST(Clock, FirstCallChoosesCounterAndSwitchesPointer) {
  clock_reset(0);
  EXPECT_EQ(clock_now, clock_init);
  double first = clock_now();
  EXPECT_EQ(clock_now, clock_performance);
  EXPECT_GT(seconds_per_count, 0.0);
  double second = clock_now();
  EXPECT_GE(second, first);
  EXPECT_LT(second - first, 5.0);
}

TEST(Clock, TickFallbackStepsInWholeMilliseconds) {
  clock_reset(1);
  double first = clock_now();
  EXPECT_EQ(clock_now, clock_ticks);
  for (int i = 0; i < 20; i++) {
    double t = clock_now();
    double ms = t * 1000.0;
    EXPECT_NEAR(ms, floor(ms + 0.5), 1e-6);
    EXPECT_GE(t, first);
  }
  clock_reset(0);
}

TEST(Random, ReproducesTheWindowsRuntimeSequence) {
  uint32_t saved = random_get_state();
  random_set_state(1);
  // The first values of an unseeded Microsoft C runtime rand().
  const int32_t expected[] = {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962, 24464};
  for (int32_t v : expected) EXPECT_EQ(random_rand15(), v);
  random_set_state(1);
  EXPECT_DOUBLE_EQ(random_below(1.0), (41.0 / 32768.0 + 18467.0) / 32768.0);
  EXPECT_EQ(random_get_state(), 1u * 214013u * 214013u + 2531011u * 214013u + 2531011u);
  random_set_state(saved);
}

TEST(Random, BelowStaysInRange) {
  uint32_t saved = random_get_state();
  EXPECT_EQ(random_below(0.0), 0.0);
  // The largest possible draw is just below x.
  random_set_state(1);
  for (int i = 0; i < 100000; i++) {
    double r = random_below(1.0);
    ASSERT_GE(r, 0.0);
    ASSERT_LT(r, 1.0);
  }
  EXPECT_LT((32767.0 / 32768.0 + 32767.0) / 32768.0, 1.0);
  random_set_state(saved);
}
