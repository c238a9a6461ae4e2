// A small program on the shell alone: opens the full-screen window, clears
// to a colour that changes every frame, and ends with status 0 on Escape, Q,
// WM_QUIT or a window close. It prints the window size once and the
// virtual-key code of every key pressed, so scripts driving it with real
// input can see what arrived. Depends on shell/window.h and one platform
// backend (SDL2 on Linux, Win32 on Windows).
#include <math.h>
#include <stdio.h>

#include "shell/fpu.h"
#include "shell/gl.h"
#include "shell/window.h"

static int window_demo_main(void) {
  if (!open_gl_window(0, 0, "Window demo")) {
    fprintf(stderr, "window_demo: no display to open a window on\n");
    return 1;
  }
  printf("window %dx%d\n", (int)screen_width, (int)screen_height);
  fflush(stdout);
  for (unsigned frame = 0;; frame++) {
    if (pump_messages()) break;
    for (int vk = 1; vk < 256; vk++) {
      if ((key_state[vk] & 0x80) && !(prev_key_state[vk] & 0x80)) printf("key 0x%02X\n", vk);
    }
    fflush(stdout);
    if ((key_state[VK_ESCAPE] & 0x80) || (key_state['Q'] & 0x80)) break;
    double t = frame * 0.02;
    glClearColor((float)(0.5 + 0.5 * sin(t)), (float)(0.5 + 0.5 * sin(t + 2.1)),
                 (float)(0.5 + 0.5 * sin(t + 4.2)), 1.0f);
    end_frame();
  }
  printf("quit\n");
  fflush(stdout);
  return 0;
}

#ifdef _WIN32
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show) {
  fpu_use_extended_precision();
  app_instance = instance;
  window_demo_main();
  return 0;
}
#else
int main(void) {
  fpu_use_extended_precision();
  return window_demo_main();
}
#endif
