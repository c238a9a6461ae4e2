// Cell glyphs: fonts stored as small grids of stroke-shape cell codes, and the
// anti-aliasing rasteriser that turns them into 8-bit glyph bitmaps at a chosen
// cell size. Plain computation on memory buffers: no files, no GL. Depends on
// util/helpers (clamp_nonneg_double).
//
// Byte formats (no header, entries back to back, at most MAX_GLYPHS, entry
// index = character code):
//   cell_glyph_set    entry = cols, rows, then cols x rows cell codes row by row
//   glyph_bitmap_set  entry = width, height, then width x height pixel bytes;
//                     a pixel is GLYPH_PIXEL_EMPTY or a grey level 16..39
//
// Input from outside is checked before it is used: see decode_cell_glyphs and
// check_cell_glyphs for what is dropped and what is refused.
#pragma once

#include <stdint.h>

// Number of glyph slots of a font and most entries a glyph set holds (a macro
// shared with font/font_registry.h, which may come first).
#ifndef MAX_GLYPHS
#define MAX_GLYPHS 512
#endif
// Number of valid cell codes (0..63); the tile cache holds one tile per code.
const int CELL_CODE_COUNT = 64;

// Cell code bits: the shape number sits in bits 3..5.
const uint8_t CELL_MIRROR_X = 1;
const uint8_t CELL_MIRROR_Y = 2;
const uint8_t CELL_TRANSPOSE = 4;

// Shape catalogue (cell code >> 3).
const int SHAPE_EMPTY = 0;
const int SHAPE_BAR = 1;
const int SHAPE_ARC = 2;
const int SHAPE_TEE = 3;
const int SHAPE_DOT = 4;
const int SHAPE_STUB = 5;
const int SHAPE_CORNER = 6;
const int SHAPE_DOUBLE_ARC = 7;

// Pixel value of a glyph bitmap pixel that no sample hit.
const uint8_t GLYPH_PIXEL_EMPTY = 255;

// Largest width or height of a glyph bitmap (one-byte fields), and so the
// largest usable cell size.
const int GLYPH_MAX_SIZE = 255;
// Most anti-aliasing samples per pixel along each axis: the largest n whose
// n x n samples per pixel a 32-bit sum counts exactly. Styles asking for more
// are refused; every count up to it follows the sampling rule.
const int GLYPH_MAX_SAMPLES = 46340;

// Rasterisation parameters, always passed by value.
struct glyph_style {
  float cell_width;   // cell width in pixels, truncated where a pixel count is needed
  float cell_height;  // cell height in pixels, truncated likewise
  float stroke_x;     // half-width of a vertical stroke, fraction of the cell width
  float stroke_y;     // half-width of a horizontal stroke, fraction of the cell height
  float curve_x;      // squareness of arcs along x: 0 round, towards 1 square
  float curve_y;      // squareness of arcs along y
  float dot_scale;    // dot radius as a multiple of stroke_x
  int32_t samples;    // anti-aliasing samples per pixel along each axis
  int32_t reserved;   // carried along, read by nothing here
};

// The default style (5 x 5 cells, strokes 0.2, round arcs, 10 x 10 samples)
// with the given cell width and height.
glyph_style make_glyph_style(float cell_width, float cell_height);

// 1 when (x, y) of a unit cell (y down) lies on the stroke of code,
// 0 when not, 2 when the code's shape number is above 7. Curves of 1 or more
// are taken as the largest float below 1; an arc radius of 0 or less is empty.
int cell_shape_test(uint8_t code, float x, float y, glyph_style style);

// x * x.
double square(double x);

// 1 when the style's truncated cell width and height both lie in
// 1..GLYPH_MAX_SIZE and its samples are at most GLYPH_MAX_SAMPLES, the only
// styles the rasteriser accepts; else 0.
int glyph_style_usable(glyph_style style);

// style.samples, with a negative count taken as 0.
int glyph_style_samples(glyph_style style);

// Sample (a, b) of n x n inside the pixel at column k, in pixels and single
// precision: k + a/n + b/n². Samples form a rotated grid: no two of a pixel
// share an x or a y.
float cell_sample_x(int k, int a, int b, int n);

// Sample (a, b) inside the pixel at row r: r + b/n - a/n²; the first row's
// samples reach slightly above the pixel.
float cell_sample_y(int r, int a, int b, int n);

// Splits a sample coordinate in pixels into the index of the cell it falls in
// (floor(t / tile)) and the position inside that cell (t / tile - index), both
// in single precision.
float cell_sample_local(float t, int tile, int* cell_out);

// Pixel value from the sum of shape tests over a pixel's n x n samples:
// GLYPH_PIXEL_EMPTY for 0, else floor(23.9 x sum / n / n) + 16.
uint8_t glyph_pixel_value(int64_t sum, int n);

// Tiles of codes 0..count-1 (count x tile_w x tile_h bytes, heap, caller
// frees). Null when the style is not usable.
uint8_t* render_cell_tiles(uint8_t count, glyph_style style);

// One glyph's pixels built by copying tiles (CELL_CODE_COUNT tiles of the
// style): cols x tile_w wide, rows x tile_h high. A cell code of 64 or more is
// drawn as the shape test judges it (every sample 2). Stores the size through
// the non-null pointers and returns a heap buffer (never null for a 0 x n
// glyph). Refuses (null, sizes 0) an unusable style, negative counts, or a
// width or height above GLYPH_MAX_SIZE.
uint8_t* expand_cell_grid(const uint8_t* cells, int cols, int rows, const uint8_t* tiles, glyph_style style,
                          int* width_out, int* height_out);

// Converts a whole cell_glyph_set into a glyph_bitmap_set (heap, caller frees)
// and stores its length through out_length when not null. An entry whose
// header or cell codes run past the end ends the set; an entry too large for
// the one-byte fields becomes a 0 x 0 glyph so later codes keep their slots;
// cell codes of 64 and above are drawn as the shape test judges them. An
// unusable style is refused (null, length 0), except that an empty set
// decodes to an empty result at any cell size of 1 or more.
uint8_t* decode_cell_glyphs(const uint8_t* data, uint32_t length, glyph_style style, uint32_t* out_length);

// What check_cell_glyphs found.
enum cell_glyph_problem {
  CELL_GLYPHS_OK = 0,
  CELL_GLYPHS_DANGLING_HEADER,  // the data ends with a header and no cell codes
  CELL_GLYPHS_TRUNCATED,        // an entry's header or cell codes run past the end
  CELL_GLYPHS_BAD_CODE,         // a cell code of 64 or more
  CELL_GLYPHS_TOO_LARGE,        // an entry wider or taller than GLYPH_MAX_SIZE pixels
  CELL_GLYPHS_TOO_MANY,         // data left over after MAX_GLYPHS entries
  CELL_GLYPHS_BAD_STYLE         // the style is not usable
};

// Walks a cell_glyph_set as the decoder does and reports the first thing the
// decoder would drop or ignore; the entry index goes through entry_out when not
// null (-1 for a style problem). For tools that must tell a user why.
cell_glyph_problem check_cell_glyphs(const uint8_t* data, uint32_t length, glyph_style style, int* entry_out);

// One line of English describing a problem ("cell codes run past the end").
const char* cell_glyph_problem_text(cell_glyph_problem problem);
