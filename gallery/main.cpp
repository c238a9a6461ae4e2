// Process entry of the toolkit gallery. On Windows, WinMain stores the
// instance handle for the window class; elsewhere main runs the same
// program. Both first switch the x87 unit to extended precision, which the
// toolkit's arithmetic relies on, and answer --help and --version. Depends
// on gallery/gallery.h and the shell.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "gallery/gallery.h"
#include "shell/fpu.h"
#include "shell/window.h"
#include "util/cli_options.h"

static const char gallery_usage[] =
    "Usage: gallery [-h | --help] [--version]\n"
    "Shows the toolkit's facilities one page at a time in a full-screen window.\n"
    "Space, Right, Down or Page Down: next page; Left, Up, Page Up or Backspace: back;\n"
    "1 to 8, Home, End: jump; Escape or Q: quit. build/gallery/gallery_runner renders\n"
    "the pages without a display.\n";

// The options (util/cli_options.h): -1 to run the gallery, else the status
// to end with.
static int gallery_options(const std::vector<std::string>& args) {
  bool help = false, version = false;
  std::string error;
  if (!cli_parse_help_version(args, &help, &version, &error)) {
    fputs(cli_usage_error_line("gallery", error).c_str(), stderr);
    return CLI_USAGE_STATUS;
  }
  if (help) {
    fputs(gallery_usage, stdout);
    fputs(cli_convention_help, stdout);
    return 0;
  }
  if (version) {
    printf("gallery %s\n", BF_VERSION);
    return 0;
  }
  return -1;
}

#ifdef _WIN32
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous_instance, LPSTR command_line, int show_mode) {
  std::vector<std::string> args = cli_split_windows_command_line(GetCommandLineA());
  if (!args.empty()) args.erase(args.begin());  // the program's own name
  int status = gallery_options(args);
  if (status >= 0) return status;
  fpu_use_extended_precision();
  app_instance = instance;
  return gallery_main();
}
#else
int main(int argc, char** argv) {
  int status =
      gallery_options(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + (argc > 0 ? argc : 0)));
  if (status >= 0) return status;
  fpu_use_extended_precision();
  return gallery_main();
}
#endif
