// The gallery's Greek font: the built-in cell glyph font extended with Greek
// letters at the codes the markup passes write. Letters that look like Latin
// ones reuse the built-in glyph; the others are drawn here in the same cell
// language (2 x 4 cells for most letters, 3 wide for the broad ones, a fifth
// row for descenders; the cap line runs through the centre of row 1, the
// x-height through row 2 and the baseline through row 4). Depends on
// glyphs/builtin_font.
#include "gallery/greek_font.h"

#include <stdlib.h>
#include <string.h>

#include "glyphs/builtin_font.h"

namespace {

// One Greek glyph: either a built-in glyph reused (latin != 0) or its own
// cells, row by row from the top.
struct greek_glyph {
  char latin;
  uint8_t cols;
  uint8_t rows;
  uint8_t cells[15];
};

// Codes 256 + i, in the order of the markup passes' name table: 24 lower-case
// letters, their 24 capitals, then vardelta, varzeta, vartheta, varphi and
// varomega.
// clang-format off
const greek_glyph GREEK_GLYPHS[GREEK_CODE_COUNT] = {
    {0, 2, 4, {0x00, 0x00, 0x13, 0x18, 0x08, 0x08, 0x11, 0x1a}},                    // alpha
    {0, 2, 5, {0x13, 0x12, 0x1c, 0x3e, 0x08, 0x08, 0x1c, 0x10, 0x2a, 0x00}},        // beta
    {0, 3, 5, {0x00, 0x00, 0x00, 0x28, 0x00, 0x28, 0x11, 0x18, 0x10,
               0x00, 0x08, 0x00, 0x00, 0x2a, 0x00}},                                 // gamma
    {0, 2, 4, {0x13, 0x2e, 0x11, 0x12, 0x13, 0x3e, 0x11, 0x10}},                    // delta
    {0, 2, 4, {0x00, 0x00, 0x13, 0x2e, 0x1c, 0x2e, 0x11, 0x2e}},                    // epsilon
    {0, 2, 5, {0x2c, 0x12, 0x13, 0x10, 0x08, 0x00, 0x11, 0x12, 0x00, 0x2a}},        // zeta
    {0, 2, 5, {0x00, 0x00, 0x33, 0x12, 0x08, 0x08, 0x2a, 0x08, 0x00, 0x2a}},        // eta
    {0, 2, 4, {0x13, 0x12, 0x08, 0x08, 0x1c, 0x1e, 0x11, 0x10}},                    // theta
    {0, 1, 4, {0x00, 0x28, 0x08, 0x11}},                                            // iota
    {0, 2, 4, {0x00, 0x00, 0x28, 0x13, 0x1c, 0x3e, 0x2a, 0x11}},                    // kappa
    {0, 2, 4, {0x2c, 0x12, 0x00, 0x08, 0x13, 0x3e, 0x2a, 0x2a}},                    // lambda
    {0, 2, 5, {0x00, 0x00, 0x28, 0x28, 0x08, 0x08, 0x1c, 0x1a, 0x2a, 0x00}},        // mu
    {'v', 0, 0, {0}},                                                               // nu
    {0, 2, 5, {0x13, 0x2e, 0x1c, 0x2e, 0x08, 0x00, 0x11, 0x12, 0x00, 0x2a}},        // xi
    {'o', 0, 0, {0}},                                                               // omicron
    {0, 2, 4, {0x00, 0x00, 0x18, 0x18, 0x08, 0x08, 0x2a, 0x11}},                    // pi
    {0, 2, 5, {0x00, 0x00, 0x13, 0x12, 0x08, 0x08, 0x1c, 0x10, 0x2a, 0x00}},        // rho
    {0, 3, 4, {0x00, 0x00, 0x00, 0x13, 0x18, 0x2e, 0x08, 0x08, 0x00,
               0x11, 0x10, 0x00}},                                                   // sigma
    {0, 3, 4, {0x00, 0x00, 0x00, 0x2c, 0x18, 0x2e, 0x00, 0x08, 0x00,
               0x00, 0x11, 0x00}},                                                   // tau
    {0, 2, 4, {0x00, 0x00, 0x28, 0x28, 0x08, 0x08, 0x11, 0x10}},                    // upsilon
    {0, 3, 5, {0x00, 0x28, 0x00, 0x13, 0x1a, 0x12, 0x08, 0x00, 0x08,
               0x11, 0x18, 0x10, 0x00, 0x2a, 0x00}},                                 // phi
    {'x', 0, 0, {0}},                                                               // chi
    {0, 3, 5, {0x00, 0x28, 0x00, 0x28, 0x08, 0x28, 0x08, 0x08, 0x08,
               0x11, 0x08, 0x10, 0x00, 0x2a, 0x00}},                                 // psi
    {0, 3, 4, {0x00, 0x00, 0x00, 0x28, 0x00, 0x28, 0x08, 0x28, 0x08,
               0x11, 0x3a, 0x10}},                                                   // omega
    {'A', 0, 0, {0}},                                                               // Alpha
    {'B', 0, 0, {0}},                                                               // Beta
    {0, 2, 4, {0x33, 0x2e, 0x08, 0x00, 0x08, 0x00, 0x2a, 0x00}},                    // Gamma
    {0, 2, 4, {0x13, 0x12, 0x08, 0x08, 0x08, 0x08, 0x31, 0x30}},                    // Delta
    {'E', 0, 0, {0}},                                                               // Epsilon
    {'Z', 0, 0, {0}},                                                               // Zeta
    {'H', 0, 0, {0}},                                                               // Eta
    {0, 3, 4, {0x13, 0x0c, 0x12, 0x08, 0x00, 0x08, 0x1c, 0x0c, 0x1e,
               0x11, 0x0c, 0x10}},                                                   // Theta
    {'I', 0, 0, {0}},                                                               // Iota
    {'K', 0, 0, {0}},                                                               // Kappa
    {0, 2, 4, {0x13, 0x12, 0x08, 0x08, 0x08, 0x08, 0x2a, 0x2a}},                    // Lambda
    {'M', 0, 0, {0}},                                                               // Mu
    {'N', 0, 0, {0}},                                                               // Nu
    {0, 2, 4, {0x0c, 0x0c, 0x2c, 0x2e, 0x00, 0x00, 0x0c, 0x0c}},                    // Xi
    {'O', 0, 0, {0}},                                                               // Omicron
    {0, 2, 4, {0x33, 0x32, 0x08, 0x08, 0x08, 0x08, 0x2a, 0x2a}},                    // Pi
    {'P', 0, 0, {0}},                                                               // Rho
    {0, 2, 4, {0x33, 0x2e, 0x11, 0x12, 0x13, 0x10, 0x31, 0x2e}},                    // Sigma
    {'T', 0, 0, {0}},                                                               // Tau
    {'Y', 0, 0, {0}},                                                               // Upsilon
    {0, 3, 4, {0x00, 0x28, 0x00, 0x13, 0x1a, 0x12, 0x11, 0x18, 0x10,
               0x00, 0x2a, 0x00}},                                                   // Phi
    {'X', 0, 0, {0}},                                                               // Chi
    {0, 3, 4, {0x28, 0x28, 0x28, 0x08, 0x08, 0x08, 0x11, 0x08, 0x10,
               0x00, 0x2a, 0x00}},                                                   // Psi
    {0, 3, 4, {0x13, 0x0c, 0x12, 0x08, 0x00, 0x08, 0x08, 0x00, 0x08,
               0x30, 0x00, 0x31}},                                                   // Omega
    {0, 2, 4, {0x00, 0x13, 0x00, 0x08, 0x13, 0x1e, 0x11, 0x10}},                    // vardelta
    {0, 2, 5, {0x0c, 0x12, 0x13, 0x10, 0x08, 0x00, 0x11, 0x12, 0x00, 0x2a}},        // varzeta
    {0, 2, 4, {0x13, 0x12, 0x00, 0x08, 0x2c, 0x1e, 0x11, 0x10}},                    // vartheta
    {0, 3, 5, {0x00, 0x00, 0x00, 0x28, 0x13, 0x12, 0x08, 0x08, 0x08,
               0x11, 0x08, 0x10, 0x00, 0x2a, 0x00}},                                 // varphi
    {0, 3, 4, {0x00, 0x00, 0x00, 0x18, 0x0c, 0x18, 0x08, 0x28, 0x08,
               0x11, 0x3a, 0x10}},                                                   // varomega
};
// clang-format on

}  // namespace

