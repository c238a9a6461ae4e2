// SDL2 backend: the shell's window is a borderless SDL window at the screen
// origin (a decorated one when a caption is asked for) with an OpenGL compatibility context (8-bit RGBA, the
// requested depth or the closest offered, double-buffered). SDL events become Windows messages in the shared
// queue (shell/msg_queue.h), keys become Windows virtual-key codes, and the display mode, cursor and message
// box go through SDL. Depends on SDL2 and shell/platform.h.
#include <SDL.h>
#include <SDL_opengl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "shell/msg_queue.h"
#include "shell/platform.h"

// ---------------------------------------------------------------------------
// State

static struct { int unused; } window_object, dc_object, context_object;

static HWND const the_window = (HWND)(void*)&window_object;
static HDC const the_dc = (HDC)(void*)&dc_object;
static HGLRC const the_context = (HGLRC)(void*)&context_object;

static int video_ready = 0;
static platform_window_proc class_proc = nullptr;
static char window_title[256];
static int32_t window_x, window_y, window_width, window_height;
static int window_has_frame = 0;  // WS_CAPTION asked for: a decorated window
static int window_created = 0;    // CreateWindowExA succeeded
static SDL_Window* sdl_window = nullptr;
static SDL_GLContext sdl_context = nullptr;
static int display_switched = 0;
static int cursor_counter = 0;
static uint32_t buttons_held = 0;  // MK_ flags of the buttons down
static char video_failure[256];    // why the video subsystem could not start
static char gl_failure[256];       // SDL's error of the last failed GL step

// Display-mode results of ChangeDisplaySettingsA.
static const int32_t disp_change_successful = 0;
static const int32_t disp_change_failed = -1;

// Deletes the GL context after letting the driver finish what it was given.
// Mesa's llvmpipe can deadlock tearing down a context while a frame is still
// being rasterised (one of its worker threads is left waiting for another
// that has already exited), so the frame in flight is finished first.
static void finish_and_delete_context(void) {
  if (!sdl_context) return;
  if (sdl_window && SDL_GL_MakeCurrent(sdl_window, sdl_context) == 0) {
    glFinish();
    SDL_GL_MakeCurrent(sdl_window, nullptr);
  }
  SDL_GL_DeleteContext(sdl_context);
  sdl_context = nullptr;
}

// Undoes a display-mode switch when the process ends, as Windows does for a
// temporary (CDS_FULLSCREEN) change, and shuts SDL down: the context and the
// window go first, before SDL closes the display connection.
static void restore_at_exit(void) {
  if (display_switched && sdl_window) SDL_SetWindowFullscreen(sdl_window, 0);
  display_switched = 0;
  finish_and_delete_context();
  if (sdl_window) SDL_DestroyWindow(sdl_window);
  sdl_window = nullptr;
  SDL_Quit();
}

// Starts SDL's video subsystem once; 0 when no display can be reached. SDL's
// off-screen and dummy drivers show nothing to a user, so they count as no
// display unless SDL_VIDEODRIVER asks for them by name.
static int ensure_video(void) {
  if (video_ready) return 1;
  // An X display asked for and no Wayland one: only SDL's X11 driver can
  // show the window, and its own error then names what failed (SDL would
  // otherwise go on to drivers that fail with messages of their own).
  const char* x11 = getenv("DISPLAY");
  const char* wayland = getenv("WAYLAND_DISPLAY");
  if (!getenv("SDL_VIDEODRIVER") && x11 && *x11 && !(wayland && *wayland))
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    snprintf(video_failure, sizeof video_failure, "%s", SDL_GetError());
    return 0;
  }
  const char* driver = SDL_GetCurrentVideoDriver();
  if (!getenv("SDL_VIDEODRIVER") && driver && (!strcmp(driver, "offscreen") || !strcmp(driver, "dummy"))) {
    snprintf(video_failure, sizeof video_failure,
             "SDL reached no display, only its %s driver, which shows nothing", driver);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return 0;
  }
  atexit(restore_at_exit);
  video_ready = 1;
  return 1;
}

// ---------------------------------------------------------------------------
// Window and context

void platform_display_size(int32_t* width, int32_t* height) {
  *width = 0;
  *height = 0;
  SDL_DisplayMode mode;
  if (!ensure_video() || SDL_GetDesktopDisplayMode(0, &mode) != 0) return;
  *width = mode.w;
  *height = mode.h;
}

