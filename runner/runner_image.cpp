// Picture comparison (see runner_image.h).
#include "runner/runner_image.h"

#include <stdlib.h>

static bool runner_same_shape(const runner_image& a, const runner_image& b) {
  size_t bytes = (size_t)a.width * (size_t)a.height * 3;
  return a.width == b.width && a.height == b.height && a.width >= 0 && a.height >= 0 &&
         a.rgb.size() == bytes && b.rgb.size() == bytes;
}

runner_compare_result runner_compare_images(const runner_image& got, const runner_image& expected,
                                            int32_t tolerance) {
  runner_compare_result r = {};
  r.min_x = r.min_y = r.max_x = r.max_y = -1;
  if (!runner_same_shape(got, expected)) return r;
  r.same_size = 1;
  for (int32_t y = 0; y < got.height; y++) {
    for (int32_t x = 0; x < got.width; x++) {
      size_t i = ((size_t)y * (size_t)got.width + (size_t)x) * 3;
      int32_t worst = 0;
      for (int c = 0; c < 3; c++) {
        int32_t d = abs((int32_t)got.rgb[i + c] - (int32_t)expected.rgb[i + c]);
        if (d > worst) worst = d;
      }
      if (worst > r.max_channel_diff) r.max_channel_diff = worst;
      if (worst <= tolerance) continue;
      if (r.differing == 0) {
        r.min_x = r.max_x = x;
        r.min_y = r.max_y = y;
      }
      if (x < r.min_x) r.min_x = x;
      if (x > r.max_x) r.max_x = x;
      r.max_y = y;
      r.differing++;
      if (r.samples.size() < RUNNER_DIFF_SAMPLES) {
        runner_pixel_diff d = {x,
                               y,
                               {got.rgb[i], got.rgb[i + 1], got.rgb[i + 2]},
                               {expected.rgb[i], expected.rgb[i + 1], expected.rgb[i + 2]}};
        r.samples.push_back(d);
      }
    }
  }
  return r;
}

runner_image runner_diff_image(const runner_image& got, const runner_image& expected, int32_t tolerance) {
  runner_image out = {expected.width, expected.height, {}};
  if (!runner_same_shape(got, expected)) return runner_image{0, 0, {}};
  out.rgb.resize(expected.rgb.size());
  for (size_t i = 0; i < expected.rgb.size(); i += 3) {
    bool differs = false;
    for (int c = 0; c < 3; c++) {
      if (abs((int32_t)got.rgb[i + c] - (int32_t)expected.rgb[i + c]) > tolerance) differs = true;
    }
    for (int c = 0; c < 3; c++) {
      out.rgb[i + c] = differs ? (c == 0 ? 255 : 0) : (uint8_t)(expected.rgb[i + c] / 4);
    }
  }
  return out;
}
