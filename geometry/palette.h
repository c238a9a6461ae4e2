// The toolkit's fixed 256-colour palette, computed on demand: the sixteen
// text-mode colours, a 24-step grey ramp and a 6x6x6 colour cube. The font
// atlas builder derives glyph opacity from it. Depends on nothing.
#pragma once

#include <stdint.h>

// Fills red[0..255], green[0..255] and blue[0..255] with the palette's
// channels as floats in 0..1; each array must have room for 256 floats.
void build_palette_256(float* red, float* green, float* blue);

// Returns a new heap array (free it with free) of the 256 palette entries
// packed as 0xRRGGBB, each channel floor(255.9 * c); null when it cannot be
// allocated.
uint32_t* make_palette_rgb(void);
