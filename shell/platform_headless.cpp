// Headless backend: the shell's window is a pbuffer (or a framebuffer
// object) of a real OpenGL (compatibility profile) context opened through
// EGL's surfaceless or device platform, so it runs with no display;
// glReadPixels and glCopyTexSubImage2D work on it as on a window. Input is scripted through
// shell/platform_headless.h into the shared message queue (shell/msg_queue.h), and every request the shell
// makes of the platform is recorded for tests. Depends on EGL and shell/platform.h.
#include "shell/platform_headless.h"

#define EGL_NO_X11
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glext.h>
#include <stdio.h>
#include <stdlib.h>
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
//
// The display comes from Mesa's surfaceless platform when the EGL library
// offers it, otherwise from the device platform: the first device whose
// OpenGL context gets a pbuffer of the window's size or, failing that, a
// framebuffer object of that size (a context current without a surface).
// BF_EGL_PLATFORM forces a path: "surfaceless", "device", "device-fbo" (the
// device platform with the framebuffer object even where pbuffers work), or
// "auto" (the default).

enum egl_path { EGL_PATH_AUTO, EGL_PATH_SURFACELESS, EGL_PATH_DEVICE, EGL_PATH_DEVICE_FBO };

// Framebuffer-object entry points, looked up once a context is current.
struct fbo_functions {
  PFNGLGENFRAMEBUFFERSPROC gen_framebuffers;
  PFNGLDELETEFRAMEBUFFERSPROC delete_framebuffers;
  PFNGLBINDFRAMEBUFFERPROC bind_framebuffer;
  PFNGLGENRENDERBUFFERSPROC gen_renderbuffers;
  PFNGLDELETERENDERBUFFERSPROC delete_renderbuffers;
  PFNGLBINDRENDERBUFFERPROC bind_renderbuffer;
  PFNGLRENDERBUFFERSTORAGEPROC renderbuffer_storage;
  PFNGLFRAMEBUFFERRENDERBUFFERPROC framebuffer_renderbuffer;
  PFNGLCHECKFRAMEBUFFERSTATUSPROC check_framebuffer_status;
};

static fbo_functions fbo_gl;
static int use_fbo = 0;  // 1: the window is a framebuffer object, no EGL surface
static GLuint fbo_name = 0, fbo_colour = 0, fbo_depth = 0;
static EGLint fbo_alpha_bits = 0, fbo_depth_bits = 0;
static char egl_platform_text[192] = "";

// The path BF_EGL_PLATFORM asks for; -1 (and a line on standard error) for
// a value that names none.
static int egl_requested_path(void) {
  const char* value = getenv("BF_EGL_PLATFORM");
  if (!value || !*value || strcmp(value, "auto") == 0) return EGL_PATH_AUTO;
  if (strcmp(value, "surfaceless") == 0) return EGL_PATH_SURFACELESS;
  if (strcmp(value, "device") == 0) return EGL_PATH_DEVICE;
  if (strcmp(value, "device-fbo") == 0) return EGL_PATH_DEVICE_FBO;
  fprintf(stderr, "headless: BF_EGL_PLATFORM=%s is not auto, surfaceless, device or device-fbo\n", value);
  return -1;
}

static int egl_has_extension(const char* list, const char* name) {
  if (!list) return 0;
  size_t n = strlen(name);
  for (const char* p = list; (p = strstr(p, name)) != nullptr; p += n) {
    if ((p == list || p[-1] == ' ') && (p[n] == ' ' || p[n] == 0)) return 1;
  }
  return 0;
}

// Initialises a display for desktop OpenGL; EGL_NO_DISPLAY when it cannot.
static EGLDisplay egl_initialise(EGLDisplay display) {
  if (display == EGL_NO_DISPLAY) return EGL_NO_DISPLAY;
  EGLint major = 0, minor = 0;
  if (!eglInitialize(display, &major, &minor)) return EGL_NO_DISPLAY;
  if (!eglBindAPI(EGL_OPENGL_API)) {
    eglTerminate(display);
    return EGL_NO_DISPLAY;
  }
  return display;
}

