// Drawing helpers shared by the gallery's pages (see gallery_ui.h). Depends
// on the font registry and atlas builder, the cell font loader, text drawing,
// 2D shapes, overlay mode and gallery/greek_font.
#include "gallery/gallery_ui.h"

#include <stdio.h>
#include <stdlib.h>

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
int32_t gallery_bar_height = 36;

// ---------------------------------------------------------------------------
// Fonts

// The font just loaded under name, when it has a glyph for 'A'.
static font* loaded_font(const char* name) {
  font* f = font_find(name);
  return f && f->glyph_w['A'] > 0 ? f : nullptr;
}

int gallery_load_fonts(void) {
  load_cell_font(builtin_font_cells, BUILTIN_FONT_CELLS_LENGTH, make_glyph_style(6.0f, 6.0f), "normal");
  gallery_font_normal = loaded_font("normal");
  load_cell_font(builtin_font_cells, BUILTIN_FONT_CELLS_LENGTH, make_glyph_style(4.0f, 4.0f), "small");
  gallery_font_small = loaded_font("small");
  uint32_t length = 0;
  uint8_t* greek = make_greek_font_cells(&length);
  if (greek) {
    load_cell_font(greek, length, make_glyph_style(6.0f, 6.0f), "greek");
    free(greek);
  }
  gallery_font_greek = loaded_font("greek");
  font_select(gallery_font_normal);
  return gallery_font_normal && gallery_font_small && gallery_font_greek;
}

// ---------------------------------------------------------------------------
// Text

void gallery_text_wrapped(font* f, int32_t x, int32_t y, int32_t wrap_right, const char* text, int32_t rgb) {
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
  gallery_begin_flat();
  draw_rect_2d(x, y, w, h, rgb);
  gallery_end_flat();
}

void gallery_outline(double x, double y, double w, double h, int32_t rgb) {
  gallery_begin_flat();
  draw_rect_outline_2d(x, y, w, h, rgb);
  gallery_end_flat();
}

void gallery_line(double x0, double y0, double x1, double y1, int32_t rgb) {
  gallery_begin_flat();
  draw_line_2d(x0, y0, x1, y1, rgb);
  gallery_end_flat();
}

static void send_rgb(int32_t rgb, double opacity) {
  glColor4f((float)((rgb >> 16) & 0xFF) / 255.0f, (float)((rgb >> 8) & 0xFF) / 255.0f,
            (float)(rgb & 0xFF) / 255.0f, (float)opacity);
}

void gallery_gradient(double x, double y, double w, double h, int32_t rgb_left, int32_t rgb_right) {
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
  gallery_text(gallery_font_normal, 12, 6, title, 0xfff4d8);

  const int32_t footer = 26;
  const int32_t top = screen_height - footer;
  gallery_fill(0, top, screen_width, footer, 0x1c2433);
  char line[160];
  snprintf(line, sizeof line, "Page %d of %d", (int)page + 1, (int)page_count);
  gallery_text(gallery_font_small, 12, top + 5, line, 0xc8d4ec);
  const char* keys = "Space, Right: next    Left: back    1-8: page    Esc, Q: quit";
  int32_t w = gallery_text_width(gallery_font_small, keys);
  gallery_text(gallery_font_small, screen_width - w - 12, top + 5, keys, 0xc8d4ec);
}
