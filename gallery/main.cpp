// Process entry of the toolkit gallery. On Windows, WinMain stores the
// instance handle for the window class; elsewhere main runs the same
// program. Both first switch the x87 unit to extended precision, which the
// toolkit's arithmetic relies on, and answer --help and --version. Depends
// on gallery/gallery.h and the shell.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "gallery/gallery.h"
#include "shell/fpu.h"
#include "shell/window.h"

static const char gallery_usage[] =
    "usage: gallery [--help] [--version]\n"
    "Shows the toolkit's facilities one page at a time in a full-screen window.\n"
    "Space, Right, Down or Page Down: next page; Left, Up, Page Up or Backspace: back;\n"
    "1 to 8, Home, End: jump; Escape or Q: quit. build/gallery/gallery_runner renders\n"
    "the pages without a display.\n";

// The options: -1 to run the gallery, else the status to end with.
static int gallery_options(int argc, char** argv) {
  for (int i = 1; i < argc; i++) {
    if (!strcmp(argv[i], "--help") || !strcmp(argv[i], "-h")) {
      fputs(gallery_usage, stdout);
      return 0;
    }
    if (!strcmp(argv[i], "--version")) {
      printf("gallery %s\n", BF_VERSION);
      return 0;
    }
    fprintf(stderr, "gallery: unknown argument '%s' (try --help)\n", argv[i]);
    return 2;
  }
  return -1;
}

#ifdef _WIN32
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous_instance, LPSTR command_line, int show_mode) {
  int status = gallery_options(__argc, __argv);
  if (status >= 0) return status;
  fpu_use_extended_precision();
  app_instance = instance;
  return gallery_main();
}
#else
int main(int argc, char** argv) {
  int status = gallery_options(argc, argv);
  if (status >= 0) return status;
  fpu_use_extended_precision();
  return gallery_main();
}
#endif
