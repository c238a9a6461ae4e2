// Font atlas building on real Mesa: the uploaded level 0 read back holds white
// texels with the palette's alphas, the atlas size comes from GL, mipmaps
// exist, the metrics refresh leaves the atlas bound; registration and
// selection; font_load of a missing file (one blank font) and of a real glyph
// bitmap file (the same font as font_build of its bytes); blank fonts; copies
// from the screen; load_cell_font of the built-in font; glyph data cut short.
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "font/font_atlas.h"
#include "glyphs/builtin_font.h"
#include "glyphs/cell_font.h"
#include "glyphs/glyph_files.h"
#include "shell/gl.h"
#include "support/headless_gl.h"
#include "support/temp_files.h"
#include "text/text_draw.h"
#include "util/helpers.h"

namespace {

int fonts_named(const char* name) {
  int n = 0;
  for (uint32_t i = 0; fonts && i < font_registry.count; i++) n += !strcmp(fonts[i]->name, name);
  return n;
}

// Level `level` of f's texture as RGBA bytes.
std::vector<uint8_t> read_level(const font* f, int level, int* w = nullptr, int* h = nullptr) {
  glBindTexture(GL_TEXTURE_2D, f->texture);
  GLint tw = 0, th = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &tw);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &th);
  if (w) *w = tw;
  if (h) *h = th;
  std::vector<uint8_t> texels((size_t)tw * th * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  if (!texels.empty()) glGetTexImage(GL_TEXTURE_2D, level, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
  return texels;
}

class FontAtlasGl : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(headless_gl_open(64, 64));
    // Each test starts with no font current and its own font names.
    while (fonts && font_registry.count) font_delete(fonts[0]);
    current_font = nullptr;
  }
  void TearDown() override {
    while (fonts && font_registry.count) font_delete(fonts[0]);
  }
};

}  // namespace

TEST_F(FontAtlasGl, LevelZeroHoldsWhiteTexelsWithPaletteAlphas) {
  std::vector<uint8_t> set = {6, 2, 255, 16, 17, 27, 38, 39, 39, 39, 39, 39, 39, 39};
  font_build(set.data(), (uint32_t)set.size(), "alphas");
  font* f = font_find("alphas");
  ASSERT_NE(f, nullptr);
  int w = 0, h = 0;
  std::vector<uint8_t> t = read_level(f, 0, &w, &h);
  EXPECT_EQ(w, 8);
  EXPECT_EQ(h, 2);
  EXPECT_EQ(f->atlas_w, 8);
  EXPECT_EQ(f->atlas_h, 2);
  const uint8_t alpha[6] = {0, 0, 11, 122, 244, 255};
  for (int c = 0; c < 6; c++) {
    EXPECT_EQ(t[c * 4 + 0], 255);
    EXPECT_EQ(t[c * 4 + 1], 255);
    EXPECT_EQ(t[c * 4 + 2], 255);
    EXPECT_EQ(t[c * 4 + 3], alpha[c]) << "pixel " << c;
    EXPECT_EQ(t[(8 + c) * 4 + 3], 255);
  }
  EXPECT_EQ(t[6 * 4 + 3], 0);  // beyond the glyph: transparent
  // Mipmaps down to 1 x 1, minification through them.
  read_level(f, 3, &w, &h);
  EXPECT_EQ(w, 1);
  EXPECT_EQ(h, 1);
  GLint min_filter = 0, mag_filter = 0;
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &min_filter);
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &mag_filter);
  EXPECT_EQ(min_filter, GL_LINEAR_MIPMAP_LINEAR);
  EXPECT_EQ(mag_filter, GL_LINEAR);
  // Metrics, style, registration, selection.
  EXPECT_EQ(f->line_height, 2);
  EXPECT_EQ(f->max_glyph_w, 6);
  EXPECT_EQ(f->cell_w, 1);  // no glyph 67
  EXPECT_EQ(f->style.font, f);
  EXPECT_EQ(f->style.glyph_slots, 512);
  EXPECT_EQ(f->style.scale_x, 1.0f);
  EXPECT_EQ(current_font, f);
  EXPECT_EQ(current_line_height, 2);
  EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

TEST_F(FontAtlasGl, RefreshMetricsLeavesTheAtlasBound) {
  font_build(nullptr, 0, "empty");
  font* f = font_find("empty");
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->atlas_w, 1);
  EXPECT_EQ(f->atlas_h, 1);
  EXPECT_EQ(f->max_glyph_w, 0);
  EXPECT_EQ(f->line_height, 1);
  EXPECT_EQ(f->cell_w, 1);
  GLuint other = 0;
  glGenTextures(1, &other);
  glBindTexture(GL_TEXTURE_2D, other);
  font_refresh_metrics(f);
  GLint bound = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  EXPECT_EQ((GLuint)bound, f->texture);
  glDeleteTextures(1, &other);
}

