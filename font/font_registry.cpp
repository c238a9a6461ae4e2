// Font registry: lookup by name, selection of the current font, renaming,
// deletion singly or by family, style similarity and a memory estimate.
// Depends on util/dyn_array (the registry and its mirror), util/helpers
// (str_assign, max_double, min_double, random_index) and GL for the metrics
// refresh and texture deletion.
#include "font/font_registry.h"

#include <math.h>
#include <stdlib.h>
#include <string.h>

#include "shell/gl.h"
#include "util/helpers.h"

const text_style TEXT_STYLE_DEFAULT = {nullptr, 1.0f, 1.0f, 0.0f, 0.0f, 0, 0};

dyn_array font_registry = {};
font** fonts = nullptr;
font* current_font = nullptr;
uint8_t current_line_height = 0;
uint8_t current_cell_w = 0;

// ---------------------------------------------------------------------------
// Names

// 1 when a and b are equal ignoring ASCII letter case; a null name reads as "".
static int names_equal(const char* a, const char* b) {
  if (!a) a = "";
  if (!b) b = "";
  for (;; ++a, ++b) {
    if (ascii_lower(*a) != ascii_lower(*b)) return 0;
    if (*a == 0) return 1;
  }
}

// Like names_equal, but only the first b_len bytes of b take part.
static int names_equal_n(const char* a, const char* b, size_t b_len) {
  if (!a) a = "";
  for (size_t i = 0; i < b_len; ++i, ++a) {
    if (*a == 0 || ascii_lower(*a) != ascii_lower(b[i])) return 0;
  }
  return *a == 0;
}

static uint32_t font_count(void) { return fonts ? font_registry.count : 0; }

// ---------------------------------------------------------------------------
// Registry, lookup and selection

void font_registry_init(void) {
  if (fonts) return;
  font_registry = dyn_array_new(sizeof(font*));
  dyn_array_set_mirror(&font_registry, (void**)&fonts);
}

font* font_find(const char* name) {
  for (uint32_t i = font_count(); i-- > 0;) {
    if (names_equal(fonts[i]->name, name)) return fonts[i];
  }
  return nullptr;
}

int font_exists(const char* spec) {
  if (!spec) return 0;
  const char* colon = strchr(spec, ':');
  size_t len = colon ? (size_t)(colon - spec) : strlen(spec);
  uint32_t n = font_count();
  for (uint32_t i = 0; i < n; ++i) {
    if (names_equal_n(fonts[i]->name, spec, len)) return 1;
  }
  return 0;
}

void font_select(font* f) {
  if (!f || f == current_font) return;
  current_font = f;
  current_line_height = f->line_height;
  current_cell_w = f->cell_w;
}

void font_select_by_name(const char* name) {
  if (current_font && names_equal(current_font->name, name)) return;
  font_select(font_find(name));
}

// ---------------------------------------------------------------------------
// Metrics and names

void font_refresh_metrics(font* f) {
  if (!f) return;
  // The running maximum is kept as 8 bits, as the record stores it; the
  // double is never negative, so the conversion through 64 bits is defined.
  uint8_t widest = 0;
  for (int i = 0; i < MAX_GLYPHS; ++i) {
    double w = max_double((double)widest, (double)(uint32_t)f->glyph_w[i]);
    widest = (uint8_t)(uint64_t)w;
  }
  f->max_glyph_w = widest;

  glBindTexture(GL_TEXTURE_2D, f->texture);
  GLint w = 0, h = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
  f->atlas_w = w;
  f->atlas_h = h;

  f->cell_w = (uint8_t)((uint32_t)f->glyph_w[67] + 1u);
}

int32_t font_set_name(font* f, const char* name) {
  if (!f || !name) return 0;
  return str_assign(&f->name, name);
}

int32_t font_rename(const char* old_name, const char* new_name) {
  font* f = font_find(old_name);
  if (!f) return 0;
  return font_set_name(f, new_name);
}

// ---------------------------------------------------------------------------
// Deletion

