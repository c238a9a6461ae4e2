// The gallery's 3D pages: a sky box from a procedural cube map with lit
// curved solids in front of it, and text mapped onto curved surfaces. Both
// draw in the shell's perspective projection and leave lighting off.
// Depends on geometry (cube map, solids), text drawing, the gallery's fonts
// and GL.
#pragma once

#include <stdint.h>

// Side of each face of the sky cube map in texels, and samples per texel edge.
const uint32_t SKY_MAP_SIZE = 128;
const uint32_t SKY_MAP_SAMPLES = 2;

// The sky's colour for a unit direction (y up): a gradient from the horizon
// to the zenith, darker ground below, and a sun with a glow.
void sky_shade(double x, double y, double z, unsigned char* rgb);

// Makes the sky cube map. Returns 0 when it could not be made.
int scene_pages_init(void);

// The sky box seen from a camera circling the solids, t seconds in.
void draw_sky_page(double t);

// Text wrapped round a turning cylinder and waving on a ribbon, t seconds in.
void draw_mapped_page(double t);
