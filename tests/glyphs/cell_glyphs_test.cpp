// Cell glyph rasteriser: exact tile values at the program's cell size, the
// fast tile renderer against the plain per-sample shape test, ring
// orientation, transposition, sample counts, fractional cell sizes, the
// decoder's framing (trailing header, 0-column entries, the 512-entry limit)
// and its handling of bad input (truncation, codes of 64 and above, oversized
// grids, unusable cell sizes, curves of 1 or more, sample counts beyond 16,
// empty sets at any cell size).
#include "glyphs/cell_glyphs.h"

#include <gtest/gtest.h>
#include <math.h>
#include <stdlib.h>

#include <vector>

namespace {

std::vector<uint8_t> tiles_of(glyph_style style, int count = CELL_CODE_COUNT) {
  uint8_t* tiles = render_cell_tiles((uint8_t)count, style);
  EXPECT_NE(tiles, nullptr);
  if (!tiles) return {};
  std::vector<uint8_t> out(tiles, tiles + (size_t)count * (int)style.cell_width * (int)style.cell_height);
  free(tiles);
  return out;
}

std::vector<uint8_t> tile(const std::vector<uint8_t>& tiles, int code, glyph_style style) {
  size_t size = (size_t)(int)style.cell_width * (int)style.cell_height;
  return std::vector<uint8_t>(tiles.begin() + code * size, tiles.begin() + (code + 1) * size);
}

std::vector<uint8_t> decode(const std::vector<uint8_t>& data, glyph_style style, uint8_t** raw = nullptr) {
  uint32_t length = 12345;
  uint8_t* out = decode_cell_glyphs(data.data(), (uint32_t)data.size(), style, &length);
  if (!out) {
    EXPECT_EQ(length, 0u);
    return {};
  }
  std::vector<uint8_t> result(out, out + length);
  if (raw)
    *raw = out;
  else
    free(out);
  return result;
}

struct entry {
  int width, height;
  std::vector<uint8_t> pixels;
};

std::vector<entry> entries(const std::vector<uint8_t>& set) {
  std::vector<entry> list;
  size_t pos = 0;
  while (pos < set.size()) {
    entry e;
    e.width = set[pos];
    e.height = set[pos + 1];
    size_t n = (size_t)e.width * e.height;
    e.pixels.assign(set.begin() + pos + 2, set.begin() + pos + 2 + n);
    pos += 2 + n;
    list.push_back(e);
  }
  EXPECT_EQ(pos, set.size()) << "entries overrun the set";
  return list;
}

// The pixel value as the rasteriser defines it, written out independently.
int expected_pixel(int sum, int n) { return sum == 0 ? 255 : (int)floor(23.9 * sum / n / n) + 16; }

// A tile computed the slow way: every sample through cell_shape_test.
std::vector<uint8_t> reference_tile(uint8_t code, glyph_style style) {
  int w = (int)style.cell_width, h = (int)style.cell_height, n = style.samples;
  std::vector<uint8_t> out;
  for (int r = 0; r < h; r++) {
    for (int k = 0; k < w; k++) {
      int sum = 0;
      for (int a = 0; a < n; a++) {
        for (int b = 0; b < n; b++) {
          volatile float x = cell_sample_x(k, a, b, n) / (float)w;
          volatile float y = cell_sample_y(r, a, b, n) / (float)h;
          sum += cell_shape_test(code, x, y, style);
        }
      }
      out.push_back((uint8_t)expected_pixel(sum, n));
    }
  }
  return out;
}

}  // namespace

TEST(CellGlyphs, StyleDefaults) {
  glyph_style s = make_glyph_style(6.0f, 7.5f);
  EXPECT_EQ(s.cell_width, 6.0f);
  EXPECT_EQ(s.cell_height, 7.5f);
  EXPECT_EQ(s.stroke_x, 0.2f);
  EXPECT_EQ(s.stroke_y, 0.2f);
  EXPECT_EQ(s.curve_x, 0.0f);
  EXPECT_EQ(s.curve_y, 0.0f);
  EXPECT_EQ(s.dot_scale, 1.0f);
  EXPECT_EQ(s.samples, 10);
  EXPECT_EQ(s.reserved, 1);
}

