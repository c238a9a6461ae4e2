// Font registry without a GL context: lookup order and letter case, name
// specs, selection copies, swap-with-last deletion and the mirror, random
// choice of a new current font, family deletion, the style measure and the
// memory estimate. The GL calls of deletion and metrics refresh go to no
// context here and do nothing; their streams are checked with the recorder.
#include "font/font_registry.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "shell/clock.h"
#include "util/helpers.h"

namespace {

font* add_font(const char* name, uint8_t line_height = 10, uint8_t cell_w = 7) {
  font_registry_init();
  font* f = (font*)calloc(1, sizeof(font));
  str_dup_into(&f->name, name);
  f->line_height = line_height;
  f->cell_w = cell_w;
  f->style = TEXT_STYLE_DEFAULT;
  f->style.font = f;
  dyn_array_push(&font_registry, &f);
  return f;
}

std::vector<font*> registry_contents() {
  std::vector<font*> out;
  if (fonts) out.assign(fonts, fonts + font_registry.count);
  return out;
}

class FontRegistry : public ::testing::Test {
 protected:
  void SetUp() override { reset(); }
  void TearDown() override { reset(); }
  static void reset() {
    if (fonts) {
      for (uint32_t i = 0; i < font_registry.count; ++i) {
        free(fonts[i]->name);
        free(fonts[i]);
      }
      dyn_array_release(font_registry);
    }
    font_registry = dyn_array{};
    fonts = nullptr;
    current_font = nullptr;
    current_line_height = 0;
    current_cell_w = 0;
  }
};

TEST_F(FontRegistry, BeforeAnyFont) {
  EXPECT_EQ(fonts, nullptr);
  EXPECT_EQ(font_find("normal"), nullptr);
  EXPECT_EQ(font_exists("normal"), 0);
  EXPECT_EQ(font_exists(""), 0);
  EXPECT_EQ(font_registry_memory(), (uint32_t)sizeof(dyn_array));
  font_select_by_name("normal");
  font_delete_by_name("normal");
  font_delete_family_by_name("normal");
  EXPECT_EQ(font_rename("normal", "x"), 0);
  EXPECT_EQ(current_font, nullptr);
  EXPECT_EQ(fonts, nullptr);
}

TEST_F(FontRegistry, InitCreatesOnceAndMirrors) {
  font_registry_init();
  ASSERT_NE(fonts, nullptr);
  EXPECT_EQ((void*)fonts, font_registry.data);
  EXPECT_EQ(font_registry.elem_size, (uint32_t)sizeof(font*));
  font* a = add_font("a");
  font** block = fonts;
  font_registry_init();  // must not drop the registered font
  EXPECT_EQ(fonts, block);
  EXPECT_EQ(font_find("a"), a);
}

TEST_F(FontRegistry, LookupIgnoresCaseAndHigherSlotWins) {
  font* low = add_font("normal");
  font* other = add_font("Other_1");
  font* high = add_font("NORMAL");
  EXPECT_EQ(font_find("Normal"), high);
  EXPECT_EQ(font_find("other_1"), other);
  EXPECT_EQ(font_find("norma"), nullptr);
  EXPECT_EQ(font_find("normals"), nullptr);
  EXPECT_EQ(font_find("other_2"), nullptr);
  // Only letters fold: '[' and '{' differ by the same 32 as 'A' and 'a'.
  add_font("a[");
  EXPECT_EQ(font_find("A{"), nullptr);
  EXPECT_NE(font_find("A["), nullptr);
  font_delete(high);
  EXPECT_EQ(font_find("normal"), low);
}

TEST_F(FontRegistry, ExistsTakesTheNameBeforeTheFirstColon) {
  add_font("normal");
  EXPECT_EQ(font_exists("NORMAL"), 1);
  EXPECT_EQ(font_exists("normal:12:bold"), 1);
  EXPECT_EQ(font_exists("Normal:"), 1);
  EXPECT_EQ(font_exists("norm:al"), 0);
  EXPECT_EQ(font_exists("normalx:y"), 0);
  EXPECT_EQ(font_exists(":normal"), 0);  // looks for the empty name
  EXPECT_EQ(font_exists(nullptr), 0);
  add_font("");
  EXPECT_EQ(font_exists(":normal"), 1);
}

TEST_F(FontRegistry, SelectionCopiesMetricsOnce) {
  font* a = add_font("a", 42, 13);
  font* b = add_font("b", 20, 9);
  font_select(a);
  EXPECT_EQ(current_font, a);
  EXPECT_EQ(current_line_height, 42);
  EXPECT_EQ(current_cell_w, 13);

  // Reselecting the current font keeps the copies taken before.
  a->line_height = 50;
  a->cell_w = 3;
  font_select(a);
  EXPECT_EQ(current_line_height, 42);
  EXPECT_EQ(current_cell_w, 13);
  font_select_by_name("A");
  EXPECT_EQ(current_line_height, 42);

  font_select_by_name("B");
  EXPECT_EQ(current_font, b);
  EXPECT_EQ(current_line_height, 20);
  EXPECT_EQ(current_cell_w, 9);

  font_select_by_name("missing");
  font_select(nullptr);
  EXPECT_EQ(current_font, b);
  EXPECT_EQ(current_line_height, 20);
}

TEST_F(FontRegistry, RenameAndSetName) {
  font* a = add_font("normal");
  EXPECT_EQ(font_rename("NORMAL", "bigger"), 6);
  EXPECT_STREQ(a->name, "bigger");
  EXPECT_EQ(font_find("normal"), nullptr);
  EXPECT_EQ(font_rename("normal", "x"), 0);
  EXPECT_STREQ(a->name, "bigger");
  EXPECT_EQ(font_set_name(a, ""), 0);
  EXPECT_STREQ(a->name, "");
  EXPECT_EQ(font_set_name(nullptr, "x"), 0);
}

TEST_F(FontRegistry, DeletionMovesTheLastSlotIntoTheHole) {
  font* a = add_font("a");
  font* b = add_font("b");
  font* c = add_font("c");
  font_delete(a);
  EXPECT_EQ(registry_contents(), (std::vector<font*>{c, b}));
  font_delete_by_name("C");
  EXPECT_EQ(registry_contents(), (std::vector<font*>{b}));
  font_delete_by_name("missing");
  EXPECT_EQ(registry_contents(), (std::vector<font*>{b}));

  // A font that is not registered is freed and the registry stays as it is
  // (the sanitizer build would report the record if it leaked).
  font* loose = (font*)calloc(1, sizeof(font));
  str_dup_into(&loose->name, "b");
  font_delete(loose);
  EXPECT_EQ(registry_contents(), (std::vector<font*>{b}));
}

TEST_F(FontRegistry, MirrorFollowsShrink) {
  std::vector<font*> made;
  for (int i = 0; i < 40; ++i) made.push_back(add_font("f"));
  uint32_t grown = font_registry.capacity;
  for (int i = 0; i < 38; ++i) {
    font_delete(fonts[0]);
    ASSERT_EQ((void*)fonts, font_registry.data);
  }
  EXPECT_LT(font_registry.capacity, grown);
  ASSERT_EQ(font_registry.count, 2u);
  // Each delete moved the last font into slot 0, which the next delete took:
  // [39, 1, ..., 38], [38, 1, ..., 37], ... and finally [2, 1].
  EXPECT_EQ(fonts[0], made[2]);
  EXPECT_EQ(fonts[1], made[1]);
}

TEST_F(FontRegistry, DeletingTheCurrentFontPicksOneOfTheRestAtRandom) {
  // Which one: fonts[random_index(count)] with the generator where it stood.
  for (uint32_t seed : {1u, 77u, 123456u, 0xDEADBEEFu}) {
    reset();
    font* a = add_font("a", 11, 1);
    font* b = add_font("b", 22, 2);
    font* c = add_font("c", 33, 3);
    font_select(a);
    random_set_state(seed);
    int32_t pick = random_index(2);
    random_set_state(seed);
    font_delete(a);
    font* expected = pick == 0 ? c : b;  // the registry is now [c, b]
    EXPECT_EQ(current_font, expected) << "seed " << seed;
    EXPECT_EQ(current_line_height, expected->line_height);
    EXPECT_EQ(current_cell_w, expected->cell_w);
  }

  // And over many deletions each of the two is chosen about half the time.
  int chose_b = 0, chose_c = 0;
  random_set_state(1);
  for (int trial = 0; trial < 400; ++trial) {
    reset();
    font* a = add_font("a");
    font* b = add_font("b");
    font* c = add_font("c");
    font_select(a);
    font_delete(a);
    if (current_font == b) ++chose_b;
    if (current_font == c) ++chose_c;
  }
  EXPECT_EQ(chose_b + chose_c, 400);
  EXPECT_GT(chose_b, 150);
  EXPECT_GT(chose_c, 150);
}

TEST_F(FontRegistry, DeletingTheLastCurrentFontLeavesNoCurrentFont) {
  font* only = add_font("only", 42, 13);
  font_select(only);
  font_delete(only);
  EXPECT_EQ(current_font, nullptr);
  EXPECT_EQ(current_line_height, 0);
  EXPECT_EQ(current_cell_w, 0);
  EXPECT_EQ(font_registry.count, 0u);
  // A new font can be selected afterwards.
  font* next = add_font("next", 9, 4);
  font_select_by_name("next");
  EXPECT_EQ(current_font, next);
  EXPECT_EQ(current_line_height, 9);
}

TEST_F(FontRegistry, FamilyDeletionRemovesExactlyTheFamily) {
  font* a = add_font("a");
  font* b = add_font("b");
  font* copy_a1 = add_font("a");
  font* derived = add_font("d");
  font* copy_b = add_font("b");
  font* copy_a2 = add_font("a2");
  copy_a1->style.font = a;
  copy_a2->style.font = a;
  copy_b->style.font = b;
  // Put a copy below the base too, so the walk meets members on both sides.
  font* first = fonts[0];
  fonts[0] = copy_a2;
  fonts[5] = first;

  font_select(copy_a1);
  font_delete_family(a);
  std::vector<font*> left = registry_contents();
  ASSERT_EQ(left.size(), 3u);
  for (font* f : {b, derived, copy_b}) {
    EXPECT_NE(std::find(left.begin(), left.end(), f), left.end());
  }
  EXPECT_TRUE(current_font == b || current_font == derived || current_font == copy_b);

  // A base that is itself a copy is not in its own family: only fonts naming
  // it would go, and there are none.
  font_delete_family(copy_b);
  EXPECT_EQ(font_registry.count, 3u);
  // The walk left [derived, b, copy_b]: by name, the copy in the higher slot
  // is found, and it has no family.
  EXPECT_EQ(registry_contents(), (std::vector<font*>{derived, b, copy_b}));
  font_delete_family_by_name("B");
  EXPECT_EQ(font_registry.count, 3u);
  font_delete_family(b);
  EXPECT_EQ(registry_contents(), (std::vector<font*>{derived}));
}

// Registry order after font_delete_family, each layout given as letters: 'A'
// is the base, 'a' a copy of it, other letters unrelated fonts.
std::string order_after_family_deletion(const char* layout) {
  font* base = nullptr;
  std::vector<font*> made;
  for (const char* c = layout; *c; ++c) {
    char name[2] = {*c, 0};
    made.push_back(add_font(name));
    if (*c == 'A') base = made.back();
  }
  for (font* f : made)
    if (f->name[0] == 'a') f->style.font = base;
  font_delete_family(base);
  std::string left;
  for (font* f : registry_contents()) left += f->name;
  return left;
}

TEST_F(FontRegistry, FamilyDeletionWalksFromTheLastSlotDown) {
  // Each member goes with swap-with-last removal the moment the walk from the
  // last slot down meets it, the base included.
  const char* const cases[][2] = {
      {"aAYZ", "YZ"}, {"aYAZW", "ZYW"}, {"aXAYZ", "YXZ"},  {"AYaZ", "ZY"},   {"YaAZ", "YZ"},
      {"aaAX", "X"},  {"AaXaY", "XY"},  {"XaYAZa", "XZY"}, {"aXYZA", "ZXY"},
  };
  for (const auto& c : cases) {
    reset();
    EXPECT_EQ(order_after_family_deletion(c[0]), c[1]) << c[0];
  }
  // The order decides which of two same-named fonts font_find returns.
  reset();
  font* copy = add_font("A");
  font* base = add_font("A");
  font* y = add_font("dup");
  font* z = add_font("dup");
  copy->style.font = base;
  font_delete_family(base);
  EXPECT_EQ(registry_contents(), (std::vector<font*>{y, z}));
  EXPECT_EQ(font_find("dup"), z);
}

TEST_F(FontRegistry, FamilyDeletionDrawsAsTheWalkDeletesTheCurrentFont) {
  // [copy, base, Y, Z] with the base current: the base goes first, a new
  // current font is drawn from [copy, Z, Y]; when that is the copy, it goes
  // next and another is drawn from [Y, Z].
  for (uint32_t seed : {1u, 5u, 77u, 123456u, 0xDEADBEEFu, 42u}) {
    reset();
    font* copy = add_font("copy");
    font* base = add_font("base");
    font* y = add_font("y");
    font* z = add_font("z");
    copy->style.font = base;
    font_select(base);
    random_set_state(seed);
    font* after_first[3] = {copy, z, y};
    font* after_second[2] = {y, z};
    font* expected = after_first[random_index(3)];
    if (expected == copy) expected = after_second[random_index(2)];
    uint32_t expected_state = random_get_state();
    random_set_state(seed);
    font_delete_family(base);
    EXPECT_EQ(current_font, expected) << "seed " << seed;
    EXPECT_EQ(random_get_state(), expected_state) << "seed " << seed;
  }
}

TEST_F(FontRegistry, FamilyOfAnUnknownNameDeletesNothing) {
  // Fonts whose style names no font must not be taken for the family of a
  // name that finds nothing.
  font* blank1 = add_font("blank1");
  font* blank2 = add_font("blank2");
  blank1->style.font = nullptr;
  blank2->style.font = nullptr;
  font_delete_family_by_name("missing");
  font_delete_family(nullptr);
  EXPECT_EQ(registry_contents(), (std::vector<font*>{blank1, blank2}));
}

TEST_F(FontRegistry, CopiesOutlivingTheirBaseNameThemselves) {
  font* a = add_font("a");
  font* copy = add_font("copy");
  copy->style.font = a;
  font_delete(a);
  EXPECT_EQ(copy->style.font, copy);
}

TEST_F(FontRegistry, StyleSimilarityExamples) {
  font* f = add_font("f");
  f->max_glyph_w = 2;
  text_style s = TEXT_STYLE_DEFAULT;
  s.font = f;
  EXPECT_FLOAT_EQ(text_style_similarity(s, s), 1.0f);

  text_style other_font = s;
  other_font.font = add_font("g");
  EXPECT_FLOAT_EQ(text_style_similarity(s, other_font), -1000.0f);

  text_style spaced = s;
  spaced.spacing = 0.01f;
  EXPECT_NEAR(text_style_similarity(s, spaced), 0.5f, 1e-5);

  // Pixel term 2 is smaller than the scale term ln 1.5 / ln 1.05 = 8.31.
  text_style wide = s;
  wide.scale_x = 1.5f;
  EXPECT_NEAR(text_style_similarity(s, wide), 0.0f, 1e-5);

  // Scale term ln 2 / ln 1.05 = 14.21 is smaller than the pixel term 20.
  f->max_glyph_w = 10;
  text_style doubled = s;
  doubled.scale_x = 2.0f;
  EXPECT_NEAR(text_style_similarity(s, doubled), 1.0f - 0.5f * 14.2067f, 1e-3);
  EXPECT_NEAR(text_style_similarity(s, doubled), -6.10f, 0.01f);

  // The vertical term reads line_height; extra counts in 0.05 steps; the
  // slot count and the spare field take no part.
  f->line_height = 4;
  text_style tall = s;
  tall.scale_y = 1.25f;  // pixel term 2, scale term 4.57
  tall.extra = 0.1f;     // 2 units
  tall.glyph_slots = 512;
  tall.spare = 99;
  EXPECT_NEAR(text_style_similarity(s, tall), 1.0f - 1.0f - 2.0f, 1e-4);
}

TEST_F(FontRegistry, StyleSimilarityWithoutFontsUsesTheScaleAlone) {
  text_style a = TEXT_STYLE_DEFAULT;
  EXPECT_FLOAT_EQ(text_style_similarity(a, a), 1.0f);
  text_style b = a;
  b.scale_x = 1.05f;
  EXPECT_NEAR(text_style_similarity(a, b), 0.5f, 1e-3);
}

TEST_F(FontRegistry, MemoryCountsNamesRecordsAndOneLineOfTexture) {
  font* f = add_font("abc", 42);
  f->atlas_w = 256;
  f->atlas_h = 512;  // not used: the texture is counted as one line high
  uint32_t block = font_registry.capacity * (uint32_t)sizeof(font*);
  EXPECT_EQ(font_registry_memory(), block + sizeof(dyn_array) + 3 + sizeof(font) + 4 * 256 * 42);
}

TEST_F(FontRegistry, RefreshMetricsWidths) {
  font* f = add_font("f");
  f->glyph_w[67] = 5;
  f->glyph_w[300] = 9;
  font_refresh_metrics(f);
  EXPECT_EQ(f->cell_w, 6);
  EXPECT_EQ(f->max_glyph_w, 9);

  font* none = add_font("none");
  font_refresh_metrics(none);
  EXPECT_EQ(none->cell_w, 1);
  EXPECT_EQ(none->max_glyph_w, 0);

  // Both are 8-bit: a 255-wide 'C' wraps the cell to 0, and a width beyond
  // 8 bits keeps its low byte in the running maximum, which a later,
  // narrower glyph can then exceed.
  f->glyph_w[67] = 255;
  f->glyph_w[300] = 0;
  font_refresh_metrics(f);
  EXPECT_EQ(f->cell_w, 0);
  EXPECT_EQ(f->max_glyph_w, 255);
  f->glyph_w[67] = 0;
  f->glyph_w[10] = 300;
  font_refresh_metrics(f);
  EXPECT_EQ(f->max_glyph_w, 44);
  f->glyph_w[20] = 100;
  font_refresh_metrics(f);
  EXPECT_EQ(f->max_glyph_w, 100);
}

}  // namespace
