// Font registry: the font record (one glyph-atlas texture with per-glyph
// positions and widths, metrics, a name and a text style), the process-wide
// registry of fonts kept by name, the current font and the two metric copies
// the text renderer reads, lookup, selection, renaming, deletion singly or by
// family, a style similarity measure and a memory estimate. Building atlases
// lives in font/font_atlas. Depends on util/dyn_array, util/helpers and GL
// (metrics refresh and deletion only).
//
// Names compare without regard to ASCII letter case on every platform.
#pragma once

#include <stdint.h>

#include "util/dyn_array.h"

// Glyph slots of a font: glyph i is the glyph of character code i.
#ifndef MAX_GLYPHS
#define MAX_GLYPHS 512
#endif

struct font;

// The style the text renderer starts from; copied by value.
struct text_style {
  struct font* font;    // font whose glyph metrics the style uses (a built font points to itself)
  float scale_x;        // horizontal scale of glyphs
  float scale_y;        // vertical scale of glyphs
  float extra;          // read only by text_style_similarity
  float spacing;        // extra advance as a fraction of the scaled glyph width
  int32_t glyph_slots;  // 512 for a built font
  int32_t spare;        // copied, read by nobody
};

// One heap record per font, owned by the registry.
struct font {
  uint32_t texture;             // GL_TEXTURE_2D name of the atlas
  int32_t glyph_x[MAX_GLYPHS];  // first atlas column of each glyph, texels
  int32_t glyph_y[MAX_GLYPHS];  // first atlas row of each glyph, in upload order
  int32_t glyph_w[MAX_GLYPHS];  // glyph width in texels, 0 when not supplied
  int32_t atlas_w;              // level-0 width of the texture
  int32_t atlas_h;              // level-0 height of the texture
  uint8_t max_glyph_w;          // widest glyph_w entry
  uint8_t line_height;          // tallest glyph, at least 1
  uint8_t cell_w;               // glyph_w[67] + 1 (67 is 'C'), kept to 8 bits
  char* name;                   // zero-terminated heap string owned by the record
  text_style style;             // style the renderer starts from
};

// {null, 1.0, 1.0, 0.0, 0.0, 0, 0}.
extern const text_style TEXT_STYLE_DEFAULT;

// The registry: font pointers in creation order, except where a removal moved
// the last one into a hole. All zero until font_registry_init.
extern dyn_array font_registry;
// The registry's mirror: its element block, indexed as fonts[i]; null until
// the registry is created.
extern font** fonts;
// The current font (null until one is selected) and copies of its
// line_height and cell_w taken when it was selected.
extern font* current_font;
extern uint8_t current_line_height;
extern uint8_t current_cell_w;

// Creates the registry and its mirror when it does not exist yet.
void font_registry_init(void);
// The font of that name (any letter case) in the highest slot, or null.
font* font_find(const char* name);
// 1 when a font is named like the part of spec before its first ':'.
int font_exists(const char* spec);
// Makes f current and copies its metrics; nothing when f is current or null.
void font_select(font* f);
// Selects font_find(name) unless the current font already has that name.
void font_select_by_name(const char* name);
// Recomputes max_glyph_w, atlas_w/atlas_h (from GL level 0) and cell_w;
// leaves f's texture bound to GL_TEXTURE_2D.
void font_refresh_metrics(font* f);
// Replaces f's name with a heap copy of name; returns its length.
int32_t font_set_name(font* f, const char* name);
// Renames the font found under old_name; returns the new length (0 if none).
int32_t font_rename(const char* old_name, const char* new_name);
// Deletes f's texture, name and record and removes it from the registry; a
// deleted current font is replaced by a random remaining one (or null).
void font_delete(font* f);
// Deletes every font whose style names base, base itself when it does, in a
// walk from the last registry slot down to slot 0.
void font_delete_family(font* base);
// font_delete(font_find(name)); nothing for an unknown name.
void font_delete_by_name(const char* name);
// font_delete_family(font_find(name)); nothing for an unknown name.
void font_delete_family_by_name(const char* name);
// 1 for identical styles, falling by 1 per unit of difference; -1000 for
// styles of different fonts.
float text_style_similarity(text_style a, text_style b);
// Estimated bytes held by the registry, its fonts and their textures.
uint32_t font_registry_memory(void);
