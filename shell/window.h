// The one window of the process: its OpenGL context, the message pump with
// the keyboard and mouse state, the frame swap and the teardown. Written once
// over shell/platform.h; projection and overlay are in shell/view.h, fatal
// errors in shell/error_log.h.
#pragma once

#include <stdint.h>

#include "shell/win_types.h"

// Module instance handle, set by WinMain before open_gl_window.
extern HINSTANCE app_instance;

// The popup window, its device context and GL context (null until opened).
extern HWND main_window;
extern HDC main_dc;
extern HGLRC gl_context;

// Client size in pixels; the height is at least 1 after any resize.
extern int32_t screen_width;
extern int32_t screen_height;

// Keyboard state by virtual-key code (bit 7 = down), refreshed once per
// frame by pump_messages, and its content just before that refresh. A key
// that went down since the previous refresh reads as down even if it was
// released again before it (a tap shorter than a frame), and up in the next.
extern uint8_t key_state[256];
extern uint8_t prev_key_state[256];

// Mouse position in client pixels of the last mouse message, (0, 0) before.
extern int32_t mouse_x;
extern int32_t mouse_y;

// Buttons of the last mouse message (MK_LBUTTON = 1, MK_RBUTTON = 2).
extern int32_t mouse_buttons;

// 1 until a mouse message with no button down has been seen.
extern int32_t mouse_wait_release;

// mouse_buttons, but only once every button held at start-up was let go.
extern int32_t mouse_buttons_accepted;

// The pixel-format request: RGBA, 24 colour + 8 alpha bits, 32 depth bits,
// double-buffered window drawing with OpenGL.
extern const PIXELFORMATDESCRIPTOR window_pixel_format;

// Non-zero: open_gl_window makes a normal window with a caption, of the
// requested client size, and leaves the display mode alone (0 at start).
extern uint8_t window_framed;

// Opens the full-screen window and its GL context and makes it current.
// Width 0 means the display's size. Returns 0 only when the size comes out
// 0 (nothing created); every other failure is fatal and does not return.
int32_t open_gl_window(int32_t width, int32_t height, const char* title);

// The status close_gl_window ends the process with: 0 at start (a normal
// close); a run that a close would cut short (a benchmark) sets it non-zero.
extern int32_t window_close_status;

// 1 once close_gl_window has begun ending the process (the window was
// closed), else 0: exit handlers tell a close from a fatal error with it.
extern int32_t window_was_closed;

// Restores the display mode, releases the context and DC, posts the quit
// message and ends the process with window_close_status.
[[noreturn]] void close_gl_window(void);

// The same teardown, ending the process with the given status (fatal errors
// end with a non-zero one).
[[noreturn]] void end_gl_window(int32_t status);

// The fatal path for open_gl_window returning 0 (no display to size the
// window from): a message naming the display that could not be opened.
[[noreturn]] void fatal_no_display(void);

// Once per frame: key snapshot (with the presses latched since the last
// one), then every queued message dispatched.
// Returns non-zero when WM_QUIT was taken from the queue.
int32_t pump_messages(void);

// The window class's procedure (sizes, mouse, close; the rest to default).
LRESULT window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// GL state right after the context becomes current; ends with resize_gl_view.
void init_gl_state(int32_t width, int32_t height);

// Swap, clear colour and depth, identity on the current matrix.
void end_frame(void);

// Swap and identity, without a clear.
void swap_frame(void);

// end_frame twice, so both buffers are cleared.
void clear_both_buffers(void);
