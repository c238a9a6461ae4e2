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

#include <string>
#include <vector>

#include "shell/fpu.h"
#include "shell/gl.h"
#include "shell/window.h"
#include "util/cli_options.h"

static const char window_demo_usage[] =
    "Usage: window_demo [-h | --help] [--version]\n"
    "Opens the toolkit's full-screen window alone, clears it to a changing colour and\n"
    "prints the virtual-key code of each key pressed; Escape or Q ends it.\n";

// The options (util/cli_options.h): -1 to run the demo, else the status to
// end with.
static int window_demo_options(const std::vector<std::string>& args) {
  bool help = false, version = false;
  std::string error;
  if (!cli_parse_help_version(args, &help, &version, &error)) {
    fputs(cli_usage_error_line("window_demo", error).c_str(), stderr);
    return CLI_USAGE_STATUS;
  }
  if (help) {
    fputs(window_demo_usage, stdout);
    fputs(cli_convention_help, stdout);
    return 0;
  }
  if (version) {
    printf("window_demo %s\n", BF_VERSION);
    return 0;
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
  std::vector<std::string> args = cli_split_windows_command_line(GetCommandLineA());
  if (!args.empty()) args.erase(args.begin());  // the program's own name
  int status = window_demo_options(args);
  if (status >= 0) return status;
  fpu_use_extended_precision();
  app_instance = instance;
  return window_demo_main();
}
#else
int main(int argc, char** argv) {
  int status =
      window_demo_options(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + (argc > 0 ? argc : 0)));
  if (status >= 0) return status;
  fpu_use_extended_precision();
  return window_demo_main();
}
#endif
