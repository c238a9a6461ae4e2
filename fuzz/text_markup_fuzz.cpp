// Runs the markup passes on arbitrary text in a heap buffer of arbitrary size,
// so AddressSanitizer catches any write at or past the buffer's end. The first
// byte picks the pass and the script depth, the second the spare room.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "text/text_markup.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  int pass = data[0] & 3;
  int32_t levels = (int32_t)(data[0] >> 2) - 4;  // -4 .. 59, unbalanced depths included
  size_t spare = data[1];
  size_t length = size - 2;
  size_t buffer_size = length + 1 + spare;
  char* buffer = (char*)malloc(buffer_size);
  if (!buffer) return 0;
  memcpy(buffer, data + 2, length);
  buffer[length] = 0;
  // The spare room holds garbage, as a caller's stack buffer would.
  memset(buffer + length + 1, 0xA5, spare);
  switch (pass) {
    case 0:
      substitute_greek_names(buffer, buffer_size);
      break;
    case 1:
      apply_scripts(buffer, buffer_size, levels, 0, 256);
      break;
    case 2:
      apply_markup_codes(buffer, buffer_size);
      break;
    default:
      prepare_text(buffer, buffer_size, levels);
      apply_markup_codes(buffer, buffer_size);
      break;
  }
  free(buffer);
  return 0;
}
