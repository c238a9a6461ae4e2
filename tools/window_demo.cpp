// A small program on the shell alone: opens the full-screen window, clears
// to a colour that changes every frame, and ends with status 0 on Escape, Q,
// WM_QUIT or a window close. It prints the window size once and the
// virtual-key code of every key pressed, so scripts driving it with real
// input can see what arrived. Depends on shell/window.h and one platform
// backend (SDL2 on Linux, Win32 on Windows). Without a display it takes the
// shell's fatal path (message, error log, status 1), as the programs do.
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "shell/fpu.h"
#include "shell/gl.h"
#include "shell/window.h"

static const char window_demo_usage[] =
    "usage: window_demo [--help] [--version]\n"
    "Opens the toolkit's full-screen window alone, clears it to a changing colour and\n"
    "prints the virtual-key code of each key pressed; Escape or Q ends it.\n";

// The options: -1 to run the demo, else the status to end with.
static int window_demo_options(int argc, char** argv) {
  for (int i = 1; i < argc; i++) {
    if (!strcmp(argv[i], "--help") || !strcmp(argv[i], "-h")) {
      fputs(window_demo_usage, stdout);
      return 0;
    }
    if (!strcmp(argv[i], "--version")) {
      printf("window_demo %s\n", BF_VERSION);
      return 0;
    }
    fprintf(stderr, "window_demo: unknown argument '%s' (try --help)\n", argv[i]);
    return 2;
  }
  return -1;
}

static int window_demo_main(void) {
  if (!open_gl_window(0, 0, "Window demo")) fatal_no_display();
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
  int status = window_demo_options(__argc, __argv);
  if (status >= 0) return status;
  fpu_use_extended_precision();
  app_instance = instance;
  return window_demo_main();
}
#else
int main(int argc, char** argv) {
  int status = window_demo_options(argc, argv);
  if (status >= 0) return status;
  fpu_use_extended_precision();
  return window_demo_main();
}
#endif