TEST(CellGlyphs, VerticalBarTileAtSixPixels) {
  glyph_style s = make_glyph_style(6.0f, 6.0f);
  std::vector<uint8_t> tiles = tiles_of(s);
  ASSERT_EQ(tiles.size(), 64u * 36u);
  const uint8_t row[6] = {255, 20, 39, 39, 21, 255};
  for (int r = 0; r < 6; r++)
    for (int k = 0; k < 6; k++)
      EXPECT_EQ(tiles[0x08 * 36 + r * 6 + k], row[k]) << "row " << r << " col " << k;
  // The transposed bar is horizontal: stroke across rows 1..4, every column alike.
  for (int r = 0; r < 6; r++)
    for (int k = 0; k < 6; k++) EXPECT_EQ(tiles[0x0c * 36 + r * 6 + k] == 255, r == 0 || r == 5);
  // Code 0 is empty, at the default size too.
  for (int i = 0; i < 36; i++) EXPECT_EQ(tiles[i], 255);
  std::vector<uint8_t> five = tiles_of(make_glyph_style(5.0f, 5.0f));
  ASSERT_EQ(five.size(), 64u * 25u);
  for (int i = 0; i < 25; i++) EXPECT_EQ(five[i], 255);
}

// The tile renderer computes each axis's terms once; it must agree with the
// plain shape test for every code, including styles with unequal strokes and
// curves, degenerate radii and clamped curves.
TEST(CellGlyphs, TilesMatchPerSampleShapeTest) {
  std::vector<glyph_style> styles;
  styles.push_back(make_glyph_style(6.0f, 6.0f));
  glyph_style odd = make_glyph_style(7.0f, 5.0f);
  odd.stroke_x = 0.15f;
  odd.stroke_y = 0.27f;
  odd.curve_x = 0.3f;
  odd.curve_y = 0.65f;
  odd.dot_scale = 1.6f;
  odd.samples = 7;
  styles.push_back(odd);
  glyph_style square_arcs = make_glyph_style(9.0f, 4.0f);
  square_arcs.curve_x = 1.0f;
  square_arcs.curve_y = 3.0f;
  square_arcs.samples = 4;
  styles.push_back(square_arcs);
  glyph_style fat = make_glyph_style(3.0f, 3.0f);
  fat.stroke_x = 0.6f;   // inner radius below 0: rings without a hole
  fat.stroke_y = -0.7f;  // outer radius below 0: no horizontal ink
  fat.samples = 5;
  styles.push_back(fat);
  for (size_t i = 0; i < styles.size(); i++) {
    std::vector<uint8_t> tiles = tiles_of(styles[i]);
    for (int code = 0; code < 64; code++)
      EXPECT_EQ(tile(tiles, code, styles[i]), reference_tile((uint8_t)code, styles[i]))
          << "style " << i << " code " << code;
  }
}

TEST(CellGlyphs, RingsTurnIntoEachCorner) {
  glyph_style s = make_glyph_style(6.0f, 6.0f);
  std::vector<uint8_t> tiles = tiles_of(s);
  // Corner each code's ring is centred on: 0x10 top-left, 0x11 top-right,
  // 0x12 bottom-left, 0x13 bottom-right.
  const int corner_x[4] = {0, 1, 0, 1}, corner_y[4] = {0, 0, 1, 1};
  // The rotated sampling grid is not symmetric (and its y offsets reach above
  // each pixel), so mirrored tiles agree only to a few grey levels; an empty
  // pixel counts as coverage 15 here.
  auto level = [](uint8_t v) { return v == 255 ? 15 : (int)v; };
  std::vector<uint8_t> base = tile(tiles, 0x10, s);
  for (int i = 0; i < 4; i++) {
    std::vector<uint8_t> t = tile(tiles, 0x10 + i, s);
    for (int r = 0; r < 6; r++) {
      for (int k = 0; k < 6; k++) {
        // Pixel of 0x10 that this pixel mirrors.
        int br = corner_y[i] ? 5 - r : r, bk = corner_x[i] ? 5 - k : k;
        EXPECT_NEAR(level(t[r * 6 + k]), level(base[br * 6 + bk]), 6)
            << "code " << 0x10 + i << " r " << r << " k " << k;
      }
    }
    // Near the centre corner: inside the hole; half a cell away along the
    // diagonal: on the ring; the opposite corner: outside.
    auto at = [&](int r, int k) { return t[(corner_y[i] ? 5 - r : r) * 6 + (corner_x[i] ? 5 - k : k)]; };
    EXPECT_EQ(at(0, 0), 255);
    EXPECT_EQ(at(2, 2), 39);
    EXPECT_EQ(at(5, 5), 255);
  }
  // Mirroring acts exactly on the shape test.
  for (int i = 0; i <= 16; i++)
    for (int j = 0; j <= 16; j++) {
      float x = i / 16.0f, y = j / 16.0f;
      EXPECT_EQ(cell_shape_test(0x11, x, y, s), cell_shape_test(0x10, 1 - x, y, s));
      EXPECT_EQ(cell_shape_test(0x12, x, y, s), cell_shape_test(0x10, x, 1 - y, s));
      EXPECT_EQ(cell_shape_test(0x13, x, y, s), cell_shape_test(0x10, 1 - x, 1 - y, s));
    }
}

