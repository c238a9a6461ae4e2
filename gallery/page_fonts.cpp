// The gallery's font page (see page_fonts.h). Depends on font/font_registry,
// font/font_atlas, glyphs/cell_font, glyphs/builtin_font, gallery/greek_font
// (entry offsets), gallery/page_text (escape builders), text/text_draw,
// gallery/gallery_ui and GL (the strip the screen copies are taken from).
#include "gallery/page_fonts.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "font/font_atlas.h"
#include "font/font_registry.h"
#include "gallery/gallery_ui.h"
#include "gallery/greek_font.h"
#include "gallery/page_text.h"
#include "glyphs/builtin_font.h"
#include "glyphs/cell_font.h"
#include "glyphs/cell_glyphs.h"
#include "shell/gl.h"
#include "shell/window.h"
#include "text/text_draw.h"

static const int32_t LABEL_RGB = 0x9fb0d0;
static const int32_t TEXT_RGB = 0xf2f2f2;

static double fonts_scale = 0.0;  // gallery_scale the page's fonts were made at; 0: none
static font* font_large = nullptr;
static font* font_caps = nullptr;
static font* font_blank = nullptr;
static font* font_copy = nullptr;
static font* font_derived = nullptr;

// The two backgrounds of the strip: the copy is taken over the first, the
// derived font over the second.
static const int32_t COPY_LEFT = 0x8a1838, COPY_RIGHT = 0x2050b0;
static const int32_t DERIVED_LEFT = 0x106a48, DERIVED_RIGHT = 0xa07810;

// ---------------------------------------------------------------------------
// Fonts

static bool caps_code(int32_t code) {
  return code == ' ' || (code >= '0' && code <= '9') || (code >= 'A' && code <= 'Z');
}

uint8_t* make_caps_font_cells(uint32_t* length_out) {
  *length_out = 0;
  uint64_t total = 0;
  for (int32_t code = 0; code <= 'Z'; code++) {
    if (caps_code(code)) {
      int64_t at = cell_entry_offset(builtin_font_cells, BUILTIN_FONT_CELLS_LENGTH, code);
      total += 2 + (uint64_t)builtin_font_cells[at] * builtin_font_cells[at + 1];
    } else {
      total += 2;
    }
  }
  uint8_t* data = (uint8_t*)malloc((size_t)total);
  if (!data) return nullptr;
  uint8_t* p = data;
  for (int32_t code = 0; code <= 'Z'; code++) {
    if (caps_code(code)) {
      int64_t at = cell_entry_offset(builtin_font_cells, BUILTIN_FONT_CELLS_LENGTH, code);
      size_t size = 2 + (size_t)builtin_font_cells[at] * builtin_font_cells[at + 1];
      memcpy(p, builtin_font_cells + at, size);
      p += size;
    } else {
      *p++ = 0;
      *p++ = 0;
    }
  }
  *length_out = (uint32_t)total;
  return data;
}

// The caps font's atlas row drawn at (x, y) over a gradient, upside down:
// a screen copy turns the bottom row of the screen into the first texture
// row, which text draws at the top of a glyph, so a strip meant to be copied
// must stand on its head to come out upright.
static void draw_caps_strip(int32_t x, int32_t y, int32_t left, int32_t right) {
  const int32_t w = font_caps->atlas_w, h = font_caps->line_height;
  gallery_gradient(x, y, w, h, left, right);
  gallery_begin_flat();
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, font_caps->texture);
  glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  const float t1 = (float)h / (float)font_caps->atlas_h;
  glBegin(GL_QUADS);
  glColor3f(1.0f, 1.0f, 1.0f);
  glTexCoord2f(0.0f, t1);
  glVertex2i(x, y);
  glTexCoord2f(1.0f, t1);
  glVertex2i(x + w, y);
  glTexCoord2f(1.0f, 0.0f);
  glVertex2i(x + w, y + h);
  glTexCoord2f(0.0f, 0.0f);
  glVertex2i(x, y + h);
  glEnd();
  glBlendFunc(GL_ONE, GL_ZERO);
  gallery_end_flat();
}

