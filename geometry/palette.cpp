// The fixed 256-colour palette and its packed 0xRRGGBB form (see palette.h).
#include "geometry/palette.h"

#include <math.h>
#include <stdlib.h>

void build_palette_256(float* red, float* green, float* blue) {
  // 0..15: the text-mode colours; bit 3 selects the bright level, bits 2, 1
  // and 0 switch red, green and blue on.
  for (int i = 0; i < 16; i++) {
    float level = (i & 8) ? 1.0f : 0.5f;
    red[i] = (i & 4) ? level : 0.0f;
    green[i] = (i & 2) ? level : 0.0f;
    blue[i] = (i & 1) ? level : 0.0f;
  }
  // The bit rule would make entry 8 black; it is the dark grey instead.
  red[8] = green[8] = blue[8] = 0.25f;

  // 16..39: greys from black to white in 23 steps.
  for (int i = 16; i < 40; i++) {
    float grey = (float)(i - 16) / 23.0f;
    red[i] = green[i] = blue[i] = grey;
  }

  // 40..255: the 6x6x6 colour cube, red varying fastest and blue slowest.
  for (int i = 40; i < 256; i++) {
    int k = i - 40;
    red[i] = (float)(0.2 * (k % 6));
    green[i] = (float)(0.2 * ((k / 6) % 6));
    blue[i] = (float)(0.2 * (k / 36));
  }
}

// floor(255.9 * c): maps 1.0 to 255 and 0.5 to 127.
static uint32_t palette_channel_byte(float c) { return (uint32_t)floor(255.9 * (double)c); }

uint32_t* make_palette_rgb(void) {
  float red[256], green[256], blue[256];
  build_palette_256(red, green, blue);
  uint32_t* packed = (uint32_t*)malloc(256 * sizeof(uint32_t));
  if (!packed) return nullptr;
  for (int i = 255; i >= 0; i--) {
    packed[i] = (palette_channel_byte(red[i]) << 16) | (palette_channel_byte(green[i]) << 8) |
                palette_channel_byte(blue[i]);
  }
  return packed;
}
