// Drawing helpers shared by the gallery's pages: the fonts the gallery loads
// at start-up, text in a chosen font and blend mode, filled rectangles,
// lines and outlines in pixel coordinates, and the page frame (title bar and
// footer). Depends on the toolkit's font registry, text drawing, 2D shapes,
// overlay mode and the built-in font.
#pragma once

#include <stdint.h>

struct font;

// The fonts of every page: "normal" (the built-in font at 6-pixel cells on
// an 800 x 600 screen, as the box-field test loads it), "small" (the same
// cells at 4 pixels) and "greek" (the built-in font with Greek letters
// added, 6-pixel cells). On larger screens the cells grow with gallery_scale.
extern font* gallery_font_normal;
extern font* gallery_font_small;
extern font* gallery_font_greek;

// Screen pixels per layout pixel. The pages are laid out for an 800 x 600
// screen; every length, the fonts' cells included, grows with the screen by
// the smaller of height / 600 and width / 800, so text takes the same share
// of the screen at any size (cell glyph fonts are built at any cell size).
// Set by gallery_load_fonts; 1 before.
extern double gallery_scale;

// A length of the 800 x 600 layout in screen pixels (gallery_scale times,
// rounded).
int32_t gallery_px(double length);

// A glyph cell size of the 800 x 600 layout at the current scale, in whole
// pixels, rounded down (a font never outgrows the room the layout gives it).
int32_t gallery_cell(int32_t cell);

// Height of the title bar and of the footer, in pixels (set with the scale).
extern int32_t gallery_bar_height;
extern int32_t gallery_footer_height;

// One element a page drew, as a rectangle in overlay pixels (x right, y
// down), with whether it is text and what it is.
struct gallery_element {
  double x, y, w, h;
  int text;
  const char* what;
};

// Called with every element the pages and the frame draw, when set (the
// tests check that each lies on the surface and that texts do not overlap).
extern void (*gallery_element_hook)(const gallery_element* element);

// Reports an element to gallery_element_hook; negative extents are turned
// round so that w and h come out positive.
void gallery_report(double x, double y, double w, double h, int text, const char* what);

// The box text in font f at (x, y) covers, wrapped against wrap_right (0: no
// wrapping) and split at line feeds: the widest line by the lines' height.
void gallery_text_box(font* f, int32_t x, int32_t wrap_right, const char* text, int32_t* width,
                      int32_t* height);

// Sets gallery_scale from the screen's size and (re)loads the three fonts at
// cells of that scale (normal first, so it becomes current). Returns 0 when
// one of them could not be made.
int gallery_load_fonts(void);

// Draws text in font f (made current) with blend mode 4 (alpha), then puts
// the blend mode back; wrap_right as draw_text. Reported as a text element.
void gallery_text(font* f, int32_t x, int32_t y, const char* text, int32_t rgb);
void gallery_text_wrapped(font* f, int32_t x, int32_t y, int32_t wrap_right, const char* text, int32_t rgb);

// Width of text in font f (made current).
int32_t gallery_text_width(font* f, const char* text);

// Brackets flat drawing of a page's own: the overlay projection with
// texturing, lighting and blending off, every enable put back at the end.
void gallery_begin_flat(void);
void gallery_end_flat(void);

// Filled rectangle, outline and line in overlay pixels (texturing and
// lighting off while they draw).
void gallery_fill(double x, double y, double w, double h, int32_t rgb);
void gallery_outline(double x, double y, double w, double h, int32_t rgb);
void gallery_line(double x0, double y0, double x1, double y1, int32_t rgb);

// A rectangle shaded from rgb_left at its left edge to rgb_right at its right.
void gallery_gradient(double x, double y, double w, double h, int32_t rgb_left, int32_t rgb_right);

// A rectangle blended over what is drawn, with the given opacity (0 to 1).
void gallery_veil(double x, double y, double w, double h, int32_t rgb, double opacity);

// The frame of every page: a title bar naming what the page shows and a
// footer with the page number and the keys.
void gallery_draw_frame(int32_t page, int32_t page_count, const char* title);