int platform_register_class(HINSTANCE instance, const char* class_name, UINT class_style,
                            platform_window_proc proc) {
  if (!proc) return 0;
  class_proc = proc;
  return 1;
}

HWND platform_create_window(HINSTANCE instance, const char* class_name, const char* title, DWORD style,
                            int32_t x, int32_t y, int32_t width, int32_t height) {
  if (!class_proc || width <= 0 || height <= 0 || !ensure_video()) return nullptr;
  // The SDL window itself is made with the pixel format, which SDL needs
  // before the window exists.
  snprintf(window_title, sizeof window_title, "%s", title ? title : "");
  window_x = x;
  window_y = y;
  window_width = width;
  window_height = height;
  window_has_frame = (style & WS_CAPTION) != 0;
  window_created = 1;
  return the_window;
}

HDC platform_get_dc(HWND window) { return window == the_window && window_created ? the_dc : nullptr; }

int platform_choose_pixel_format(HDC dc, const PIXELFORMATDESCRIPTOR* request) {
  if (dc != the_dc) return 0;
  if (sdl_window) return 1;
  int channel = request->cColorBits >= 24 ? 8 : request->cColorBits / 3;
  // The requested depth, else the closest smaller one offered.
  const int depths[] = {request->cDepthBits, 24, 16};
  for (int depth : depths) {
    if (depth > request->cDepthBits) continue;
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, channel);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, channel);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, channel);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, request->cAlphaBits);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, depth);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, request->cStencilBits);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, (request->dwFlags & PFD_DOUBLEBUFFER) ? 1 : 0);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    Uint32 frame = window_has_frame ? 0 : SDL_WINDOW_BORDERLESS;
    sdl_window = SDL_CreateWindow(window_title, window_x, window_y, window_width, window_height,
                                  SDL_WINDOW_OPENGL | frame | SDL_WINDOW_HIDDEN);
    if (sdl_window) return 1;
    snprintf(gl_failure, sizeof gl_failure, "%s", SDL_GetError());
  }
  return 0;
}

int platform_set_pixel_format(HDC dc, int format, const PIXELFORMATDESCRIPTOR* request) {
  return dc == the_dc && format == 1 && sdl_window != nullptr;
}

HGLRC platform_create_context(HDC dc) {
  if (dc != the_dc || !sdl_window) return nullptr;
  if (!sdl_context) sdl_context = SDL_GL_CreateContext(sdl_window);
  if (!sdl_context) snprintf(gl_failure, sizeof gl_failure, "%s", SDL_GetError());
  return sdl_context ? the_context : nullptr;
}

int platform_make_current(HDC dc, HGLRC context) {
  if (!context) {
    if (sdl_window) SDL_GL_MakeCurrent(sdl_window, nullptr);
    return 1;
  }
  if (dc != the_dc || context != the_context || !sdl_context) return 0;
  return SDL_GL_MakeCurrent(sdl_window, sdl_context) == 0;
}

int platform_delete_context(HGLRC context) {
  if (context != the_context || !sdl_context) return 0;
  finish_and_delete_context();
  return 1;
}

int platform_release_dc(HWND window, HDC dc) { return window == the_window && dc == the_dc; }

int32_t platform_change_display_mode(int32_t width, int32_t height) {
  if (!sdl_window) return disp_change_failed;
  int display = SDL_GetWindowDisplayIndex(sdl_window);
  SDL_DisplayMode desktop;
  if (display < 0 || SDL_GetDesktopDisplayMode(display, &desktop) != 0) return disp_change_failed;
  if (desktop.w == width && desktop.h == height) return disp_change_successful;  // already in force
  // The closest mode the display offers; the window then follows that mode's
  // size through the WM_SIZE it causes.
  SDL_DisplayMode wanted = desktop;
  wanted.w = width;
  wanted.h = height;
  SDL_DisplayMode closest;
  if (!SDL_GetClosestDisplayMode(display, &wanted, &closest)) return disp_change_failed;
  if (SDL_SetWindowDisplayMode(sdl_window, &closest) != 0) return disp_change_failed;
  if (SDL_SetWindowFullscreen(sdl_window, SDL_WINDOW_FULLSCREEN) != 0) return disp_change_failed;
  display_switched = 1;
  return disp_change_successful;
}

