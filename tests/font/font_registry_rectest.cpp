// Font registry GL calls against the recording layer: the metrics refresh
// binds the atlas and reads level 0's size from GL (not from the record),
// and deletion deletes exactly the deleted fonts' textures.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <vector>

#include "font/font_registry.h"
#include "support/gl_recorder.h"
#include "util/helpers.h"

namespace {

font* add_font(const char* name, uint32_t texture) {
  font_registry_init();
  font* f = (font*)calloc(1, sizeof(font));
  str_dup_into(&f->name, name);
  f->texture = texture;
  f->style = TEXT_STYLE_DEFAULT;
  f->style.font = f;
  dyn_array_push(&font_registry, &f);
  return f;
}

void clear_registry() {
  while (fonts && font_registry.count > 0) {
    font* f = fonts[0];
    free(f->name);
    dyn_array_remove_at(&font_registry, 0);
    free(f);
  }
  current_font = nullptr;
}

class FontRegistryGl : public ::testing::Test {
 protected:
  void SetUp() override {
    clear_registry();
    gl_recorder_reset();
  }
  void TearDown() override { clear_registry(); }
};

TEST_F(FontRegistryGl, RefreshMetricsReadsLevelZeroFromGl) {
  font* f = add_font("f", 7);
  f->atlas_w = 100;  // what was asked for; GL's answer replaces it
  f->atlas_h = 100;
  f->glyph_w[67] = 12;
  gl_recorder_set_value(GL_TEXTURE_WIDTH, {128});
  gl_recorder_set_value(GL_TEXTURE_HEIGHT, {64});
  font_refresh_metrics(f);
  std::vector<gl_call> expected = {
      gl_call_of("glBindTexture", {GL_TEXTURE_2D, 7}),
      gl_call_of("glGetTexLevelParameteriv", {GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH}),
      gl_call_of("glGetTexLevelParameteriv", {GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT}),
  };
  EXPECT_EQ(gl_recorder_calls(), expected);
  EXPECT_EQ(f->atlas_w, 128);
  EXPECT_EQ(f->atlas_h, 64);
  EXPECT_EQ(f->cell_w, 13);
  EXPECT_EQ(f->max_glyph_w, 12);
  // The atlas stays bound.
  EXPECT_EQ(gl_recorder_value(GL_TEXTURE_BINDING_2D), std::vector<double>{7});
}

TEST_F(FontRegistryGl, DeletionDeletesEachTextureOnce) {
  font* a = add_font("a", 3);
  add_font("b", 4);
  font* copy = add_font("a copy", 5);
  copy->style.font = a;
  font_delete_by_name("B");
  EXPECT_EQ(gl_recorder_calls(), std::vector<gl_call>{gl_call_of("glDeleteTextures", {1, 4})});

  gl_recorder_clear_calls();
  font_delete_family(a);
  std::vector<gl_call> expected = {
      gl_call_of("glDeleteTextures", {1, 5}),
      gl_call_of("glDeleteTextures", {1, 3}),
  };
  EXPECT_EQ(gl_recorder_calls(), expected);
  EXPECT_EQ(font_registry.count, 0u);

  // Names that find nothing issue no GL call.
  gl_recorder_clear_calls();
  font_delete_by_name("a");
  font_delete_family_by_name("a");
  EXPECT_TRUE(gl_recorder_calls().empty());
}

}  // namespace
