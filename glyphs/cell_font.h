// Cell glyph fonts as registered fonts: decode a cell_glyph_set and build it
// into a named font atlas. Depends on glyphs/cell_glyphs and font/font_atlas
// (so on GL: the context must be current).
#pragma once

#include <stdint.h>

#include "glyphs/cell_glyphs.h"

// Decodes data (a cell_glyph_set of length bytes) with style and builds the
// glyphs into a font registered under name (font_build: selected when no font
// is current). A font of that name exists afterwards; when the style is
// refused it has no glyphs.
void load_cell_font(const uint8_t* data, uint32_t length, glyph_style style, const char* name);
