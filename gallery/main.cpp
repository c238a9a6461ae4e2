// Process entry of the toolkit gallery. On Windows, WinMain stores the
// instance handle for the window class; elsewhere main runs the same
// program. Both first switch the x87 unit to extended precision, which the
// toolkit's arithmetic relies on. Depends on gallery/gallery.h and the shell.
#include "gallery/gallery.h"
#include "shell/fpu.h"
#include "shell/window.h"

#ifdef _WIN32
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous_instance, LPSTR command_line, int show_mode) {
  fpu_use_extended_precision();
  app_instance = instance;
  return gallery_main();
}
#else
int main(void) {
  fpu_use_extended_precision();
  return gallery_main();
}
#endif
