// Clock and random numbers: a monotonic clock in seconds that picks the best
// counter on first use, and uniform random reals built from a 15-bit
// generator that reproduces the Windows C runtime's rand from its unseeded
// start, so every platform draws the same numbers. Depends on shell/platform.
#pragma once

#include <stdint.h>

typedef double (*clock_fn)(void);

// Reads the clock in seconds from an arbitrary origin. Starts at clock_init
// and, after the first call, points at clock_performance or clock_ticks.
extern clock_fn clock_now;

// 1 / performance-counter frequency; set by clock_init.
extern double seconds_per_count;

// Chooses the clock, switches clock_now to it and returns its first reading.
double clock_init(void);

// Performance counter times seconds_per_count.
double clock_performance(void);

// Millisecond tick count times 0.001 (wraps after about 49.7 days).
double clock_ticks(void);

// Uniform double in [0, x) for x > 0, from two 15-bit draws (low bits first).
double random_below(double x);

// The 15-bit generator: state = state * 214013 + 2531011 (mod 2^32),
// result (state >> 16) & 0x7FFF. Starts from state 1 like an unseeded CRT.
int32_t random_rand15(void);

// Generator state, for tests and tools that replay a sequence.
uint32_t random_get_state(void);
void random_set_state(uint32_t state);

// Testing: puts clock_now back to clock_init; with force_ticks non-zero the
// next clock_init behaves as if the performance counter were missing.
void clock_reset(int force_ticks);