TEST(CellGlyphs, TransposedArcEqualsArcForSymmetricStyles) {
  glyph_style styles[3] = {make_glyph_style(6.0f, 6.0f), make_glyph_style(11.0f, 11.0f),
                           make_glyph_style(7.0f, 7.0f)};
  styles[1].stroke_x = styles[1].stroke_y = 0.13f;
  styles[1].curve_x = styles[1].curve_y = 0.4f;
  styles[2].samples = 3;
  for (const glyph_style& s : styles) {
    std::vector<uint8_t> tiles = tiles_of(s);
    EXPECT_EQ(tile(tiles, 0x14, s), tile(tiles, 0x10, s));
    EXPECT_NE(tile(tiles, 0x10, s), tile(tiles, 0x11, s));
  }
}

TEST(CellGlyphs, ShapeCatalogueSpotChecks) {
  glyph_style s = make_glyph_style(6.0f, 6.0f);
  EXPECT_EQ(cell_shape_test(0x00, 0.5f, 0.5f, s), 0);
  EXPECT_EQ(cell_shape_test(0x08, 0.5f, 0.0f, s), 1);
  EXPECT_EQ(cell_shape_test(0x18, 0.5f, 0.9f, s), 1);  // tee stem goes down
  EXPECT_EQ(cell_shape_test(0x18, 0.5f, 0.1f, s), 0);
  EXPECT_EQ(cell_shape_test(0x20, 0.5f, 0.5f, s), 1);
  EXPECT_EQ(cell_shape_test(0x20, 0.5f, 0.75f, s), 0);
  EXPECT_EQ(cell_shape_test(0x28, 0.5f, 0.35f, s), 1);  // stub reaches past the centre
  EXPECT_EQ(cell_shape_test(0x28, 0.5f, 0.25f, s), 0);
  EXPECT_EQ(cell_shape_test(0x2c, 0.9f, 0.5f, s), 1);  // centre to the right edge
  EXPECT_EQ(cell_shape_test(0x2e, 0.1f, 0.5f, s), 1);  // left edge to the centre
  EXPECT_EQ(cell_shape_test(0x2e, 0.9f, 0.5f, s), 0);
  EXPECT_EQ(cell_shape_test(0x30, 0.5f, 0.1f, s), 1);  // corner joins top and left
  EXPECT_EQ(cell_shape_test(0x30, 0.1f, 0.5f, s), 1);
  EXPECT_EQ(cell_shape_test(0x30, 0.9f, 0.9f, s), 0);
  EXPECT_EQ(cell_shape_test(0x38, 0.5f, 0.95f, s), 1);  // double arc meets at the bottom middle
  EXPECT_EQ(cell_shape_test(0x38, 0.02f, 0.5f, s), 1);
  EXPECT_EQ(cell_shape_test(0x38, 0.5f, 0.3f, s), 0);
  EXPECT_EQ(cell_shape_test(64, 0.5f, 0.5f, s), 2);
  EXPECT_EQ(cell_shape_test(255, -3.0f, 9.0f, s), 2);
  EXPECT_EQ(square(-3.0), 9.0);
}

