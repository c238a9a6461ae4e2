// Surface read-back (see runner_readback.h).
#include "runner/runner_readback.h"

#include <string.h>

#include <vector>

#include "shell/gl.h"

runner_image runner_read_surface(int32_t width, int32_t height) {
  runner_image im = {width, height, {}};
  std::vector<uint8_t> rows((size_t)width * height * 3);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, rows.data());
  im.rgb.resize(rows.size());
  const size_t stride = (size_t)width * 3;
  for (int32_t y = 0; y < height; y++) {
    memcpy(&im.rgb[(size_t)y * stride], &rows[(size_t)(height - 1 - y) * stride], stride);
  }
  return im;
}