int64_t cell_entry_offset(const uint8_t* data, uint32_t length, int32_t code) {
  if (!data || code < 0) return -1;
  uint64_t offset = 0;
  for (int32_t i = 0;; i++) {
    if (offset + 2 > length) return -1;
    uint64_t size = 2 + (uint64_t)data[offset] * data[offset + 1];
    if (offset + size > length) return -1;
    if (i == code) return (int64_t)offset;
    offset += size;
  }
}

uint8_t* make_greek_font_cells(uint32_t* length_out) {
  *length_out = 0;
  // The built-in entries, one empty entry per unused code, then the Greek ones.
  uint64_t total = BUILTIN_FONT_CELLS_LENGTH + 2 * (uint64_t)(GREEK_FIRST_CODE - 128);
  for (const greek_glyph& g : GREEK_GLYPHS) {
    if (g.latin) {
      int64_t at = cell_entry_offset(builtin_font_cells, BUILTIN_FONT_CELLS_LENGTH, (unsigned char)g.latin);
      total += 2 + (uint64_t)builtin_font_cells[at] * builtin_font_cells[at + 1];
    } else {
      total += 2 + (uint64_t)g.cols * g.rows;
    }
  }
  uint8_t* data = (uint8_t*)malloc((size_t)total);
  if (!data) return nullptr;
  uint8_t* p = data;
  memcpy(p, builtin_font_cells, BUILTIN_FONT_CELLS_LENGTH);
  p += BUILTIN_FONT_CELLS_LENGTH;
  for (int32_t code = 128; code < GREEK_FIRST_CODE; code++) {
    *p++ = 0;
    *p++ = 0;
  }
  for (const greek_glyph& g : GREEK_GLYPHS) {
    if (g.latin) {
      int64_t at = cell_entry_offset(builtin_font_cells, BUILTIN_FONT_CELLS_LENGTH, (unsigned char)g.latin);
      size_t size = 2 + (size_t)builtin_font_cells[at] * builtin_font_cells[at + 1];
      memcpy(p, builtin_font_cells + at, size);
      p += size;
    } else {
      *p++ = g.cols;
      *p++ = g.rows;
      memcpy(p, g.cells, (size_t)g.cols * g.rows);
      p += (size_t)g.cols * g.rows;
    }
  }
  *length_out = (uint32_t)total;
  return data;
}
