// The one headless window the GL benchmarks share: all of them run in the
// same process, and the shell has a single window.
#pragma once

#include <stdint.h>

// Opens the window on first use, otherwise resizes its surface; then sets
// the GL state up for a frame of that size with an identity model-view
// matrix. False when no GL context could be made.
bool bench_gl_open(int32_t width, int32_t height);