// A configuration for the request with the given surface types (0: any),
// its depth the requested one or else the closest smaller one offered.
static int egl_choose_config(EGLDisplay display, const PIXELFORMATDESCRIPTOR* request, EGLint surface_type,
                             EGLConfig* out) {
  EGLint channel = request->cColorBits >= 24 ? 8 : request->cColorBits / 3;
  const EGLint depths[] = {request->cDepthBits, 24, 16, 0};
  for (EGLint depth : depths) {
    if (depth > request->cDepthBits) continue;
    const EGLint attributes[] = {EGL_SURFACE_TYPE, surface_type,   EGL_RENDERABLE_TYPE,
                                 EGL_OPENGL_BIT,   EGL_RED_SIZE,   channel,
                                 EGL_GREEN_SIZE,   channel,        EGL_BLUE_SIZE,
                                 channel,          EGL_ALPHA_SIZE, request->cAlphaBits,
                                 EGL_DEPTH_SIZE,   depth,          EGL_NONE};
    EGLint count = 0;
    if (eglChooseConfig(display, attributes, out, 1, &count) && count > 0) return 1;
  }
  return 0;
}

// Whether a pbuffer of the window's size can be made with the configuration.
static int egl_pbuffer_fits(EGLDisplay display, EGLConfig config) {
  const EGLint attributes[] = {EGL_WIDTH, surface_width < 1 ? 1 : surface_width, EGL_HEIGHT,
                               surface_height < 1 ? 1 : surface_height, EGL_NONE};
  EGLSurface surface = eglCreatePbufferSurface(display, config, attributes);
  if (surface == EGL_NO_SURFACE) return 0;
  eglDestroySurface(display, surface);
  return 1;
}

static void fbo_release(void) {
  if (fbo_name) fbo_gl.delete_framebuffers(1, &fbo_name);
  if (fbo_colour) fbo_gl.delete_renderbuffers(1, &fbo_colour);
  if (fbo_depth) fbo_gl.delete_renderbuffers(1, &fbo_depth);
  fbo_name = fbo_colour = fbo_depth = 0;
}

// With the context current and no surface: a framebuffer object of the
// given size with colour and depth renderbuffers, bound for drawing and
// reading. Returns 0 (and binds nothing) when it cannot be made complete.
static int fbo_make(int32_t width, int32_t height) {
  if (!fbo_gl.gen_framebuffers) {
    fbo_gl.gen_framebuffers = (PFNGLGENFRAMEBUFFERSPROC)eglGetProcAddress("glGenFramebuffers");
    fbo_gl.delete_framebuffers = (PFNGLDELETEFRAMEBUFFERSPROC)eglGetProcAddress("glDeleteFramebuffers");
    fbo_gl.bind_framebuffer = (PFNGLBINDFRAMEBUFFERPROC)eglGetProcAddress("glBindFramebuffer");
    fbo_gl.gen_renderbuffers = (PFNGLGENRENDERBUFFERSPROC)eglGetProcAddress("glGenRenderbuffers");
    fbo_gl.delete_renderbuffers = (PFNGLDELETERENDERBUFFERSPROC)eglGetProcAddress("glDeleteRenderbuffers");
    fbo_gl.bind_renderbuffer = (PFNGLBINDRENDERBUFFERPROC)eglGetProcAddress("glBindRenderbuffer");
    fbo_gl.renderbuffer_storage = (PFNGLRENDERBUFFERSTORAGEPROC)eglGetProcAddress("glRenderbufferStorage");
    fbo_gl.framebuffer_renderbuffer =
        (PFNGLFRAMEBUFFERRENDERBUFFERPROC)eglGetProcAddress("glFramebufferRenderbuffer");
    fbo_gl.check_framebuffer_status =
        (PFNGLCHECKFRAMEBUFFERSTATUSPROC)eglGetProcAddress("glCheckFramebufferStatus");
  }
  const fbo_functions& f = fbo_gl;
  if (!f.gen_framebuffers || !f.delete_framebuffers || !f.bind_framebuffer || !f.gen_renderbuffers ||
      !f.delete_renderbuffers || !f.bind_renderbuffer || !f.renderbuffer_storage ||
      !f.framebuffer_renderbuffer || !f.check_framebuffer_status) {
    return 0;
  }
  GLint largest = 0;
  glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &largest);
  if (width > largest || height > largest) return 0;
  fbo_release();
  f.gen_framebuffers(1, &fbo_name);
  f.bind_framebuffer(GL_FRAMEBUFFER, fbo_name);
  f.gen_renderbuffers(1, &fbo_colour);
  f.bind_renderbuffer(GL_RENDERBUFFER, fbo_colour);
  f.renderbuffer_storage(GL_RENDERBUFFER, fbo_alpha_bits > 0 ? GL_RGBA8 : GL_RGB8, width, height);
  f.framebuffer_renderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, fbo_colour);
  if (fbo_depth_bits > 0) {
    f.gen_renderbuffers(1, &fbo_depth);
    f.bind_renderbuffer(GL_RENDERBUFFER, fbo_depth);
    f.renderbuffer_storage(GL_RENDERBUFFER, fbo_depth_bits > 16 ? GL_DEPTH_COMPONENT24 : GL_DEPTH_COMPONENT16,
                           width, height);
    f.framebuffer_renderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, fbo_depth);
  }
  f.bind_renderbuffer(GL_RENDERBUFFER, 0);
  if (f.check_framebuffer_status(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
    f.bind_framebuffer(GL_FRAMEBUFFER, 0);
    fbo_release();
    return 0;
  }
  glDrawBuffer(GL_COLOR_ATTACHMENT0);
  glReadBuffer(GL_COLOR_ATTACHMENT0);
  return 1;
}

