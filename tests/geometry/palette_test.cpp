// The fixed palette: the text-mode colours (with the dark-grey exception), the
// grey ramp, the colour cube, and the packed form's floor(255.9 * c) rounding.
#include "geometry/palette.h"

#include <gtest/gtest.h>
#include <stdlib.h>

namespace {

struct palette_arrays {
  float r[256], g[256], b[256];
};

palette_arrays built() {
  palette_arrays p;
  for (int i = 0; i < 256; i++) p.r[i] = p.g[i] = p.b[i] = -1.0f;
  build_palette_256(p.r, p.g, p.b);
  return p;
}

void expect_entry(const palette_arrays& p, int i, float r, float g, float b) {
  SCOPED_TRACE(i);
  EXPECT_FLOAT_EQ(p.r[i], r);
  EXPECT_FLOAT_EQ(p.g[i], g);
  EXPECT_FLOAT_EQ(p.b[i], b);
}

}  // namespace

TEST(Palette, TextModeColours) {
  palette_arrays p = built();
  expect_entry(p, 0, 0, 0, 0);
  expect_entry(p, 1, 0, 0, 0.5f);
  expect_entry(p, 2, 0, 0.5f, 0);
  expect_entry(p, 4, 0.5f, 0, 0);
  expect_entry(p, 6, 0.5f, 0.5f, 0);  // no brown special case
  expect_entry(p, 7, 0.5f, 0.5f, 0.5f);
  expect_entry(p, 8, 0.25f, 0.25f, 0.25f);  // darker than entry 7
  expect_entry(p, 9, 0, 0, 1);
  expect_entry(p, 12, 1, 0, 0);
  expect_entry(p, 14, 1, 1, 0);
  expect_entry(p, 15, 1, 1, 1);
}

TEST(Palette, GreyRampAndColourCube) {
  palette_arrays p = built();
  expect_entry(p, 16, 0, 0, 0);
  expect_entry(p, 17, 1.0f / 23.0f, 1.0f / 23.0f, 1.0f / 23.0f);
  expect_entry(p, 27, 11.0f / 23.0f, 11.0f / 23.0f, 11.0f / 23.0f);
  expect_entry(p, 39, 1, 1, 1);
  expect_entry(p, 40, 0, 0, 0);
  expect_entry(p, 41, 0.2f, 0, 0);
  expect_entry(p, 46, 0, 0.2f, 0);  // 40 + 6: green steps every six entries
  expect_entry(p, 76, 0, 0, 0.2f);  // 40 + 36: blue steps every 36
  expect_entry(p, 45, 1, 0, 0);
  expect_entry(p, 255, 1, 1, 1);
  // Every one of the 768 floats is written and lies in 0..1.
  for (int i = 0; i < 256; i++) {
    EXPECT_GE(p.r[i], 0.0f);
    EXPECT_LE(p.r[i], 1.0f);
    EXPECT_GE(p.g[i], 0.0f);
    EXPECT_LE(p.g[i], 1.0f);
    EXPECT_GE(p.b[i], 0.0f);
    EXPECT_LE(p.b[i], 1.0f);
  }
}

TEST(Palette, PackedEntries) {
  uint32_t* packed = make_palette_rgb();
  ASSERT_NE(packed, nullptr);
  EXPECT_EQ(packed[0], 0x000000u);
  EXPECT_EQ(packed[4], 0x7F0000u);  // 0.5 packs to 127, not 128
  EXPECT_EQ(packed[7], 0x7F7F7Fu);
  EXPECT_EQ(packed[8], 0x3F3F3Fu);  // 63
  EXPECT_EQ(packed[12], 0xFF0000u);
  EXPECT_EQ(packed[17], 0x0B0B0Bu);  // 11
  EXPECT_EQ(packed[27], 0x7A7A7Au);  // 122
  EXPECT_EQ(packed[41], 0x330000u);  // 51
  EXPECT_EQ(packed[76], 0x000033u);
  EXPECT_EQ(packed[255], 0xFFFFFFu);

  const unsigned greys[24] = {0,   11,  22,  33,  44,  55,  66,  77,  89,  100, 111, 122,
                              133, 144, 155, 166, 178, 189, 200, 211, 222, 233, 244, 255};
  for (int k = 0; k < 24; k++) {
    EXPECT_EQ(packed[16 + k], greys[k] * 0x010101u) << "grey entry " << 16 + k;
  }
  const unsigned levels[6] = {0, 51, 102, 153, 204, 255};
  for (int k = 0; k < 6; k++) {
    EXPECT_EQ(packed[40 + k], levels[k] << 16) << "cube red level " << k;
    EXPECT_EQ(packed[40 + 6 * k], levels[k] << 8) << "cube green level " << k;
    EXPECT_EQ(packed[40 + 36 * k], levels[k]) << "cube blue level " << k;
  }
  free(packed);
}
