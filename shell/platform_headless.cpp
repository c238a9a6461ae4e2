// Headless backend: the shell's window is a pbuffer of a real Mesa OpenGL
// (compatibility profile) context opened through EGL's surfaceless platform,
// so it runs with no display; glReadPixels and glCopyTexSubImage2D work on
// it as on a window. Input is scripted through shell/platform_headless.h
// into the shared message queue (shell/msg_queue.h), and every request the
// shell makes of the platform is recorded for tests. Depends on EGL and
// shell/platform.h.
#include "shell/platform_headless.h"

#define EGL_NO_X11
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <stdio.h>
#include <string.h>

#include "shell/msg_queue.h"
#include "shell/platform.h"

// ---------------------------------------------------------------------------
// State

// The objects behind the one window's handles (only their addresses count).
static struct { int unused; } window_object, dc_object, context_object;

static HWND const the_window = (HWND)(void*)&window_object;
static HDC const the_dc = (HDC)(void*)&dc_object;
static HGLRC const the_context = (HGLRC)(void*)&context_object;

static int32_t display_width = 1024;
static int32_t display_height = 768;
static headless_failure failure = HEADLESS_FAIL_NONE;
static headless_record record;

static platform_window_proc class_proc = nullptr;
static int window_exists = 0;
static int32_t surface_width = 0;
static int32_t surface_height = 0;
static int32_t cursor_x = 0;
static int32_t cursor_y = 0;
static uint32_t held_buttons = 0;

static EGLDisplay egl_display = EGL_NO_DISPLAY;
static EGLConfig egl_config = nullptr;
static int config_chosen = 0;
static EGLContext egl_context = EGL_NO_CONTEXT;
static EGLSurface egl_surface = EGL_NO_SURFACE;

static void copy_text(char* out, size_t size, const char* text) {
  snprintf(out, size, "%s", text ? text : "");
}

// Appends one call name to the record's call log (cut when full).
static void log_call(const char* name) {
  size_t used = strlen(record.call_log);
  snprintf(record.call_log + used, sizeof record.call_log - used, "%s%s", used ? " " : "", name);
}

// ---------------------------------------------------------------------------
// EGL

