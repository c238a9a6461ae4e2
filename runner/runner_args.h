// Command-line value parsing shared by the headless runners: whole-value
// checks on sizes, counts and numbers, so a typo is refused rather than read
// as a prefix. No dependencies.
#pragma once

#include <stdint.h>

// "WxH" with each side a whole number from the minimum up to 8192.
bool runner_parse_size(const char* text, int32_t min_w, int32_t min_h, int32_t* w, int32_t* h);

// A whole number from 0 to high.
bool runner_parse_count(const char* text, long long high, long long* out);

// A number from low to high (NaN and infinities refused).
bool runner_parse_number(const char* text, double low, double high, double* out);
