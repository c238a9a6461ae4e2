// The program's only font, stored as a cell_glyph_set in the program's data.
// No dependencies.
#pragma once

#include <stdint.h>

// Byte length of builtin_font_cells.
const uint32_t BUILTIN_FONT_CELLS_LENGTH = 972;

// The built-in cell glyph font: 128 entries, character codes 0 to 127.
extern const uint8_t builtin_font_cells[BUILTIN_FONT_CELLS_LENGTH];
