// Font atlas building (see font_atlas.h). Depends on font/font_registry,
// geometry/palette, glyphs/cell_glyphs (pixel values), util/helpers and GL/GLU.
#include "font/font_atlas.h"

#include "glyphs/cell_glyphs.h"

uint8_t glyph_texel_alpha(uint8_t v, const float* red, const float* green, const float* blue) {
  if (v == GLYPH_PIXEL_EMPTY) return 0;
  float brightness = green[v] + red[v] + blue[v];
  // The palette's channels lie in 0..1, so the product stays within 0..255.3.
  return (uint8_t)(int)(GLYPH_ALPHA_SCALE * brightness);
}
