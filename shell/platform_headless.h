// Test control of the headless backend (shell/platform_headless.cpp): the
// display size it reports, scripted input posted into its message queue,
// failures injected into window creation, and a record of what the shell
// asked of the platform. The backend opens a real OpenGL context through
// EGL with no display: Mesa's surfaceless platform when offered, otherwise
// the device platform (BF_EGL_PLATFORM=surfaceless|device|device-fbo|auto
// forces a path); the "window" is a pbuffer or a framebuffer object.
#pragma once

#include <stdint.h>

#include "shell/win_types.h"

// What the shell asked of the platform, for tests to read back.
struct headless_record {
  int32_t class_registered;                         // RegisterClassA calls
  uint32_t class_style;                             // style of the last class registered
  char class_name[64];                              // its name
  int32_t windows_created;                          // CreateWindowExA calls that succeeded
  char window_title[128];                           // caption of the last window
  uint32_t window_style;                            // its style
  int32_t window_x, window_y;                       // its position
  int32_t window_width, window_height;              // its size as created
  int32_t window_shown;                             // ShowWindow calls
  PIXELFORMATDESCRIPTOR pixel_format;               // the last pixel-format request
  int32_t depth_bits;                               // depth bits of the configuration chosen
  int32_t display_mode_switches;                    // ChangeDisplaySettingsA(mode, CDS_FULLSCREEN) calls
  int32_t display_mode_width, display_mode_height;  // the last mode requested
  int32_t display_mode_restores;                    // ChangeDisplaySettingsA(null, 0) calls
  int32_t display_mode_switched;                    // 1 while a requested mode is in force
  int32_t cursor_counter;                           // ShowCursor display counter (visible when >= 0)
  int32_t cursor_sets;                              // SetCursorPos calls
  int32_t cursor_x, cursor_y;                       // the last position set
  int32_t message_boxes;                            // MessageBoxA calls
  char message_box_text[256];                       // text of the last box
  char message_box_caption[64];                     // caption of the last box
  uint32_t message_box_type;                        // type flags of the last box
  int32_t swap_count;                               // SwapBuffers calls
  int32_t egl_swaps;                                // eglSwapBuffers calls that succeeded
  int32_t contexts_created;                         // wglCreateContext calls that succeeded
  int32_t contexts_deleted;                         // wglDeleteContext calls on a context
  int32_t dc_released;                              // ReleaseDC calls on the window's DC
  int32_t quit_posted;                              // PostQuitMessage calls
  char call_log[512];  // window, context and display calls in order, blank-separated
};

// Window-creation steps a test can make fail (for the fatal messages).
enum headless_failure {
  HEADLESS_FAIL_NONE = 0,
  HEADLESS_FAIL_REGISTER_CLASS,
  HEADLESS_FAIL_CREATE_WINDOW,
  HEADLESS_FAIL_CHOOSE_PIXEL_FORMAT,
  HEADLESS_FAIL_SET_PIXEL_FORMAT,
  HEADLESS_FAIL_CREATE_CONTEXT,
  HEADLESS_FAIL_MAKE_CURRENT
};

// The display size GetSystemMetrics reports (1024 x 768 until set).
void headless_set_display_size(int32_t width, int32_t height);

// Whether platform_swap_buffers calls eglSwapBuffers on the pbuffer (default
// on). Off, a swap is only counted: the call costs a flush, and a
// benchmark may leave it out.
void headless_set_egl_swap(bool on);

// Makes one creation step fail from now on (HEADLESS_FAIL_NONE: none).
void headless_fail_at(headless_failure step);

// Resizes the window's surface (the GL context stays current) and posts
// WM_SIZE with the new client size, as a real resize would.
void headless_set_window_size(int32_t width, int32_t height);

// Resizes the window's surface only, posting nothing.
void headless_resize_surface(int32_t width, int32_t height);

// Posts WM_KEYDOWN / WM_KEYUP for a virtual key. VK_LSHIFT, VK_RSHIFT,
// VK_LCONTROL, VK_RCONTROL, VK_LMENU and VK_RMENU are sent as Windows sends
// them: the generic code with the side in the scan code or extended bit.
void headless_key_down(uint8_t vk);
void headless_key_up(uint8_t vk);

// Posts WM_MOUSEMOVE at (x, y) with the MK_ button flags held.
void headless_mouse_move(int32_t x, int32_t y, uint32_t buttons);

// Posts a button message (WM_LBUTTONDOWN ...) at (x, y); buttons are the
// MK_ flags after the change, as Windows reports them.
void headless_mouse_button(UINT message, int32_t x, int32_t y, uint32_t buttons);

// Posts any message to the window (WM_SIZE, WM_CLOSE, WM_QUIT, ...).
void headless_post_message(UINT message, WPARAM wparam, LPARAM lparam);

// Messages waiting in the queue.
int headless_queue_length(void);

// Empties the message queue and releases every key.
void headless_reset_input(void);

// What the shell has asked so far.
const headless_record* headless_get_record(void);

// The EGL platform, device and drawable the window uses, e.g.
// "surfaceless (Mesa Project), pbuffer" or "device 0 (software, Mesa
// Project), framebuffer object"; empty before the first pixel format is chosen.
const char* headless_egl_platform(void);

// Whether an EGL display for desktop OpenGL can be opened (the first
// step of open_gl_window), without the fatal path when it cannot: callers
// whose GL work is optional ask first.
int headless_gl_available(void);

// Zeroes the counters and texts of the record (the cursor counter and the
// display-mode state stay, as they describe the platform's state).
void headless_clear_record(void);