TEST(CellGlyphs, SampleCounts) {
  std::vector<uint8_t> glyph = {2, 2, 0x13, 0x12, 0x11, 0x10};
  glyph_style none = make_glyph_style(6.0f, 6.0f);
  none.samples = 0;
  std::vector<uint8_t> out = decode(glyph, none);
  ASSERT_EQ(out.size(), 2u + 144u);
  for (size_t i = 2; i < out.size(); i++) EXPECT_EQ(out[i], 255);
  none.samples = -5;
  EXPECT_EQ(decode(glyph, none), out);
  // Counts above 16 follow the sampling rule like any other (17 and 20
  // change pixels of the 6 x 6 tiles compared with 16).
  for (int n : {16, 17, 20}) {
    glyph_style s = make_glyph_style(6.0f, 6.0f);
    s.samples = n;
    std::vector<uint8_t> tiles = tiles_of(s);
    for (int code = 0; code < 64; code++)
      EXPECT_EQ(tile(tiles, code, s), reference_tile((uint8_t)code, s)) << n << " samples, code " << code;
  }
  // Counts too many for the precomputed sample tables still follow the rule.
  glyph_style dense = make_glyph_style(1.0f, 2.0f);
  dense.samples = 520;
  std::vector<uint8_t> dense_tiles = tiles_of(dense, 0x11);
  for (int code : {0x08, 0x0c, 0x10})
    EXPECT_EQ(tile(dense_tiles, code, dense), reference_tile((uint8_t)code, dense)) << "code " << code;
  // Only counts whose n x n does not fit 32 bits are refused.
  glyph_style most = make_glyph_style(6.0f, 6.0f), beyond = most;
  most.samples = GLYPH_MAX_SAMPLES;
  beyond.samples = GLYPH_MAX_SAMPLES + 1;
  EXPECT_EQ(GLYPH_MAX_SAMPLES, 46340);
  EXPECT_TRUE(glyph_style_usable(most));
  EXPECT_FALSE(glyph_style_usable(beyond));
  EXPECT_EQ(render_cell_tiles(64, beyond), nullptr);
  EXPECT_TRUE(decode(glyph, beyond).empty());
  beyond.samples = 2000000000;
  EXPECT_TRUE(decode(glyph, beyond).empty());
}

TEST(CellGlyphs, FractionalCellSizeTruncatesForPixels) {
  std::vector<uint8_t> set = {2, 3, 0x13, 0x12, 0x08, 0x08, 0x11, 0x10, 1, 1, 0x20};
  uint8_t* raw = nullptr;
  std::vector<uint8_t> wide = decode(set, make_glyph_style(6.9f, 6.9f), &raw);
  EXPECT_EQ(wide, decode(set, make_glyph_style(6.0f, 6.0f)));
  EXPECT_EQ(wide.size(), 2u + 12 * 18 + 2u + 36);
  free(raw);
}

TEST(CellGlyphs, DecoderFraming) {
  glyph_style s = make_glyph_style(6.0f, 6.0f);
  // A trailing header of a 0-cell glyph is not decoded.
  std::vector<entry> e = entries(decode({1, 1, 0x08, 0, 3}, s));
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(e[0].width, 6);
  EXPECT_EQ(entries(decode({1, 1, 0x08, 0, 0}, s)).size(), 1u);
  // A 0-column entry inside the data keeps its slot: width 0, no pixels.
  e = entries(decode({0, 3, 1, 1, 0x08}, s));
  ASSERT_EQ(e.size(), 2u);
  EXPECT_EQ(e[0].width, 0);
  EXPECT_EQ(e[0].height, 18);
  EXPECT_TRUE(e[0].pixels.empty());
  EXPECT_EQ(e[1].width, 6);
  // Empty data: an empty result.
  EXPECT_TRUE(decode({}, s).empty());
  // Decoding stops after 512 glyphs.
  std::vector<uint8_t> many;
  for (int i = 0; i < 600; i++) many.insert(many.end(), {1, 1, (uint8_t)(i % 64)});
  std::vector<uint8_t> out = decode(many, s);
  EXPECT_EQ(out.size(), 512u * (2 + 36));
  EXPECT_EQ(entries(out).size(), 512u);
}

TEST(CellGlyphs, ExpandCopiesTiles) {
  glyph_style s = make_glyph_style(4.0f, 3.0f);
  std::vector<uint8_t> tiles = tiles_of(s);
  const uint8_t cells[6] = {0x13, 0x0c, 0x12, 0x08, 0x20, 0x08};
  int w = -1, h = -1;
  uint8_t* px = expand_cell_grid(cells, 3, 2, tiles.data(), s, &w, &h);
  ASSERT_NE(px, nullptr);
  ASSERT_EQ(w, 12);
  ASSERT_EQ(h, 6);
  for (int r = 0; r < h; r++)
    for (int k = 0; k < w; k++)
      EXPECT_EQ(px[r * w + k], tiles[cells[(r / 3) * 3 + k / 4] * 12 + (r % 3) * 4 + k % 4]);
  free(px);
  px = expand_cell_grid(cells, 0, 2, tiles.data(), s, nullptr, &h);
  ASSERT_NE(px, nullptr);
  EXPECT_EQ(h, 6);
  free(px);
}

