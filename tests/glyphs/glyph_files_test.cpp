// Glyph-file converters: the tile converter writes exactly what decoding in
// memory gives; direct sampling loses the samples that stray outside the grid
// and frames entries like the decoder; both leave the output alone when the
// input is missing or the style unusable, survive truncated files, and follow
// the sampling rule at sample counts above 16.
#include "glyphs/glyph_files.h"

#include <gtest/gtest.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "glyphs/builtin_font.h"
#include "support/temp_files.h"

namespace {

void write_bytes(const std::string& path, const std::vector<uint8_t>& data) {
  FILE* f = fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  if (!data.empty()) fwrite(data.data(), 1, data.size(), f);
  fclose(f);
}

// The file's bytes, or {0xEE} when it does not exist.
std::vector<uint8_t> read_bytes(const std::string& path) {
  FILE* f = fopen(path.c_str(), "rb");
  if (!f) return {0xEE};
  std::vector<uint8_t> data;
  int c;
  while ((c = fgetc(f)) != EOF) data.push_back((uint8_t)c);
  fclose(f);
  return data;
}

std::vector<uint8_t> decode(const std::vector<uint8_t>& data, glyph_style style) {
  uint32_t length = 0;
  uint8_t* out = decode_cell_glyphs(data.data(), (uint32_t)data.size(), style, &length);
  std::vector<uint8_t> result(out, out + length);
  free(out);
  return result;
}

// Entry sizes of a glyph_bitmap_set, in order.
std::vector<std::pair<int, int>> sizes(const std::vector<uint8_t>& set) {
  std::vector<std::pair<int, int>> list;
  for (size_t pos = 0; pos + 2 <= set.size(); pos += 2 + (size_t)set[pos] * set[pos + 1])
    list.push_back({set[pos], set[pos + 1]});
  return list;
}

struct files {
  std::string in = temp_path("cells.in"), out = temp_path("glyphs.out");
  ~files() {
    remove(in.c_str());
    remove(out.c_str());
  }
};

}  // namespace

TEST(GlyphFiles, ConverterWritesWhatDecodingGives) {
  files f;
  std::vector<uint8_t> font(builtin_font_cells, builtin_font_cells + BUILTIN_FONT_CELLS_LENGTH);
  write_bytes(f.in, font);
  glyph_style s = make_glyph_style(6.0f, 6.0f);
  convert_cell_glyph_file(f.in.c_str(), f.out.c_str(), s);
  std::vector<uint8_t> expected = decode(font, s);
  ASSERT_FALSE(expected.empty());
  EXPECT_EQ(read_bytes(f.out), expected);
}

TEST(GlyphFiles, DirectSamplingLosesSamplesAboveTheGrid) {
  files f;
  write_bytes(f.in, {1, 1, 0x08, 1, 2, 0x08, 0x08});
  render_cell_glyph_file(f.in.c_str(), f.out.c_str(), make_glyph_style(6.0f, 6.0f));
  std::vector<uint8_t> out = read_bytes(f.out);
  ASSERT_EQ(out.size(), 2u + 36 + 2 + 72);
  EXPECT_EQ(out[0], 6);
  EXPECT_EQ(out[1], 6);
  const uint8_t top[6] = {255, 20, 37, 37, 20, 255}, rest[6] = {255, 20, 39, 39, 21, 255};
  for (int r = 0; r < 6; r++)
    for (int k = 0; k < 6; k++) EXPECT_EQ(out[2 + r * 6 + k], r == 0 ? top[k] : rest[k]) << r << "," << k;
  // In a two-cell column the samples crossing the inner border land in the
  // neighbouring bar, so only the grid's top row loses ink.
  const uint8_t* second = &out[2 + 36 + 2];
  for (int r = 1; r < 12; r++)
    for (int k = 0; k < 6; k++) EXPECT_EQ(second[r * 6 + k], rest[k]) << r << "," << k;
}

TEST(GlyphFiles, DirectSamplingFramesLikeTheDecoder) {
  files f;
  glyph_style s = make_glyph_style(6.0f, 6.0f);
  std::vector<uint8_t> font(builtin_font_cells, builtin_font_cells + BUILTIN_FONT_CELLS_LENGTH);
  write_bytes(f.in, font);
  render_cell_glyph_file(f.in.c_str(), f.out.c_str(), s);
  std::vector<uint8_t> direct = read_bytes(f.out);
  std::vector<uint8_t> tiled = decode(font, s);
  EXPECT_EQ(direct.size(), tiled.size());
  EXPECT_EQ(sizes(direct), sizes(tiled));
  EXPECT_EQ(sizes(direct).size(), 128u);

  // Empty input, empty output.
  write_bytes(f.in, {});
  render_cell_glyph_file(f.in.c_str(), f.out.c_str(), s);
  EXPECT_TRUE(read_bytes(f.out).empty());
  convert_cell_glyph_file(f.in.c_str(), f.out.c_str(), s);
  EXPECT_TRUE(read_bytes(f.out).empty());
  // Also at a cell size too large for data: decode_cell_glyphs gives the empty
  // set there, and so do both converters (each replacing a non-empty output).
  glyph_style huge = make_glyph_style(300.0f, 300.0f);
  uint32_t decoded_length = 1;
  uint8_t* decoded = decode_cell_glyphs(nullptr, 0, huge, &decoded_length);
  ASSERT_NE(decoded, nullptr);
  free(decoded);
  for (auto convert : {convert_cell_glyph_file, render_cell_glyph_file}) {
    write_bytes(f.out, {9, 9});
    convert(f.in.c_str(), f.out.c_str(), huge);
    EXPECT_TRUE(read_bytes(f.out).empty());
  }

  // More than 512 entries: 512 written.
  std::vector<uint8_t> many;
  for (int i = 0; i < 520; i++) many.insert(many.end(), {1, 1, 0x20});
  write_bytes(f.in, many);
  render_cell_glyph_file(f.in.c_str(), f.out.c_str(), s);
  EXPECT_EQ(sizes(read_bytes(f.out)).size(), 512u);

  // A trailing header, a truncated final entry, an oversized entry and a code
  // of 64 or more: the same framing and sizes as the decoder.
  std::vector<std::vector<uint8_t>> inputs = {
      {1, 1, 0x08, 0, 2}, {1, 1, 0x08, 2, 2, 0x08, 0x08, 0x08}, {1, 1, 0x08, 9}, {1, 1, 0x40, 1, 1, 0x08}};
  std::vector<uint8_t> oversized = {60, 1};
  oversized.insert(oversized.end(), 60, 0x08);
  oversized.insert(oversized.end(), {1, 1, 0x20});
  inputs.push_back(oversized);
  for (const std::vector<uint8_t>& input : inputs) {
    write_bytes(f.in, input);
    render_cell_glyph_file(f.in.c_str(), f.out.c_str(), s);
    std::vector<uint8_t> rendered = read_bytes(f.out);
    EXPECT_EQ(sizes(rendered), sizes(decode(input, s)));
    if (input[2] == 0x40) {
      // Wholly inside a cell whose shape number is above 7: every sample adds 2.
      EXPECT_EQ(rendered[2 + 3 * 6 + 3], 63);
    }
  }
}

