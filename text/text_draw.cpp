// Text drawing and measuring: the escape reader, the layout walk that sends
// one GL_QUADS batch per call, the GL state it saves and restores, width
// measurement and the boxed and mapped variants. Depends on
// font/font_registry, shell/window (screen_width, screen_height),
// shell/view (screen_size_known),
// geometry/shapes_2d (draw_rect_2d), util/helpers (char_code) and GL.
#include "text/text_draw.h"

#include <math.h>

#include "font/font_registry.h"
#include "geometry/shapes_2d.h"
#include "shell/gl.h"
#include "shell/view.h"
#include "shell/window.h"
#include "util/helpers.h"

int32_t text_blend_mode = 3;
uint8_t text_fixed_pitch = 0;
const float LETTER_GAP_FACTOR = 0.13f;

namespace {

const int GLYPH_ESCAPE = 2;
const int LAYOUT_ESCAPE = 5;
const int LINE_FEED = 10;
const int SPACE = 32;
const int LAYOUT_COLOUR = 0;
const int LAYOUT_TAB = 1;
const int LAYOUT_SCRIPT = 2;
const char* const NULL_TEXT = "NULL?";

int code_at(const char* p) { return char_code(*p); }

// ---------------------------------------------------------------------------
// Escapes

// One step of the text: what the bytes at p stand for and how many there are.
enum text_item_kind { ITEM_END, ITEM_GLYPH, ITEM_LINE_FEED, ITEM_LAYOUT };

struct text_item {
  text_item_kind kind;
  int code;          // glyph code (ITEM_GLYPH)
  int layout_kind;   // kind byte (ITEM_LAYOUT)
  uint32_t payload;  // little-endian payload (ITEM_LAYOUT)
  int length;        // bytes the item spans (0 for the end)
};

uint32_t read_payload(const char* p) {
  return (uint32_t)code_at(p) | ((uint32_t)code_at(p + 1) << 8) | ((uint32_t)code_at(p + 2) << 16) |
         ((uint32_t)code_at(p + 3) << 24);
}

// Reads the item at p as draw_text sees it. Escapes are read whole: a zero
// byte inside one (a glyph escape's high byte, a layout payload) ends nothing.
text_item read_item(const char* p) {
  text_item item = {ITEM_END, 0, 0, 0, 0};
  int c = code_at(p);
  if (c == 0) return item;
  if (c == GLYPH_ESCAPE) {
    item.kind = ITEM_GLYPH;
    item.code = code_at(p + 1) * 256 + code_at(p + 2);
    item.length = 3;
    return item;
  }
  if (c == LAYOUT_ESCAPE) {
    item.kind = ITEM_LAYOUT;
    item.layout_kind = code_at(p + 1);
    item.payload = read_payload(p + 2);
    item.length = 6;
    return item;
  }
  item.kind = c == LINE_FEED ? ITEM_LINE_FEED : ITEM_GLYPH;
  item.code = c;
  item.length = 1;
  return item;
}

// ---------------------------------------------------------------------------
// Metrics

// The font whose glyph widths a style's advances use: the style's own font,
// or the current font when the style names none.
const font* style_font(const text_style& style) { return style.font ? style.font : current_font; }

int32_t letter_gap(void) { return (int32_t)floor((double)((float)current_cell_w * LETTER_GAP_FACTOR) + 0.5); }

int32_t scaled_advance(int32_t glyph_w, float scale, float spacing) {
  return (int32_t)floor((double)glyph_w * (double)scale * (1.0 + (double)spacing) + 0.5);
}

// a + b kept within int32.
int32_t add_clamped(int32_t a, int64_t b) {
  int64_t v = (int64_t)a + b;
  if (v > INT32_MAX) return INT32_MAX;
  if (v < INT32_MIN) return INT32_MIN;
  return (int32_t)v;
}

int is_white_space(int c) { return c == ' ' || (c >= 9 && c <= 13); }

// The measure of text_width over [p, stop) or to the end or first line feed
// (stop null: no limit). Escapes add nothing; a byte below 8 other than the
// two escapes skips that many bytes, stopping at the end of the text.
int32_t measure(const char* p, const char* stop) {
  if (text_fixed_pitch) {
    int64_t n = 0;
    while (p[n] && (!stop || p + n < stop)) ++n;
    return add_clamped(0, n * current_cell_w - 1);
  }
  if (!current_font) return 10;
  const text_style style = current_font->style;
  const font* metrics = style_font(style);
  const int32_t gap = letter_gap();
  int64_t sum = 0;
  while (!stop || p < stop) {
    int c = code_at(p);
    if (c == 0 || c == LINE_FEED) break;
    if (c == GLYPH_ESCAPE) {
      p += 3;
    } else if (c == LAYOUT_ESCAPE) {
      p += 6;
    } else if (c < 8) {
      ++p;
      for (int k = 0; k < c && *p; ++k) ++p;
    } else {
      sum += scaled_advance(metrics->glyph_w[c], style.scale_x, style.spacing) + gap;
      ++p;
    }
  }
  return add_clamped(0, sum);
}

// End of the word that starts at p: the next white-space byte or the end of
// the text, escapes stepped over whole.
const char* word_end(const char* p) {
  for (;;) {
    text_item item = read_item(p);
    if (item.kind == ITEM_END) return p;
    if (item.length == 1 && is_white_space(item.code)) return p;
    p += item.length;
  }
}

// ---------------------------------------------------------------------------
// GL state

void apply_blend_mode(void) {
  switch (text_blend_mode) {
    case 1:
      glBlendFunc(GL_ONE, GL_ZERO);
      break;
    case 2:
      glBlendFunc(GL_ZERO, GL_ONE_MINUS_SRC_COLOR);
      break;
    case 3:
      glBlendFunc(GL_SRC_ALPHA, GL_ONE);
      break;
    case 4:
      glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
      break;
    default:
      break;
  }
}

void send_colour(uint32_t rgb) {
  glColor3ub((GLubyte)((rgb >> 16) & 0xFF), (GLubyte)((rgb >> 8) & 0xFF), (GLubyte)(rgb & 0xFF));
}

float inverse_size(int32_t size) { return 1.0f / (float)(size > 0 ? size : 1); }

}  // namespace