TEST_F(FontAtlasGl, SameNameBuildsTwiceBlankReplacesAll) {
  std::vector<uint8_t> set = {1, 1, 39};
  font_build(set.data(), 3, "twin");
  font* first = font_find("twin");
  font_build(set.data(), 3, "Twin");
  font* second = font_find("TWIN");
  EXPECT_EQ(fonts_named("twin") + fonts_named("Twin"), 2);
  EXPECT_NE(first, second);
  EXPECT_EQ(current_font, first);  // only the first build found no current font
  font* blank = font_create_blank("twin");
  ASSERT_NE(blank, nullptr);
  EXPECT_EQ(fonts_named("twin") + fonts_named("Twin"), 1);
  EXPECT_EQ(font_find("twin"), blank);
  EXPECT_EQ(blank->atlas_w, 1);
  EXPECT_EQ(blank->atlas_h, 1);
  EXPECT_EQ(blank->max_glyph_w, 1);
  EXPECT_EQ(blank->cell_w, 2);
  EXPECT_EQ(blank->line_height, 1);
  EXPECT_EQ(blank->glyph_w[300], 1);
  EXPECT_EQ(blank->style.font, blank);
  GLint env = 0;
  glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &env);
  EXPECT_EQ(env, GL_MODULATE);
  std::vector<uint8_t> texel = read_level(blank, 0);
  ASSERT_EQ(texel.size(), 4u);
  EXPECT_EQ(texel[0], 1);
}

TEST_F(FontAtlasGl, LoadOfAMissingFileMakesOneBlankFont) {
  std::string path = temp_path("no_such_glyphs");
  remove(path.c_str());
  EXPECT_EQ(font_load(path.c_str(), "missing"), 0);
  EXPECT_EQ(fonts_named("missing"), 1);
  ASSERT_NE(current_font, nullptr);
  EXPECT_STREQ(current_font->name, "missing");
  EXPECT_EQ(font_load(path.c_str(), "missing"), 0);
  EXPECT_EQ(fonts_named("missing"), 1);
}

TEST_F(FontAtlasGl, LoadOfAGlyphFileEqualsBuildOfItsBytes) {
  std::string cells = temp_path("font.cells"), glyphs = temp_path("font.glyphs");
  FILE* f = fopen(cells.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  fwrite(builtin_font_cells, 1, BUILTIN_FONT_CELLS_LENGTH, f);
  fclose(f);
  convert_cell_glyph_file(cells.c_str(), glyphs.c_str(), make_glyph_style(6.0f, 6.0f));
  int32_t length = 0;
  char* bytes = read_file(glyphs.c_str(), &length);
  ASSERT_NE(bytes, nullptr);
  font_build((const uint8_t*)bytes, (uint32_t)length, "built");
  free(bytes);
  EXPECT_EQ(font_load(glyphs.c_str(), "loaded"), 1);
  font* a = font_find("built");
  font* b = font_find("loaded");
  ASSERT_TRUE(a && b);
  EXPECT_EQ(memcmp(a->glyph_x, b->glyph_x, sizeof a->glyph_x), 0);
  EXPECT_EQ(memcmp(a->glyph_y, b->glyph_y, sizeof a->glyph_y), 0);
  EXPECT_EQ(memcmp(a->glyph_w, b->glyph_w, sizeof a->glyph_w), 0);
  EXPECT_EQ(a->atlas_w, b->atlas_w);
  EXPECT_EQ(a->atlas_h, b->atlas_h);
  EXPECT_EQ(a->line_height, b->line_height);
  EXPECT_EQ(a->cell_w, b->cell_w);
  EXPECT_EQ(a->max_glyph_w, b->max_glyph_w);
  EXPECT_EQ(read_level(a, 0), read_level(b, 0));
  EXPECT_EQ(b->style.font, b);
  remove(cells.c_str());
  remove(glyphs.c_str());
}

TEST_F(FontAtlasGl, BuiltinCellFontIsTheOverlayFont) {
  load_cell_font(builtin_font_cells, BUILTIN_FONT_CELLS_LENGTH, make_glyph_style(6.0f, 6.0f), "normal");
  font* f = font_find("normal");
  ASSERT_NE(f, nullptr);
  int glyphs = 0;
  for (int i = 0; i < MAX_GLYPHS; i++) glyphs += f->glyph_w[i] > 0;
  EXPECT_EQ(glyphs, 128);
  EXPECT_EQ(f->line_height, 42);
  EXPECT_EQ(f->cell_w, 13);
  EXPECT_EQ(f->glyph_w['1'], 6);
  EXPECT_EQ(f->glyph_w[127], 18);
  EXPECT_EQ(f->max_glyph_w, 18);
  EXPECT_EQ(current_font, f);
  EXPECT_EQ(current_line_height, 42);
  EXPECT_EQ(current_cell_w, 13);
  // One row: 128 glyphs, 1332 texels wide.
  EXPECT_EQ(f->atlas_w, 2048);
  EXPECT_EQ(f->atlas_h, 64);
  // The digit zero's top-left arc, seen in the atlas: on its fourth pixel row
  // the stroke reaches the cell's right edge but not its left.
  std::vector<uint8_t> t = read_level(f, 0);
  const uint8_t* row3 = &t[((size_t)3 * f->atlas_w + f->glyph_x['0']) * 4];
  EXPECT_EQ(row3[0 * 4 + 3], 0);
  EXPECT_GT(row3[5 * 4 + 3], 0);
  EXPECT_EQ(row3[5 * 4 + 0], 255);

  // A refused style still leaves a font of that name, without glyphs.
  load_cell_font(builtin_font_cells, BUILTIN_FONT_CELLS_LENGTH, make_glyph_style(0.0f, 6.0f), "refused");
  font* r = font_find("refused");
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->max_glyph_w, 0);
}

