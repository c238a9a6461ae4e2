// File, string and number helpers shared across the toolkit: whole-file
// reading, heap strings, powers of two, min/max and clamps, a random index and
// two character helpers. Depends on shell/clock (random_below).
#pragma once

#include <stdint.h>

// Reads the whole file at path into a new heap buffer (not zero-terminated)
// and stores its length in *length_out. Returns null when the file cannot be
// opened (length untouched), is empty (length 0), or cannot be read in full
// or allocated (length 0).
char* read_file(const char* path, int32_t* length_out);

// Frees the string *dst holds (if any), then stores a heap copy of src.
// Returns strlen(src). Assigning a variable its own string is a no-op.
int32_t str_assign(char** dst, const char* src);

// Stores a heap copy of src in *dst without freeing what it held.
// Returns strlen(src).
int32_t str_dup_into(char** dst, const char* src);

// x itself when x is 0 or a power of two, else the next power of two
// (0 for values above 2^31).
uint32_t next_pow2(uint32_t x);

// a when a > b, else b.
int32_t max_int(int32_t a, int32_t b);

// b when b >= a, else a (a NaN in either argument gives a).
double max_double(double a, double b);

// a when b > a, else b (a NaN in either argument gives b).
double min_double(double a, double b);

// 0 when x < 0, else x (-0.0 and NaN come back unchanged).
double clamp_nonneg_double(double x);

// 0 when x < 0, else x.
int32_t clamp_nonneg_int(int32_t x);

// Uniform index in [0, n) from random_below; 0 for every n <= 0.
int32_t random_index(int32_t n);

// 'A'..'Z' to 'a'..'z'; every other value unchanged (as a signed char).
int ascii_lower(char c);

// The byte's value as 0..255.
int char_code(char c);
