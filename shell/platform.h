// The platform layer: everything the shell needs from the operating system
// and windowing system, behind one set of free functions. The shell's logic
// (window set-up order, fatal messages, message handling, key and mouse state,
// projection) is written once on top of these; each backend supplies them:
//   shell/platform_win32.cpp     native Win32 + WGL (MinGW-w64 builds)
//   shell/platform_sdl.cpp       SDL2 window with a GL compatibility context
//   shell/platform_headless.cpp  EGL/Mesa off-screen context, scripted input
// OS services that do not depend on the window system (clocks, dates) live in
// shell/os_clock.cpp and shell/os_date.cpp and are shared by the backends of
// one operating system. Handle types, records, message and key codes have
// their Windows names and values everywhere (shell/win_types.h).
#pragma once

#include <stdint.h>

#include "shell/win_types.h"

// ---------------------------------------------------------------------------
// Clocks (shell/os_clock.cpp)

// Counter frequency as an unsigned low half and a signed high half; returns 0
// when the machine has no performance counter.
int platform_performance_frequency(uint32_t* low, int32_t* high);

// Current performance-counter value, split like the frequency.
void platform_performance_counter(uint32_t* low, int32_t* high);

// Milliseconds of a monotonic clock, as an unsigned 32-bit value that wraps.
uint32_t platform_tick_count(void);

// ---------------------------------------------------------------------------
// Dates (shell/os_date.cpp): GetDateFormatA / GetTimeFormatA pictures in the
// user's locale, and FILETIME conversion. A null time means the current local
// time. The formatters return the characters written including the
// terminator, or 0 on failure (the text is then empty when size > 0).

// Date picture: d, dd, ddd, dddd, M, MM, MMM, MMMM, y, yy, yyyy, 'quoted text'.
int platform_format_date(const SYSTEMTIME* time, const char* picture, char* out, int size);

// Time picture: h, hh, H, HH, m, mm, s, ss, t, tt, 'quoted text'; flags as
// GetTimeFormatA (TIME_FORCE24HOURFORMAT).
int platform_format_time(const SYSTEMTIME* time, DWORD flags, const char* picture, char* out, int size);

// FileTimeToSystemTime: the UTC calendar fields of a FILETIME; 0 when the
// value is out of range (top bit set), leaving *out untouched.
int platform_file_time_to_system_time(const FILETIME* file_time, SYSTEMTIME* out);

// ---------------------------------------------------------------------------
// Window, GL context, display, cursor, messages and dialogs (one backend:
// shell/platform_win32.cpp, platform_sdl.cpp or platform_headless.cpp). Each
// operation mirrors the Win32 call named beside it; backends without native
// windows keep a message queue of their own (shell/msg_queue.h).

// The procedure a window class dispatches its messages to.
typedef LRESULT (*platform_window_proc)(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// GetSystemMetrics(SM_CXSCREEN / SM_CYSCREEN): the display size in pixels,
// 0 x 0 when no display can be reached.
void platform_display_size(int32_t* width, int32_t* height);

// RegisterClassA: class name, style and procedure; 0 on failure.
int platform_register_class(HINSTANCE instance, const char* class_name, UINT class_style,
                            platform_window_proc proc);

// CreateWindowExA (extended style 0, no parent or menu), not yet visible;
// null on failure. With WS_CAPTION in style, width and height are the
// client area's (the frame is added around it).
HWND platform_create_window(HINSTANCE instance, const char* class_name, const char* title, DWORD style,
                            int32_t x, int32_t y, int32_t width, int32_t height);

// GetDC of the window (class style CS_OWNDC: the same DC for its life).
HDC platform_get_dc(HWND window);

// ChoosePixelFormat: the closest format to the request, 0 when none fits.
int platform_choose_pixel_format(HDC dc, const PIXELFORMATDESCRIPTOR* request);

// SetPixelFormat: 0 on failure.
int platform_set_pixel_format(HDC dc, int format, const PIXELFORMATDESCRIPTOR* request);

// wglCreateContext: an OpenGL 1.1-compatible context; null on failure.
HGLRC platform_create_context(HDC dc);

// wglMakeCurrent: a null context releases the current one; 0 on failure.
int platform_make_current(HDC dc, HGLRC context);

// wglDeleteContext (null is ignored).
int platform_delete_context(HGLRC context);

// ReleaseDC (nulls are ignored).
int platform_release_dc(HWND window, HDC dc);

// ChangeDisplaySettingsA with a width x height request and CDS_FULLSCREEN (a
// temporary change); returns 0 (DISP_CHANGE_SUCCESSFUL) or a failure code.
int32_t platform_change_display_mode(int32_t width, int32_t height);

// ChangeDisplaySettingsA(null, 0): back to the display's own mode.
int32_t platform_restore_display_mode(void);

// ShowWindow(window, SW_SHOW).
void platform_show_window(HWND window);

// ShowCursor: raises (show non-zero) or lowers the display counter and
// returns it; the cursor is visible while the counter is 0 or more.
int platform_show_cursor(int show);

// SetCursorPos in the window's client pixels (screen pixels for the popup at
// the screen origin); 0 on failure.
int platform_set_cursor_pos(int32_t x, int32_t y);

// SwapBuffers: presents the back buffer.
int platform_swap_buffers(HDC dc);

// Asks for a swap interval on the current context (0: swaps do not wait for
// the display's refresh): SDL_GL_SetSwapInterval, WGL_EXT_swap_control.
// Returns 1 when granted, 0 when refused or not offered. Window backends
// only (SDL2, Win32).
int platform_set_swap_interval(int interval);

// The window system in use, for reports: "SDL x11", "SDL wayland", ...
// (SDL's video driver), "Win32", "headless EGL".
const char* platform_window_system(void);

// GetKeyboardState: 256 bytes by virtual-key code, bit 7 = down, bit 0 =
// toggled, as of the messages already taken from the queue.
void platform_get_keyboard_state(uint8_t state[256]);

// PeekMessageA(any window, all messages, PM_NOREMOVE): non-zero and a copy
// of the next message when one is queued.
int platform_peek_message(MSG* msg);

// GetMessageA: takes the next message (waits for one); 0 for WM_QUIT.
int platform_get_message(MSG* msg);

// TranslateMessage.
void platform_translate_message(const MSG* msg);

// DispatchMessageA: calls the procedure of the message's window class.
LRESULT platform_dispatch_message(const MSG* msg);

// DefWindowProcA.
LRESULT platform_default_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// PostQuitMessage: queues WM_QUIT with the exit code.
void platform_post_quit_message(int exit_code);

// The message for a display that could not be reached (display size 0),
// naming the display the backend tried and why it failed where known.
void platform_display_problem(char* out, int size);

// After a fatal error's message box: what the backend knows of the cause,
// on standard error (the SDL error and a hint when the display offers no
// OpenGL); nothing where the box says all there is.
void platform_explain_failure(void);

// MessageBoxA with no owner; where no box can be shown the text goes to
// standard error. Returns the button pressed, 0 when no box was shown.
int platform_message_box(const char* text, const char* caption, UINT type);
