// One real Mesa GL context per test process, for *_gltest.cpp files.
//
//   #include "support/headless_gl.h"
//   TEST(Thing, Draws) {
//     ASSERT_TRUE(headless_gl_open(64, 64));   // context current, 64 x 64
//     ... draw, glReadPixels(0, 0, 64, 64, ...) ...
//   }
//
// The first call opens the shell's window through open_gl_window on the
// headless backend (no display needed). Later calls keep that window and
// context and only resize its surface. Every call then re-applies
// init_gl_state (clear colour 0, depth test with GL_LEQUAL, smooth shading,
// viewport and perspective projection of the new size), loads the identity
// into the modelview matrix and empties the scripted-input queue. Any other
// state a test changes (textures, blending, display lists, matrix stacks) is
// the test's own to undo.
#pragma once

#include <stdint.h>

// Makes a width x height GL window current; returns 1 on success, 0 when no
// context could be opened.
int headless_gl_open(int32_t width, int32_t height);
