// Text drawing and measuring with the current font: textured quads in window
// pixels (origin top-left, y down), escapes for colour, tab stops, script
// levels and glyph codes above 255, text width, text on a filled background,
// and text laid out through a caller's mapping into 3D. Depends on
// font/font_registry (current font and its copies), shell/window
// (screen size), geometry/shapes_2d (background rectangle) and GL.
//
// Text format: bytes are glyph codes, ended by a zero byte, except
//   2, high, low            glyph escape: draws glyph high * 256 + low
//   5, kind, 4 payload      layout escape (payload little-endian):
//                             kind 0: int32 colour 0xRRGGBB
//                             kind 1: int32 x in pixels (tab stop)
//                             kind 2: uint16 scale (256 = normal), int16
//                                     raise (1/256 of the line height, up)
//   10                      line feed
// Escapes are read whole and their bytes may be zero (a glyph escape with high
// byte 0 draws glyph low; payloads hold zeros), so callers hand over whole
// escapes and find the end with escaped_end. Glyph codes the font has no slot
// for (512 and above) draw nothing and advance nothing.
// A byte 2 or 5 always starts an escape, even as the text's last byte before
// its zero: the functions that read escapes (draw_text, text_width,
// text_width_prefix, draw_text_boxed, escaped_end) then read the escape's
// remaining 2 or 5 bytes past that terminator, since the format makes an
// escape whole. Callers that build or cut texts keep such a text padded
// with those bytes (a cut never ends inside an escape).
#pragma once

#include <stdint.h>

// Blend function while text is drawn: 1 (ONE, ZERO), 2 (ZERO,
// ONE_MINUS_SRC_COLOR), 3 (SRC_ALPHA, ONE; the default), 4 (SRC_ALPHA,
// ONE_MINUS_SRC_ALPHA); any other value keeps the caller's blend function.
extern int32_t text_blend_mode;
// Nonzero: every glyph advances by current_cell_w, centred in that cell.
extern uint8_t text_fixed_pitch;
// The gap after every glyph is floor(current_cell_w * 0.13 + 0.5) pixels.
extern const float LETTER_GAP_FACTOR;

// Caller's placement of a laid-out text vertex: (u, v) in, position and
// packed 0xRRGGBB colour out.
typedef void (*text_map_fn)(double u, double v, double* x, double* y, double* z, int32_t* rgb);

// Draws text with its first glyph's top-left at (x, y), wrapping at spaces
// against wrap_right (0: no wrapping); a null text draws "NULL?". Restores
// every GL setting it changes. Draws nothing without a current font.
void draw_text(int32_t x, int32_t y, int32_t wrap_right, const char* text, int32_t rgb);
// Width in pixels up to the end or the first line feed (10 without a font).
int32_t text_width(const char* text);
// text_width of the first n bytes (of all of it when n < 0 or n >= length).
int32_t text_width_prefix(char* text, int32_t n);
// Fills text_width x line height at (x, y) with background, then draws text.
// The box goes through draw_rect_2d in the current projection: call it in
// overlay mode (enter_overlay) for the box to lie under the text.
void draw_text_boxed(int32_t x, int32_t y, const char* text, int32_t rgb, int32_t background);
// Draws every byte as a glyph in a (u, v) plane (v 0 at the top, 1 at the
// bottom, glyphs keep their proportions) placed vertex by vertex by map.
void draw_text_mapped(const char* text, text_map_fn map);
// Sets text_blend_mode.
void set_text_blend_mode(int32_t mode);
// The text's terminating zero, escapes stepped over whole (a zero inside an
// escape, as after a trailing 2 or 5, is not the end).
const char* escaped_end(const char* text);