// Whether a context made with the configuration, current without a surface,
// gets a framebuffer object of the window's size.
static int egl_fbo_fits(EGLDisplay display, EGLConfig config, const PIXELFORMATDESCRIPTOR* request) {
  if (!egl_has_extension(eglQueryString(display, EGL_EXTENSIONS), "EGL_KHR_surfaceless_context")) return 0;
  EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, nullptr);
  if (context == EGL_NO_CONTEXT) return 0;
  int fits = 0;
  if (eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context)) {
    fbo_alpha_bits = request->cAlphaBits;
    fbo_depth_bits = request->cDepthBits;
    fits = fbo_make(surface_width < 1 ? 1 : surface_width, surface_height < 1 ? 1 : surface_height);
    fbo_release();
    eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
  }
  eglDestroyContext(display, context);
  return fits;
}

// A name for a device: its DRM node, else "software" for Mesa's software
// device, else "unnamed".
static const char* egl_device_name(EGLDeviceEXT device, PFNEGLQUERYDEVICESTRINGEXTPROC query_string) {
#ifdef EGL_DRM_RENDER_NODE_FILE_EXT
  const char* node = query_string(device, EGL_DRM_RENDER_NODE_FILE_EXT);
  if (node && *node) return node;
#endif
  const char* file = query_string(device, EGL_DRM_DEVICE_FILE_EXT);
  if (file && *file) return file;
  if (egl_has_extension(query_string(device, EGL_EXTENSIONS), "EGL_MESA_device_software")) return "software";
  return "unnamed";
}

// The device platform: the first device that gets a pbuffer of the window's
// size (unless fbo_only) or, on a second pass, a framebuffer object.
static int egl_open_device(const PIXELFORMATDESCRIPTOR* request, int fbo_only) {
  const char* client = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
  if (!egl_has_extension(client, "EGL_EXT_platform_device")) return 0;
  PFNEGLQUERYDEVICESEXTPROC query_devices =
      (PFNEGLQUERYDEVICESEXTPROC)eglGetProcAddress("eglQueryDevicesEXT");
  PFNEGLQUERYDEVICESTRINGEXTPROC query_string =
      (PFNEGLQUERYDEVICESTRINGEXTPROC)eglGetProcAddress("eglQueryDeviceStringEXT");
  PFNEGLGETPLATFORMDISPLAYEXTPROC get_platform_display =
      (PFNEGLGETPLATFORMDISPLAYEXTPROC)eglGetProcAddress("eglGetPlatformDisplayEXT");
  if (!query_devices || !query_string || !get_platform_display) return 0;
  EGLDeviceEXT devices[16];
  EGLint count = 0;
  if (!query_devices(16, devices, &count) || count < 1) return 0;
  for (int pass = fbo_only ? 1 : 0; pass < 2; pass++) {
    for (EGLint i = 0; i < count; i++) {
      EGLDisplay display = egl_initialise(get_platform_display(EGL_PLATFORM_DEVICE_EXT, devices[i], nullptr));
      if (display == EGL_NO_DISPLAY) continue;
      EGLConfig config = nullptr;
      int fits = pass == 0 ? egl_choose_config(display, request, EGL_PBUFFER_BIT, &config) &&
                                 egl_pbuffer_fits(display, config)
                           : egl_choose_config(display, request, 0, &config) &&
                                 egl_fbo_fits(display, config, request);
      if (!fits) {
        eglTerminate(display);
        continue;
      }
      egl_display = display;
      egl_config = config;
      use_fbo = pass == 1;
      snprintf(egl_platform_text, sizeof egl_platform_text, "device %d (%s, %s), %s", (int)i,
               egl_device_name(devices[i], query_string), eglQueryString(display, EGL_VENDOR),
               use_fbo ? "framebuffer object" : "pbuffer");
      return 1;
    }
  }
  return 0;
}