TEST_F(FontAtlasGl, CopiesFromTheScreen) {
  std::vector<uint8_t> set;
  for (int i = 0; i < 70; i++)
    set.insert(set.end(), {3, 5, 39, 39, 39, 39, 39, 39, 39, 39, 39, 39, 39, 39, 39, 39, 39});
  font_build(set.data(), (uint32_t)set.size(), "source");
  font* s = font_find("source");
  ASSERT_NE(s, nullptr);
  glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  font* c = font_copy_from_screen(s);
  ASSERT_NE(c, nullptr);
  int w = 0, h = 0;
  std::vector<uint8_t> t = read_level(c, 0, &w, &h);
  EXPECT_EQ(w, s->atlas_w);
  EXPECT_EQ(h, s->line_height);
  EXPECT_EQ(c->atlas_h, s->line_height);
  EXPECT_EQ(t[0], 255);  // the red screen
  EXPECT_EQ(t[1], 0);
  EXPECT_EQ(memcmp(c->glyph_x, s->glyph_x, sizeof c->glyph_x), 0);
  EXPECT_EQ(c->glyph_y[69], 0);
  EXPECT_EQ(c->cell_w, s->cell_w);
  EXPECT_EQ(c->style.font, s);
  EXPECT_STREQ(c->name, "source");
  EXPECT_NE(c->name, s->name);

  EXPECT_EQ(font_derive_from_screen("nobody", "copy"), 0);
  EXPECT_EQ(fonts_named("copy"), 0);
  EXPECT_EQ(font_derive_from_screen("source", "derived"), 7);
  font* d = font_find("derived");
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->style.font, d);
  EXPECT_EQ(d->style.glyph_slots, 512);
  font_delete_family(s);
  EXPECT_EQ(font_find("derived"), d);  // its own family
  EXPECT_EQ(fonts_named("source"), 0);
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
}

TEST_F(FontAtlasGl, TextDrawnWithAScreenCopyShowsTheCopiedPixels) {
  std::vector<uint8_t> set;
  for (int i = 0; i < 70; i++)
    set.insert(set.end(), {3, 5, 39, 39, 39, 39, 39, 39, 39, 39, 39, 39, 39, 39, 39, 39, 39});
  font_build(set.data(), (uint32_t)set.size(), "source");
  font* s = font_find("source");
  ASSERT_NE(s, nullptr);
  glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  font* c = font_copy_from_screen(s);
  ASSERT_NE(c, nullptr);
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  // The copy has one level: it must still be a complete texture, so that the
  // glyph shows the red it was copied from, not the white of the text colour.
  // Glyph 1 lies at x = 3 of the copy, inside the 64-pixel-wide screen.
  font_select(c);
  draw_text(0, 0, 0, "\x01", 0xFFFFFF);
  uint8_t px[4] = {0, 0, 0, 0};
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(1, 64 - 1 - 2, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px);
  EXPECT_EQ(px[0], 255);
  EXPECT_EQ(px[1], 0);
  EXPECT_EQ(px[2], 0);
}

TEST_F(FontAtlasGl, GlyphDataCutShort) {
  std::vector<uint8_t> set = {2, 2, 39, 39, 39, 39, 3, 3, 39, 39};
  uint8_t* exact = (uint8_t*)malloc(set.size());
  memcpy(exact, set.data(), set.size());
  font_build(exact, (uint32_t)set.size(), "cut");
  free(exact);
  font* f = font_find("cut");
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->glyph_w[0], 2);
  EXPECT_EQ(f->glyph_w[1], 0);
  EXPECT_EQ(f->line_height, 2);
  EXPECT_EQ(f->atlas_w, 2);
}
