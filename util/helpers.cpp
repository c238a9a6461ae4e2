// File, string and number helpers (see helpers.h).
#include "util/helpers.h"

#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "shell/clock.h"

// ---------------------------------------------------------------------------
// Whole-file read

char* read_file(const char* path, int32_t* length_out) {
  FILE* file = fopen(path, "rb");
  if (!file) return nullptr;
  long length = -1;
  if (fseek(file, 0, SEEK_END) == 0) length = ftell(file);
  rewind(file);
  // A stream that cannot tell its size, or a file of 2 GiB or more, cannot be
  // described by a signed 32-bit length: report it like an empty file.
  if (length < 0 || length > INT32_MAX) {
    fclose(file);
    *length_out = 0;
    return nullptr;
  }
  *length_out = (int32_t)length;
  char* buffer = nullptr;
  if (length != 0) {
    buffer = (char*)malloc((size_t)length);
    if (!buffer || fread(buffer, 1, (size_t)length, file) != (size_t)length) {
      // Allocation failure or a short read: no buffer, length 0.
      free(buffer);
      buffer = nullptr;
      *length_out = 0;
    }
  }
  fclose(file);
  return buffer;
}

// ---------------------------------------------------------------------------
// Heap strings

static char* heap_copy(const char* src, size_t length) {
  char* copy = (char*)malloc(length + 1);
  if (copy) memcpy(copy, src, length + 1);
  return copy;
}

int32_t str_assign(char** dst, const char* src) {
  size_t length = strlen(src);
  // Freeing first would leave src dangling when it is the variable's own
  // string; such a call changes nothing.
  if (*dst == src) return (int32_t)length;
  free(*dst);
  *dst = heap_copy(src, length);
  return (int32_t)length;
}

int32_t str_dup_into(char** dst, const char* src) {
  size_t length = strlen(src);
  *dst = heap_copy(src, length);
  return (int32_t)length;
}

// ---------------------------------------------------------------------------
// Numbers and characters

uint32_t next_pow2(uint32_t x) {
  if ((x & (x - 1)) == 0) return x;
  x |= x >> 1;
  x |= x >> 2;
  x |= x >> 4;
  x |= x >> 8;
  x |= x >> 16;
  return x + 1;
}

int32_t max_int(int32_t a, int32_t b) { return a > b ? a : b; }

double max_double(double a, double b) { return b >= a ? b : a; }

double min_double(double a, double b) { return b > a ? a : b; }

double clamp_nonneg_double(double x) { return x < 0 ? 0.0 : x; }

int32_t clamp_nonneg_int(int32_t x) { return x < 0 ? 0 : x; }

int32_t random_index(int32_t n) {
  double r = random_below((double)n);
  double f = floor(r);
  // n <= 0 gives r <= 0; the truncation below is then done on a value in
  // range, and the second branch yields 0.
  int32_t i = (f >= -2147483648.0 && f < 2147483648.0) ? (int32_t)f : n;
  if (i < n) return i;
  // n <= 0 yields 0; n - 1 is formed in 64 bits so INT32_MIN cannot wrap.
  int64_t last = (int64_t)n - 1;
  return last < 0 ? 0 : (int32_t)last;
}

int ascii_lower(char c) {
  if (c >= 'A' && c <= 'Z') return (signed char)(c + 32);
  return (signed char)c;
}

int char_code(char c) { return (unsigned char)c; }
