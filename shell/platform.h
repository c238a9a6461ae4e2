// The platform layer: everything the shell needs from the operating system
// and windowing system, behind one set of free functions. The shell's logic
// (window set-up order, fatal messages, message handling, key and mouse state,
// projection) is written once on top of these; each backend supplies them:
//   shell/platform_win32.cpp     native Win32 + WGL (MinGW-w64 builds)
//   shell/platform_sdl.cpp       SDL2 window with a GL compatibility context
//   shell/platform_headless.cpp  EGL/Mesa off-screen context, scripted input
// OS services that do not depend on the window system (clocks) live in
// shell/os_clock.cpp and are shared by the backends of one operating system.
#pragma once

#include <stdint.h>

// ---------------------------------------------------------------------------
// Clocks (shell/os_clock.cpp)

// Counter frequency as an unsigned low half and a signed high half; returns 0
// when the machine has no performance counter.
int platform_performance_frequency(uint32_t* low, int32_t* high);

// Current performance-counter value, split like the frequency.
void platform_performance_counter(uint32_t* low, int32_t* high);

// Milliseconds of a monotonic clock, as an unsigned 32-bit value that wraps.
uint32_t platform_tick_count(void);
