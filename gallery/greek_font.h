// The gallery's Greek font: a cell_glyph_set holding the built-in font's 128
// glyphs (codes 0 to 127), 128 empty slots, and the 53 glyphs the markup
// passes write for Greek letter names (256 to 279 lower case, 280 to 303
// capitals, 304 to 308 the var- variants), drawn in the built-in font's cell
// language. The built-in font stops at 127, so without this font the Greek
// escapes would draw nothing. Depends on glyphs/builtin_font.
#pragma once

#include <stdint.h>

// First code and number of the Greek glyphs.
const int32_t GREEK_FIRST_CODE = 256;
const int32_t GREEK_CODE_COUNT = 53;

// Number of entries of the set: every code up to the last Greek glyph.
const int32_t GREEK_FONT_ENTRIES = GREEK_FIRST_CODE + GREEK_CODE_COUNT;

// Builds the set into a new heap buffer (the caller frees it) and stores its
// byte length through length_out. Null (length 0) when it cannot be allocated.
uint8_t* make_greek_font_cells(uint32_t* length_out);

// Offset of entry `code` of a cell_glyph_set of length bytes, or -1 when the
// set ends (or is cut short) before it.
int64_t cell_entry_offset(const uint8_t* data, uint32_t length, int32_t code);
