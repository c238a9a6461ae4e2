// Font atlas building: fonts made from glyph_bitmap_set data (packed into rows
// of one power-of-two RGBA texture with mipmaps), loaded from glyph bitmap
// files, made as blank placeholders, or copied from the screen. Depends on
// font/font_registry, geometry/palette, util/helpers and GL/GLU.
#pragma once

#include <stdint.h>

// Opacity of a glyph pixel per unit of palette brightness: alpha = 85.1 x
// (red + green + blue) of the pixel's palette entry, so white gives 255.
const double GLYPH_ALPHA_SCALE = 85.1;

// The atlas alpha of glyph pixel value v given the palette's channels: 0 for
// GLYPH_PIXEL_EMPTY, else GLYPH_ALPHA_SCALE x (green + red + blue) truncated.
uint8_t glyph_texel_alpha(uint8_t v, const float* red, const float* green, const float* blue);
