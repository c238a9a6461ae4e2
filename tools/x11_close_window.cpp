// Asks an X11 window to close the way a window manager does: a
// WM_PROTOCOLS / WM_DELETE_WINDOW client message. Used by the window tests,
// which run under Xvfb with no window manager.
//   x11_close_window <window id>    (decimal or 0x hex, as xdotool prints it)
#include <X11/Xlib.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: x11_close_window <window id>\n");
    return 2;
  }
  char* end = nullptr;
  unsigned long id = strtoul(argv[1], &end, 0);
  if (!end || *end || id == 0) {
    fprintf(stderr, "x11_close_window: bad window id '%s'\n", argv[1]);
    return 2;
  }
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    fprintf(stderr, "x11_close_window: cannot open the display\n");
    return 1;
  }
  XEvent event;
  memset(&event, 0, sizeof event);
  event.xclient.type = ClientMessage;
  event.xclient.window = (Window)id;
  event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = (long)XInternAtom(display, "WM_DELETE_WINDOW", False);
  event.xclient.data.l[1] = CurrentTime;
  Status sent = XSendEvent(display, (Window)id, False, NoEventMask, &event);
  XSync(display, False);
  XCloseDisplay(display);
  return sent ? 0 : 1;
}