// The page's fonts at the gallery's scale; those of an earlier scale are
// deleted first.
static void make_fonts(void) {
  for (font** f : {&font_derived, &font_copy, &font_blank, &font_caps, &font_large}) {
    if (*f) font_delete(*f);
    *f = nullptr;
  }
  fonts_scale = gallery_scale;
  const float large = (float)gallery_cell(9);
  load_cell_font(builtin_font_cells, BUILTIN_FONT_CELLS_LENGTH, make_glyph_style(large, large), "large");
  font_large = font_find("large");
  uint32_t length = 0;
  uint8_t* caps = make_caps_font_cells(&length);
  if (caps) {
    // The whole atlas row is drawn as a strip and copied back from the
    // screen, so it must fit the page: the largest cell up to the scaled
    // 6 pixels whose atlas is no wider than the page between its margins.
    for (int32_t cell = gallery_cell(6); cell >= 1; cell--) {
      font_delete_by_name("caps");
      load_cell_font(caps, length, make_glyph_style((float)cell, (float)cell), "caps");
      const font* made = font_find("caps");
      if (!made || made->atlas_w <= screen_width - 2 * gallery_px(16)) break;
    }
    free(caps);
  }
  font_caps = font_find("caps");
  font_blank = font_create_blank("blank");
  if (!font_caps) return;

  // Both copies read the lower-left corner of the back buffer: draw the
  // strip there, copy, and clear before the page is drawn.
  const int32_t bottom = screen_height - font_caps->line_height;
  draw_caps_strip(0, bottom, DERIVED_LEFT, DERIVED_RIGHT);
  font_derive_from_screen("caps", "caps derived");
  font_derived = font_find("caps derived");
  draw_caps_strip(0, bottom, COPY_LEFT, COPY_RIGHT);
  font_copy = font_copy_from_screen(font_caps);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

// ---------------------------------------------------------------------------
// The page

// Draws a sample in f with the given blend mode.
static void sample(font* f, int32_t x, int32_t y, const char* text, int32_t rgb, int32_t mode) {
  if (!f) {
    gallery_text(gallery_font_small, x, y, "(not made)", 0xff6060);
    return;
  }
  font_select(f);
  gallery_report(x, y, text_width(text), current_line_height * 5 / 7, 1, text);
  int32_t saved = text_blend_mode;
  set_text_blend_mode(mode);
  draw_text(x, y, 0, text, rgb);
  set_text_blend_mode(saved);
}

// Column offsets of the registry table, and its width (the memory line is
// the widest row).
static const int32_t REGISTRY_C1 = 120, REGISTRY_C2 = 210, REGISTRY_C3 = 254;  // layout pixels

static int32_t registry_memory_text(char* out, size_t size) {
  return snprintf(out, size, "font_registry_memory(): %u bytes", (unsigned)font_registry_memory());
}

static int32_t registry_width(void) {
  char memory[80];
  registry_memory_text(memory, sizeof memory);
  int32_t w = gallery_text_width(gallery_font_small, memory);
  int32_t table = gallery_px(REGISTRY_C3) + gallery_text_width(gallery_font_small, "caps derived");
  return w > table ? w : table;
}

// A label wrapped against right; returns the y below it for what follows
// (gap pixels further down).
static int32_t label(int32_t x, int32_t y, int32_t right, const char* text, int32_t gap) {
  int32_t w = 0, h = 0;
  gallery_text_box(gallery_font_small, x, right, text, &w, &h);
  gallery_text_wrapped(gallery_font_small, x, y, right, text, LABEL_RGB);
  return y + h + gap;
}

static void draw_registry(int32_t x, int32_t y) {
  gallery_text(gallery_font_small, x, y, "The registry, slot by slot", LABEL_RGB);
  y += gallery_px(26);
  const int32_t c1 = x + gallery_px(REGISTRY_C1), c2 = x + gallery_px(REGISTRY_C2),
                c3 = x + gallery_px(REGISTRY_C3);
  std::string row = "name";
  append_tab_escape(&row, c1);
  row += "atlas";
  append_tab_escape(&row, c2);
  row += "line";
  append_tab_escape(&row, c3);
  row += "family";
  gallery_text(gallery_font_small, x, y, row.c_str(), 0x80c8ff);
  y += gallery_px(22);
  const int32_t n = fonts ? (int32_t)font_registry.count : 0;
  for (int32_t i = 0; i < n; i++) {
    const font* f = fonts[i];
    char cell[48];
    row = f->name ? f->name : "";
    append_tab_escape(&row, c1);
    snprintf(cell, sizeof cell, "%dx%d", (int)f->atlas_w, (int)f->atlas_h);
    row += cell;
    append_tab_escape(&row, c2);
    snprintf(cell, sizeof cell, "%d", (int)f->line_height);
    row += cell;
    append_tab_escape(&row, c3);
    row += f->style.font == f ? "own" : (f->style.font && f->style.font->name ? f->style.font->name : "none");
    gallery_text(gallery_font_small, x, y, row.c_str(), TEXT_RGB);
    // The row's last column is reported on its own: tab escapes move the
    // pen, which the width of the whole row does not show.
    gallery_report(c3, y, gallery_text_width(gallery_font_small, row.c_str() + row.rfind((char)5) + 6),
                   current_line_height * 5 / 7, 1, "registry family");
    y += gallery_px(22);
  }
  y += gallery_px(8);
  char memory[80];
  registry_memory_text(memory, sizeof memory);
  gallery_text(gallery_font_small, x, y, memory, 0xffe080);
}

void draw_fonts_page(double t) {
  (void)t;
  if (fonts_scale != gallery_scale) make_fonts();
  const int32_t x = gallery_px(16);
  int32_t y = gallery_bar_height + gallery_px(8);
  // The registry takes the right of the page; the labels on the left wrap
  // short of it.
  const int32_t registry_x = screen_width - gallery_px(16) - registry_width() < screen_width * 60 / 100
                                 ? screen_width - gallery_px(16) - registry_width()
                                 : screen_width * 60 / 100;
  const int32_t right = registry_x - gallery_px(16);
  // The cell sizes as built at this screen's scale (4, 6 and 9 at 800 x 600).
  char text[96];
  snprintf(text, sizeof text, "load_cell_font: the built-in cells at %d, %d and %d pixels",
           (int)gallery_cell(4), (int)gallery_cell(6), (int)gallery_cell(9));
  y = label(x, y, right, text, gallery_px(6));
  snprintf(text, sizeof text, "small: %d-pixel cells", (int)gallery_cell(4));
  sample(gallery_font_small, x, y, text, TEXT_RGB, 4);
  y += gallery_px(24);
  snprintf(text, sizeof text, "normal: %d-pixel cells", (int)gallery_cell(6));
  sample(gallery_font_normal, x, y, text, TEXT_RGB, 4);
  y += gallery_px(32);
  snprintf(text, sizeof text, "large: %d pixels", (int)gallery_cell(9));
  sample(font_large, x, y, text, TEXT_RGB, 4);
  y += gallery_px(46);
  std::string greek = "greek: ";
  for (uint16_t code : {280, 281, 282, 283, 256, 257, 258, 259, 303, 279}) append_glyph_escape(&greek, code);
  sample(gallery_font_greek, x, y, greek.c_str(), TEXT_RGB, 4);
  y += gallery_px(40);

  y = label(x, y, right, "font_build of a partial set: abc draws nothing", gallery_px(4));
  sample(font_caps, x, y, "CAPS 0123 abc", 0xffd040, 4);
  y += gallery_px(36);

  y = label(x, y, right, "font_create_blank: glyphs of 1 x 1 texel (on white):", gallery_px(6));
  gallery_fill(x, y - gallery_px(4), gallery_px(200), gallery_px(9), 0xf0f0f0);
  sample(font_blank, x + gallery_px(6), y, "blank placeholder text", 0xffffff, 4);
  y += gallery_px(16);

  y = label(x, y, right, "Strips copied from the screen's corner, upside down:", gallery_px(4));
  if (font_caps) {
    draw_caps_strip(x, y, COPY_LEFT, COPY_RIGHT);
    draw_caps_strip(x, y + font_caps->line_height + gallery_px(4), DERIVED_LEFT, DERIVED_RIGHT);
    y += 2 * font_caps->line_height + gallery_px(12);
  }
  y = label(x, y, right, "font_copy_from_screen, font_derive_from_screen:", gallery_px(4));
  sample(font_copy, x, y, "COPY 2024", 0xffffff, 1);
  sample(font_derived, x + gallery_px(200), y, "DERIVED 42", 0xffffff, 1);

  draw_registry(registry_x, gallery_bar_height + gallery_px(8));
}
