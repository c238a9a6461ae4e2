// Decodes arbitrary cell glyph data with a style taken from the input's first
// bytes, then walks the glyph bitmap set it returns: every entry must fit the
// returned length, and the checker must agree with the decoder on whether the
// style is usable.
#include <stdint.h>
#include <stdlib.h>

#include "fuzz/glyph_style_input.h"
#include "glyphs/cell_glyphs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < FUZZ_STYLE_BYTES) return 0;
  glyph_style style = fuzz_style(data);
  const uint8_t* cells = data + FUZZ_STYLE_BYTES;
  uint32_t length = (uint32_t)(size - FUZZ_STYLE_BYTES);
  uint32_t out_length = 12345;
  uint8_t* out = decode_cell_glyphs(cells, length, style, &out_length);
  int entry = 0;
  cell_glyph_problem problem = check_cell_glyphs(cells, length, style, &entry);
  if (!out) {
    if (out_length != 0 || problem != CELL_GLYPHS_BAD_STYLE) abort();
    return 0;
  }
  if (problem == CELL_GLYPHS_BAD_STYLE) abort();
  uint32_t at = 0, entries = 0;
  while (at < out_length) {
    if (out_length - at < 2) abort();
    uint32_t pixels = (uint32_t)out[at] * out[at + 1];
    if (out_length - at - 2 < pixels) abort();
    for (uint32_t i = 0; i < pixels; i++) {
      uint8_t p = out[at + 2 + i];
      // Grey levels 16..39; cell codes of 64 and above count every sample
      // twice, which reaches 63.
      if (p != GLYPH_PIXEL_EMPTY && (p < 16 || p > 63)) abort();
    }
    at += 2 + pixels;
    entries++;
  }
  if (entries > MAX_GLYPHS) abort();
  free(out);
  return 0;
}
