// The one window of the process, its GL context, the message pump with the
// keyboard and mouse state, the frame swap and the teardown. Depends on
// shell/platform.h (one backend per build), shell/view.h (GL view set-up)
// and shell/error_log.h (fatal_error).
#include "shell/window.h"

#include <stdlib.h>
#include <string.h>

#include "shell/error_log.h"
#include "shell/gl.h"
#include "shell/platform.h"
#include "shell/view.h"

// ---------------------------------------------------------------------------
// State

HINSTANCE app_instance = nullptr;
HWND main_window = nullptr;
HDC main_dc = nullptr;
HGLRC gl_context = nullptr;

uint8_t window_framed = 0;
int32_t window_close_status = 0;

int32_t screen_width = 0;
int32_t screen_height = 0;

uint8_t key_state[256];
uint8_t prev_key_state[256];

// Keys whose down message was taken since the last snapshot while they were
// up, and each key's bit 7 as the messages of the current pump leave it.
static uint8_t latched_presses[256];
static uint8_t keys_down_in_pump[256];

int32_t mouse_x = 0;
int32_t mouse_y = 0;
int32_t mouse_buttons = 0;
int32_t mouse_wait_release = 1;
int32_t mouse_buttons_accepted = 0;

static const char window_class_name[] = "OpenGL WinClass";

const PIXELFORMATDESCRIPTOR window_pixel_format = {
    sizeof(PIXELFORMATDESCRIPTOR),                               // nSize (40)
    1,                                                           // nVersion
    PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER,  // dwFlags (0x25)
    PFD_TYPE_RGBA,                                               // iPixelType
    24,                                                          // cColorBits
    0,
    0,
    0,
    0,
    0,
    0,  // per-channel bits and shifts
    8,  // cAlphaBits
    0,  // cAlphaShift
    0,
    0,
    0,
    0,
    0,               // accumulation buffer
    32,              // cDepthBits
    0,               // cStencilBits
    0,               // cAuxBuffers
    PFD_MAIN_PLANE,  // iLayerType
    0,               // bReserved
    0,
    0,
    0  // layer, visible, damage masks
};

static_assert(sizeof(PIXELFORMATDESCRIPTOR) == 40, "pixel-format request must be 40 bytes");

// ---------------------------------------------------------------------------
// Opening and closing

int32_t open_gl_window(int32_t width, int32_t height, const char* title) {
  if (width != 0) {
    screen_width = width;
    screen_height = height;
  } else {
    platform_display_size(&screen_width, &screen_height);
  }
  if (screen_width == 0 || screen_height == 0) return 0;

  memset(key_state, 0, sizeof key_state);
  memset(prev_key_state, 0, sizeof prev_key_state);
  memset(latched_presses, 0, sizeof latched_presses);

  if (!platform_register_class(app_instance, window_class_name, CS_HREDRAW | CS_VREDRAW | CS_OWNDC,
                               window_proc))
    fatal_error("Failed To Register The Window Class.");

  DWORD style = window_framed ? WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX : WS_POPUP;
  main_window =
      platform_create_window(app_instance, window_class_name, title,
                             style | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0, screen_width, screen_height);
  if (!main_window) fatal_error("Window Creation Error.");

  main_dc = platform_get_dc(main_window);

  int format = platform_choose_pixel_format(main_dc, &window_pixel_format);
  if (format == 0) fatal_error("Can't Find A Suitable PixelFormat.");
  if (!platform_set_pixel_format(main_dc, format, &window_pixel_format))
    fatal_error("Can't Set The PixelFormat.");

  gl_context = platform_create_context(main_dc);
  if (!gl_context) fatal_error("Can't Create A GL Rendering Context.");
  if (!platform_make_current(main_dc, gl_context)) fatal_error("Can't activate GLRC.");

  init_gl_state(screen_width, screen_height);

  // Only now that the context works is the display switched; the result is
  // ignored and start-up goes on in whatever mode the display is in.
  if (!window_framed) platform_change_display_mode(screen_width, screen_height);

  platform_show_window(main_window);
  platform_show_cursor(0);
  return 1;
}

int32_t window_was_closed = 0;

void close_gl_window(void) {
  window_was_closed = 1;
  end_gl_window(window_close_status);
}

void end_gl_window(int32_t status) {
  platform_restore_display_mode();
  platform_make_current(main_dc, nullptr);
  platform_delete_context(gl_context);
  platform_release_dc(main_window, main_dc);
  platform_post_quit_message(status);
  exit(status);
}

void fatal_no_display(void) {
  char message[512];
  platform_display_problem(message, sizeof message);
  fatal_error(message);
}

// ---------------------------------------------------------------------------
// Messages

// Follows a key through the messages of one pump: a down message for a key
// that is up (not an autorepeat) is a press, latched for the next snapshot.
static void note_key_message(const MSG* msg) {
  if (msg->wParam > 255) return;
  uint8_t vk = (uint8_t)msg->wParam;
  if (msg->message == WM_KEYDOWN || msg->message == WM_SYSKEYDOWN) {
    if (!keys_down_in_pump[vk]) latched_presses[vk] = 1;
    keys_down_in_pump[vk] = 0x80;
  } else if (msg->message == WM_KEYUP || msg->message == WM_SYSKEYUP) {
    keys_down_in_pump[vk] = 0;
  }
}

int32_t pump_messages(void) {
  memcpy(prev_key_state, key_state, sizeof key_state);
  // Taken before this frame's messages are dispatched: the state as of the
  // messages taken by the previous pump.
  platform_get_keyboard_state(key_state);
  // A key pressed and released within one pump (a tap shorter than a frame)
  // still reads as down in this snapshot, and up in the next: every press
  // counts once, however slow the frames.
  for (int vk = 0; vk < 256; vk++) {
    keys_down_in_pump[vk] = key_state[vk] & 0x80;
    if (latched_presses[vk]) key_state[vk] |= 0x80;
  }
  memset(latched_presses, 0, sizeof latched_presses);

  MSG msg;
  while (platform_peek_message(&msg)) {
    if (!platform_get_message(&msg)) return 1;
    note_key_message(&msg);
    platform_translate_message(&msg);
    platform_dispatch_message(&msg);
  }
  return 0;
}

LRESULT window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CLOSE:
    case WM_DESTROY:
      close_gl_window();
    case WM_SIZE:
      resize_gl_view(LOWORD(lparam), HIWORD(lparam));
      return 0;
    case WM_KEYDOWN:
    case WM_KEYUP:
      return 0;
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
      mouse_x = LOWORD(lparam);
      mouse_y = HIWORD(lparam);
      mouse_buttons = (int32_t)(wparam & 3);
      if (mouse_buttons == 0) mouse_wait_release = 0;
      if (mouse_wait_release == 0) mouse_buttons_accepted = mouse_buttons;
      return 0;
    default:
      return platform_default_window_proc(window, message, wparam, lparam);
  }
}

// ---------------------------------------------------------------------------
// GL state and frames

void init_gl_state(int32_t width, int32_t height) {
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  glClearDepth(1.0);
  glDepthFunc(GL_LEQUAL);
  glEnable(GL_DEPTH_TEST);
  glShadeModel(GL_SMOOTH);
  resize_gl_view(width, height);
}

void end_frame(void) {
  platform_swap_buffers(main_dc);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glLoadIdentity();
}

void swap_frame(void) {
  platform_swap_buffers(main_dc);
  glLoadIdentity();
}

void clear_both_buffers(void) {
  end_frame();
  end_frame();
}
