// File, string and number helpers: exact edge behaviour the callers rely on
// (NaN and signed zero, tie-breaks, power-of-two boundaries, byte codes).
#include "util/helpers.h"

#include <gtest/gtest.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "shell/clock.h"
#include "support/temp_files.h"

TEST(ReadFile, MissingEmptyAndShortFiles) {
  int32_t length = -7;
  EXPECT_EQ(read_file(temp_path("does_not_exist").c_str(), &length), nullptr);
  EXPECT_EQ(length, -7);

  std::string empty = temp_path("empty");
  fclose(fopen(empty.c_str(), "wb"));
  EXPECT_EQ(read_file(empty.c_str(), &length), nullptr);
  EXPECT_EQ(length, 0);
  remove(empty.c_str());

  std::string five = temp_path("five");
  FILE* f = fopen(five.c_str(), "wb");
  fwrite("ab\0\ncd", 1, 5, f);
  fclose(f);
  char* data = read_file(five.c_str(), &length);
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(length, 5);
  EXPECT_EQ(memcmp(data, "ab\0\nc", 5), 0);
  free(data);
  remove(five.c_str());
}

TEST(HeapStrings, AssignFreesDupDoesNot) {
  char* s = nullptr;
  EXPECT_EQ(str_assign(&s, "hello"), 5);
  ASSERT_NE(s, nullptr);
  EXPECT_STREQ(s, "hello");
  EXPECT_EQ(str_assign(&s, "bye"), 3);
  EXPECT_STREQ(s, "bye");
  EXPECT_EQ(str_assign(&s, s), 3);  // its own string: unchanged, not freed
  EXPECT_STREQ(s, "bye");

  char* kept = s;
  EXPECT_EQ(str_dup_into(&s, "copy"), 4);
  EXPECT_STREQ(s, "copy");
  EXPECT_STREQ(kept, "bye");  // the old string is the caller's to free
  free(kept);
  free(s);
}

TEST(Numbers, NextPow2) {
  const uint32_t in[] = {0, 1, 2, 3, 5, 1000, 4096, 0x80000000u, 0x80000001u, 0xFFFFFFFFu};
  const uint32_t out[] = {0, 1, 2, 4, 8, 1024, 4096, 0x80000000u, 0, 0};
  for (size_t i = 0; i < sizeof in / sizeof in[0]; i++) EXPECT_EQ(next_pow2(in[i]), out[i]) << in[i];
}

TEST(Numbers, MinMaxTieBreaksAndNaN) {
  double nan = NAN;
  double pz = 0.0, nz = -0.0;
  EXPECT_EQ(max_int(3, -4), 3);
  EXPECT_EQ(max_int(-4, 3), 3);
  // Equal values: max returns the second argument, min the second too.
  EXPECT_TRUE(signbit(max_double(pz, nz)));
  EXPECT_FALSE(signbit(max_double(nz, pz)));
  EXPECT_TRUE(signbit(min_double(pz, nz)));
  EXPECT_EQ(max_double(1.0, nan), 1.0);
  EXPECT_TRUE(isnan(max_double(nan, 1.0)));
  EXPECT_TRUE(isnan(min_double(1.0, nan)));
  EXPECT_EQ(min_double(nan, 1.0), 1.0);
  EXPECT_EQ(min_double(2.0, 1.0), 1.0);
  EXPECT_EQ(max_double(2.0, 1.0), 2.0);
}

TEST(Numbers, Clamps) {
  EXPECT_EQ(clamp_nonneg_double(-1.5), 0.0);
  EXPECT_FALSE(signbit(clamp_nonneg_double(-1.5)));
  EXPECT_TRUE(signbit(clamp_nonneg_double(-0.0)));
  EXPECT_TRUE(isnan(clamp_nonneg_double(NAN)));
  EXPECT_EQ(clamp_nonneg_double(2.5), 2.5);
  EXPECT_EQ(clamp_nonneg_int(-3), 0);
  EXPECT_EQ(clamp_nonneg_int(7), 7);
}

TEST(Numbers, RandomIndexRangeAndDegenerateArguments) {
  uint32_t saved = random_get_state();
  for (int i = 0; i < 100; i++) EXPECT_EQ(random_index(1), 0);
  EXPECT_EQ(random_index(0), 0);
  EXPECT_EQ(random_index(-3), 0);
  EXPECT_EQ(random_index(INT32_MIN), 0);  // n - 1 must not wrap to INT32_MAX
  EXPECT_EQ(random_index(INT32_MIN + 1), 0);
  int hits[5] = {0};
  for (int i = 0; i < 5000; i++) {
    int32_t r = random_index(5);
    ASSERT_GE(r, 0);
    ASSERT_LT(r, 5);
    hits[r]++;
  }
  for (int h : hits) EXPECT_GT(h, 800);
  random_set_state(saved);
}

TEST(Characters, LowerAndCode) {
  EXPECT_EQ(ascii_lower('Q'), 'q');
  EXPECT_EQ(ascii_lower('A'), 'a');
  EXPECT_EQ(ascii_lower('Z'), 'z');
  EXPECT_EQ(ascii_lower('['), '[');
  EXPECT_EQ(ascii_lower('@'), '@');
  EXPECT_EQ(ascii_lower('q'), 'q');
  EXPECT_EQ(ascii_lower((char)0xC9), (int)(signed char)0xC9);  // bytes above 127 unchanged
  EXPECT_EQ(char_code((char)0xE9), 233);
  EXPECT_EQ(char_code('A'), 65);
  EXPECT_EQ(char_code((char)0xFF), 255);
}
