// The gallery's logic without GL: page turning by key (a held key must not
// turn again, both ends wrap), page names, the Greek and caps cell sets the
// font page and the markup page build (every entry where its code says, the
// built-in glyphs unchanged, nothing the decoder would drop), the escape
// builders' bytes, the markup helper's buffer bound, and the blur page's
// level count.
#include <ctype.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "gallery/gallery.h"
#include "gallery/greek_font.h"
#include "gallery/page_flat.h"
#include "gallery/page_fonts.h"
#include "gallery/page_text.h"
#include "glyphs/builtin_font.h"
#include "glyphs/cell_glyphs.h"
#include "shell/win_types.h"
#include "text/text_draw.h"

namespace {

struct keys {
  uint8_t now[256] = {};
  uint8_t prev[256] = {};
};

// A key pressed this frame: down now, up before.
keys press(int vk) {
  keys k;
  k.now[vk] = 0x80;
  return k;
}

TEST(GalleryKeys, NextAndBackWrapAtBothEnds) {
  const int32_t last = GALLERY_PAGE_COUNT - 1;
  for (int vk : {VK_SPACE, VK_RIGHT, VK_DOWN, VK_NEXT}) {
    keys k = press(vk);
    EXPECT_EQ(gallery_page_after_keys(0, k.now, k.prev), 1) << vk;
    EXPECT_EQ(gallery_page_after_keys(last, k.now, k.prev), 0) << vk;
  }
  for (int vk : {VK_LEFT, VK_UP, VK_PRIOR, VK_BACK}) {
    keys k = press(vk);
    EXPECT_EQ(gallery_page_after_keys(3, k.now, k.prev), 2) << vk;
    EXPECT_EQ(gallery_page_after_keys(0, k.now, k.prev), last) << vk;
  }
}

TEST(GalleryKeys, HeldKeyTurnsOnlyOnce) {
  keys k = press(VK_SPACE);
  k.prev[VK_SPACE] = 0x80;  // already down last frame
  EXPECT_EQ(gallery_page_after_keys(2, k.now, k.prev), 2);
  keys none;
  EXPECT_EQ(gallery_page_after_keys(2, none.now, none.prev), 2);
  // Only bit 7 means down: a toggled key (bit 0) is not a press.
  none.now[VK_SPACE] = 0x01;
  EXPECT_EQ(gallery_page_after_keys(2, none.now, none.prev), 2);
}

TEST(GalleryKeys, DigitsHomeAndEndJump) {
  for (int32_t i = 0; i < GALLERY_PAGE_COUNT; i++) {
    keys k = press('1' + i);
    EXPECT_EQ(gallery_page_after_keys(0, k.now, k.prev), i);
  }
  keys nine = press('9');  // no ninth page
  EXPECT_EQ(gallery_page_after_keys(4, nine.now, nine.prev), 4);
  keys home = press(VK_HOME), end = press(VK_END);
  EXPECT_EQ(gallery_page_after_keys(5, home.now, home.prev), 0);
  EXPECT_EQ(gallery_page_after_keys(2, end.now, end.prev), GALLERY_PAGE_COUNT - 1);
  // A page index out of range starts again from the first page.
  keys none;
  EXPECT_EQ(gallery_page_after_keys(-3, none.now, none.prev), 0);
  EXPECT_EQ(gallery_page_after_keys(GALLERY_PAGE_COUNT, none.now, none.prev), 0);
}

TEST(GalleryKeys, EscapeOrQQuits) {
  keys k;
  EXPECT_FALSE(gallery_quit_requested(k.now));
  k.now[VK_ESCAPE] = 0x80;
  EXPECT_TRUE(gallery_quit_requested(k.now));
  keys q;
  q.now['Q'] = 0x81;
  EXPECT_TRUE(gallery_quit_requested(q.now));
  q.now['Q'] = 0x01;  // toggled, not down
  EXPECT_FALSE(gallery_quit_requested(q.now));
}

TEST(GalleryPages, NamesAreUniqueAndFoundInAnyCase) {
  for (int32_t i = 0; i < GALLERY_PAGE_COUNT; i++) {
    EXPECT_EQ(gallery_page_by_name(gallery_page_names[i]), i);
    std::string upper = gallery_page_names[i];
    for (char& c : upper) c = (char)toupper((unsigned char)c);
    EXPECT_EQ(gallery_page_by_name(upper.c_str()), i);
    EXPECT_GT(strlen(gallery_page_titles[i]), 10u);
  }
  EXPECT_EQ(gallery_page_by_name("sk"), -1);
  EXPECT_EQ(gallery_page_by_name("skyx"), -1);
  EXPECT_EQ(gallery_page_by_name(""), -1);
  EXPECT_EQ(gallery_page_by_name(nullptr), -1);
}

// ---------------------------------------------------------------------------
// Cell sets

struct cells {
  uint8_t* data = nullptr;
  uint32_t length = 0;
  ~cells() { free(data); }
};

// Entry `code` of a set as bytes (header and cells).
std::vector<uint8_t> entry(const uint8_t* data, uint32_t length, int32_t code) {
  int64_t at = cell_entry_offset(data, length, code);
  if (at < 0) return {};
  return std::vector<uint8_t>(data + at, data + at + 2 + data[at] * data[at + 1]);
}

TEST(GalleryCells, EntryOffsetRefusesCutShortData) {
  const uint8_t set[] = {1, 1, 0x08, 2, 1, 0x0c, 0x0c, 0, 0};
  EXPECT_EQ(cell_entry_offset(set, sizeof set, 0), 0);
  EXPECT_EQ(cell_entry_offset(set, sizeof set, 1), 3);
  EXPECT_EQ(cell_entry_offset(set, sizeof set, 2), 7);
  EXPECT_EQ(cell_entry_offset(set, sizeof set, 3), -1);
  EXPECT_EQ(cell_entry_offset(set, 6, 1), -1);  // its cells run past the end
  EXPECT_EQ(cell_entry_offset(set, 4, 1), -1);  // only half a header
  EXPECT_EQ(cell_entry_offset(set, sizeof set, -1), -1);
  EXPECT_EQ(cell_entry_offset(nullptr, 0, 0), -1);
}

TEST(GalleryCells, GreekSetKeepsBuiltInAndFillsEveryGreekCode) {
  cells g;
  g.data = make_greek_font_cells(&g.length);
  ASSERT_NE(g.data, nullptr);
  int bad = 0;
  EXPECT_EQ(check_cell_glyphs(g.data, g.length, make_glyph_style(6.0f, 6.0f), &bad), CELL_GLYPHS_OK) << bad;
  // Exactly GREEK_FONT_ENTRIES entries, the last one ending the data.
  int64_t last = cell_entry_offset(g.data, g.length, GREEK_FONT_ENTRIES - 1);
  ASSERT_GE(last, 0);
  EXPECT_EQ((uint64_t)last + 2 + g.data[last] * g.data[last + 1], g.length);
  EXPECT_EQ(cell_entry_offset(g.data, g.length, GREEK_FONT_ENTRIES), -1);

  ASSERT_GE(g.length, BUILTIN_FONT_CELLS_LENGTH);
  EXPECT_EQ(memcmp(g.data, builtin_font_cells, BUILTIN_FONT_CELLS_LENGTH), 0);
  for (int32_t code = 128; code < GREEK_FIRST_CODE; code++) {
    EXPECT_EQ(entry(g.data, g.length, code), (std::vector<uint8_t>{0, 0})) << code;
  }
  for (int32_t code = GREEK_FIRST_CODE; code < GREEK_FONT_ENTRIES; code++) {
    std::vector<uint8_t> e = entry(g.data, g.length, code);
    ASSERT_GE(e.size(), 3u) << code;
    // Four or five rows, like the built-in letters, and some ink.
    EXPECT_TRUE(e[1] == 4 || e[1] == 5) << code;
    EXPECT_TRUE(e.size() > 2 &&
                std::vector<uint8_t>(e.size() - 2, 0) != std::vector<uint8_t>(e.begin() + 2, e.end()))
        << code;
  }
  // Look-alikes are the built-in glyphs: capital Alpha (280) is A, omicron
  // (270) is o; capital Gamma (282) is a glyph of its own.
  EXPECT_EQ(entry(g.data, g.length, 280), entry(builtin_font_cells, BUILTIN_FONT_CELLS_LENGTH, 'A'));
  EXPECT_EQ(entry(g.data, g.length, 270), entry(builtin_font_cells, BUILTIN_FONT_CELLS_LENGTH, 'o'));
  EXPECT_NE(entry(g.data, g.length, 282), entry(builtin_font_cells, BUILTIN_FONT_CELLS_LENGTH, 'F'));

  // Decoded, every code keeps its slot.
  uint32_t out_length = 0;
  uint8_t* bitmaps = decode_cell_glyphs(g.data, g.length, make_glyph_style(6.0f, 6.0f), &out_length);
  ASSERT_NE(bitmaps, nullptr);
  uint32_t offset = 0;
  int32_t count = 0;
  int32_t alpha_width = -1;
  while (offset + 2 <= out_length) {
    if (count == 256) alpha_width = bitmaps[offset];
    offset += 2 + bitmaps[offset] * bitmaps[offset + 1];
    count++;
  }
  free(bitmaps);
  EXPECT_EQ(offset, out_length);
  EXPECT_EQ(count, GREEK_FONT_ENTRIES);
  EXPECT_EQ(alpha_width, 12);  // two cells of 6 pixels
}

TEST(GalleryCells, CapsSetHoldsOnlySpaceDigitsAndCapitals) {
  cells c;
  c.data = make_caps_font_cells(&c.length);
  ASSERT_NE(c.data, nullptr);
  EXPECT_EQ(check_cell_glyphs(c.data, c.length, make_glyph_style(6.0f, 6.0f), nullptr), CELL_GLYPHS_OK);
  EXPECT_GE(cell_entry_offset(c.data, c.length, 'Z'), 0);
  EXPECT_EQ(cell_entry_offset(c.data, c.length, 'Z' + 1), -1);
  for (int32_t code = 0; code <= 'Z'; code++) {
    bool kept = code == ' ' || (code >= '0' && code <= '9') || code >= 'A';
    std::vector<uint8_t> e = entry(c.data, c.length, code);
    if (kept) {
      EXPECT_EQ(e, entry(builtin_font_cells, BUILTIN_FONT_CELLS_LENGTH, code)) << code;
    } else {
      EXPECT_EQ(e, (std::vector<uint8_t>{0, 0})) << code;
    }
  }
}

// ---------------------------------------------------------------------------
// Escapes and markup

std::vector<int> bytes_of(const std::string& s) {
  std::vector<int> out;
  for (char c : s) out.push_back((unsigned char)c);
  return out;
}

TEST(GalleryEscapes, BuildersWriteLittleEndianPayloads) {
  std::string s;
  append_colour_escape(&s, 0x123456);
  append_tab_escape(&s, 300);
  append_script_escape(&s, 179, -115);
  append_glyph_escape(&s, 303);
  EXPECT_EQ(bytes_of(s), (std::vector<int>{5, 0, 0x56, 0x34, 0x12, 0,   5,   1, 44, 1, 0,
                                           0, 5, 2,    179,  0,    141, 255, 2, 1,  47}));
}

TEST(GalleryMarkup, ConvertsCodesThenNamesAndScripts) {
  char out[64];
  ASSERT_EQ(markup_convert("#col=255#pi^2", 4, out, sizeof out), 1);
  std::vector<int> got;
  for (const char* p = out; p < escaped_end(out); p++) got.push_back((unsigned char)*p);
  EXPECT_EQ(got,
            (std::vector<int>{5, 0, 255, 0, 0, 0, 2, 1, 15, 5, 2, 179, 0, 38, 0, '2', 5, 2, 0, 1, 0, 0}));
}

TEST(GalleryMarkup, SmallBufferSaysSoAndStaysTerminated) {
  char out[12];
  memset(out, 'z', sizeof out);
  EXPECT_EQ(markup_convert("a source longer than the buffer", 4, out, sizeof out), 0);
  EXPECT_EQ(out[sizeof out - 1], 0);
  EXPECT_STREQ(out, "a source lo");
  // It fits, but the scripts do not: the pass stops and reports it.
  char tight[8];
  EXPECT_EQ(markup_convert("x^2", 4, tight, sizeof tight), 0);
  EXPECT_LT(escaped_end(tight), tight + sizeof tight);
  EXPECT_EQ(markup_convert("", 4, out, 0), 0);
}

TEST(GalleryBlur, LevelsHalveDownToOnePixel) {
  EXPECT_EQ(blur_level_count(0.0f), 0);
  EXPECT_EQ(blur_level_count(0.9f), 0);
  EXPECT_EQ(blur_level_count(1.0f), 1);
  EXPECT_EQ(blur_level_count(2.0f), 2);
  EXPECT_EQ(blur_level_count(6.0f), 3);
  EXPECT_EQ(blur_level_count(12.0f), 4);  // 12, 6, 3, 1.5
  EXPECT_EQ(blur_level_count(16.0f), 5);
}

}  // namespace