int32_t platform_restore_display_mode(void) {
  if (display_switched && sdl_window) SDL_SetWindowFullscreen(sdl_window, 0);
  display_switched = 0;
  return disp_change_successful;
}

void platform_show_window(HWND window) {
  if (window != the_window || !sdl_window) return;
  SDL_ShowWindow(sdl_window);
  SDL_RaiseWindow(sdl_window);
}

int platform_show_cursor(int show) {
  cursor_counter += show ? 1 : -1;
  if (video_ready) SDL_ShowCursor(cursor_counter >= 0 ? SDL_ENABLE : SDL_DISABLE);
  return cursor_counter;
}

int platform_set_cursor_pos(int32_t x, int32_t y) {
  if (!video_ready) return 0;
  // The window sits at the screen origin: client and screen pixels agree.
  if (sdl_window) {
    SDL_WarpMouseInWindow(sdl_window, x, y);
    return 1;
  }
  return SDL_WarpMouseGlobal(x, y) == 0;
}

int platform_swap_buffers(HDC dc) {
  if (dc != the_dc || !sdl_window) return 0;
  SDL_GL_SwapWindow(sdl_window);
  return 1;
}

int platform_set_swap_interval(int interval) {
  return sdl_context && SDL_GL_SetSwapInterval(interval) == 0 ? 1 : 0;
}

// ---------------------------------------------------------------------------
// Keys

// Windows virtual-key code of an SDL key; 0 for keys without one.
static uint8_t virtual_key(SDL_Keycode sym, SDL_Scancode scan) {
  if (sym >= SDLK_a && sym <= SDLK_z) return (uint8_t)('A' + (sym - SDLK_a));
  if (sym >= SDLK_0 && sym <= SDLK_9) return (uint8_t)('0' + (sym - SDLK_0));
  if (sym >= SDLK_F1 && sym <= SDLK_F12) return (uint8_t)(VK_F1 + (sym - SDLK_F1));
  if (sym >= SDLK_F13 && sym <= SDLK_F24) return (uint8_t)(VK_F1 + 12 + (sym - SDLK_F13));
  if (sym >= SDLK_KP_1 && sym <= SDLK_KP_9) return (uint8_t)(VK_NUMPAD0 + 1 + (sym - SDLK_KP_1));
  switch (sym) {
    case SDLK_ESCAPE:
      return VK_ESCAPE;
    case SDLK_RETURN:
      return VK_RETURN;
    case SDLK_KP_ENTER:
      return VK_RETURN;
    case SDLK_BACKSPACE:
      return VK_BACK;
    case SDLK_TAB:
      return VK_TAB;
    case SDLK_SPACE:
      return VK_SPACE;
    case SDLK_LEFT:
      return VK_LEFT;
    case SDLK_RIGHT:
      return VK_RIGHT;
    case SDLK_UP:
      return VK_UP;
    case SDLK_DOWN:
      return VK_DOWN;
    case SDLK_INSERT:
      return VK_INSERT;
    case SDLK_DELETE:
      return VK_DELETE;
    case SDLK_HOME:
      return VK_HOME;
    case SDLK_END:
      return VK_END;
    case SDLK_PAGEUP:
      return VK_PRIOR;
    case SDLK_PAGEDOWN:
      return VK_NEXT;
    case SDLK_PAUSE:
      return VK_PAUSE;
    case SDLK_CAPSLOCK:
      return VK_CAPITAL;
    case SDLK_NUMLOCKCLEAR:
      return VK_NUMLOCK;
    case SDLK_SCROLLLOCK:
      return VK_SCROLL;
    case SDLK_PRINTSCREEN:
      return VK_SNAPSHOT;
    case SDLK_LCTRL:
    case SDLK_RCTRL:
      return VK_CONTROL;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT:
      return VK_SHIFT;
    case SDLK_LALT:
    case SDLK_RALT:
      return VK_MENU;
    case SDLK_LGUI:
      return VK_LWIN;
    case SDLK_RGUI:
      return VK_RWIN;
    case SDLK_APPLICATION:
      return VK_APPS;
    case SDLK_KP_0:
      return VK_NUMPAD0;
    case SDLK_KP_MULTIPLY:
      return VK_MULTIPLY;
    case SDLK_KP_PLUS:
      return VK_ADD;
    case SDLK_KP_MINUS:
      return VK_SUBTRACT;
    case SDLK_KP_PERIOD:
      return VK_DECIMAL;
    case SDLK_KP_DIVIDE:
      return VK_DIVIDE;
    case SDLK_SEMICOLON:
      return VK_OEM_1;
    case SDLK_EQUALS:
      return VK_OEM_PLUS;
    case SDLK_COMMA:
      return VK_OEM_COMMA;
    case SDLK_MINUS:
      return VK_OEM_MINUS;
    case SDLK_PERIOD:
      return VK_OEM_PERIOD;
    case SDLK_SLASH:
      return VK_OEM_2;
    case SDLK_BACKQUOTE:
      return VK_OEM_3;
    case SDLK_LEFTBRACKET:
      return VK_OEM_4;
    case SDLK_BACKSLASH:
      return VK_OEM_5;
    case SDLK_RIGHTBRACKET:
      return VK_OEM_6;
    case SDLK_QUOTE:
      return VK_OEM_7;
    default:
      break;
  }
  // Layouts without Latin letters: the key's position names the letter.
  if (scan >= SDL_SCANCODE_A && scan <= SDL_SCANCODE_Z) return (uint8_t)('A' + (scan - SDL_SCANCODE_A));
  return 0;
}

