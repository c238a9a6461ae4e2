// Font atlas layout and texels without GL: row wrapping at the row limit,
// power-of-two atlas sizes, glyph opacity from the palette, and glyph data
// from outside (entries cut short, glyphs wider or taller than the limit, sets
// too tall for it) read and written strictly inside their buffers.
#include "font/font_atlas.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "geometry/palette.h"

namespace {

// A glyph_bitmap_set of w x h glyphs filled with value.
void add_glyph(std::vector<uint8_t>* set, int w, int h, uint8_t value = 39) {
  set->push_back((uint8_t)w);
  set->push_back((uint8_t)h);
  set->insert(set->end(), (size_t)w * h, value);
}

// An exact-size heap copy, so the sanitizer sees any read past the end.
struct heap_bytes {
  uint8_t* data;
  uint32_t length;
  explicit heap_bytes(const std::vector<uint8_t>& v)
      : data((uint8_t*)malloc(v.size() + !v.size())), length((uint32_t)v.size()) {
    if (!v.empty()) memcpy(data, v.data(), v.size());
  }
  ~heap_bytes() { free(data); }
};

struct layout {
  font* f = (font*)calloc(1, sizeof(font));
  ~layout() { free(f); }
};

// Lays out and fills an exactly sized texel buffer; returns the texels.
std::vector<uint8_t> build_texels(font* f, const std::vector<uint8_t>& set, int32_t max_row) {
  heap_bytes bytes(set);
  font_layout_glyphs(f, bytes.data, bytes.length, max_row);
  size_t size = (size_t)f->atlas_w * f->atlas_h * 4;
  uint8_t* texels = (uint8_t*)calloc(size, 1);
  font_fill_texels(f, bytes.data, bytes.length, texels);
  std::vector<uint8_t> out(texels, texels + size);
  free(texels);
  return out;
}

}  // namespace

TEST(FontAtlasLayout, EmptyBuffer) {
  layout l;
  font_layout_glyphs(l.f, nullptr, 0, 4096);
  EXPECT_EQ(l.f->line_height, 1);
  for (int i = 0; i < MAX_GLYPHS; i++) {
    EXPECT_EQ(l.f->glyph_w[i], 0);
    EXPECT_EQ(l.f->glyph_x[i], 0);
    EXPECT_EQ(l.f->glyph_y[i], 0);
  }
  EXPECT_EQ(l.f->atlas_w, 1);
  EXPECT_EQ(l.f->atlas_h, 1);
}

TEST(FontAtlasLayout, OneRow) {
  std::vector<uint8_t> set;
  add_glyph(&set, 3, 5);
  add_glyph(&set, 4, 7);
  add_glyph(&set, 0, 0);
  layout l;
  font_layout_glyphs(l.f, set.data(), (uint32_t)set.size(), 4096);
  EXPECT_EQ(l.f->line_height, 7);
  EXPECT_EQ(l.f->glyph_x[0], 0);
  EXPECT_EQ(l.f->glyph_x[1], 3);
  EXPECT_EQ(l.f->glyph_x[2], 7);
  EXPECT_EQ(l.f->glyph_w[1], 4);
  for (int i = 3; i < MAX_GLYPHS; i++) {
    EXPECT_EQ(l.f->glyph_x[i], 7);
    EXPECT_EQ(l.f->glyph_w[i], 0);
  }
  for (int i = 0; i < MAX_GLYPHS; i++) EXPECT_EQ(l.f->glyph_y[i], 0);
  EXPECT_EQ(l.f->atlas_w, 8);
  EXPECT_EQ(l.f->atlas_h, 8);
}

TEST(FontAtlasLayout, RowsWrapAtTheLimit) {
  std::vector<uint8_t> set;
  for (int i = 0; i < 5; i++) add_glyph(&set, 6, 4);
  layout l;
  font_layout_glyphs(l.f, set.data(), (uint32_t)set.size(), 16);
  const int x[5] = {0, 6, 0, 6, 0}, y[5] = {0, 0, 4, 4, 8};
  for (int i = 0; i < 5; i++) {
    EXPECT_EQ(l.f->glyph_x[i], x[i]) << i;
    EXPECT_EQ(l.f->glyph_y[i], y[i]) << i;
    EXPECT_EQ(l.f->glyph_w[i], 6) << i;
  }
  EXPECT_EQ(l.f->atlas_w, 16);  // widest row 12
  EXPECT_EQ(l.f->atlas_h, 16);  // 8 + 4
  // A row may be exactly as wide as the limit.
  font_layout_glyphs(l.f, set.data(), (uint32_t)set.size(), 12);
  EXPECT_EQ(l.f->glyph_x[1], 6);
  EXPECT_EQ(l.f->glyph_y[1], 0);
  EXPECT_EQ(l.f->glyph_y[2], 4);
}

