// Drawing helpers shared by the gallery's pages (see gallery_ui.h). Depends
// on the font registry and atlas builder, the cell font loader, text drawing,
// 2D shapes, overlay mode and gallery/greek_font.
#include "gallery/gallery_ui.h"

#include <math.h>
#include <stdio.h>
#include <stdlib.h>

#include <string>

#include "font/font_registry.h"
#include "gallery/greek_font.h"
#include "geometry/shapes_2d.h"
#include "glyphs/builtin_font.h"
#include "glyphs/cell_font.h"
#include "glyphs/cell_glyphs.h"
#include "shell/gl.h"
#include "shell/view.h"
#include "shell/window.h"
#include "text/text_draw.h"

font* gallery_font_normal = nullptr;
font* gallery_font_small = nullptr;
font* gallery_font_greek = nullptr;
double gallery_scale = 1.0;
int32_t gallery_bar_height = 36;
int32_t gallery_footer_height = 26;
void (*gallery_element_hook)(const gallery_element* element) = nullptr;

void gallery_report(double x, double y, double w, double h, int text, const char* what) {
  if (!gallery_element_hook) return;
  gallery_element e = {w < 0 ? x + w : x, h < 0 ? y + h : y, w < 0 ? -w : w, h < 0 ? -h : h, text, what};
  gallery_element_hook(&e);
}

// ---------------------------------------------------------------------------
// Fonts

// The font just loaded under name, when it has a glyph for 'A'.
static font* loaded_font(const char* name) {
  font* f = font_find(name);
  return f && f->glyph_w['A'] > 0 ? f : nullptr;
}

int32_t gallery_px(double length) { return (int32_t)lround(length * gallery_scale); }

// Whole pixels, so every cell row and column of a glyph is as wide as the
// next.
int32_t gallery_cell(int32_t cell) {
  int32_t pixels = (int32_t)floor(cell * gallery_scale + 1e-6);
  return pixels < 1 ? 1 : pixels;
}

int gallery_load_fonts(void) {
  // The scale is rounded so that the normal font's 6-pixel cell comes out
  // whole (lengths then grow exactly as the normal text does): to the
  // nearest whole cell, but down where the width would not hold it (a 5:4
  // or 4:3 screen, whose long lines fill the width).
  double by_height = screen_height / 600.0, by_width = screen_width / 800.0;
  double scale = by_height < by_width ? by_height : by_width;
  double cell = floor(6.0 * scale + 0.5);
  if (cell > 6.0 * by_width) cell = floor(6.0 * by_width);
  // At most 24-pixel cells: the large font's 36-pixel cells then make lines
  // of 252 pixels, the most a font record's 8-bit line height holds.
  if (cell > 24.0) cell = 24.0;
  gallery_scale = (cell < 1.0 ? 1.0 : cell) / 6.0;
  gallery_bar_height = gallery_px(36);
  gallery_footer_height = gallery_px(26);
  // Made again at a new size: the old fonts go first.
  for (const char* name : {"normal", "small", "greek"}) font_delete_by_name(name);
  const float normal = (float)gallery_cell(6), small = (float)gallery_cell(4);
  load_cell_font(builtin_font_cells, BUILTIN_FONT_CELLS_LENGTH, make_glyph_style(normal, normal), "normal");
  gallery_font_normal = loaded_font("normal");
  load_cell_font(builtin_font_cells, BUILTIN_FONT_CELLS_LENGTH, make_glyph_style(small, small), "small");
  gallery_font_small = loaded_font("small");
  uint32_t length = 0;
  uint8_t* greek = make_greek_font_cells(&length);
  if (greek) {
    load_cell_font(greek, length, make_glyph_style(normal, normal), "greek");
    free(greek);
  }
  gallery_font_greek = loaded_font("greek");
  font_select(gallery_font_normal);
  return gallery_font_normal && gallery_font_small && gallery_font_greek;
}

// ---------------------------------------------------------------------------
// Text

// Height of one line's glyphs: letters and descenders take 5 of the 7 cell
// rows of the font's tallest glyph (the built-in font's frame at code 127).
static int32_t line_ink_height(const font* f) { return f->line_height * 5 / 7; }

void gallery_text_box(font* f, int32_t x, int32_t wrap_right, const char* text, int32_t* width,
                      int32_t* height) {
  font_select(f);
  int32_t widest = 0, lines = 0;
  // Texts with escapes are measured whole (their payloads may hold any
  // byte); plain texts line by line, wrapped as draw_text wraps them.
  int has_escape = 0;
  for (const char* p = text; *p; p++) has_escape |= (*p == 2 || *p == 5);
  std::string rest = text;
  while (!has_escape) {
    size_t feed = rest.find('\n');
    std::string line = rest.substr(0, feed);
    // Greedy wrapping: a word that would cross wrap_right starts a new line.
    std::string current;
    size_t start = 0;
    for (;;) {
      size_t space = line.find(' ', start);
      std::string word = line.substr(start, space == std::string::npos ? std::string::npos : space - start);
      std::string tried = current.empty() ? word : current + " " + word;
      if (wrap_right != 0 && !current.empty() && x + text_width(tried.c_str()) > wrap_right) {
        int32_t w = text_width(current.c_str());
        widest = w > widest ? w : widest;
        lines++;
        current = word;
      } else {
        current = tried;
      }
      if (space == std::string::npos) break;
      start = space + 1;
    }
    int32_t w = text_width(current.c_str());
    widest = w > widest ? w : widest;
    lines++;
    if (feed == std::string::npos) break;
    rest = rest.substr(feed + 1);
  }
  if (has_escape) {
    widest = text_width(text);
    lines = 1;
  }
  *width = widest;
  *height = (lines - 1) * (f->line_height + 1) + line_ink_height(f);
}