static void post_key(const SDL_KeyboardEvent* key) {
  uint8_t vk = virtual_key(key->keysym.sym, key->keysym.scancode);
  if (vk == 0) return;
  int up = key->type == SDL_KEYUP;
  SDL_Keycode sym = key->keysym.sym;
  int right = sym == SDLK_RCTRL || sym == SDLK_RSHIFT || sym == SDLK_RALT;
  LPARAM lparam = msg_queue_key_lparam(right, up, vk);
  if (!up && key->repeat) lparam = (LPARAM)((uintptr_t)lparam | 0x40000000u);  // was already down
  // Alt and keys pressed with Alt come as system keys, as on Windows.
  int system = vk == VK_MENU || (key->keysym.mod & KMOD_ALT) != 0;
  UINT message = up ? (system ? WM_SYSKEYUP : WM_KEYUP) : (system ? WM_SYSKEYDOWN : WM_KEYDOWN);
  msg_queue_post(the_window, message, vk, lparam);
}

// ---------------------------------------------------------------------------
// Events to messages

// MK_ flags of the held buttons and modifier keys.
static WPARAM mouse_flags(void) {
  WPARAM flags = buttons_held;
  SDL_Keymod mods = SDL_GetModState();
  if (mods & KMOD_SHIFT) flags |= MK_SHIFT;
  if (mods & KMOD_CTRL) flags |= MK_CONTROL;
  return flags;
}

static uint32_t button_flag(uint8_t button) {
  switch (button) {
    case SDL_BUTTON_LEFT:
      return MK_LBUTTON;
    case SDL_BUTTON_RIGHT:
      return MK_RBUTTON;
    case SDL_BUTTON_MIDDLE:
      return MK_MBUTTON;
    default:
      return 0;
  }
}

static void post_button(const SDL_MouseButtonEvent* button) {
  uint32_t flag = button_flag(button->button);
  if (!flag) return;
  int down = button->type == SDL_MOUSEBUTTONDOWN;
  if (down)
    buttons_held |= flag;
  else
    buttons_held &= ~flag;
  UINT message;
  if (flag == MK_LBUTTON)
    message = down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
  else if (flag == MK_RBUTTON)
    message = down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
  else
    message = down ? WM_MBUTTONDOWN : WM_MBUTTONUP;
  msg_queue_post(the_window, message, mouse_flags(), MAKELPARAM(button->x, button->y));
}

static void post_event(const SDL_Event* e) {
  switch (e->type) {
    case SDL_QUIT:
      msg_queue_post(nullptr, WM_QUIT, 0, 0);
      break;
    case SDL_WINDOWEVENT:
      if (e->window.event == SDL_WINDOWEVENT_SIZE_CHANGED)
        msg_queue_post(the_window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(e->window.data1, e->window.data2));
      else if (e->window.event == SDL_WINDOWEVENT_CLOSE)
        msg_queue_post(the_window, WM_CLOSE, 0, 0);
      break;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      post_key(&e->key);
      break;
    case SDL_MOUSEMOTION:
      msg_queue_post(the_window, WM_MOUSEMOVE, mouse_flags(), MAKELPARAM(e->motion.x, e->motion.y));
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      post_button(&e->button);
      break;
    case SDL_MOUSEWHEEL: {
      int x = 0, y = 0;
      SDL_GetMouseState(&x, &y);
      WPARAM delta = (WPARAM)(WORD)(int16_t)(e->wheel.y * 120);
      msg_queue_post(the_window, WM_MOUSEWHEEL, (delta << 16) | mouse_flags(), MAKELPARAM(x, y));
      break;
    }
    default:
      break;
  }
}