// ---------------------------------------------------------------------------
// Drawing

void set_text_blend_mode(int32_t mode) { text_blend_mode = mode; }

const char* escaped_end(const char* text) {
  const char* p = text;
  for (;;) {
    text_item item = read_item(p);
    if (item.kind == ITEM_END) return p;
    p += item.length;
  }
}

void draw_text(int32_t x, int32_t y, int32_t wrap_right, const char* text, int32_t rgb) {
  if (!text) text = NULL_TEXT;
  if (!current_font) return;
  if (!screen_size_known("draw_text")) return;
  const font* f = current_font;
  const text_style style = f->style;
  const font* metrics = style_font(style);
  float scale = style.scale_x;
  const int32_t gap = letter_gap();
  int32_t raise = 0;
  int32_t pen_x = x;
  int32_t pen_y = y;

  // The caller is expected to have the model-view matrix current; any other
  // mode is put back afterwards.
  GLint matrix_mode = GL_MODELVIEW;
  glGetIntegerv(GL_MATRIX_MODE, &matrix_mode);
  if (matrix_mode != GL_MODELVIEW) glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(0, screen_width, screen_height, 0, 1, -1);
  GLint depth_func = GL_LESS;
  glGetIntegerv(GL_DEPTH_FUNC, &depth_func);
  glDepthFunc(GL_ALWAYS);
  GLboolean had_blend = glIsEnabled(GL_BLEND);
  glEnable(GL_BLEND);
  GLboolean had_lighting = glIsEnabled(GL_LIGHTING);
  glDisable(GL_LIGHTING);
  GLint blend_src = GL_ONE, blend_dst = GL_ZERO;
  glGetIntegerv(GL_BLEND_SRC, &blend_src);
  glGetIntegerv(GL_BLEND_DST, &blend_dst);
  apply_blend_mode();
  GLboolean had_texture = glIsEnabled(GL_TEXTURE_2D);
  glEnable(GL_TEXTURE_2D);
  GLint bound_texture = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound_texture);
  glBindTexture(GL_TEXTURE_2D, f->texture);
  const float inv_w = inverse_size(f->atlas_w);
  const float inv_h = inverse_size(f->atlas_h);
  const int32_t h = current_line_height;

  glBegin(GL_QUADS);
  send_colour((uint32_t)rgb);
  const char* p = text;
  for (;;) {
    text_item item = read_item(p);
    if (item.kind == ITEM_END) break;
    const char* next = p + item.length;
    if (item.kind == ITEM_LAYOUT) {
      if (item.layout_kind == LAYOUT_COLOUR) {
        send_colour(item.payload);
      } else if (item.layout_kind == LAYOUT_TAB) {
        pen_x = (int32_t)item.payload;
      } else if (item.layout_kind == LAYOUT_SCRIPT) {
        uint16_t level_scale = (uint16_t)(item.payload & 0xFFFF);
        int16_t level_raise = (int16_t)(uint16_t)(item.payload >> 16);
        scale = (float)level_scale / 256.0f * style.scale_x;
        pen_y = add_clamped(pen_y, raise);
        raise = (level_raise * (int32_t)metrics->line_height + 128) / 256;
        pen_y = add_clamped(pen_y, -(int64_t)raise);
      }
      p = next;
      continue;
    }
    if (item.kind == ITEM_LINE_FEED) {
      pen_x = x;
      pen_y = add_clamped(pen_y, (int64_t)current_line_height + 1);
      p = next;
      continue;
    }
    const int c = item.code;
    if (c >= MAX_GLYPHS) {  // no slot in the font's tables
      p = next;
      continue;
    }
    const int32_t w = f->glyph_w[c];
    int32_t next_x;
    int32_t draw_x = pen_x;
    if (text_fixed_pitch) {
      next_x = add_clamped(pen_x, current_cell_w);
      draw_x = add_clamped(pen_x, (int64_t)floor(((double)current_cell_w - (double)w) / 2.0));
    } else {
      next_x = add_clamped(pen_x, (int64_t)scaled_advance(metrics->glyph_w[c], scale, style.spacing) + gap);
    }
    if (wrap_right != 0 && c == SPACE) {
      // A space only advances the pen or, when the next word would cross the
      // right edge, breaks the line; it is never drawn.
      if ((int64_t)pen_x + measure(next, word_end(next)) > wrap_right) {
        next_x = x;
        pen_y = add_clamped(pen_y, (int64_t)current_line_height + 1);
      }
    } else {
      const float s0 = (float)f->glyph_x[c] * inv_w;
      const float s1 = s0 + (float)w * inv_w;
      const float t0 = (float)f->glyph_y[c] * inv_h;
      const float t1 = t0 + (float)h * inv_h;
      const int32_t right = add_clamped(draw_x, w);
      const int32_t bottom = add_clamped(pen_y, h);
      glTexCoord2f(s0, t0);
      glVertex2i(draw_x, pen_y);
      glTexCoord2f(s1, t0);
      glVertex2i(right, pen_y);
      glTexCoord2f(s1, t1);
      glVertex2i(right, bottom);
      glTexCoord2f(s0, t1);
      glVertex2i(draw_x, bottom);
    }
    pen_x = next_x;
    p = next;
  }
  glEnd();

  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
  glDepthFunc((GLenum)depth_func);
  glBlendFunc((GLenum)blend_src, (GLenum)blend_dst);
  if (!had_texture) glDisable(GL_TEXTURE_2D);
  if (!had_blend) glDisable(GL_BLEND);
  if (had_lighting) glEnable(GL_LIGHTING);
  glBindTexture(GL_TEXTURE_2D, (GLuint)bound_texture);
  if (matrix_mode != GL_MODELVIEW) glMatrixMode((GLenum)matrix_mode);
}

