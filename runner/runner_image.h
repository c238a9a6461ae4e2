// Images of the headless runner: 8-bit RGB pictures, comparison under a
// tolerance that says which pixels differ (runner_image.cpp, no dependencies),
// and PNG files through stb's writer and reader (runner_png_stb.cpp).
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

struct runner_image {
  int32_t width;
  int32_t height;
  std::vector<uint8_t> rgb;  // width * height * 3 bytes, top row first
};

// Longest list of differing pixels a comparison keeps.
constexpr size_t RUNNER_DIFF_SAMPLES = 16;

struct runner_pixel_diff {
  int32_t x, y;         // position, top-left origin
  uint8_t got[3];       // the picture's colour
  uint8_t expected[3];  // the reference's colour
};

struct runner_compare_result {
  int32_t same_size;                       // 0 when the sizes differ (nothing else is compared)
  int64_t differing;                       // pixels with a channel off by more than the tolerance
  int32_t max_channel_diff;                // largest channel difference seen
  int32_t min_x, min_y, max_x, max_y;      // box around the differing pixels (when any)
  std::vector<runner_pixel_diff> samples;  // the first RUNNER_DIFF_SAMPLES of them, row by row
};

// Compares a picture with a reference: a pixel differs when any channel is
// more than tolerance apart.
runner_compare_result runner_compare_images(const runner_image& got, const runner_image& expected,
                                            int32_t tolerance);

// A picture showing where two same-sized pictures differ: the reference
// darkened, differing pixels in full red.
runner_image runner_diff_image(const runner_image& got, const runner_image& expected, int32_t tolerance);

// Writes an 8-bit RGB PNG (replaced whole or not at all); returns 0 on
// failure, with the reason in *why when why is not null.
int runner_write_png(const char* path, const runner_image& image, std::string* why = nullptr);

// Reads a PNG of any bit depth and colour type as 8-bit RGB (alpha dropped).
// Returns 0 with a message in error when the file is missing, not a PNG,
// damaged or larger than 16384 x 16384.
int runner_read_png(const char* path, runner_image* image, char* error, size_t error_size);