TEST(GlyphFiles, BothConvertersFollowTheRuleAtAnySampleCount) {
  files f;
  write_bytes(f.in, {1, 1, 0x08});
  glyph_style s = make_glyph_style(6.0f, 6.0f);
  s.samples = 20;
  // Row 3 of a vertical bar, every sample inside the cell: the pixel value of
  // the hits among the 400 samples of each column.
  std::vector<uint8_t> row;
  for (int k = 0; k < 6; k++) {
    int hits = 0;
    for (int a = 0; a < 20; a++)
      for (int b = 0; b < 20; b++) {
        volatile float x = cell_sample_x(k, a, b, 20) / 6.0f;
        hits += fabs((double)x - 0.5) < (double)0.2f;
      }
    row.push_back(hits == 0 ? 255 : (uint8_t)(floor(23.9 * hits / 400.0) + 16));
  }
  convert_cell_glyph_file(f.in.c_str(), f.out.c_str(), s);
  std::vector<uint8_t> tiled = read_bytes(f.out);
  render_cell_glyph_file(f.in.c_str(), f.out.c_str(), s);
  std::vector<uint8_t> direct = read_bytes(f.out);
  ASSERT_EQ(tiled.size(), 2u + 36);
  ASSERT_EQ(direct.size(), 2u + 36);
  EXPECT_EQ(std::vector<uint8_t>(tiled.begin() + 2 + 18, tiled.begin() + 2 + 24), row);
  EXPECT_EQ(std::vector<uint8_t>(direct.begin() + 2 + 18, direct.begin() + 2 + 24), row);

  // Too many samples for precomputed tables: a bar two cells high at 1-pixel
  // cells; the lower pixel's samples stay inside the grid, so both agree.
  write_bytes(f.in, {1, 2, 0x08, 0x08});
  glyph_style dense = make_glyph_style(1.0f, 1.0f);
  dense.samples = 520;
  convert_cell_glyph_file(f.in.c_str(), f.out.c_str(), dense);
  tiled = read_bytes(f.out);
  render_cell_glyph_file(f.in.c_str(), f.out.c_str(), dense);
  direct = read_bytes(f.out);
  ASSERT_EQ(tiled.size(), 4u);
  ASSERT_EQ(direct.size(), 4u);
  EXPECT_EQ(direct[3], tiled[3]);
  EXPECT_EQ(tiled[2], tiled[3]);
}

TEST(GlyphFiles, MissingInputOrUnusableStyleWritesNothing) {
  files f;
  glyph_style s = make_glyph_style(6.0f, 6.0f);
  remove(f.in.c_str());
  write_bytes(f.out, {1, 2, 3});
  convert_cell_glyph_file(f.in.c_str(), f.out.c_str(), s);
  EXPECT_EQ(read_bytes(f.out), (std::vector<uint8_t>{1, 2, 3}));
  render_cell_glyph_file(f.in.c_str(), f.out.c_str(), s);
  EXPECT_EQ(read_bytes(f.out), (std::vector<uint8_t>{1, 2, 3}));

  write_bytes(f.in, {1, 1, 0x08});
  glyph_style zero = make_glyph_style(0.0f, 6.0f);
  convert_cell_glyph_file(f.in.c_str(), f.out.c_str(), zero);
  render_cell_glyph_file(f.in.c_str(), f.out.c_str(), zero);
  EXPECT_EQ(read_bytes(f.out), (std::vector<uint8_t>{1, 2, 3}));
  glyph_style too_many = make_glyph_style(6.0f, 6.0f);
  too_many.samples = GLYPH_MAX_SAMPLES + 1;  // n x n would not fit 32 bits
  convert_cell_glyph_file(f.in.c_str(), f.out.c_str(), too_many);
  render_cell_glyph_file(f.in.c_str(), f.out.c_str(), too_many);
  EXPECT_EQ(read_bytes(f.out), (std::vector<uint8_t>{1, 2, 3}));

  // An output that cannot be opened is skipped without harm.
  std::string dir_out = temp_path("no_such_dir") + "/out";
  convert_cell_glyph_file(f.in.c_str(), dir_out.c_str(), s);
  render_cell_glyph_file(f.in.c_str(), dir_out.c_str(), s);
  EXPECT_EQ(read_bytes(dir_out), (std::vector<uint8_t>{0xEE}));
}
