// Reads arbitrary bytes as a runner report (the comparison's reader), with
// the text in a heap buffer of exactly its length (no terminator, as the
// reader promises to need none) and an error buffer of 1 to 64 bytes picked
// by the first byte, so AddressSanitizer catches a read past the text or a
// message past its buffer. An accepted report cannot list more frame
// times than its text has room for.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "runner/runner_compare.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  size_t error_size = (size_t)(data[0] & 63) + 1;
  size_t length = size - 1;
  char* text = (char*)malloc(length ? length : 1);
  char* error = (char*)malloc(error_size);
  if (!text || !error) {
    free(text);
    free(error);
    return 0;
  }
  memcpy(text, data + 1, length);
  runner_read_figures figures;
  if (runner_parse_report(text, length, &figures, error, error_size)) {
    // Every accepted list holds numbers read from the text: at most one per
    // two bytes ("1,").
    size_t values = 0;
    for (const runner_read_mode& m : figures.modes)
      values += m.frame_times_ms.size() + m.run_medians_ms.size();
    if (values > length / 2 + 1) abort();
  } else if (strnlen(error, error_size) >= error_size) {
    abort();  // the message must stay terminated inside its buffer
  }
  free(text);
  free(error);
  return 0;
}
