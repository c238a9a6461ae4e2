// Clock and random numbers (see clock.h).
#include "shell/clock.h"

#include "shell/platform.h"

clock_fn clock_now = clock_init;
double seconds_per_count = 0.0;

static int force_tick_clock = 0;
static uint32_t rand_state = 1;

// ---------------------------------------------------------------------------
// Clock

double clock_init(void) {
  uint32_t low = 0;
  int32_t high = 0;
  if (!force_tick_clock && platform_performance_frequency(&low, &high)) {
    long double frequency = (long double)high * 4294967296.0L + (long double)low;
    seconds_per_count = (double)(1.0L / frequency);
    clock_now = clock_performance;
  } else {
    clock_now = clock_ticks;
  }
  return clock_now();
}

double clock_performance(void) {
  uint32_t low = 0;
  int32_t high = 0;
  platform_performance_counter(&low, &high);
  long double count = (long double)high * 4294967296.0L + (long double)low;
  return (double)(count * (long double)seconds_per_count);
}

double clock_ticks(void) { return (double)((long double)platform_tick_count() * 0.001L); }

void clock_reset(int force_ticks) {
  force_tick_clock = force_ticks;
  clock_now = clock_init;
}

// ---------------------------------------------------------------------------
// Random numbers

int32_t random_rand15(void) {
  rand_state = rand_state * 214013u + 2531011u;
  return (int32_t)((rand_state >> 16) & 0x7FFF);
}

uint32_t random_get_state(void) { return rand_state; }

void random_set_state(uint32_t state) { rand_state = state; }

double random_below(double x) {
  int32_t r1 = random_rand15();
  int32_t r2 = random_rand15();
  long double fraction = ((long double)r1 / 32768.0L + (long double)r2) / 32768.0L;
  return (double)(fraction * (long double)x);
}