int32_t text_width(const char* text) {
  if (!text) return 0;
  return measure(text, nullptr);
}

int32_t text_width_prefix(char* text, int32_t n) {
  if (!text) return 0;
  // Measuring up to position n gives what a zero written there would, and
  // leaves the text as it is.
  if (n < 0) return measure(text, nullptr);
  const char* end = escaped_end(text);
  if ((int64_t)n >= end - text) return measure(text, nullptr);
  return measure(text, text + n);
}

void draw_text_boxed(int32_t x, int32_t y, const char* text, int32_t rgb, int32_t background) {
  if (!current_font) return;
  if (!screen_size_known("draw_text_boxed")) return;
  if (!text) text = NULL_TEXT;
  int32_t w = text_width(text);
  draw_rect_2d(x, y, w, current_line_height, background);
  draw_text(x, y, 0, text, rgb);
}

void draw_text_mapped(const char* text, text_map_fn map) {
  if (!text || !map || !current_font || current_line_height == 0) return;
  const font* f = current_font;

  GLboolean had_texture = glIsEnabled(GL_TEXTURE_2D);
  glEnable(GL_TEXTURE_2D);
  GLint bound_texture = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound_texture);
  glBindTexture(GL_TEXTURE_2D, f->texture);
  GLboolean had_blend = glIsEnabled(GL_BLEND);
  glEnable(GL_BLEND);
  GLint blend_src = GL_ONE, blend_dst = GL_ZERO;
  glGetIntegerv(GL_BLEND_SRC, &blend_src);
  glGetIntegerv(GL_BLEND_DST, &blend_dst);
  apply_blend_mode();
  const float inv_w = inverse_size(f->atlas_w);
  const float inv_h = inverse_size(f->atlas_h);
  const double line_height = current_line_height;

  glBegin(GL_QUADS);
  double u = 0.0;
  for (const char* p = text; *p; ++p) {
    const int c = code_at(p);
    const int32_t w = f->glyph_w[c];
    const float s0 = (float)f->glyph_x[c] * inv_w;
    const float s1 = s0 + (float)(w - 1) * inv_w;
    const float t0 = (float)f->glyph_y[c] * inv_h;
    const float t1 = t0 + (float)(current_line_height - 1) * inv_h;
    const double d = (double)w / line_height;
    const double corner_u[4] = {u, u + d, u + d, u};
    const double corner_v[4] = {0.0, 0.0, 1.0, 1.0};
    const float corner_s[4] = {s0, s1, s1, s0};
    const float corner_t[4] = {t0, t0, t1, t1};
    for (int k = 0; k < 4; ++k) {
      double vx = 0.0, vy = 0.0, vz = 0.0;
      int32_t colour = 0;
      glTexCoord2f(corner_s[k], corner_t[k]);
      map(corner_u[k], corner_v[k], &vx, &vy, &vz, &colour);
      send_colour((uint32_t)colour);
      glVertex3f((float)vx, (float)vy, (float)vz);
    }
    u += d;
  }
  glEnd();

  glBindTexture(GL_TEXTURE_2D, (GLuint)bound_texture);
  if (!had_texture) glDisable(GL_TEXTURE_2D);
  glBlendFunc((GLenum)blend_src, (GLenum)blend_dst);
  if (!had_blend) glDisable(GL_BLEND);
}
