// Operating-system clocks behind the platform layer: QueryPerformanceCounter
// and GetTickCount on Windows, CLOCK_MONOTONIC elsewhere (nanosecond counts at
// a frequency of 10^9).
#include "shell/platform.h"

#ifdef _WIN32
#include <windows.h>

int platform_performance_frequency(uint32_t* low, int32_t* high) {
  LARGE_INTEGER frequency;
  if (!QueryPerformanceFrequency(&frequency) || frequency.QuadPart == 0) return 0;
  *low = frequency.LowPart;
  *high = frequency.HighPart;
  return 1;
}

void platform_performance_counter(uint32_t* low, int32_t* high) {
  LARGE_INTEGER count;
  QueryPerformanceCounter(&count);
  *low = count.LowPart;
  *high = count.HighPart;
}

uint32_t platform_tick_count(void) { return GetTickCount(); }

#else
#include <time.h>

static uint64_t monotonic_ns(void) {
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return (uint64_t)now.tv_sec * 1000000000u + (uint64_t)now.tv_nsec;
}

int platform_performance_frequency(uint32_t* low, int32_t* high) {
  *low = 1000000000u;
  *high = 0;
  return 1;
}

void platform_performance_counter(uint32_t* low, int32_t* high) {
  uint64_t ns = monotonic_ns();
  *low = (uint32_t)ns;
  *high = (int32_t)(ns >> 32);
}

uint32_t platform_tick_count(void) { return (uint32_t)(monotonic_ns() / 1000000u); }
#endif
