// Feeds arbitrary bytes to the font atlas layout and texel fill as a glyph
// bitmap set, with a row limit (the GL maximum texture size in font_build)
// taken from the first byte. The layout must place every glyph it keeps inside
// an atlas no larger than the limit allows, and the fill must write only
// inside the exactly sized texel buffer.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "font/font_atlas.h"
#include "util/helpers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  int32_t max_row = 1 + data[0];  // 1..256: small limits exercise wrapping and drops
  uint32_t length = (uint32_t)(size - 1);
  // An exact copy, so a read past the end is caught even at the input's end.
  uint8_t* glyphs = (uint8_t*)malloc(length ? length : 1);
  font* f = (font*)calloc(1, sizeof(font));
  if (!glyphs || !f) {
    free(glyphs);
    free(f);
    return 0;
  }
  memcpy(glyphs, data + 1, length);
  font_layout_glyphs(f, glyphs, length, max_row);
  if (f->line_height < 1 || f->line_height > max_row) abort();
  if (f->atlas_w < 1 || (uint32_t)f->atlas_w > next_pow2((uint32_t)max_row)) abort();
  if (f->atlas_h < 1 || (uint32_t)f->atlas_h > next_pow2((uint32_t)max_row)) abort();
  for (int i = 0; i < MAX_GLYPHS; i++) {
    if (f->glyph_w[i] == 0) continue;
    if (f->glyph_x[i] < 0 || f->glyph_x[i] + f->glyph_w[i] > f->atlas_w) abort();
    if (f->glyph_y[i] < 0 || f->glyph_y[i] + f->line_height > f->atlas_h) abort();
  }
  uint8_t* texels = (uint8_t*)calloc((size_t)f->atlas_w * f->atlas_h, 4);
  if (texels) font_fill_texels(f, glyphs, length, texels);
  free(texels);
  free(f);
  free(glyphs);
  return 0;
}