// Opens the display and chooses the configuration for the request, once
// for the process (later windows take the same display and path).
static int egl_open(const PIXELFORMATDESCRIPTOR* request) {
  if (egl_display == EGL_NO_DISPLAY) {
    int path = egl_requested_path();
    if (path < 0) return 0;
    if (path == EGL_PATH_AUTO || path == EGL_PATH_SURFACELESS) {
      PFNEGLGETPLATFORMDISPLAYEXTPROC get_platform_display =
          (PFNEGLGETPLATFORMDISPLAYEXTPROC)eglGetProcAddress("eglGetPlatformDisplayEXT");
      const char* client = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
      if (get_platform_display && egl_has_extension(client, "EGL_MESA_platform_surfaceless")) {
        egl_display =
            egl_initialise(get_platform_display(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr));
      }
      if (egl_display != EGL_NO_DISPLAY) {
        use_fbo = 0;
        snprintf(egl_platform_text, sizeof egl_platform_text, "surfaceless (%s), pbuffer",
                 eglQueryString(egl_display, EGL_VENDOR));
      }
    }
    if (egl_display == EGL_NO_DISPLAY && path != EGL_PATH_SURFACELESS) {
      if (!egl_open_device(request, path == EGL_PATH_DEVICE_FBO)) return 0;
    }
    if (egl_display == EGL_NO_DISPLAY) return 0;
  }
  EGLConfig config = nullptr;
  if (!egl_choose_config(egl_display, request, use_fbo ? 0 : EGL_PBUFFER_BIT, &config)) return 0;
  egl_config = config;
  fbo_alpha_bits = request->cAlphaBits;
  fbo_depth_bits = request->cDepthBits;
  return 1;
}

// Makes the context current on a drawable of the window's size: a new
// pbuffer, or the framebuffer object remade at that size.
static int make_surface_current(int32_t width, int32_t height) {
  if (width < 1) width = 1;
  if (height < 1) height = 1;
  if (use_fbo) {
    if (!eglMakeCurrent(egl_display, EGL_NO_SURFACE, EGL_NO_SURFACE, egl_context)) return 0;
    if (!fbo_make(width, height)) return 0;
    surface_width = width;
    surface_height = height;
    return 1;
  }
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

int headless_gl_available(void) {
  PIXELFORMATDESCRIPTOR request = {};
  request.nSize = sizeof request;
  request.cColorBits = 24;
  request.cDepthBits = 16;
  return egl_open(&request);
}

int platform_choose_pixel_format(HDC dc, const PIXELFORMATDESCRIPTOR* request) {
  log_call("choose_pixel_format");
  record.pixel_format = *request;
  if (failure == HEADLESS_FAIL_CHOOSE_PIXEL_FORMAT || dc != the_dc) return 0;
  if (!egl_open(request)) return 0;
  EGLint bits = 0;
  eglGetConfigAttrib(egl_display, egl_config, EGL_DEPTH_SIZE, &bits);
  // A framebuffer object gets the depth it asks for, whatever the config has.
  record.depth_bits = use_fbo ? (request->cDepthBits > 16 ? 24 : request->cDepthBits > 0 ? 16 : 0) : bits;
  config_chosen = 1;
  return 1;
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
  // The framebuffer object goes with its context.
  fbo_name = fbo_colour = fbo_depth = 0;
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

static bool egl_swap = true;

void headless_set_egl_swap(bool on) { egl_swap = on; }

int platform_swap_buffers(HDC dc) {
  if (dc != the_dc) return 0;
  record.swap_count++;
  // A no-op on a pbuffer, but it marks the frame's end for frame debuggers
  // and tracers. A framebuffer object has no surface to swap.
  if (egl_swap && egl_surface != EGL_NO_SURFACE && eglSwapBuffers(egl_display, egl_surface))
    record.egl_swaps++;
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
  if (egl_context != EGL_NO_CONTEXT && (egl_surface != EGL_NO_SURFACE || fbo_name)) {
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

const char* headless_egl_platform(void) { return egl_platform_text; }

void headless_clear_record(void) {
  int32_t counter = record.cursor_counter;
  int32_t switched = record.display_mode_switched;
  memset(&record, 0, sizeof record);
  record.cursor_counter = counter;
  record.display_mode_switched = switched;
}

const char* platform_window_system(void) { return "headless EGL"; }
