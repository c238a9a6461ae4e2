// One GL context per test process on the headless backend (see headless_gl.h).
#include "support/headless_gl.h"

#include "shell/gl.h"
#include "shell/platform_headless.h"
#include "shell/window.h"

int headless_gl_open(int32_t width, int32_t height) {
  static int opened = 0;
  if (!opened) {
    if (!open_gl_window(width, height, "gl test")) return 0;
    opened = 1;
  } else {
    headless_resize_surface(width, height);
  }
  headless_reset_input();
  init_gl_state(width, height);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  return 1;
}
