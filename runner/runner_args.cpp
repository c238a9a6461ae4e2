// Command-line value parsing of the headless runners (see runner_args.h).
#include "runner/runner_args.h"

#include <errno.h>
#include <stdlib.h>

static const long runner_max_side = 8192;

bool runner_parse_size(const char* text, int32_t min_w, int32_t min_h, int32_t* w, int32_t* h) {
  char* end = nullptr;
  errno = 0;
  long a = strtol(text, &end, 10);
  if (errno || end == text || *end != 'x') return false;
  const char* second = end + 1;
  long b = strtol(second, &end, 10);
  if (errno || end == second || *end) return false;
  if (a < min_w || b < min_h || a > runner_max_side || b > runner_max_side) return false;
  *w = (int32_t)a;
  *h = (int32_t)b;
  return true;
}

bool runner_parse_count(const char* text, long long high, long long* out) {
  char* end = nullptr;
  errno = 0;
  long long v = strtoll(text, &end, 10);
  if (errno || end == text || *end || v < 0 || v > high) return false;
  *out = v;
  return true;
}

bool runner_parse_number(const char* text, double low, double high, double* out) {
  char* end = nullptr;
  errno = 0;
  double v = strtod(text, &end);
  if (errno || end == text || *end || !(v >= low && v <= high)) return false;
  *out = v;
  return true;
}
