// Font atlas building: fonts made from glyph_bitmap_set data (packed into rows
// of one power-of-two RGBA texture with mipmaps), loaded from glyph bitmap
// files, made as blank placeholders, or copied from the screen. Depends on
// font/font_registry, geometry/palette, glyphs/cell_glyphs (pixel values),
// util/helpers and GL/GLU.
//
// Glyph data comes from outside and is checked before it is used: an entry cut
// short by the end of the buffer ends the data there; a glyph that cannot fit
// in a texture of the GL maximum size (wider or taller than it, or starting a
// row below it) is dropped, keeping its slot with width 0. Nothing is read past
// the buffer or written past the texel buffer.
#pragma once

#include <stdint.h>

#include "font/font_registry.h"

// Opacity of a glyph pixel per unit of palette brightness: alpha = 85.1 x
// (red + green + blue) of the pixel's palette entry, so white gives 255.
const double GLYPH_ALPHA_SCALE = 85.1;

// ---------------------------------------------------------------------------
// GL-free steps of font_build, for tests and tools

// The atlas alpha of glyph pixel value v given the palette's channels: 0 for
// GLYPH_PIXEL_EMPTY, else GLYPH_ALPHA_SCALE x (green + red + blue) truncated.
uint8_t glyph_texel_alpha(uint8_t v, const float* red, const float* green, const float* blue);

// Lays the glyphs of a glyph_bitmap_set out in rows no wider than max_row
// texels (a row may be exactly max_row wide) and no lower than max_row rows:
// fills f's glyph_x, glyph_y, glyph_w, line_height, and the requested atlas
// size in atlas_w and atlas_h (powers of two). Touches no other field.
void font_layout_glyphs(font* f, const uint8_t* data, uint32_t length, int32_t max_row);

// Writes the glyphs of data into texels (RGBA, f->atlas_w x f->atlas_h, all
// zero beforehand) at the positions font_layout_glyphs chose: white texels with
// the alpha of each pixel; glyphs the layout dropped are skipped.
void font_fill_texels(const font* f, const uint8_t* data, uint32_t length, uint8_t* texels);

// ---------------------------------------------------------------------------
// Making fonts (the GL context must be current)

// Builds a font named name from a glyph_bitmap_set (entry i = character code
// i): atlas texture with mipmaps, metrics, style pointing at itself. Registers
// it (a font of the same name stays registered too) and selects it when no font
// is current.
void font_build(const uint8_t* data, uint32_t length, const char* name);

// Builds a font from the glyph bitmap file at path and returns 1; when the file
// is missing or empty, makes a blank font of that name instead (selected when
// no font is current) and returns 0.
int font_load(const char* path, const char* name);

// Deletes every font named name, then registers and returns a placeholder: a
// 1 x 1 texture, every glyph 1 texel wide, line height 1. Never selects.
font* font_create_blank(const char* name);

// Registers and returns a copy of source whose texture is the lower-left
// source->atlas_w x source->line_height pixels of the frame buffer (one line:
// every glyph_y 0, atlas_h = line_height), filtered linearly without mipmaps;
// metrics, style and name are copied. Null (nothing made) when source is null.
font* font_copy_from_screen(const font* source);

// Copies the font named source_name from the screen under new_name, as its own
// family (style.font = the copy, scales 1, extra and spacing 0). Returns the
// length of the new name, or 0 when no font has the source name.
int32_t font_derive_from_screen(const char* source_name, const char* new_name);