TEST(CellGlyphsBadInput, TruncatedEntriesAreDropped) {
  glyph_style s = make_glyph_style(6.0f, 6.0f);
  std::vector<uint8_t> good = {1, 1, 0x08, 2, 1, 0x2c, 0x2e};
  std::vector<uint8_t> expected = decode(good, s);
  ASSERT_EQ(entries(expected).size(), 2u);
  // Cell codes running past the end, a lone byte, a header alone.
  std::vector<std::vector<uint8_t>> tails = {{3, 3, 0x08, 0x08}, {7}, {2, 2}, {255, 255, 0x08}};
  for (const std::vector<uint8_t>& tail : tails) {
    std::vector<uint8_t> data = good;
    data.insert(data.end(), tail.begin(), tail.end());
    // An exact-size heap copy lets the sanitizer see any read past the end.
    uint8_t* copy = (uint8_t*)malloc(data.size());
    std::copy(data.begin(), data.end(), copy);
    uint32_t length = 0;
    uint8_t* out = decode_cell_glyphs(copy, (uint32_t)data.size(), s, &length);
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(std::vector<uint8_t>(out, out + length), expected);
    free(out);
    free(copy);
  }
}

TEST(CellGlyphsBadInput, CodesOf64AndAboveDrawAsTheShapeTestSays) {
  glyph_style s = make_glyph_style(6.0f, 6.0f);
  std::vector<entry> e = entries(decode({2, 1, 0x40, 0xff, 1, 1, 0x08}, s));
  ASSERT_EQ(e.size(), 2u);
  ASSERT_EQ(e[0].pixels.size(), 72u);
  for (uint8_t p : e[0].pixels) EXPECT_EQ(p, 63);  // every sample counts 2
  EXPECT_EQ(e[1].pixels[1], 20);
  glyph_style none = s;
  none.samples = 0;
  std::vector<entry> blank = entries(decode({1, 1, 0x80}, none));
  ASSERT_EQ(blank.size(), 1u);
  for (uint8_t p : blank[0].pixels) EXPECT_EQ(p, 255);
}

TEST(CellGlyphsBadInput, OversizedGlyphKeepsItsSlotEmpty) {
  glyph_style s = make_glyph_style(6.0f, 6.0f);
  std::vector<uint8_t> data = {43, 1};  // 258 pixels wide
  data.insert(data.end(), 43, 0x08);
  data.insert(data.end(), {1, 50});  // 300 pixels high
  data.insert(data.end(), 50, 0x08);
  data.insert(data.end(), {42, 1});  // 252 pixels: the widest that fits
  data.insert(data.end(), 42, 0x0c);
  data.insert(data.end(), {1, 1, 0x20});
  std::vector<entry> e = entries(decode(data, s));
  ASSERT_EQ(e.size(), 4u);
  EXPECT_EQ(e[0].width, 0);
  EXPECT_EQ(e[0].height, 0);
  EXPECT_EQ(e[1].width, 0);
  EXPECT_EQ(e[2].width, 252);
  EXPECT_EQ(e[2].height, 6);
  EXPECT_EQ(e[3].width, 6);  // the glyph after keeps its code
  std::vector<uint8_t> tiles = tiles_of(s);
  EXPECT_EQ(expand_cell_grid(&data[2], 43, 1, tiles.data(), s, nullptr, nullptr), nullptr);
  EXPECT_EQ(expand_cell_grid(&data[2], -1, 1, tiles.data(), s, nullptr, nullptr), nullptr);
}