void gallery_text_wrapped(font* f, int32_t x, int32_t y, int32_t wrap_right, const char* text, int32_t rgb) {
  if (gallery_element_hook) {
    int32_t w = 0, h = 0;
    gallery_text_box(f, x, wrap_right, text, &w, &h);
    gallery_report(x, y, w, h, 1, text);
  }
  font_select(f);
  int32_t mode = text_blend_mode;
  set_text_blend_mode(4);
  draw_text(x, y, wrap_right, text, rgb);
  set_text_blend_mode(mode);
}

void gallery_text(font* f, int32_t x, int32_t y, const char* text, int32_t rgb) {
  gallery_text_wrapped(f, x, y, 0, text, rgb);
}

int32_t gallery_text_width(font* f, const char* text) {
  font_select(f);
  return text_width(text);
}

// ---------------------------------------------------------------------------
// Shapes in overlay pixels

// Runs in the overlay with texturing, lighting and blending off; every
// enable is put back afterwards (leave_overlay alone would switch the depth
// test on).
void gallery_begin_flat(void) {
  glPushAttrib(GL_ENABLE_BIT);
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_LIGHTING);
  glDisable(GL_BLEND);
  enter_overlay();
}

void gallery_end_flat(void) {
  leave_overlay();
  glPopAttrib();
}

void gallery_fill(double x, double y, double w, double h, int32_t rgb) {
  gallery_report(x, y, w, h, 0, "fill");
  gallery_begin_flat();
  draw_rect_2d(x, y, w, h, rgb);
  gallery_end_flat();
}

void gallery_outline(double x, double y, double w, double h, int32_t rgb) {
  gallery_report(x, y, w, h, 0, "outline");
  gallery_begin_flat();
  draw_rect_outline_2d(x, y, w, h, rgb);
  gallery_end_flat();
}

void gallery_line(double x0, double y0, double x1, double y1, int32_t rgb) {
  gallery_report(x0, y0, x1 - x0, y1 - y0, 0, "line");
  gallery_begin_flat();
  draw_line_2d(x0, y0, x1, y1, rgb);
  gallery_end_flat();
}

static void send_rgb(int32_t rgb, double opacity) {
  glColor4f((float)((rgb >> 16) & 0xFF) / 255.0f, (float)((rgb >> 8) & 0xFF) / 255.0f,
            (float)(rgb & 0xFF) / 255.0f, (float)opacity);
}

void gallery_gradient(double x, double y, double w, double h, int32_t rgb_left, int32_t rgb_right) {
  gallery_report(x, y, w, h, 0, "gradient");
  gallery_begin_flat();
  glBegin(GL_QUADS);
  send_rgb(rgb_left, 1.0);
  glVertex2d(x, y);
  send_rgb(rgb_right, 1.0);
  glVertex2d(x + w, y);
  glVertex2d(x + w, y + h);
  send_rgb(rgb_left, 1.0);
  glVertex2d(x, y + h);
  glEnd();
  gallery_end_flat();
}

void gallery_veil(double x, double y, double w, double h, int32_t rgb, double opacity) {
  gallery_report(x, y, w, h, 0, "veil");
  gallery_begin_flat();
  glEnable(GL_BLEND);
  GLint src = GL_ONE, dst = GL_ZERO;
  glGetIntegerv(GL_BLEND_SRC, &src);
  glGetIntegerv(GL_BLEND_DST, &dst);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glBegin(GL_QUADS);
  send_rgb(rgb, opacity);
  glVertex2d(x, y);
  glVertex2d(x + w, y);
  glVertex2d(x + w, y + h);
  glVertex2d(x, y + h);
  glEnd();
  glBlendFunc((GLenum)src, (GLenum)dst);
  gallery_end_flat();
}

// ---------------------------------------------------------------------------
// Page frame

void gallery_draw_frame(int32_t page, int32_t page_count, const char* title) {
  const int32_t bar = gallery_bar_height;
  gallery_fill(0, 0, screen_width, bar, 0x1c2433);
  gallery_line(0, bar - 0.5, screen_width, bar - 0.5, 0x5a6a88);
  // A title wider than the screen (800 pixels) drops to the small font.
  if (gallery_text_width(gallery_font_normal, title) <= screen_width - gallery_px(24))
    gallery_text(gallery_font_normal, gallery_px(12), gallery_px(6), title, 0xfff4d8);
  else
    gallery_text(gallery_font_small, gallery_px(12), gallery_px(10), title, 0xfff4d8);

  const int32_t footer = gallery_footer_height;
  const int32_t top = screen_height - footer;
  gallery_fill(0, top, screen_width, footer, 0x1c2433);
  char line[160];
  snprintf(line, sizeof line, "Page %d of %d", (int)page + 1, (int)page_count);
  gallery_text(gallery_font_small, gallery_px(12), top + gallery_px(5), line, 0xc8d4ec);
  const char* keys = "Space, Right: next    Left: back    1-8: page    Esc, Q: quit";
  int32_t w = gallery_text_width(gallery_font_small, keys);
  gallery_text(gallery_font_small, screen_width - w - gallery_px(12), top + gallery_px(5), keys, 0xc8d4ec);
}
