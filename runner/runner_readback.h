// The current GL surface read back as a picture: the runners' shots, the
// gallery's pages and the frame-time picture. Needs a current GL context.
#pragma once

#include <stdint.h>

#include "runner/runner_image.h"

// Reads the lower-left width x height pixels of the current read buffer as
// RGB, top row first (GL's rows are bottom first). Sets GL_PACK_ALIGNMENT 1.
runner_image runner_read_surface(int32_t width, int32_t height);
