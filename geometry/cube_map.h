// Procedural cube maps: a cube-map texture filled from a shading function of
// the view direction (with optional supersampling), and a sky box that draws
// one around the viewer. Needs cube-map texturing in the GL driver and GLU's
// gluBuild2DMipmaps. Depends on shell/gl.h.
#pragma once

#include <stdint.h>

// Writes the colour of the unit direction (x, y, z) into rgb[0..2] as red,
// green, blue. Called in a fixed order, so it may keep state.
typedef void (*cube_map_shade_fn)(double x, double y, double z, unsigned char* rgb);

// Makes a mipmapped cube-map texture with size x size texels per face, each
// the average of samples x samples directions (one at the centre for samples
// <= 1), and leaves it bound to GL_TEXTURE_CUBE_MAP. Returns its name, or 0
// when the faces cannot be allocated (or size is too large to describe).
uint32_t make_cube_map(cube_map_shade_fn shade, uint32_t size, uint32_t samples);

// Draws the cube with corners at +-1 textured with the cube map texture,
// then clears the depth buffer. Leaves lighting and cube-map texturing
// disabled and the current colour white.
void draw_skybox(uint32_t texture);
