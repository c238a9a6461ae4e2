// A hand-made font record for the text tests, with the metrics of the
// built-in font at 6-pixel cells where they matter ('1' 6 wide, 'C' 12 wide,
// line height 42) and distinct atlas positions for every glyph, registered and
// made current. No GL: the texture name is only a number.
#pragma once

#include <stdlib.h>
#include <string.h>

#include <string>

#include "font/font_registry.h"
#include "util/helpers.h"

namespace text_test {

const uint32_t TEXTURE = 9;
const int32_t ATLAS_W = 2048;
const int32_t ATLAS_H = 512;

inline int32_t glyph_width(int code) {
  switch (code) {
    case '1':
      return 6;
    case 'A':
      return 10;
    case 'C':
      return 12;
    case ' ':
      return 6;
    case 300:
      return 9;
    case 511:
      return 7;
    default:
      return 8;
  }
}

inline int32_t glyph_x(int code) { return code * 4; }
inline int32_t glyph_y(int code) { return (code % 8) * 42; }

inline font* make_font(const char* name) {
  font_registry_init();
  font* f = (font*)calloc(1, sizeof(font));
  str_dup_into(&f->name, name);
  f->texture = TEXTURE;
  for (int i = 0; i < MAX_GLYPHS; ++i) {
    f->glyph_x[i] = glyph_x(i);
    f->glyph_y[i] = glyph_y(i);
    f->glyph_w[i] = glyph_width(i);
  }
  f->atlas_w = ATLAS_W;
  f->atlas_h = ATLAS_H;
  f->max_glyph_w = 12;
  f->line_height = 42;
  f->cell_w = 13;
  f->style = TEXT_STYLE_DEFAULT;
  f->style.font = f;
  f->style.glyph_slots = MAX_GLYPHS;
  dyn_array_push(&font_registry, &f);
  return f;
}

// Frees every registered font without GL and clears the current font.
inline void clear_fonts() {
  while (fonts && font_registry.count > 0) {
    font* f = fonts[0];
    dyn_array_remove_at(&font_registry, 0);
    free(f->name);
    free(f);
  }
  current_font = nullptr;
  current_line_height = 0;
  current_cell_w = 0;
}

// Text bytes with escapes spelled out.
inline std::string glyph_escape(int code) {
  return std::string{(char)2, (char)(code / 256), (char)(code % 256)};
}
inline std::string layout_escape(int kind, uint32_t v) {
  return std::string{
      (char)5, (char)kind, (char)(v & 255), (char)((v >> 8) & 255), (char)((v >> 16) & 255), (char)(v >> 24)};
}
inline std::string script_escape(int scale, int raise) {
  return layout_escape(2, (uint32_t)(uint16_t)scale | ((uint32_t)(uint16_t)(int16_t)raise << 16));
}

// A heap copy of text with its terminating zero and nothing after it, so
// that the sanitizer build reports any read past the end.
struct exact_text {
  char* p;
  explicit exact_text(const std::string& text) : p((char*)malloc(text.size() + 1)) {
    memcpy(p, text.data(), text.size());
    p[text.size()] = 0;
  }
  ~exact_text() { free(p); }
  exact_text(const exact_text&) = delete;
  exact_text& operator=(const exact_text&) = delete;
};

}  // namespace text_test
