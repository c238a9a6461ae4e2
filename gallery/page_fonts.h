// The gallery's font page: fonts made while the program runs (loaded from
// cells at other sizes, built from a partial glyph set, a blank placeholder,
// a copy of a strip of the screen and a font derived from one), each drawing
// a sample, beside the registry's list of fonts and its memory estimate.
// Depends on the font registry and atlas builder, the cell font loader, the
// built-in font, text drawing, the gallery's helpers and GL.
#pragma once

#include <stdint.h>

// Builds the cell_glyph_set of the "caps" font into a new heap buffer (the
// caller frees it): the built-in glyphs of the space, the digits and the
// capitals at their codes, every other code up to 'Z' an empty entry. Stores
// its length; null when it cannot be allocated.
uint8_t* make_caps_font_cells(uint32_t* length_out);

// Makes the page's fonts on the first call (drawing into the back buffer and
// clearing it again), then draws the page.
void draw_fonts_page(double t);
