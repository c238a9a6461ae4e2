// Parses arbitrary text as a flight script with an error buffer of any size
// from 1 to 64 bytes (the first byte picks it), so AddressSanitizer catches a
// message written past it. An accepted script must hold what the format
// promises: events in frame order within 1..RUNNER_FRAME_MAX, exactly one
// end and it last, shot names terminated and short, keys 0x01..0xFE.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "runner/runner_script.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  size_t error_size = (size_t)(data[0] & 63) + 1;
  std::string text((const char*)data + 1, size - 1);  // a NUL inside ends the text early
  char* error = (char*)malloc(error_size);
  if (!error) return 0;
  runner_script script;
  if (runner_parse_script(text.c_str(), &script, error, error_size)) {
    int32_t previous = 1, ends = 0;
    for (const runner_event& e : script.events) {
      if (e.frame < previous || e.frame > RUNNER_FRAME_MAX) abort();
      previous = e.frame;
      if (e.action == RUNNER_END) ends++;
      if ((e.action == RUNNER_KEY_DOWN || e.action == RUNNER_KEY_UP) && (e.key < 1 || e.key > 0xFE)) abort();
      if (e.action == RUNNER_SHOT && strnlen(e.name, sizeof e.name) > RUNNER_NAME_MAX) abort();
    }
    if (ends != 1 || script.last_frame < previous) abort();
  } else if (strnlen(error, error_size) >= error_size) {
    abort();  // the message must stay terminated inside its buffer
  }
  free(error);
  return 0;
}