// Deletes f; a font whose style names f takes itself as its style font unless
// its style names `keep` (the family walk still needs to recognise those).
static void delete_font(font* f, uintptr_t keep) {
  const uintptr_t gone = (uintptr_t)f;
  const int was_current = (f == current_font);

  GLuint texture = f->texture;
  glDeleteTextures(1, &texture);
  free(f->name);
  free(f);

  if (fonts) {
    int64_t slot = dyn_array_find(&font_registry, &gone);
    if (slot >= 0) dyn_array_remove_at(&font_registry, (uint32_t)slot);
  }

  // A font whose style still names f (a copy of it that outlives it) takes
  // itself as its style font, so no style is left pointing at freed memory.
  if (gone != keep) {
    for (uint32_t i = 0; i < font_count(); ++i) {
      if ((uintptr_t)fonts[i]->style.font == gone) fonts[i]->style.font = fonts[i];
    }
  }

  if (was_current) {
    current_font = nullptr;
    current_line_height = 0;
    current_cell_w = 0;
    uint32_t n = font_count();
    if (n > 0) font_select(fonts[random_index((int32_t)n)]);
  }
}

void font_delete(font* f) {
  if (f) delete_font(f, 0);
}

void font_delete_family(font* base) {
  // A null base would take in every font whose style names no font.
  if (!base) return;
  // Members are the fonts whose style names the base's pointer value, the
  // base itself when it names itself. From the last slot down, each member
  // goes as the walk meets it: the swap-with-last removal only moves fonts
  // already visited. Members still ahead keep naming the base after it has
  // gone (they are deleted before the walk ends), so they stay recognisable.
  const uintptr_t family = (uintptr_t)base;
  for (uint32_t i = font_count(); i-- > 0;) {
    if (i >= font_count()) continue;
    font* f = fonts[i];
    if ((uintptr_t)f->style.font == family) delete_font(f, family);
  }
}

void font_delete_by_name(const char* name) { font_delete(font_find(name)); }

void font_delete_family_by_name(const char* name) { font_delete_family(font_find(name)); }

// ---------------------------------------------------------------------------
// Style similarity and memory

// One axis of the size term: the smaller of the scale change in 5 % steps and
// the glyph extent change in half pixels. Without a font there are no glyph
// extents, and the scale change alone counts.
static double size_units(float scale_a, float scale_b, const font* fa, const font* fb, int vertical) {
  float quotient = scale_a / scale_b;
  float ln = logf(quotient);
  double scale_term = fabs((double)ln) / log(1.05);
  if (!fa || !fb) return scale_term;
  float extent_a = (float)(vertical ? fa->line_height : fa->max_glyph_w) * scale_a;
  float extent_b = (float)(vertical ? fb->line_height : fb->max_glyph_w) * scale_b;
  double pixel_term = fabs((double)(extent_a - extent_b)) / 0.5;
  return min_double(scale_term, pixel_term);
}

float text_style_similarity(text_style a, text_style b) {
  if (a.font != b.font) return -1000.0f;
  double horizontal = size_units(a.scale_x, b.scale_x, a.font, b.font, 0);
  double vertical = size_units(a.scale_y, b.scale_y, a.font, b.font, 1);
  float size = (float)(0.5 * (horizontal + vertical));
  float spacing = (float)(fabs((double)(a.spacing - b.spacing)) / 0.02);
  float extra = (float)(fabs((double)(a.extra - b.extra)) / 0.05);
  return (float)(1.0 - ((double)spacing + (double)size + (double)extra));
}

uint32_t font_registry_memory(void) {
  uint32_t total = font_registry.capacity * font_registry.elem_size + (uint32_t)sizeof(dyn_array);
  uint32_t n = font_count();
  for (uint32_t i = 0; i < n; ++i) {
    const font* f = fonts[i];
    total += (uint32_t)(f->name ? strlen(f->name) : 0);
    total += (uint32_t)sizeof(font);
    total += 4u * (uint32_t)f->atlas_w * (uint32_t)f->line_height;
  }
  return total;
}
