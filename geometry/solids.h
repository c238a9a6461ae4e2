// Tessellated curved solids sent as single-colour quads with a normal before
// every vertex, for use with lighting: spheres, a sphere octant and an open
// cylinder. Colours are packed 0xRRGGBB (top byte ignored). Each call builds
// cosine and sine tables of the half turn on the heap and frees them before
// it returns; when they cannot be allocated nothing is sent. Depends on
// shell/gl.h.
#pragma once

#include <stdint.h>

// A sphere of 200 quads (n = 10) in its own glBegin(GL_QUADS)/glEnd.
void draw_sphere(double cx, double cy, double cz, double r, int32_t rgb);

// A sphere of 2*n*n quads (2n segments around z, n from pole to pole) inside
// the caller's GL_QUADS; n <= 0 sends only the colour.
void emit_sphere(double cx, double cy, double cz, double r, int32_t rgb, int32_t n);

// One octant of a sphere, (n/2)^2 quads inside the caller's GL_QUADS; the
// sign factors sx, sy, sz (+1 or -1) choose the octant.
void emit_sphere_octant(double cx, double cy, double cz, double r, int32_t sx, int32_t sy, int32_t sz,
                        int32_t rgb, int32_t n);

// An open tube of radius r from (x0, y0, z0) to (x1, y1, z1), 2*n quads inside
// the caller's GL_QUADS. Equal (or too close to give a direction) end points
// send only the colour.
void emit_cylinder(double x0, double y0, double z0, double x1, double y1, double z1, double r, int32_t rgb,
                   int32_t n);
