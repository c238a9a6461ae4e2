// The frame-rate overlay's data: history order, the text, bar colours.
#include "boxfield/fps_overlay.h"

#include <gtest/gtest.h>
#include <math.h>

namespace {

TEST(fps_history, FirstPushZeroesThenShiftsOldestOut) {
  fps_history_push(1.0);
  EXPECT_EQ(fps_history[0], 1.0);
  for (int32_t i = 1; i < FPS_HISTORY_LENGTH; i++) EXPECT_EQ(fps_history[i], 0.0) << i;
  for (int32_t k = 2; k <= 150; k++) fps_history_push((double)k);
  // Newest first: 150, 149, ..., 51; 50 and older fell off.
  for (int32_t i = 0; i < FPS_HISTORY_LENGTH; i++) EXPECT_EQ(fps_history[i], 150.0 - i) << i;
}

TEST(fps_format_text, GeneralFormatWithSixDigits) {
  char text[30];
  fps_format_text(text, sizeof text, 59.94);
  EXPECT_STREQ(text, "FPS: 59.94");
  fps_format_text(text, sizeof text, 60.0);
  EXPECT_STREQ(text, "FPS: 60");
  fps_format_text(text, sizeof text, 1.0 / 0.0166666);
  EXPECT_STREQ(text, "FPS: 60.0002");
  fps_format_text(text, sizeof text, 1234567.0);
  EXPECT_STREQ(text, "FPS: 1.23457e+06");
  fps_format_text(text, sizeof text, 0.0001);
  EXPECT_STREQ(text, "FPS: 0.0001");
  fps_format_text(text, sizeof text, 1.0 / 4294967296.0);
  EXPECT_STREQ(text, "FPS: 2.32831e-10");
}

TEST(fps_format_text, ZeroLengthFrameReadsInf) {
  char text[30];
  volatile double zero = 0.0;
  fps_format_text(text, sizeof text, 1.0 / zero);
  EXPECT_STREQ(text, "FPS: inf");
  fps_format_text(text, sizeof text, -1.0 / zero);
  EXPECT_STREQ(text, "FPS: -inf");
  fps_format_text(text, sizeof text, NAN);
  EXPECT_STREQ(text, "FPS: nan");
}

TEST(fps_format_text, LongestTextFitsAndShortBuffersStayTerminated) {
  char text[30];
  fps_format_text(text, sizeof text, -1.7976931348623157e308);
  EXPECT_STREQ(text, "FPS: -1.79769e+308");
  char small[8];
  fps_format_text(small, sizeof small, 59.94);
  EXPECT_STREQ(small, "FPS: 59");
}

void expect_colour(double rate, float r, float g) {
  float rgb[3] = {-1.0f, -1.0f, -1.0f};
  fps_bar_colour(rate, rgb);
  EXPECT_EQ(rgb[0], r) << rate;
  EXPECT_EQ(rgb[1], g) << rate;
  EXPECT_EQ(rgb[2], 0.0f) << rate;
}

TEST(fps_bar_colour, ThresholdsAt60_30_20) {
  expect_colour(INFINITY, 0.0f, 0.5f);
  expect_colour(250.0, 0.0f, 0.5f);
  expect_colour(60.0, 0.0f, 0.5f);
  expect_colour(59.9, 0.5f, 0.5f);
  expect_colour(30.0, 0.5f, 0.5f);
  expect_colour(29.999, 0.5f, 0.25f);
  expect_colour(20.0, 0.5f, 0.25f);
  expect_colour(19.99, 0.5f, 0.0f);
  expect_colour(0.0, 0.5f, 0.0f);
}

}  // namespace
