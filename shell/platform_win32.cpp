// Native Win32 backend: RegisterClassA / CreateWindowExA with a thin
// CALLBACK trampoline to the shell's window procedure, ChoosePixelFormat and
// WGL for the context, ChangeDisplaySettingsA with a 156-byte DEVMODEA, and
// the user32 message, cursor and dialog calls. Depends on <windows.h>,
// opengl32 and shell/platform.h.
#include "shell/platform.h"

#include <stdio.h>

// ---------------------------------------------------------------------------
// Window procedure

// The shell's procedure, called from the trampoline Windows calls.
static platform_window_proc class_proc = nullptr;

static LRESULT CALLBACK window_proc_trampoline(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (!class_proc) return DefWindowProcA(window, message, wparam, lparam);
  return class_proc(window, message, wparam, lparam);
}

// ---------------------------------------------------------------------------
// Window and context

void platform_display_size(int32_t* width, int32_t* height) {
  *width = GetSystemMetrics(SM_CXSCREEN);
  *height = GetSystemMetrics(SM_CYSCREEN);
}

int platform_register_class(HINSTANCE instance, const char* class_name, UINT class_style,
                            platform_window_proc proc) {
  class_proc = proc;
  WNDCLASSA window_class;
  ZeroMemory(&window_class, sizeof window_class);
  window_class.style = class_style;
  window_class.lpfnWndProc = window_proc_trampoline;
  window_class.cbClsExtra = 0;
  window_class.cbWndExtra = 0;
  window_class.hInstance = instance;
  window_class.hIcon = nullptr;
  window_class.hCursor = LoadCursorA(nullptr, (LPCSTR)IDC_ARROW);
  window_class.hbrBackground = nullptr;
  window_class.lpszMenuName = nullptr;
  window_class.lpszClassName = class_name;
  return RegisterClassA(&window_class) != 0;
}

// The window when it has a frame: cursor positions are then client pixels
// to be turned into screen pixels.
static HWND framed_window = nullptr;

HWND platform_create_window(HINSTANCE instance, const char* class_name, const char* title, DWORD style,
                            int32_t x, int32_t y, int32_t width, int32_t height) {
  if (style & WS_CAPTION) {
    RECT frame = {0, 0, width, height};
    AdjustWindowRect(&frame, style, FALSE);
    width = frame.right - frame.left;
    height = frame.bottom - frame.top;
  }
  HWND window =
      CreateWindowExA(0, class_name, title, style, x, y, width, height, nullptr, nullptr, instance, nullptr);
  if (style & WS_CAPTION) framed_window = window;
  return window;
}

HDC platform_get_dc(HWND window) { return GetDC(window); }

int platform_choose_pixel_format(HDC dc, const PIXELFORMATDESCRIPTOR* request) {
  return ChoosePixelFormat(dc, request);
}

int platform_set_pixel_format(HDC dc, int format, const PIXELFORMATDESCRIPTOR* request) {
  return SetPixelFormat(dc, format, request) ? 1 : 0;
}

HGLRC platform_create_context(HDC dc) { return wglCreateContext(dc); }

int platform_make_current(HDC dc, HGLRC context) { return wglMakeCurrent(dc, context) ? 1 : 0; }

int platform_delete_context(HGLRC context) { return context && wglDeleteContext(context) ? 1 : 0; }

int platform_release_dc(HWND window, HDC dc) { return window && dc && ReleaseDC(window, dc) ? 1 : 0; }

static_assert(sizeof(DEVMODEA) == 156, "the display-mode request is the 156-byte DEVMODEA");

int32_t platform_change_display_mode(int32_t width, int32_t height) {
  DEVMODEA mode;
  ZeroMemory(&mode, sizeof mode);
  mode.dmSize = sizeof mode;
  mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
  mode.dmPelsWidth = (DWORD)width;
  mode.dmPelsHeight = (DWORD)height;
  return ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN);
}

int32_t platform_restore_display_mode(void) { return ChangeDisplaySettingsA(nullptr, 0); }

void platform_show_window(HWND window) { ShowWindow(window, SW_SHOW); }

int platform_show_cursor(int show) { return ShowCursor(show ? TRUE : FALSE); }

int platform_set_cursor_pos(int32_t x, int32_t y) {
  POINT p = {x, y};
  if (framed_window) ClientToScreen(framed_window, &p);
  return SetCursorPos(p.x, p.y) ? 1 : 0;
}

int platform_swap_buffers(HDC dc) { return SwapBuffers(dc) ? 1 : 0; }

int platform_set_swap_interval(int interval) {
  // WGL_EXT_swap_control: the entry point exists only where the driver
  // offers the extension.
  typedef BOOL(WINAPI * swap_interval_fn)(int);
  swap_interval_fn set = (swap_interval_fn)(void*)wglGetProcAddress("wglSwapIntervalEXT");
  return set && set(interval) ? 1 : 0;
}

// ---------------------------------------------------------------------------
// Messages and dialogs

void platform_get_keyboard_state(uint8_t state[256]) { GetKeyboardState(state); }

int platform_peek_message(MSG* msg) { return PeekMessageA(msg, nullptr, 0, 0, PM_NOREMOVE) ? 1 : 0; }

int platform_get_message(MSG* msg) { return GetMessageA(msg, nullptr, 0, 0); }

void platform_translate_message(const MSG* msg) { TranslateMessage(msg); }

LRESULT platform_dispatch_message(const MSG* msg) { return DispatchMessageA(msg); }

LRESULT platform_default_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  return DefWindowProcA(window, message, wparam, lparam);
}

void platform_post_quit_message(int exit_code) { PostQuitMessage(exit_code); }

void platform_display_problem(char* out, int size) {
  snprintf(out, (size_t)size, "Can't open the display: Windows reports a screen of %dx%d pixels.",
           GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
}

// The message box says all Windows tells about the failure.
void platform_explain_failure(void) {}

int platform_message_box(const char* text, const char* caption, UINT type) {
  return MessageBoxA(nullptr, text, caption, type);
}

const char* platform_window_system(void) { return "Win32"; }