static void post_pending_events(void) {
  if (!video_ready) return;
  SDL_Event e;
  while (SDL_PollEvent(&e)) post_event(&e);
}

// ---------------------------------------------------------------------------
// Messages and dialogs

void platform_get_keyboard_state(uint8_t state[256]) { msg_queue_key_state(state); }

int platform_peek_message(MSG* msg) {
  post_pending_events();
  return msg_queue_peek(msg);
}

int platform_get_message(MSG* msg) {
  while (!msg_queue_take(msg)) {
    SDL_Event e;
    if (!video_ready || !SDL_WaitEvent(&e)) {
      memset(msg, 0, sizeof *msg);  // nothing can arrive: a WM_NULL
      return 1;
    }
    post_event(&e);
  }
  return msg->message != WM_QUIT;
}

void platform_translate_message(const MSG* msg) {}

LRESULT platform_dispatch_message(const MSG* msg) {
  if (!msg->hwnd || msg->hwnd != the_window || !class_proc) return 0;
  return class_proc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

LRESULT platform_default_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) { return 0; }

void platform_post_quit_message(int exit_code) { msg_queue_post(nullptr, WM_QUIT, (WPARAM)exit_code, 0); }

// The display the user asked for: the X display when DISPLAY is set, else
// the Wayland one; "" when neither is set.
static const char* display_name(const char** kind) {
  const char* x11 = getenv("DISPLAY");
  const char* wayland = getenv("WAYLAND_DISPLAY");
  if (x11 && *x11) {
    *kind = "X display";
    return x11;
  }
  *kind = "Wayland display";
  return wayland && *wayland ? wayland : "";
}

void platform_display_problem(char* out, int size) {
  const char* kind = "";
  const char* name = display_name(&kind);
  const char* why = video_failure[0] ? video_failure : SDL_GetError();
  if (!*name)
    snprintf(out, (size_t)size, "Can't open a display: neither DISPLAY nor WAYLAND_DISPLAY is set (SDL: %s).",
             why);
  else
    snprintf(out, (size_t)size,
             "Can't open the %s \"%s\": no display server there accepts this program (SDL: %s).", kind, name,
             why);
}

void platform_explain_failure(void) {
  if (!gl_failure[0]) return;
  fprintf(stderr, "SDL: %s\n", gl_failure);
  // SDL's X11 driver reports a server without GLX, or without a visual the
  // request fits, in these words.
  if (strstr(gl_failure, "GLX") || strstr(gl_failure, "visual") || strstr(gl_failure, "OpenGL")) {
    const char* kind = "";
    const char* name = display_name(&kind);
    fprintf(stderr,
            "hint: the %s \"%s\" offers no OpenGL visual for this window (an X server without the GLX "
            "extension, such as Xvfb started with -extension GLX, has none); use a display with OpenGL, or "
            "render headless with boxfield_runner or gallery_runner\n",
            kind, name);
  }
  fflush(stderr);
}

int platform_message_box(const char* text, const char* caption, UINT type) {
  // Also on standard error, for a program started from a terminal and for
  // machines where no box can be shown.
  fprintf(stderr, "%s: %s\n", caption ? caption : "", text ? text : "");
  fflush(stderr);
  Uint32 flags = (type & MB_ICONERROR) ? SDL_MESSAGEBOX_ERROR : SDL_MESSAGEBOX_INFORMATION;
  if (SDL_ShowSimpleMessageBox(flags, caption ? caption : "", text ? text : "", nullptr) != 0) return 0;
  return 1;  // IDOK
}

const char* platform_window_system(void) {
  static char name[64];
  const char* driver = SDL_GetCurrentVideoDriver();
  snprintf(name, sizeof name, "SDL %s", driver ? driver : "(no video driver)");
  return name;
}
