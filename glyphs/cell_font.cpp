// Cell glyph fonts as registered fonts (see cell_font.h). Depends on
// glyphs/cell_glyphs and font/font_atlas.
#include "glyphs/cell_font.h"

#include <stdlib.h>

#include "font/font_atlas.h"

void load_cell_font(const uint8_t* data, uint32_t length, glyph_style style, const char* name) {
  uint32_t bitmap_length = 0;
  uint8_t* bitmaps = decode_cell_glyphs(data, length, style, &bitmap_length);
  font_build(bitmaps, bitmap_length, name);
  free(bitmaps);
}
