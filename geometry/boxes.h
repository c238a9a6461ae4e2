// Vertex emitters for axis-aligned boxes: a solid box with face normals, a
// wire-frame box and two cube variants. Each sends per-vertex commands only
// and is called between the caller's glBegin and glEnd (GL_QUADS, or
// GL_LINES for the wire box), so all four can be compiled into display lists.
// Depends on shell/gl.h.
#pragma once

// Six faces (GL_QUADS), a glNormal3f before each face; bounds per axis, low
// then high: (x0, x1, y0, y1, z0, z1).
void emit_box_solid(double x0, double x1, double y0, double y1, double z0, double z1);

// Twelve edges (GL_LINES): four along x, four along y, four along z.
void emit_box_wire(double x0, double x1, double y0, double y1, double z0, double z1);

// The solid box from the low corner (x, y, z) with edge length size.
void emit_cube_lit(double x, double y, double z, double size);

// As emit_cube_lit, with texture coordinates (0,0) (1,0) (1,1) (0,1) on every face.
void emit_cube_textured(double x, double y, double z, double size);
