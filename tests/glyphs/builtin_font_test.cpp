// The built-in font: its size and entry count, every byte used, the glyphs
// the frame-rate display relies on byte for byte, the size rules for the rest,
// what it decodes to at the program's 6-pixel cells, and '#' told apart from
// 'H' there.
#include "glyphs/builtin_font.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <map>
#include <string>
#include <vector>

#include "glyphs/cell_glyphs.h"

namespace {

struct cell_entry {
  int cols = -1, rows = -1;
  std::vector<uint8_t> cells;
};

// Walks the font; fails the test when an entry runs past the end.
std::vector<cell_entry> font_entries() {
  std::vector<cell_entry> list;
  size_t pos = 0;
  while (pos < BUILTIN_FONT_CELLS_LENGTH) {
    cell_entry e;
    e.cols = builtin_font_cells[pos];
    e.rows = builtin_font_cells[pos + 1];
    size_t n = (size_t)e.cols * e.rows;
    EXPECT_LE(pos + 2 + n, BUILTIN_FONT_CELLS_LENGTH) << "entry " << list.size() << " runs past the end";
    if (pos + 2 + n > BUILTIN_FONT_CELLS_LENGTH) break;
    e.cells.assign(builtin_font_cells + pos + 2, builtin_font_cells + pos + 2 + n);
    pos += 2 + n;
    list.push_back(e);
  }
  EXPECT_EQ(pos, BUILTIN_FONT_CELLS_LENGTH);
  return list;
}

std::vector<uint8_t> hex(const char* text) {
  std::vector<uint8_t> out;
  for (const char* p = text; *p;) {
    if (*p == ' ' || *p == '/') {
      p++;
      continue;
    }
    out.push_back((uint8_t)strtol(std::string(p, 2).c_str(), nullptr, 16));
    p += 2;
  }
  return out;
}

}  // namespace

TEST(BuiltinFont, SizeEntriesAndEveryByteUsed) {
  EXPECT_EQ(sizeof(builtin_font_cells), 972u);
  std::vector<cell_entry> e = font_entries();
  EXPECT_EQ(e.size(), 128u);
  int entry = 0;
  EXPECT_EQ(
      check_cell_glyphs(builtin_font_cells, BUILTIN_FONT_CELLS_LENGTH, make_glyph_style(6.0f, 6.0f), &entry),
      CELL_GLYPHS_OK)
      << "entry " << entry;
}

TEST(BuiltinFont, ListedGlyphsByteForByte) {
  const std::map<int, std::pair<std::pair<int, int>, const char*>> listed = {
      {' ', {{1, 1}, "00"}},
      {'+', {{1, 1}, "20"}},
      {'-', {{2, 3}, "00 00 / 00 00 / 2c 2e"}},
      {'.', {{1, 4}, "00 / 00 / 00 / 20"}},
      {'0', {{2, 4}, "13 12 / 08 08 / 08 08 / 11 10"}},
      {'1', {{1, 4}, "12 / 08 / 08 / 1a"}},
      {'2', {{2, 4}, "13 12 / 00 08 / 13 10 / 31 2e"}},
      {'3', {{2, 4}, "13 12 / 2c 1e / 00 08 / 11 10"}},
      {'4', {{2, 4}, "28 28 / 08 08 / 11 1e / 00 2a"}},
      {'5', {{2, 4}, "33 2e / 31 12 / 00 08 / 11 10"}},
      {'6', {{2, 4}, "13 12 / 1c 12 / 08 08 / 11 10"}},
      {'7', {{2, 4}, "2c 32 / 00 08 / 00 08 / 00 2a"}},
      {'8', {{2, 4}, "13 12 / 3c 3e / 08 08 / 11 10"}},
      {'9', {{2, 4}, "13 12 / 08 08 / 11 1e / 11 10"}},
      {':', {{1, 4}, "00 / 00 / 20 / 20"}},
      {'F', {{2, 4}, "33 2e / 1c 2e / 08 00 / 2a 00"}},
      {'P', {{2, 4}, "33 12 / 08 08 / 1c 10 / 2a 00"}},
      {'S', {{2, 4}, "13 12 / 11 12 / 00 08 / 11 10"}},
      {'a', {{2, 4}, "00 00 / 13 12 / 13 1e / 11 30"}},
      {'e', {{2, 4}, "00 00 / 13 12 / 1c 10 / 11 10"}},
      {'f', {{2, 4}, "13 12 / 08 00 / 1c 2e / 2a 00"}},
      {'i', {{1, 4}, "20 / 28 / 08 / 2a"}},
      {'n', {{2, 4}, "00 00 / 33 12 / 08 08 / 2a 2a"}},
      {'A', {{2, 4}, "13 12 / 08 08 / 1c 1e / 2a 2a"}},
      {'H', {{2, 4}, "28 28 / 1c 1e / 08 08 / 2a 2a"}},
      {'m', {{3, 4}, "00 00 00 / 13 38 12 / 08 08 08 / 2a 2a 2a"}},
      {'g', {{2, 5}, "00 00 / 13 32 / 08 08 / 11 1e / 11 10"}},
  };
  std::vector<cell_entry> e = font_entries();
  ASSERT_EQ(e.size(), 128u);
  for (const auto& item : listed) {
    const cell_entry& g = e[item.first];
    EXPECT_EQ(g.cols, item.second.first.first) << (char)item.first;
    EXPECT_EQ(g.rows, item.second.first.second) << (char)item.first;
    EXPECT_EQ(g.cells, hex(item.second.second)) << (char)item.first;
  }
}