TEST(CellGlyphsBadInput, UnusableCellSizesAreRefused) {
  std::vector<uint8_t> data = {1, 1, 0x08};
  const float sizes[] = {0.0f, 0.99f, -6.0f, 256.0f, 1e30f, NAN, INFINITY};
  for (float size : sizes) {
    glyph_style w = make_glyph_style(size, 6.0f), h = make_glyph_style(6.0f, size);
    EXPECT_FALSE(glyph_style_usable(w)) << size;
    EXPECT_TRUE(decode(data, w).empty()) << size;
    EXPECT_TRUE(decode(data, h).empty()) << size;
    EXPECT_EQ(render_cell_tiles(64, w), nullptr);
  }
  EXPECT_TRUE(glyph_style_usable(make_glyph_style(1.0f, 255.9f)));
  EXPECT_EQ(entries(decode(data, make_glyph_style(1.0f, 1.0f)))[0].pixels.size(), 1u);

  // An empty set has nothing to rasterise: it decodes to an empty result at
  // every cell size of 1 or more, and is refused only below 1.
  const float any_size[] = {1.0f, 255.0f, 256.0f, 4096.0f, 1e30f, INFINITY};
  for (float size : any_size) {
    uint32_t length = 99;
    uint8_t* out = decode_cell_glyphs(data.data(), 0, make_glyph_style(size, size), &length);
    EXPECT_NE(out, nullptr) << size;
    EXPECT_EQ(length, 0u) << size;
    free(out);
  }
  uint32_t length = 99;
  EXPECT_EQ(decode_cell_glyphs(data.data(), 0, make_glyph_style(0.5f, 6.0f), &length), nullptr);
  EXPECT_EQ(decode_cell_glyphs(data.data(), 0, make_glyph_style(6.0f, NAN), &length), nullptr);
  EXPECT_EQ(length, 0u);
}

TEST(CellGlyphsBadInput, CurvesOfOneOrMoreAreSquareArcs) {
  std::vector<uint8_t> ring = {2, 2, 0x13, 0x12, 0x11, 0x10};
  glyph_style one = make_glyph_style(8.0f, 8.0f), more = one, round = one, corner = one;
  one.curve_x = one.curve_y = 1.0f;
  more.curve_x = 7.0f;
  more.curve_y = NAN;
  std::vector<uint8_t> square_ring = decode(ring, one);
  ASSERT_EQ(square_ring.size(), 2u + 256u);
  EXPECT_EQ(decode(ring, more), square_ring);
  EXPECT_NE(square_ring, decode(ring, round));
  // At the limit the ring is the square corner frame, up to samples that sit
  // exactly on the corner's edges.
  std::vector<uint8_t> frame = decode({2, 2, 0x33, 0x32, 0x31, 0x30}, corner);
  int differ = 0;
  for (size_t i = 2; i < frame.size(); i++) differ += abs(frame[i] - square_ring[i]) > 2;
  EXPECT_LE(differ, 8);
}

TEST(CellGlyphsBadInput, CheckerReportsTheFirstProblem) {
  glyph_style s = make_glyph_style(6.0f, 6.0f);
  struct {
    std::vector<uint8_t> data;
    cell_glyph_problem problem;
    int entry;
  } cases[] = {
      {{1, 1, 0x08, 1, 1, 0x20}, CELL_GLYPHS_OK, -1},
      {{}, CELL_GLYPHS_OK, -1},
      {{1, 1, 0x08, 0, 2}, CELL_GLYPHS_DANGLING_HEADER, 1},
      {{1, 1, 0x08, 2, 2, 0x08}, CELL_GLYPHS_TRUNCATED, 1},
      {{1, 1, 0x08, 1}, CELL_GLYPHS_TRUNCATED, 1},
      {{1, 1, 0x08, 1, 1, 64}, CELL_GLYPHS_BAD_CODE, 1},
      {{1, 1, 0x08, 1, 43}, CELL_GLYPHS_TOO_LARGE, 1},
  };
  for (auto& c : cases) {
    if (c.problem == CELL_GLYPHS_TOO_LARGE) c.data.insert(c.data.end(), 43, 0x08);
    int entry = 99;
    EXPECT_EQ(check_cell_glyphs(c.data.data(), (uint32_t)c.data.size(), s, &entry), c.problem);
    EXPECT_EQ(entry, c.entry);
    EXPECT_STRNE(cell_glyph_problem_text(c.problem), "");
  }
  std::vector<uint8_t> many;
  for (int i = 0; i < 513; i++) many.insert(many.end(), {1, 1, 0});
  int entry = 0;
  EXPECT_EQ(check_cell_glyphs(many.data(), (uint32_t)many.size(), s, &entry), CELL_GLYPHS_TOO_MANY);
  EXPECT_EQ(entry, 512);
  EXPECT_EQ(check_cell_glyphs(many.data(), 512 * 3, s, &entry), CELL_GLYPHS_OK);
  EXPECT_EQ(check_cell_glyphs(many.data(), 3, make_glyph_style(0.5f, 6.0f), &entry), CELL_GLYPHS_BAD_STYLE);
}