// The surfaceless Mesa display, initialised once for OpenGL.
static EGLDisplay open_egl_display(void) {
  if (egl_display != EGL_NO_DISPLAY) return egl_display;
  PFNEGLGETPLATFORMDISPLAYEXTPROC get_platform_display =
      (PFNEGLGETPLATFORMDISPLAYEXTPROC)eglGetProcAddress("eglGetPlatformDisplayEXT");
  EGLDisplay display = EGL_NO_DISPLAY;
  if (get_platform_display)
    display = get_platform_display(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
  if (display == EGL_NO_DISPLAY) return EGL_NO_DISPLAY;
  EGLint major = 0, minor = 0;
  if (!eglInitialize(display, &major, &minor)) return EGL_NO_DISPLAY;
  if (!eglBindAPI(EGL_OPENGL_API)) {
    eglTerminate(display);
    return EGL_NO_DISPLAY;
  }
  egl_display = display;
  return egl_display;
}

// A pbuffer surface of the window's size, made current with the context.
static int make_surface_current(int32_t width, int32_t height) {
  if (width < 1) width = 1;
  if (height < 1) height = 1;
  const EGLint attributes[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
  EGLSurface surface = eglCreatePbufferSurface(egl_display, egl_config, attributes);
  if (surface == EGL_NO_SURFACE) return 0;
  if (!eglMakeCurrent(egl_display, surface, surface, egl_context)) {
    eglDestroySurface(egl_display, surface);
    return 0;
  }
  if (egl_surface != EGL_NO_SURFACE) eglDestroySurface(egl_display, egl_surface);
  egl_surface = surface;
  surface_width = width;
  surface_height = height;
  return 1;
}

// ---------------------------------------------------------------------------
// Window and context

void platform_display_size(int32_t* width, int32_t* height) {
  *width = display_width;
  *height = display_height;
}

int platform_register_class(HINSTANCE instance, const char* class_name, UINT class_style,
                            platform_window_proc proc) {
  log_call("register_class");
  if (failure == HEADLESS_FAIL_REGISTER_CLASS) return 0;
  class_proc = proc;
  record.class_registered++;
  record.class_style = class_style;
  copy_text(record.class_name, sizeof record.class_name, class_name);
  return 1;
}

HWND platform_create_window(HINSTANCE instance, const char* class_name, const char* title, DWORD style,
                            int32_t x, int32_t y, int32_t width, int32_t height) {
  log_call("create_window");
  if (failure == HEADLESS_FAIL_CREATE_WINDOW || !class_proc) return nullptr;
  window_exists = 1;
  surface_width = width;
  surface_height = height;
  record.windows_created++;
  copy_text(record.window_title, sizeof record.window_title, title);
  record.window_style = style;
  record.window_x = x;
  record.window_y = y;
  record.window_width = width;
  record.window_height = height;
  return the_window;
}

HDC platform_get_dc(HWND window) {
  log_call("get_dc");
  return window == the_window && window_exists ? the_dc : nullptr;
}

int platform_choose_pixel_format(HDC dc, const PIXELFORMATDESCRIPTOR* request) {
  log_call("choose_pixel_format");
  record.pixel_format = *request;
  if (failure == HEADLESS_FAIL_CHOOSE_PIXEL_FORMAT || dc != the_dc) return 0;
  if (open_egl_display() == EGL_NO_DISPLAY) return 0;
  EGLint channel = request->cColorBits >= 24 ? 8 : request->cColorBits / 3;
  // The requested depth, else the closest smaller one offered.
  const EGLint depths[] = {request->cDepthBits, 24, 16, 0};
  for (EGLint depth : depths) {
    if (depth > request->cDepthBits) continue;
    const EGLint attributes[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE,
                                 EGL_OPENGL_BIT,   EGL_RED_SIZE,    channel,
                                 EGL_GREEN_SIZE,   channel,         EGL_BLUE_SIZE,
                                 channel,          EGL_ALPHA_SIZE,  request->cAlphaBits,
                                 EGL_DEPTH_SIZE,   depth,           EGL_NONE};
    EGLint count = 0;
    EGLConfig config = nullptr;
    if (eglChooseConfig(egl_display, attributes, &config, 1, &count) && count > 0) {
      egl_config = config;
      config_chosen = 1;
      EGLint bits = 0;
      eglGetConfigAttrib(egl_display, config, EGL_DEPTH_SIZE, &bits);
      record.depth_bits = bits;
      return 1;
    }
  }
  return 0;
}

int platform_set_pixel_format(HDC dc, int format, const PIXELFORMATDESCRIPTOR* request) {
  log_call("set_pixel_format");
  if (failure == HEADLESS_FAIL_SET_PIXEL_FORMAT) return 0;
  return dc == the_dc && format == 1 && config_chosen;
}

HGLRC platform_create_context(HDC dc) {
  log_call("create_context");
  if (failure == HEADLESS_FAIL_CREATE_CONTEXT || dc != the_dc || !config_chosen) return nullptr;
  if (egl_context == EGL_NO_CONTEXT) {
    egl_context = eglCreateContext(egl_display, egl_config, EGL_NO_CONTEXT, nullptr);
    if (egl_context == EGL_NO_CONTEXT) return nullptr;
  }
  record.contexts_created++;
  return the_context;
}

int platform_make_current(HDC dc, HGLRC context) {
  log_call(context ? "make_current" : "make_current(null)");
  if (!context) {
    if (egl_display != EGL_NO_DISPLAY)
      eglMakeCurrent(egl_display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    return 1;
  }
  if (failure == HEADLESS_FAIL_MAKE_CURRENT || dc != the_dc || context != the_context) return 0;
  return make_surface_current(surface_width, surface_height);
}

int platform_delete_context(HGLRC context) {
  log_call("delete_context");
  if (context != the_context || egl_context == EGL_NO_CONTEXT) return 0;
  if (egl_surface != EGL_NO_SURFACE) eglDestroySurface(egl_display, egl_surface);
  egl_surface = EGL_NO_SURFACE;
  eglDestroyContext(egl_display, egl_context);
  egl_context = EGL_NO_CONTEXT;
  record.contexts_deleted++;
  return 1;
}

int platform_release_dc(HWND window, HDC dc) {
  log_call("release_dc");
  if (dc != the_dc || window != the_window) return 0;
  record.dc_released++;
  return 1;
}

int32_t platform_change_display_mode(int32_t width, int32_t height) {
  log_call("change_display_mode");
  record.display_mode_switches++;
  record.display_mode_width = width;
  record.display_mode_height = height;
  record.display_mode_switched = 1;
  return 0;
}

int32_t platform_restore_display_mode(void) {
  log_call("restore_display_mode");
  record.display_mode_restores++;
  record.display_mode_switched = 0;
  return 0;
}

void platform_show_window(HWND window) {
  log_call("show_window");
  if (window == the_window) record.window_shown++;
}

int platform_show_cursor(int show) {
  log_call("show_cursor");
  record.cursor_counter += show ? 1 : -1;
  return record.cursor_counter;
}

int platform_set_cursor_pos(int32_t x, int32_t y) {
  record.cursor_sets++;
  record.cursor_x = x;
  record.cursor_y = y;
  // As on Windows, a cursor that moves produces a mouse message.
  if (x != cursor_x || y != cursor_y) headless_mouse_move(x, y, held_buttons);
  return 1;
}

int platform_swap_buffers(HDC dc) {
  if (dc != the_dc) return 0;
  record.swap_count++;
  if (egl_surface != EGL_NO_SURFACE) eglSwapBuffers(egl_display, egl_surface);
  return 1;
}

// ---------------------------------------------------------------------------
// Messages and dialogs

void platform_get_keyboard_state(uint8_t state[256]) { msg_queue_key_state(state); }

int platform_peek_message(MSG* msg) { return msg_queue_peek(msg); }

int platform_get_message(MSG* msg) {
  // Never waits: an empty queue yields WM_NULL.
  if (!msg_queue_take(msg)) {
    memset(msg, 0, sizeof *msg);
    return 1;
  }
  return msg->message != WM_QUIT;
}

void platform_translate_message(const MSG* msg) {}

LRESULT platform_dispatch_message(const MSG* msg) {
  if (!msg->hwnd || msg->hwnd != the_window || !class_proc) return 0;
  return class_proc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

LRESULT platform_default_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) { return 0; }

void platform_post_quit_message(int exit_code) {
  log_call("post_quit_message");
  record.quit_posted++;
  msg_queue_post(nullptr, WM_QUIT, (WPARAM)exit_code, 0);
}

void platform_display_problem(char* out, int size) {
  snprintf(out, (size_t)size, "Can't open the headless display: its size is %dx%d.", (int)display_width,
           (int)display_height);
}

// A failed step was injected by a test; there is nothing more to say.
void platform_explain_failure(void) {}

int platform_message_box(const char* text, const char* caption, UINT type) {
  log_call("message_box");
  record.message_boxes++;
  copy_text(record.message_box_text, sizeof record.message_box_text, text);
  copy_text(record.message_box_caption, sizeof record.message_box_caption, caption);
  record.message_box_type = type;
  // No one can dismiss a box here: the text goes to standard error.
  fprintf(stderr, "%s: %s\n", caption ? caption : "", text ? text : "");
  return 0;
}

// ---------------------------------------------------------------------------
// Test control

void headless_set_display_size(int32_t width, int32_t height) {
  display_width = width;
  display_height = height;
}

void headless_fail_at(headless_failure step) { failure = step; }

void headless_resize_surface(int32_t width, int32_t height) {
  if (egl_context != EGL_NO_CONTEXT && egl_surface != EGL_NO_SURFACE) {
    make_surface_current(width, height);
  } else {
    surface_width = width;
    surface_height = height;
  }
}

void headless_set_window_size(int32_t width, int32_t height) {
  headless_resize_surface(width, height);
  msg_queue_post(the_window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(width, height));
}

static void post_key(uint8_t vk, int up) {
  int right = vk == VK_RSHIFT || vk == VK_RCONTROL || vk == VK_RMENU;
  uint8_t code = vk;
  if (vk == VK_LSHIFT || vk == VK_RSHIFT) code = VK_SHIFT;
  if (vk == VK_LCONTROL || vk == VK_RCONTROL) code = VK_CONTROL;
  if (vk == VK_LMENU || vk == VK_RMENU) code = VK_MENU;
  msg_queue_post(the_window, up ? WM_KEYUP : WM_KEYDOWN, code, msg_queue_key_lparam(right, up, code));
}

void headless_key_down(uint8_t vk) { post_key(vk, 0); }

void headless_key_up(uint8_t vk) { post_key(vk, 1); }

void headless_mouse_move(int32_t x, int32_t y, uint32_t buttons) {
  cursor_x = x;
  cursor_y = y;
  held_buttons = buttons;
  msg_queue_post(the_window, WM_MOUSEMOVE, buttons, MAKELPARAM(x, y));
}

void headless_mouse_button(UINT message, int32_t x, int32_t y, uint32_t buttons) {
  cursor_x = x;
  cursor_y = y;
  held_buttons = buttons;
  msg_queue_post(the_window, message, buttons, MAKELPARAM(x, y));
}

void headless_post_message(UINT message, WPARAM wparam, LPARAM lparam) {
  msg_queue_post(message == WM_QUIT ? nullptr : the_window, message, wparam, lparam);
}

int headless_queue_length(void) { return msg_queue_length(); }

void headless_reset_input(void) {
  msg_queue_clear();
  held_buttons = 0;
}

const headless_record* headless_get_record(void) { return &record; }

void headless_clear_record(void) {
  int32_t counter = record.cursor_counter;
  int32_t switched = record.display_mode_switched;
  memset(&record, 0, sizeof record);
  record.cursor_counter = counter;
  record.display_mode_switched = switched;
}
