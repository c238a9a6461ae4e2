// Font atlas building (see font_atlas.h). Depends on font/font_registry,
// geometry/palette, glyphs/cell_glyphs (pixel values), util/helpers and GL/GLU.
#include "font/font_atlas.h"

#include <stdlib.h>
#include <string.h>

#include "geometry/palette.h"
#include "glyphs/cell_glyphs.h"
#include "shell/gl.h"
#include "util/helpers.h"

// ---------------------------------------------------------------------------
// Glyph data

uint8_t glyph_texel_alpha(uint8_t v, const float* red, const float* green, const float* blue) {
  if (v == GLYPH_PIXEL_EMPTY) return 0;
  float brightness = green[v] + red[v] + blue[v];
  // The palette's channels lie in 0..1, so the product stays within 0..255.3.
  return (uint8_t)(int)(GLYPH_ALPHA_SCALE * brightness);
}

namespace {
// The entries of a glyph_bitmap_set, walked in order.
struct glyph_walk {
  const uint8_t* data;
  uint32_t length;
  uint32_t pos;
  int count;
};

struct glyph_entry {
  int width, height;
  const uint8_t* pixels;
};
}  // namespace

static glyph_walk walk_start(const uint8_t* data, uint32_t length) {
  glyph_walk w = {data, data ? length : 0, 0, 0};
  return w;
}

// The next entry; 0 after MAX_GLYPHS entries, at the end of the data, or at an
// entry cut short by it (its size bytes or pixels lie beyond the length), which
// can only be the last and ends the data there.
static int walk_next(glyph_walk* w, glyph_entry* e) {
  if (w->count >= MAX_GLYPHS || w->pos >= w->length) return 0;
  uint32_t left = w->length - w->pos;
  if (left < 2) return 0;
  e->width = w->data[w->pos];
  e->height = w->data[w->pos + 1];
  uint32_t size = (uint32_t)e->width * (uint32_t)e->height;
  if (size > left - 2) return 0;
  e->pixels = w->data + w->pos + 2;
  w->pos += 2 + size;
  w->count++;
  return 1;
}

// ---------------------------------------------------------------------------
// Layout and texels

void font_layout_glyphs(font* f, const uint8_t* data, uint32_t length, int32_t max_row) {
  if (max_row < 1) max_row = 1;
  glyph_entry e;

  // First pass: the line height, from the glyphs that can fit at all.
  int32_t line_height = 1;
  glyph_walk w = walk_start(data, length);
  while (walk_next(&w, &e))
    if (e.width <= max_row && e.height <= max_row) line_height = max_int(line_height, e.height);
  f->line_height = (uint8_t)line_height;

  // Second pass: rows wrap when a glyph would pass max_row; a row may be
  // exactly max_row wide.
  int32_t x = 0, y = 0, widest = 1;
  w = walk_start(data, length);
  int more = 1;
  for (int i = 0; i < MAX_GLYPHS; i++) {
    f->glyph_x[i] = x;
    f->glyph_y[i] = y;
    f->glyph_w[i] = 0;
    more = more && walk_next(&w, &e);
    if (!more) continue;
    if (e.width <= max_row && e.height <= max_row) {
      int32_t gx = x, gy = y, next_x = x + e.width;
      if (next_x > max_row) {
        gx = 0;
        next_x = e.width;
        gy = y + line_height;
      }
      // A glyph whose row would end below max_row is dropped: its slot keeps
      // the pen position and width 0, and the pen stays where it was.
      if (gy + line_height <= max_row) {
        f->glyph_x[i] = gx;
        f->glyph_y[i] = gy;
        f->glyph_w[i] = e.width;
        x = next_x;
        y = gy;
      }
    }
    widest = max_int(widest, x);
  }
  f->atlas_w = (int32_t)next_pow2((uint32_t)widest);
  f->atlas_h = (int32_t)next_pow2((uint32_t)(y + line_height));
}

void font_fill_texels(const font* f, const uint8_t* data, uint32_t length, uint8_t* texels) {
  float red[256], green[256], blue[256];
  build_palette_256(red, green, blue);
  uint8_t alpha[256];
  for (int v = 0; v < 256; v++) alpha[v] = glyph_texel_alpha((uint8_t)v, red, green, blue);

  glyph_walk w = walk_start(data, length);
  glyph_entry e;
  for (int i = 0; walk_next(&w, &e); i++) {
    // Dropped glyphs have width 0 in the layout; every placed glyph lies inside
    // the atlas, which the check only confirms.
    if (f->glyph_w[i] != e.width || e.width == 0) continue;
    int32_t gx = f->glyph_x[i], gy = f->glyph_y[i];
    if (gx < 0 || gy < 0 || gx + e.width > f->atlas_w || gy + e.height > f->atlas_h) continue;
    for (int r = 0; r < e.height; r++) {
      uint8_t* texel = texels + ((size_t)(gy + r) * f->atlas_w + gx) * 4;
      const uint8_t* pixel = e.pixels + r * e.width;
      for (int c = 0; c < e.width; c++, texel += 4) {
        texel[0] = texel[1] = texel[2] = 255;
        texel[3] = alpha[pixel[c]];
      }
    }
  }
}

