// Flat drawing primitives for the current projection, normally the pixel
// overlay (origin top-left, y down): points, lines, filled and outlined
// rectangles and a mouse marker. Colours are packed 0xRRGGBB (top byte
// ignored) and sent with glColor3ub, so they stay current after the call.
// emit_ functions send vertices inside the caller's glBegin/glEnd; draw_
// functions open and close their own primitive. Depends on shell/gl.h and
// shell/window.h (mouse position, screen width).
#pragma once

#include <stdint.h>

// One point at (x, y) in its own GL_POINTS.
void draw_point_2d(double x, double y, int32_t rgb);

// One line in its own GL_LINES, with lighting off while it draws.
void draw_line_2d(double x0, double y0, double x1, double y1, int32_t rgb);

// One line inside the caller's GL_LINES.
void emit_line_2d(double x0, double y0, double x1, double y1, int32_t rgb);

// Filled rectangle with corner (x, y) and extents (w, h) in its own GL_QUADS.
void draw_rect_2d(double x, double y, double w, double h, int32_t rgb);

// Filled rectangle inside the caller's GL_QUADS.
void emit_rect_2d(double x, double y, double w, double h, int32_t rgb);

// Rectangle outline in its own GL_LINE_LOOP.
void draw_rect_outline_2d(double x, double y, double w, double h, int32_t rgb);

// Three short white lines at the mouse position (right, down, diagonal),
// sized from the screen width, with lighting off while they draw.
void draw_mouse_marker(void);
