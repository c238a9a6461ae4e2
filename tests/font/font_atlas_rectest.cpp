// Font atlas building against the recording GL layer: the call streams of
// font_build, font_create_blank and font_copy_from_screen, and a GL whose
// maximum texture size is 16, where five 6 x 4 glyphs wrap into three rows of
// a 16 x 16 atlas that is uploaded whole.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <vector>

#include "font/font_atlas.h"
#include "support/gl_recorder.h"

namespace {

void clear_registry() {
  while (fonts && font_registry.count > 0) {
    font* f = fonts[0];
    free(f->name);
    dyn_array_remove_at(&font_registry, 0);
    free(f);
  }
  current_font = nullptr;
}

class FontAtlasRec : public ::testing::Test {
 protected:
  void SetUp() override {
    clear_registry();
    gl_recorder_reset();
  }
  void TearDown() override { clear_registry(); }
};

TEST_F(FontAtlasRec, BuildWrapsRowsAtTheMaximumTextureSize) {
  gl_recorder_set_value(GL_MAX_TEXTURE_SIZE, {16});
  gl_recorder_set_next_texture(9);
  std::vector<uint8_t> set;
  for (int i = 0; i < 5; i++) {
    set.push_back(6);
    set.push_back(4);
    set.insert(set.end(), 24, (uint8_t)(16 + i));
  }
  font_build(set.data(), (uint32_t)set.size(), "wrapped");
  std::vector<gl_call> expected = {
      gl_call_of("glGetIntegerv", {GL_MAX_TEXTURE_SIZE}),
      gl_call_of("glGenTextures", {1, 9}),
      gl_call_of("glBindTexture", {GL_TEXTURE_2D, 9}),
      gl_call_of("glTexParameterf", {GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, 9987}),
      gl_call_of("glTexParameterf", {GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, 9729}),
      gl_call_of("gluBuild2DMipmaps", {GL_TEXTURE_2D, 4, 16, 16, GL_RGBA, GL_UNSIGNED_BYTE}),
      gl_call_of("glBindTexture", {GL_TEXTURE_2D, 9}),
      gl_call_of("glGetTexLevelParameteriv", {GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH}),
      gl_call_of("glGetTexLevelParameteriv", {GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT}),
  };
  ASSERT_EQ(gl_recorder_calls(), expected);
  font* f = font_find("wrapped");
  ASSERT_NE(f, nullptr);
  const int x[5] = {0, 6, 0, 6, 0}, y[5] = {0, 0, 4, 4, 8};
  for (int i = 0; i < 5; i++) {
    EXPECT_EQ(f->glyph_x[i], x[i]);
    EXPECT_EQ(f->glyph_y[i], y[i]);
  }
  EXPECT_EQ(f->atlas_w, 16);
  EXPECT_EQ(f->atlas_h, 16);
  EXPECT_EQ(f->texture, 9u);
  EXPECT_EQ(current_font, f);
  // The upload: glyph i's first texel at its place, alpha from grey 16 + i.
  const std::vector<unsigned char>& texels = gl_recorder_calls()[5].data;
  ASSERT_EQ(texels.size(), 16u * 16u * 4u);
  const int alpha[5] = {0, 11, 22, 33, 44};
  for (int i = 0; i < 5; i++) {
    const unsigned char* t = &texels[((size_t)y[i] * 16 + x[i]) * 4];
    EXPECT_EQ(t[0], 255);
    EXPECT_EQ(t[3], alpha[i]) << i;
  }
  EXPECT_EQ(texels[(12 * 16 + 0) * 4 + 3], 0);  // below the last row
  EXPECT_EQ(texels[(0 * 16 + 12) * 4 + 0], 0);  // right of the widest row
}

TEST_F(FontAtlasRec, BlankFontStream) {
  gl_recorder_set_next_texture(4);
  font* f = font_create_blank("blank");
  ASSERT_NE(f, nullptr);
  std::vector<gl_call> expected = {
      gl_call_of("glGenTextures", {1, 4}),
      gl_call_of("glBindTexture", {GL_TEXTURE_2D, 4}),
      gl_call_of("glTexEnvf", {GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, 8448}),
      gl_call_of("glTexParameterf", {GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, 9987}),
      gl_call_of("glTexParameterf", {GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, 9729}),
      gl_call_of("glTexImage2D", {GL_TEXTURE_2D, 0, GL_RGB, 1, 1, 0, GL_RGB, GL_UNSIGNED_BYTE}),
      gl_call_of("glBindTexture", {GL_TEXTURE_2D, 4}),
      gl_call_of("glGetTexLevelParameteriv", {GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH}),
      gl_call_of("glGetTexLevelParameteriv", {GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT}),
  };
  ASSERT_EQ(gl_recorder_calls(), expected);
  EXPECT_EQ(gl_recorder_calls()[5].data.at(0), 1);
  EXPECT_EQ(f->cell_w, 2);
  EXPECT_EQ(current_font, nullptr);  // a blank font is never selected here

  // Replacing it deletes the old one first.
  gl_recorder_clear_calls();
  gl_recorder_set_next_texture(5);
  font_create_blank("BLANK");
  EXPECT_EQ(gl_recorder_calls().at(0), gl_call_of("glDeleteTextures", {1, 4}));
  EXPECT_EQ(gl_recorder_calls().at(1), gl_call_of("glGenTextures", {1, 5}));
}

TEST_F(FontAtlasRec, CopyFromScreenStream) {
  gl_recorder_set_value(GL_MAX_TEXTURE_SIZE, {1024});
  std::vector<uint8_t> set = {10, 12};
  set.insert(set.end(), 120, 39);
  font_build(set.data(), (uint32_t)set.size(), "source");
  font* s = font_find("source");
  ASSERT_NE(s, nullptr);
  s->atlas_w = 16;  // as the recorder reports level 0
  gl_recorder_clear_calls();
  gl_recorder_set_next_texture(12);
  font* c = font_copy_from_screen(s);
  ASSERT_NE(c, nullptr);
  std::vector<gl_call> expected = {
      gl_call_of("glGenTextures", {1, 12}),
      gl_call_of("glBindTexture", {GL_TEXTURE_2D, 12}),
      gl_call_of("glCopyTexImage2D", {GL_TEXTURE_2D, 0, GL_RGB, 0, 0, 16, 12, 0}),
      // Level 0 alone: no mipmap filter, or the texture would be incomplete.
      gl_call_of("glTexParameterf", {GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, 9729}),
      gl_call_of("glTexParameterf", {GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, 9729}),
  };
  EXPECT_EQ(gl_recorder_calls(), expected);
  EXPECT_EQ(font_registry.count, 2u);
  EXPECT_EQ(font_copy_from_screen(nullptr), nullptr);
}

}  // namespace
