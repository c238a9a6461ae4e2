// Process entry of the box-field program. On Windows, WinMain stores the
// instance handle for the window class and runs the test with the full
// command line; elsewhere main does the same with what the platform has.
// Both first switch the x87 unit to extended precision, which the toolkit's
// arithmetic relies on. Depends on boxfield/box_field.h and the shell.
#include "boxfield/box_field.h"
#include "shell/fpu.h"
#include "shell/window.h"

#ifdef _WIN32
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous_instance, LPSTR command_line, int show_mode) {
  fpu_use_extended_precision();
  app_instance = instance;
  box_field_main(GetCommandLineA());
  return 0;
}
#else
int main(int argc, char** argv) {
  fpu_use_extended_precision();
  box_field_main(argc > 0 ? argv[0] : "");
  return 0;
}
#endif
