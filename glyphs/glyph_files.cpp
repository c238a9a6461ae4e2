// Glyph-file converters (see glyph_files.h). Depends on glyphs/cell_glyphs,
// util/file_replace and util/helpers.
#include "glyphs/glyph_files.h"

#include <stdio.h>
#include <stdlib.h>

#include "util/file_replace.h"
#include "util/helpers.h"

// ---------------------------------------------------------------------------
// Conversion through the tile cache

void convert_cell_glyph_file(const char* in_path, const char* out_path, glyph_style style) {
  int32_t length = -1;
  char* data = read_file(in_path, &length);
  if (!data && length < 0) return;  // the input could not be opened
  // decode_cell_glyphs judges the style: an empty set is empty at any style it
  // accepts for one.
  uint32_t out_length = 0;
  uint8_t* decoded =
      decode_cell_glyphs((const uint8_t*)data, data ? (uint32_t)length : 0, style, &out_length);
  free(data);
  if (!decoded) return;
  file_replace_write(out_path, decoded, out_length, nullptr);
  free(decoded);
}

// ---------------------------------------------------------------------------
// Direct sampling

namespace {
// Where each sample of one axis lands: per (pixel, a, b), the cell index along
// the axis and the position inside that cell. Null tables when there would be
// too many samples to hold; they are then computed as they are needed.
struct axis_samples {
  int* cell;
  float* local;
  int tile, n, is_y;
};
}  // namespace

// Most samples per axis the tables hold (8 bytes each).
static const uint64_t SAMPLE_TABLE_SAMPLES = 1u << 20;

static float locate_sample(int k, int a, int b, int n, int tile, int is_y, int* cell) {
  float t = is_y ? cell_sample_y(k, a, b, n) : cell_sample_x(k, a, b, n);
  return cell_sample_local(t, tile, cell);
}

static int fill_axis_samples(axis_samples* s, int pixels, int tile, int n, int is_y) {
  s->cell = nullptr;
  s->local = nullptr;
  s->tile = tile;
  s->n = n;
  s->is_y = is_y;
  if ((uint64_t)pixels * n * n > SAMPLE_TABLE_SAMPLES) return 1;
  size_t count = (size_t)pixels * n * n + 1;
  s->cell = (int*)malloc(count * sizeof(int));
  s->local = (float*)malloc(count * sizeof(float));
  if (!s->cell || !s->local) return 0;
  for (int k = 0; k < pixels; k++) {
    for (int a = 0; a < n; a++) {
      for (int b = 0; b < n; b++) {
        size_t i = ((size_t)k * n + a) * n + b;
        s->local[i] = locate_sample(k, a, b, n, tile, is_y, &s->cell[i]);
      }
    }
  }
  return 1;
}

// Sample (a, b) of pixel k: its cell index through cell, its position inside.
static float axis_sample(const axis_samples* s, int k, int a, int b, int* cell) {
  if (!s->cell) return locate_sample(k, a, b, s->n, s->tile, s->is_y, cell);
  size_t i = ((size_t)k * s->n + a) * s->n + b;
  *cell = s->cell[i];
  return s->local[i];
}

static void free_axis_samples(axis_samples* s) {
  free(s->cell);
  free(s->local);
}

// Pixels of one glyph (cols x tile_w by rows x tile_h) sampled against the
// grid. Returns 0 when scratch memory runs out.
static int sample_glyph(const uint8_t* cells, int cols, int rows, glyph_style style, uint8_t* out) {
  int tile_w = (int)style.cell_width, tile_h = (int)style.cell_height;
  int n = glyph_style_samples(style);
  int width = cols * tile_w, height = rows * tile_h;
  axis_samples xs = {nullptr, nullptr, 0, 0, 0}, ys = {nullptr, nullptr, 0, 0, 0};
  int ok = fill_axis_samples(&xs, width, tile_w, n, 0) && fill_axis_samples(&ys, height, tile_h, n, 1);
  if (ok) {
    for (int r = 0; r < height; r++) {
      for (int k = 0; k < width; k++) {
        int64_t sum = 0;
        for (int a = 0; a < n; a++) {
          for (int b = 0; b < n; b++) {
            int col, row;
            float x = axis_sample(&xs, k, a, b, &col);
            float y = axis_sample(&ys, r, a, b, &row);
            if (col < 0 || col >= cols || row < 0 || row >= rows) continue;
            sum += cell_shape_test(cells[row * cols + col], x, y, style);
          }
        }
        out[(size_t)r * width + k] = glyph_pixel_value(sum, n);
      }
    }
  }
  free_axis_samples(&xs);
  free_axis_samples(&ys);
  return ok;
}

void render_cell_glyph_file(const char* in_path, const char* out_path, glyph_style style) {
  int32_t length = -1;
  char* data = read_file(in_path, &length);
  if (!data && length < 0) return;  // the input could not be opened
  const uint8_t* in = (const uint8_t*)data;
  size_t size = data ? (size_t)length : 0;
  // The same styles as decode_cell_glyphs: an empty set at any cell size of 1
  // or more, anything else only at a usable style.
  bool empty_ok = size == 0 && style.cell_width >= 1.0f && style.cell_height >= 1.0f;
  file_replace out;
  if ((!empty_ok && !glyph_style_usable(style)) || !file_replace_begin(&out, out_path, nullptr)) {
    free(data);
    return;
  }
  int tile_w = (int)style.cell_width, tile_h = (int)style.cell_height;
  uint8_t* pixels = (uint8_t*)malloc((size_t)GLYPH_MAX_SIZE * GLYPH_MAX_SIZE);
  bool ok = pixels != nullptr;
  size_t pos = 0;
  for (int count = 0; ok && count < MAX_GLYPHS; count++) {
    // An entry whose header ends the file is not rendered.
    if (size - pos < 3) break;
    int cols = in[pos], rows = in[pos + 1];
    pos += 2;
    size_t cell_count = (size_t)cols * rows;
    // A final entry whose cell codes run past the end is dropped.
    if (size - pos < cell_count) break;
    const uint8_t* cells = in + pos;
    pos += cell_count;
    int width = cols * tile_w, height = rows * tile_h;
    if (width > GLYPH_MAX_SIZE || height > GLYPH_MAX_SIZE) {
      // Too large for the one-byte fields: an empty glyph keeps the slot.
      const uint8_t empty[2] = {0, 0};
      ok = file_replace_put(&out, empty, 2);
      continue;
    }
    if (!sample_glyph(cells, cols, rows, style, pixels)) break;
    const uint8_t sizes[2] = {(uint8_t)width, (uint8_t)height};
    ok = file_replace_put(&out, sizes, 2) && file_replace_put(&out, pixels, (size_t)width * height);
  }
  free(pixels);
  free(data);
  if (ok) {
    file_replace_commit(&out, nullptr);
  } else {
    file_replace_abandon(&out);
  }
}
