// Glyph-file converters: cell glyph files (cell_glyph_set) into glyph bitmap
// files (glyph_bitmap_set), either by decoding through the tile cache or by
// sampling every output pixel directly against the cell grid. Depends on
// glyphs/cell_glyphs, util/file_replace and util/helpers (read_file).
//
// Neither reports a status. The output is replaced whole or not at all: it is
// left as it was (not created, not truncated) when the input cannot be opened,
// the style is not usable or the write fails. An input that is present but
// empty gives an empty output at every style decode_cell_glyphs accepts for an
// empty set (cell sizes of 1 or more). Tools that must tell a user what went
// wrong check the paths and the data themselves (check_cell_glyphs).
#pragma once

#include "glyphs/cell_glyphs.h"

// Reads the cell glyph file at in_path, decodes it with decode_cell_glyphs and
// writes the glyph bitmap set to out_path in one write.
void convert_cell_glyph_file(const char* in_path, const char* out_path, glyph_style style);

// Writes the glyph bitmap set of the cell glyph file at in_path to out_path,
// sampling each output pixel against the grid: samples that stray across a
// cell border test the neighbouring cell's shape, or nothing past the grid's
// edge. Entries are framed, dropped and kept exactly as decode_cell_glyphs
// does, so both converters write the same entries with the same sizes.
void render_cell_glyph_file(const char* in_path, const char* out_path, glyph_style style);
