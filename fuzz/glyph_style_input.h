// Shared by the glyph fuzz targets: a glyph style taken from the input's
// first bytes, kept small enough that one input rasterises in milliseconds
// (large cell sizes and sample counts cost time, not coverage).
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "glyphs/cell_glyphs.h"

const size_t FUZZ_STYLE_BYTES = 8;

// Reads FUZZ_STYLE_BYTES bytes: cell size from -1 to 24 with fractions,
// strokes, curves up to 1.25 (1 and above included), dot scale, samples 0..11.
inline glyph_style fuzz_style(const uint8_t* b) {
  glyph_style s = make_glyph_style(6.0f, 6.0f);
  s.cell_width = (float)(b[0] % 26) - 1.0f + (float)(b[1] & 15) / 16.0f;
  s.cell_height = (float)(b[1] >> 4) * 1.5f - 1.0f + (float)(b[0] >> 7) * 0.9f;
  s.stroke_x = (float)b[2] / 255.0f * 0.6f;
  s.stroke_y = (float)b[3] / 255.0f * 0.6f;
  s.curve_x = (float)b[4] / 204.0f;
  s.curve_y = (float)b[5] / 204.0f;
  s.dot_scale = (float)(b[6] & 31) / 8.0f;
  s.samples = (int32_t)(b[7] % 12);
  return s;
}