TEST(BuiltinFont, SizeRules) {
  std::vector<cell_entry> e = font_entries();
  ASSERT_EQ(e.size(), 128u);
  auto size_is = [&](int code, int cols, int rows) {
    EXPECT_EQ(e[code].cols, cols) << "code " << code;
    EXPECT_EQ(e[code].rows, rows) << "code " << code;
  };
  for (int c = 0; c < 32; c++) size_is(c, 1, 1);
  for (char c : std::string("!():.1Iil|")) size_is(c, 1, 4);
  for (char c : std::string("@MNOTWY_mw")) EXPECT_EQ(e[(int)c].cols, 3) << c;
  for (char c : std::string("gpqy")) size_is(c, 2, 5);
  size_is('j', 1, 5);
  size_is('-', 2, 3);
  for (char c : std::string("\"^~")) size_is(c, 2, 2);
  for (char c : std::string("$%&*+'`")) size_is(c, 1, 1);
  size_is(127, 3, 7);
  size_is('C', 2, 4);
  // Letters and digits not named above are 2 x 4.
  for (char c : std::string("ABCDEFGHJKLPQRSUVXZabcdefhknorstuvxz023456789")) size_is(c, 2, 4);
  for (int c = 0; c < 127; c++) EXPECT_LT(e[c].rows, 7) << "code " << c;
  // Every glyph but the empty ones has ink, and all codes are valid.
  for (int c = 33; c < 128; c++) {
    int ink = 0;
    for (uint8_t code : e[c].cells) {
      EXPECT_LT(code, CELL_CODE_COUNT);
      ink += (code >> 3) != 0;
    }
    EXPECT_GT(ink, 0) << "code " << c;
  }
}

TEST(BuiltinFont, DecodesAtSixPixelCells) {
  uint32_t length = 0;
  uint8_t* out = decode_cell_glyphs(builtin_font_cells, BUILTIN_FONT_CELLS_LENGTH,
                                    make_glyph_style(6.0f, 6.0f), &length);
  ASSERT_NE(out, nullptr);
  std::vector<std::pair<int, int>> sizes;
  std::vector<const uint8_t*> pixels;
  for (uint32_t pos = 0; pos < length; pos += 2 + out[pos] * out[pos + 1]) {
    sizes.push_back({out[pos], out[pos + 1]});
    pixels.push_back(out + pos + 2);
  }
  ASSERT_EQ(sizes.size(), 128u);
  EXPECT_EQ(sizes[' '], std::make_pair(6, 6));
  for (int i = 0; i < 36; i++) EXPECT_EQ(pixels[' '][i], 255);
  for (char d = '0'; d <= '9'; d++)
    EXPECT_EQ(sizes[(int)d], d == '1' ? std::make_pair(6, 24) : std::make_pair(12, 24));
  EXPECT_EQ(sizes[127], std::make_pair(18, 42));
  int tallest = 0;
  for (const auto& s : sizes) tallest = s.second > tallest ? s.second : tallest;
  EXPECT_EQ(tallest, 42);

  // '#' and 'H' are both two stems in 2 x 4 cells; '#' must not read as 'H'
  // at these cells: its two bars reach the outer columns, past the stems
  // (pixel column 0 and 11, across the rows of the bars), where 'H' is
  // blank from top to bottom.
  ASSERT_EQ(sizes['#'], std::make_pair(12, 24));
  ASSERT_EQ(sizes['H'], std::make_pair(12, 24));
  auto inked_rows = [&](int code, int column) {
    int rows = 0;
    for (int y = 0; y < 24; y++) rows += pixels[code][y * 12 + column] != 255 ? 1 : 0;
    return rows;
  };
  for (int column : {0, 11}) {
    EXPECT_GE(inked_rows('#', column), 4) << "column " << column;
    EXPECT_EQ(inked_rows('H', column), 0) << "column " << column;
  }
  free(out);
}