TEST(FontAtlasTexels, WhiteTexelsWithPaletteAlpha) {
  std::vector<uint8_t> set = {6, 1, 255, 16, 17, 27, 38, 39};
  add_glyph(&set, 2, 3, 39);
  layout l;
  std::vector<uint8_t> t = build_texels(l.f, set, 4096);
  ASSERT_EQ(l.f->atlas_w, 8);
  ASSERT_EQ(l.f->atlas_h, 4);
  const uint8_t alpha[6] = {0, 0, 11, 122, 244, 255};
  for (int c = 0; c < 6; c++) {
    EXPECT_EQ(t[c * 4 + 0], 255);
    EXPECT_EQ(t[c * 4 + 1], 255);
    EXPECT_EQ(t[c * 4 + 2], 255);
    EXPECT_EQ(t[c * 4 + 3], alpha[c]) << c;
  }
  // Below the 1-row glyph and right of the atlas's glyphs: transparent black.
  for (int r = 1; r < 4; r++)
    for (int c = 0; c < 6; c++) EXPECT_EQ(t[(r * 8 + c) * 4 + 3], 0);
  // The 2 x 3 glyph sits at column 6, rows 0..2.
  for (int r = 0; r < 3; r++)
    for (int c = 6; c < 8; c++) EXPECT_EQ(t[(r * 8 + c) * 4 + 3], 255);
  EXPECT_EQ(t[(3 * 8 + 6) * 4 + 0], 0);
}

TEST(FontAtlasBadInput, EntryCutShortEndsTheData) {
  std::vector<uint8_t> good;
  add_glyph(&good, 3, 2);
  add_glyph(&good, 2, 2);
  // Pixels cut short, a size byte alone, a size pair alone.
  std::vector<std::vector<uint8_t>> tails = {{4, 4, 39, 39, 39}, {9}, {200, 200}};
  for (const std::vector<uint8_t>& tail : tails) {
    std::vector<uint8_t> set = good;
    set.insert(set.end(), tail.begin(), tail.end());
    layout l;
    std::vector<uint8_t> texels = build_texels(l.f, set, 4096);
    EXPECT_EQ(l.f->line_height, 2);
    EXPECT_EQ(l.f->glyph_w[1], 2);
    EXPECT_EQ(l.f->glyph_w[2], 0);
    EXPECT_EQ(l.f->glyph_x[2], 5);
    EXPECT_EQ(l.f->atlas_w, 8);
    EXPECT_EQ(l.f->atlas_h, 2);
  }
}

TEST(FontAtlasBadInput, GlyphsThatCannotFitAreDropped) {
  // Limit 16: a 20-wide glyph and a 17-high glyph cannot fit anywhere; they
  // keep their slots with width 0 and do not raise the line height.
  std::vector<uint8_t> set;
  add_glyph(&set, 6, 4);
  add_glyph(&set, 20, 2);
  add_glyph(&set, 2, 17);
  add_glyph(&set, 6, 4);
  layout l;
  std::vector<uint8_t> texels = build_texels(l.f, set, 16);
  EXPECT_EQ(l.f->line_height, 4);
  EXPECT_EQ(l.f->glyph_w[1], 0);
  EXPECT_EQ(l.f->glyph_w[2], 0);
  EXPECT_EQ(l.f->glyph_x[1], 6);
  EXPECT_EQ(l.f->glyph_x[3], 6);
  EXPECT_EQ(l.f->glyph_w[3], 6);
  EXPECT_EQ(l.f->atlas_w, 16);
  EXPECT_EQ(l.f->atlas_h, 4);

  // Limit 8 and five 6 x 4 glyphs: two rows fit, the rest are dropped and the
  // atlas stays within the limit.
  set.clear();
  for (int i = 0; i < 5; i++) add_glyph(&set, 6, 4);
  texels = build_texels(l.f, set, 8);
  EXPECT_EQ(l.f->glyph_y[0], 0);
  EXPECT_EQ(l.f->glyph_y[1], 4);
  EXPECT_EQ(l.f->glyph_w[1], 6);
  for (int i = 2; i < 5; i++) {
    EXPECT_EQ(l.f->glyph_w[i], 0) << i;
    EXPECT_EQ(l.f->glyph_y[i], 4) << i;
  }
  EXPECT_EQ(l.f->atlas_w, 8);
  EXPECT_EQ(l.f->atlas_h, 8);
  int inked = 0;
  for (size_t i = 3; i < texels.size(); i += 4) inked += texels[i] != 0;
  EXPECT_EQ(inked, 2 * 24);

  // A limit below 1 (no GL context) drops everything.
  texels = build_texels(l.f, set, 0);
  for (int i = 0; i < 5; i++) EXPECT_EQ(l.f->glyph_w[i], 0);
  EXPECT_EQ(texels.size(), 4u);
}

TEST(FontAtlasTexels, AlphaFollowsThePalette) {
  float red[256], green[256], blue[256];
  for (int i = 0; i < 256; i++) red[i] = green[i] = blue[i] = 1.0f;
  EXPECT_EQ(glyph_texel_alpha(255, red, green, blue), 0);
  EXPECT_EQ(glyph_texel_alpha(40, red, green, blue), 255);  // 85.1 x 3 = 255.3
  red[63] = 1.0f;
  green[63] = 0.6f;
  blue[63] = 0.0f;
  EXPECT_EQ(glyph_texel_alpha(63, red, green, blue), 136);  // 85.1 x 1.6
}

TEST(FontAtlasTexels, AlphaOfEveryGreyLevel) {
  // Grey level v of the real palette is (v - 16) / 23 in every channel; its
  // alpha is 85.1 x (the three channels' sum), truncated.
  float red[256], green[256], blue[256];
  build_palette_256(red, green, blue);
  const int expected[24] = {0,   11,  22,  33,  44,  55,  66,  77,  88,  99,  110, 122,
                            133, 144, 155, 166, 177, 188, 199, 210, 221, 233, 244, 255};
  for (int v = 16; v < 40; v++)
    EXPECT_EQ(glyph_texel_alpha((uint8_t)v, red, green, blue), expected[v - 16]) << v;
}