// ---------------------------------------------------------------------------
// Making fonts

static void set_atlas_filters(void) {
  glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
  glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
}

static void register_font(font* f) {
  font_registry_init();
  dyn_array_push(&font_registry, &f);
}

void font_build(const uint8_t* data, uint32_t length, const char* name) {
  font* f = (font*)calloc(1, sizeof(font));
  if (!f) return;
  str_dup_into(&f->name, name ? name : "");

  GLint max_size = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &max_size);
  font_layout_glyphs(f, data, length, max_size);
  uint8_t* texels = (uint8_t*)calloc((size_t)f->atlas_w * (size_t)f->atlas_h, 4);
  if (!texels) {
    // No memory for the atlas: a font without glyphs rather than none.
    font_layout_glyphs(f, nullptr, 0, max_size);
    texels = (uint8_t*)calloc(4, 1);
  }
  if (texels) font_fill_texels(f, data, length, texels);

  GLuint texture = 0;
  glGenTextures(1, &texture);
  f->texture = texture;
  glBindTexture(GL_TEXTURE_2D, texture);
  set_atlas_filters();
  if (texels) gluBuild2DMipmaps(GL_TEXTURE_2D, 4, f->atlas_w, f->atlas_h, GL_RGBA, GL_UNSIGNED_BYTE, texels);
  free(texels);

  font_refresh_metrics(f);
  f->style = TEXT_STYLE_DEFAULT;
  f->style.font = f;
  f->style.glyph_slots = MAX_GLYPHS;
  register_font(f);
  if (!current_font) font_select(f);
}

int font_load(const char* path, const char* name) {
  int32_t length = 0;
  char* data = read_file(path, &length);
  if (data) {
    font_build((const uint8_t*)data, (uint32_t)length, name);
    free(data);
    return 1;
  }
  font* f = font_create_blank(name);
  if (!current_font) font_select(f);
  return 0;
}

font* font_create_blank(const char* name) {
  if (!name) name = "";
  font_registry_init();
  for (font* old = font_find(name); old; old = font_find(name)) font_delete(old);

  font* f = (font*)calloc(1, sizeof(font));
  if (!f) return nullptr;
  str_dup_into(&f->name, name);
  register_font(f);

  GLuint texture = 0;
  glGenTextures(1, &texture);
  f->texture = texture;
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  set_atlas_filters();
  f->atlas_w = 1;
  // One near-black texel, the same in every channel.
  const uint8_t texel[3] = {1, 1, 1};
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 1, 1, 0, GL_RGB, GL_UNSIGNED_BYTE, texel);
  for (int i = 0; i < MAX_GLYPHS; i++) {
    f->glyph_x[i] = 0;
    f->glyph_y[i] = 0;
    f->glyph_w[i] = 1;
  }
  // The placeholder is one texel high and its own family, like a built font.
  f->line_height = 1;
  f->style = TEXT_STYLE_DEFAULT;
  f->style.font = f;
  f->style.glyph_slots = MAX_GLYPHS;
  font_refresh_metrics(f);
  return f;
}

font* font_copy_from_screen(const font* source) {
  if (!source) return nullptr;
  font* f = (font*)calloc(1, sizeof(font));
  if (!f) return nullptr;
  GLuint texture = 0;
  glGenTextures(1, &texture);
  f->texture = texture;
  glBindTexture(GL_TEXTURE_2D, texture);
  glCopyTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 0, 0, source->atlas_w, source->line_height, 0);
  // The copy has level 0 only. Under the GL's default minification filter,
  // which asks for mipmaps, that texture is incomplete and text drawn with it
  // would show plain quads of the text colour instead of the copied pixels:
  // filter without mipmaps.
  glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);

  memcpy(f->glyph_x, source->glyph_x, sizeof f->glyph_x);
  memcpy(f->glyph_w, source->glyph_w, sizeof f->glyph_w);
  // The copy is one line of the screen: every glyph starts at its top row.
  memset(f->glyph_y, 0, sizeof f->glyph_y);
  f->atlas_w = source->atlas_w;
  f->atlas_h = source->line_height;
  f->max_glyph_w = source->max_glyph_w;
  f->line_height = source->line_height;
  f->cell_w = source->cell_w;
  f->style = source->style;
  str_dup_into(&f->name, source->name ? source->name : "");
  register_font(f);
  return f;
}

int32_t font_derive_from_screen(const char* source_name, const char* new_name) {
  font* source = font_find(source_name);
  if (!source) return 0;
  font* copy = font_copy_from_screen(source);
  if (!copy) return 0;
  int32_t length = font_set_name(copy, new_name ? new_name : "");
  copy->style.font = copy;
  copy->style.scale_x = 1.0f;
  copy->style.scale_y = 1.0f;
  copy->style.extra = 0.0f;
  copy->style.spacing = 0.0f;
  return length;
}
