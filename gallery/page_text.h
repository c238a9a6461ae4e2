// The gallery's text pages: blend modes and escapes; wrapping, boxed text and
// fixed pitch; the markup passes beside their source texts. Depends on text
// drawing and markup, the gallery's fonts and 2D helpers.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>

// Escape builders: append a colour, tab or script-level escape (byte 5, the
// kind, four little-endian payload bytes) or a glyph escape (byte 2, high,
// low) to a text held in a std::string (payloads may hold zero bytes).
void append_colour_escape(std::string* text, int32_t rgb);
void append_tab_escape(std::string* text, int32_t x);
void append_script_escape(std::string* text, uint16_t scale, int16_t raise);
void append_glyph_escape(std::string* text, uint16_t code);

// Runs the markup passes on source (colour and tab codes, then Greek names
// and scripts up to `levels` deep) into out, a buffer of size bytes. Returns
// 1 when every pass converted everything; 0 (out holding what fitted) when
// the buffer was too small.
int markup_convert(const char* source, int32_t levels, char* out, size_t size);

// Blend modes and colour, glyph, tab and script escapes.
void draw_text_page(double t);
// A paragraph wrapped at a right edge, boxed text, fixed pitch, line feeds.
void draw_layout_page(double t);
// Markup sources and what the passes make of them.
void draw_markup_page(double t);
