// The gallery's flat pages: the 2D primitives with the palette and the mouse
// marker, and the screen blur at several radii side by side. Depends on
// geometry (2D shapes, palette, screen effect), the gallery's fonts and
// helpers and GL.
#pragma once

#include <stdint.h>

// The radii of the blur page's four columns, left to right.
extern const float BLUR_PAGE_RADII[4];

// Number of blur levels screen_blur runs for a radius: one per halving while
// the offset is at least one pixel.
int32_t blur_level_count(float radius);

// Points, lines, rectangles, the palette and the marker at the mouse.
void draw_shapes_page(double t);

// One test pattern in four columns, blurred at BLUR_PAGE_RADII.
void draw_blur_page(double t);
