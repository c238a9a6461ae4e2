// The shared headless window of the GL benchmarks (see bench_gl.h).
#include "bench/bench_gl.h"

#include "shell/gl.h"
#include "shell/platform_headless.h"
#include "shell/view.h"
#include "shell/window.h"

bool bench_gl_open(int32_t width, int32_t height) {
  static bool opened = false;
  if (!opened) {
    if (!open_gl_window(width, height, "GL bench")) return false;
    opened = true;
  } else {
    headless_resize_surface(width, height);
  }
  init_gl_state(width, height);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  return true;
}
