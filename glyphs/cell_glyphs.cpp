// Cell glyph rasteriser (see cell_glyphs.h): the shape catalogue, the tile
// cache, grid expansion and the decoder from cell_glyph_set to
// glyph_bitmap_set. Depends on util/helpers (clamp_nonneg_double).
#include "glyphs/cell_glyphs.h"

#include <float.h>
#include <math.h>
#include <stdlib.h>
#include <string.h>

#include "util/helpers.h"

// ---------------------------------------------------------------------------
// Single precision

// Sample coordinates and arc terms are single-precision values. An x87 unit
// running with a 64-bit mantissa keeps float expressions in extended registers,
// so there every step goes through memory to be rounded as an SSE unit rounds
// it; elsewhere this is a plain float.
static inline float single(float v) {
#if (defined(__i386__) || defined(__x86_64__)) && !defined(__SSE_MATH__)
  volatile float stored = v;
  return stored;
#else
  return v;
#endif
}

float cell_sample_x(int k, int a, int b, int n) {
  float an = single((float)a / (float)n);
  float bn2 = single((float)b / (float)(n * n));
  return single(single((float)k + an) + bn2);
}

float cell_sample_y(int r, int a, int b, int n) {
  float bn = single((float)b / (float)n);
  float an2 = single((float)a / (float)(n * n));
  return single(single((float)r + bn) - an2);
}

float cell_sample_local(float t, int tile, int* cell_out) {
  float scaled = single(t / (float)tile);
  float cell = floorf(scaled);
  if (!(cell > -1e9f && cell < 1e9f)) {
    // Far outside any grid (or NaN): no cell index can hold it.
    *cell_out = -1;
    return 0.0f;
  }
  *cell_out = (int)cell;
  return single(scaled - cell);
}

// Each hit counts 1 and a shape above 7 counts 2, so sum <= 2 n² and the
// value stays within 16..63.
uint8_t glyph_pixel_value(int64_t sum, int n) {
  if (sum == 0) return GLYPH_PIXEL_EMPTY;
  return (uint8_t)(int)(floor(23.9 * (double)sum / n / n) + 16);
}

// ---------------------------------------------------------------------------
// Styles

glyph_style make_glyph_style(float cell_width, float cell_height) {
  glyph_style style;
  style.cell_width = cell_width;
  style.cell_height = cell_height;
  style.stroke_x = 0.2f;
  style.stroke_y = 0.2f;
  style.curve_x = 0.0f;
  style.curve_y = 0.0f;
  style.dot_scale = 1.0f;
  style.samples = 10;
  style.reserved = 1;
  return style;
}

// Written so that NaN fails both comparisons.
static int cell_size_usable(float size) { return size >= 1.0f && size < (float)(GLYPH_MAX_SIZE + 1); }

int glyph_style_usable(glyph_style style) {
  return cell_size_usable(style.cell_width) && cell_size_usable(style.cell_height) &&
         style.samples <= GLYPH_MAX_SAMPLES;
}

int glyph_style_samples(glyph_style style) { return style.samples < 0 ? 0 : style.samples; }

// ---------------------------------------------------------------------------
// Shape test

double square(double x) { return x * x; }

// The largest float below 1. Curves of 1 or more (and NaN) are taken as this,
// where the arc is a square corner to within a hair, so the arc norm never
// divides by zero.
static const double CURVE_LIMIT = 1.0 - 1.0 / 16777216.0;

// One axis of the arc norm: u = max(0, (p - r c) / ((1 - c) r)) rounded to
// single precision. An ellipse whose radius is 0 or less contains nothing.
static float arc_axis(float p, double r, float c) {
  double cc = c < CURVE_LIMIT ? c : CURVE_LIMIT;
  double den = (1.0 - cc) * r;
  if (!(den > 0)) return INFINITY;
  double u = clamp_nonneg_double((p - r * cc) / den);
  if (u > FLT_MAX) return INFINITY;
  return single((float)u);
}

static float arc_axis_sq(float p, double r, float c) {
  float u = arc_axis(p, r, c);
  return single(u * u);
}

static float arc_norm(float p, float q, double rx, double ry, float cx, float cy) {
  return single(arc_axis_sq(p, rx, cx) + arc_axis_sq(q, ry, cy));
}

static int on_bar(float t, float s) { return fabs((double)t - 0.5) < s; }

int cell_shape_test(uint8_t code, float x, float y, glyph_style style) {
  float sx = style.stroke_x, sy = style.stroke_y;
  float cx = style.curve_x, cy = style.curve_y;
  float d = style.dot_scale;
  if (code & CELL_TRANSPOSE) {
    float t = x;
    x = y;
    y = t;
    t = sx;
    sx = sy;
    sy = t;
    t = cx;
    cx = cy;
    cy = t;
  }
  if (code & CELL_MIRROR_X) x = single(1.0f - x);
  if (code & CELL_MIRROR_Y) y = single(1.0f - y);
  switch (code >> 3) {
    case SHAPE_EMPTY:
      return 0;
    case SHAPE_BAR:
      return on_bar(x, sx);
    case SHAPE_ARC:
      return arc_norm(x, y, 0.5 + sx, 0.5 + sy, cx, cy) <= 1 &&
             arc_norm(x, y, 0.5 - sx, 0.5 - sy, cx, cy) > 1;
    case SHAPE_TEE:
      return on_bar(y, sy) || (y > 0.5 && on_bar(x, sx));
    case SHAPE_DOT:
      return square(x - 0.5) + square(y - 0.5) < square(single(d * sx));
    case SHAPE_STUB:
      return on_bar(x, sx) && y > 0.5 - sy;
    case SHAPE_CORNER:
      return x < 0.5 + sx && y < 0.5 + sy && (x >= 0.5 - sx || y >= 0.5 - sy);
    case SHAPE_DOUBLE_ARC: {
      float fy = single(1.0f - y), fx = single(1.0f - x);
      float a_outer = arc_norm(x, fy, 0.5 + sx, 0.5 + sy, cx, cy);
      float b_outer = arc_norm(fx, fy, 0.5 + sx, 0.5 + sy, cx, cy);
      float a_inner = arc_norm(x, fy, 0.5 - sx, 0.5 - sy, cx, cy);
      float b_inner = arc_norm(fx, fy, 0.5 - sx, 0.5 - sy, cx, cy);
      return (a_outer <= 1 || b_outer <= 1) && a_inner > 1 && b_inner > 1;
    }
    default:
      return 2;
  }
}

// ---------------------------------------------------------------------------
// Tile rendering
//
// Every shape is a combination of terms that each depend on one coordinate.
// Whatever the code's flags, the coordinate a term reads is a sample x (with
// the x stroke and curve) or a sample y (with the y ones), mirrored or not; so
// four sets of terms, computed once per call, serve all 64 codes, and the
// samples of a pixel only combine two of them. The result is exactly that of
// calling cell_shape_test for every sample.

namespace {

// Per-sample terms of one axis (x or y, mirrored or not); index =
// (pixel * n + a) * n + b, so a pixel's n² samples are contiguous. "s" and
// "c" are the axis's stroke and curve.
struct axis_terms {
  uint8_t* bar;       // |t - 0.5| < s
  uint8_t* past;      // t > 0.5
  uint8_t* beyond;    // t > 0.5 - s
  uint8_t* before;    // t < 0.5 + s
  uint8_t* reached;   // t >= 0.5 - s
  double* centre;     // square(t - 0.5)
  float* outer;       // arc axis² of t, outer radius
  float* inner;       // arc axis² of t, inner radius
  float* outer_flip;  // arc axis² of 1 - t, outer radius
  float* inner_flip;  // arc axis² of 1 - t, inner radius
};

struct tile_job {
  int tile_w, tile_h, n;
  axis_terms terms[4];  // x, x mirrored, y, y mirrored
};

}  // namespace

// Most samples per axis the term tables hold (29 bytes each, four tables).
static const uint64_t TERM_TABLE_SAMPLES = 1u << 18;

static int alloc_axis_terms(axis_terms* t, int count) {
  size_t c = (size_t)count;
  t->bar = (uint8_t*)malloc(c * 5);
  t->centre = (double*)malloc(c * sizeof(double));
  t->outer = (float*)malloc(c * 4 * sizeof(float));
  if (!t->bar || !t->centre || !t->outer) return 0;
  t->past = t->bar + c;
  t->beyond = t->bar + 2 * c;
  t->before = t->bar + 3 * c;
  t->reached = t->bar + 4 * c;
  t->inner = t->outer + c;
  t->outer_flip = t->outer + 2 * c;
  t->inner_flip = t->outer + 3 * c;
  return 1;
}

static void free_axis_terms(axis_terms* t) {
  free(t->bar);
  free(t->centre);
  free(t->outer);
}

// Terms of the samples of one axis: pixels of tile size `tile`, sample
// coordinate from cell_sample_x or cell_sample_y, divided by the tile size.
static int fill_axis_terms(axis_terms* t, int tile, int n, int is_y, int mirror, float s, float c) {
  int count = tile * n * n;
  if (!alloc_axis_terms(t, count ? count : 1)) return 0;
  double outer_r = 0.5 + s, inner_r = 0.5 - s;
  int i = 0;
  for (int k = 0; k < tile; k++) {
    for (int a = 0; a < n; a++) {
      for (int b = 0; b < n; b++, i++) {
        float v = is_y ? cell_sample_y(k, a, b, n) : cell_sample_x(k, a, b, n);
        v = single(v / (float)tile);
        if (mirror) v = single(1.0f - v);
        float flip = single(1.0f - v);
        t->bar[i] = (uint8_t)on_bar(v, s);
        t->past[i] = v > 0.5;
        t->beyond[i] = v > 0.5 - s;
        t->before[i] = v < 0.5 + s;
        t->reached[i] = v >= 0.5 - s;
        t->centre[i] = square(v - 0.5);
        t->outer[i] = arc_axis_sq(v, outer_r, c);
        t->inner[i] = arc_axis_sq(v, inner_r, c);
        t->outer_flip[i] = arc_axis_sq(flip, outer_r, c);
        t->inner_flip[i] = arc_axis_sq(flip, inner_r, c);
      }
    }
  }
  return 1;
}

// Hits among the nn samples of one pixel; p and q are the two axes' terms
// offset to the pixel's first sample along each.
template <int shape>
static int count_hits(const axis_terms& p, int pi, const axis_terms& q, int qi, int nn, double dot_r2) {
  int sum = 0;
  for (int j = 0; j < nn; j++) {
    int a = pi + j, b = qi + j;
    int hit;
    if (shape == SHAPE_BAR) {
      hit = p.bar[a];
    } else if (shape == SHAPE_ARC) {
      int inside_outer = single(p.outer[a] + q.outer[b]) <= 1;
      int outside_inner = single(p.inner[a] + q.inner[b]) > 1;
      hit = inside_outer & outside_inner;
    } else if (shape == SHAPE_TEE) {
      hit = q.bar[b] | (q.past[b] & p.bar[a]);
    } else if (shape == SHAPE_DOT) {
      hit = p.centre[a] + q.centre[b] < dot_r2;
    } else if (shape == SHAPE_STUB) {
      hit = p.bar[a] & q.beyond[b];
    } else if (shape == SHAPE_CORNER) {
      hit = p.before[a] & q.before[b] & (p.reached[a] | q.reached[b]);
    } else {
      float qo = q.outer_flip[b], qn = q.inner_flip[b];
      int in_a = single(p.outer[a] + qo) <= 1, in_b = single(p.outer_flip[a] + qo) <= 1;
      int out_a = single(p.inner[a] + qn) > 1, out_b = single(p.inner_flip[a] + qn) > 1;
      hit = (in_a | in_b) & out_a & out_b;
    }
    sum += hit;
  }
  return sum;
}

template <int shape>
static void render_shape_tile(const tile_job& job, const axis_terms& p, const axis_terms& q, int transposed,
                              double dot_r2, uint8_t* tile) {
  int n = job.n, nn = n * n;
  for (int r = 0; r < job.tile_h; r++) {
    for (int k = 0; k < job.tile_w; k++) {
      if (shape == SHAPE_BAR && r > 0 && !transposed) {
        // A vertical bar depends on x alone: every row equals the first.
        tile[r * job.tile_w + k] = tile[k];
        continue;
      }
      int pi = (transposed ? r : k) * nn, qi = (transposed ? k : r) * nn;
      tile[r * job.tile_w + k] = glyph_pixel_value(count_hits<shape>(p, pi, q, qi, nn, dot_r2), n);
    }
  }
}

// The same tile the slow way, every sample through cell_shape_test: for
// sample counts whose term tables would take too much memory.
static void render_tile_by_samples(const tile_job& job, uint8_t code, glyph_style style, uint8_t* tile) {
  int n = job.n;
  for (int r = 0; r < job.tile_h; r++) {
    for (int k = 0; k < job.tile_w; k++) {
      int64_t sum = 0;
      for (int a = 0; a < n; a++) {
        for (int b = 0; b < n; b++) {
          float x = single(cell_sample_x(k, a, b, n) / (float)job.tile_w);
          float y = single(cell_sample_y(r, a, b, n) / (float)job.tile_h);
          sum += cell_shape_test(code, x, y, style);
        }
      }
      tile[r * job.tile_w + k] = glyph_pixel_value(sum, n);
    }
  }
}

static void render_one_tile(const tile_job& job, uint8_t code, glyph_style style, uint8_t* tile) {
  int tile_px = job.tile_w * job.tile_h;
  int shape = code >> 3;
  int n = job.n;
  if (shape == SHAPE_EMPTY || n == 0) {
    memset(tile, GLYPH_PIXEL_EMPTY, (size_t)tile_px);
    return;
  }
  if (shape > SHAPE_DOUBLE_ARC) {
    memset(tile, glyph_pixel_value(2 * (int64_t)n * n, n), (size_t)tile_px);
    return;
  }
  if (!job.terms[0].bar) {
    render_tile_by_samples(job, code, style, tile);
    return;
  }
  int transposed = (code & CELL_TRANSPOSE) != 0;
  int mirror_p = (code & CELL_MIRROR_X) != 0, mirror_q = (code & CELL_MIRROR_Y) != 0;
  // x terms are sets 0 and 1, y terms 2 and 3; transposition reads p from y.
  const axis_terms& p = job.terms[(transposed ? 2 : 0) + mirror_p];
  const axis_terms& q = job.terms[(transposed ? 0 : 2) + mirror_q];
  float sp = transposed ? style.stroke_y : style.stroke_x;
  double dot_r2 = square(single(style.dot_scale * sp));
  switch (shape) {
    case SHAPE_BAR:
      render_shape_tile<SHAPE_BAR>(job, p, q, transposed, dot_r2, tile);
      break;
    case SHAPE_ARC:
      render_shape_tile<SHAPE_ARC>(job, p, q, transposed, dot_r2, tile);
      break;
    case SHAPE_TEE:
      render_shape_tile<SHAPE_TEE>(job, p, q, transposed, dot_r2, tile);
      break;
    case SHAPE_DOT:
      render_shape_tile<SHAPE_DOT>(job, p, q, transposed, dot_r2, tile);
      break;
    case SHAPE_STUB:
      render_shape_tile<SHAPE_STUB>(job, p, q, transposed, dot_r2, tile);
      break;
    case SHAPE_CORNER:
      render_shape_tile<SHAPE_CORNER>(job, p, q, transposed, dot_r2, tile);
      break;
    default:
      render_shape_tile<SHAPE_DOUBLE_ARC>(job, p, q, transposed, dot_r2, tile);
      break;
  }
}

uint8_t* render_cell_tiles(uint8_t count, glyph_style style) {
  if (!glyph_style_usable(style)) return nullptr;
  tile_job job;
  job.tile_w = (int)style.cell_width;
  job.tile_h = (int)style.cell_height;
  job.n = glyph_style_samples(style);
  size_t tile_px = (size_t)job.tile_w * (size_t)job.tile_h;
  uint8_t* tiles = (uint8_t*)malloc(count ? count * tile_px : 1);
  if (!tiles) return nullptr;
  int ok = 1;
  // Term tables hold tile x n² samples per axis; beyond TERM_TABLE_SAMPLES
  // the tiles are rendered sample by sample instead (same result, no tables).
  uint64_t table_samples = (uint64_t)(job.tile_w > job.tile_h ? job.tile_w : job.tile_h) * job.n * job.n;
  int use_tables = table_samples <= TERM_TABLE_SAMPLES;
  for (int i = 0; i < 4; i++) {
    job.terms[i] = axis_terms();
    int is_y = i >= 2;
    ok = ok && (!use_tables || fill_axis_terms(&job.terms[i], is_y ? job.tile_h : job.tile_w, job.n, is_y,
                                               i & 1, is_y ? style.stroke_y : style.stroke_x,
                                               is_y ? style.curve_y : style.curve_x));
  }
  if (ok)
    for (int c = 0; c < count; c++) render_one_tile(job, (uint8_t)c, style, tiles + c * tile_px);
  for (int i = 0; i < 4; i++) free_axis_terms(&job.terms[i]);
  if (!ok) {
    free(tiles);
    return nullptr;
  }
  return tiles;
}

// ---------------------------------------------------------------------------
// Grid expansion and decoding

// Pixel size of a run of cells, or -1 when it exceeds the one-byte fields.
static int expanded_size(int cells, int tile) {
  int size = cells * tile;
  return size <= GLYPH_MAX_SIZE ? size : -1;
}

// Writes the pixels of a cols x rows grid into out (width x height bytes).
static void expand_into(const uint8_t* cells, int cols, int rows, const uint8_t* tiles, int tile_w,
                        int tile_h, uint8_t solid, uint8_t* out) {
  int width = cols * tile_w;
  size_t tile_px = (size_t)tile_w * (size_t)tile_h;
  for (int cr = 0; cr < rows; cr++) {
    for (int tr = 0; tr < tile_h; tr++) {
      uint8_t* row = out + (size_t)(cr * tile_h + tr) * width;
      for (int cc = 0; cc < cols; cc++) {
        uint8_t code = cells[cr * cols + cc];
        if (code < CELL_CODE_COUNT)
          memcpy(row + cc * tile_w, tiles + code * tile_px + tr * tile_w, (size_t)tile_w);
        else
          memset(row + cc * tile_w, solid, (size_t)tile_w);
      }
    }
  }
}

// What a cell code of 64 or more looks like: the shape test gives 2 for every
// sample, so every pixel has the same value.
static uint8_t solid_value(glyph_style style) {
  int n = glyph_style_samples(style);
  return n ? glyph_pixel_value(2 * (int64_t)n * n, n) : GLYPH_PIXEL_EMPTY;
}

uint8_t* expand_cell_grid(const uint8_t* cells, int cols, int rows, const uint8_t* tiles, glyph_style style,
                          int* width_out, int* height_out) {
  if (width_out) *width_out = 0;
  if (height_out) *height_out = 0;
  if (!glyph_style_usable(style) || cols < 0 || rows < 0 || cols > GLYPH_MAX_SIZE || rows > GLYPH_MAX_SIZE)
    return nullptr;
  int tile_w = (int)style.cell_width, tile_h = (int)style.cell_height;
  int width = expanded_size(cols, tile_w), height = expanded_size(rows, tile_h);
  if (width < 0 || height < 0) return nullptr;
  uint8_t* out = (uint8_t*)malloc((size_t)width * height + 1);
  if (!out) return nullptr;
  expand_into(cells, cols, rows, tiles, tile_w, tile_h, solid_value(style), out);
  if (width_out) *width_out = width;
  if (height_out) *height_out = height;
  return out;
}

namespace {
// One step of the walk over a cell_glyph_set that both the decoder and the
// checker take.
struct cell_entry {
  int cols, rows;
  const uint8_t* cells;
  cell_glyph_problem problem;  // OK, or why the walk stops or drops the entry
};
}  // namespace

// Reads the entry at *pos. Returns 0 when the walk ends here (with the reason
// in entry->problem, OK at the plain end of the data).
static int next_cell_entry(const uint8_t* data, uint32_t length, uint32_t* pos, int tile_w, int tile_h,
                           cell_entry* entry) {
  entry->problem = CELL_GLYPHS_OK;
  uint32_t left = length - *pos;
  if (left == 0) return 0;
  if (left < 2) {
    entry->problem = CELL_GLYPHS_TRUNCATED;
    return 0;
  }
  entry->cols = data[*pos];
  entry->rows = data[*pos + 1];
  uint32_t cells = (uint32_t)entry->cols * (uint32_t)entry->rows;
  if (left == 2) {
    // An entry whose header ends the data is not decoded.
    entry->problem = cells ? CELL_GLYPHS_TRUNCATED : CELL_GLYPHS_DANGLING_HEADER;
    return 0;
  }
  if (cells > left - 2) {
    entry->problem = CELL_GLYPHS_TRUNCATED;
    return 0;
  }
  entry->cells = data + *pos + 2;
  *pos += 2 + cells;
  if (expanded_size(entry->cols, tile_w) < 0 || expanded_size(entry->rows, tile_h) < 0) {
    entry->problem = CELL_GLYPHS_TOO_LARGE;
  } else {
    for (uint32_t i = 0; i < cells; i++) {
      if (entry->cells[i] >= CELL_CODE_COUNT) {
        entry->problem = CELL_GLYPHS_BAD_CODE;
        break;
      }
    }
  }
  return 1;
}

uint8_t* decode_cell_glyphs(const uint8_t* data, uint32_t length, glyph_style style, uint32_t* out_length) {
  if (out_length) *out_length = 0;
  // An empty set has nothing to rasterise: empty at any cell size of 1 or more.
  if (length == 0 && style.cell_width >= 1.0f && style.cell_height >= 1.0f) return (uint8_t*)malloc(1);
  if (!glyph_style_usable(style)) return nullptr;
  int tile_w = (int)style.cell_width, tile_h = (int)style.cell_height;

  // First walk: the exact output size, at most 512 x (2 + 255 x 255) bytes.
  size_t total = 0;
  uint32_t pos = 0;
  cell_entry entry;
  for (int count = 0; count < MAX_GLYPHS && next_cell_entry(data, length, &pos, tile_w, tile_h, &entry);
       count++) {
    total += 2;
    if (entry.problem != CELL_GLYPHS_TOO_LARGE) total += (size_t)entry.cols * tile_w * entry.rows * tile_h;
  }
  uint8_t* out = (uint8_t*)malloc(total + 1);
  if (!out) return nullptr;
  uint8_t* tiles = total ? render_cell_tiles((uint8_t)CELL_CODE_COUNT, style) : nullptr;
  if (total && !tiles) {
    free(out);
    return nullptr;
  }

  // Second walk: the glyphs.
  uint8_t solid = solid_value(style);
  size_t at = 0;
  pos = 0;
  for (int count = 0; count < MAX_GLYPHS && next_cell_entry(data, length, &pos, tile_w, tile_h, &entry);
       count++) {
    if (entry.problem == CELL_GLYPHS_TOO_LARGE) {
      // Too large for the one-byte fields: an empty glyph keeps the slot.
      out[at++] = 0;
      out[at++] = 0;
      continue;
    }
    int width = entry.cols * tile_w, height = entry.rows * tile_h;
    out[at++] = (uint8_t)width;
    out[at++] = (uint8_t)height;
    expand_into(entry.cells, entry.cols, entry.rows, tiles, tile_w, tile_h, solid, out + at);
    at += (size_t)width * height;
  }
  free(tiles);
  if (out_length) *out_length = (uint32_t)at;
  return out;
}

cell_glyph_problem check_cell_glyphs(const uint8_t* data, uint32_t length, glyph_style style,
                                     int* entry_out) {
  if (entry_out) *entry_out = -1;
  if (!glyph_style_usable(style)) return CELL_GLYPHS_BAD_STYLE;
  int tile_w = (int)style.cell_width, tile_h = (int)style.cell_height;
  uint32_t pos = 0;
  cell_entry entry;
  int count = 0;
  for (;; count++) {
    if (entry_out) *entry_out = count;
    if (count == MAX_GLYPHS) return pos < length ? CELL_GLYPHS_TOO_MANY : CELL_GLYPHS_OK;
    if (!next_cell_entry(data, length, &pos, tile_w, tile_h, &entry)) break;
    if (entry.problem != CELL_GLYPHS_OK) return entry.problem;
  }
  if (entry.problem == CELL_GLYPHS_OK && entry_out) *entry_out = -1;
  return entry.problem;
}

const char* cell_glyph_problem_text(cell_glyph_problem problem) {
  switch (problem) {
    case CELL_GLYPHS_OK:
      return "no problem";
    case CELL_GLYPHS_DANGLING_HEADER:
      return "the data ends with the header of an entry without cells";
    case CELL_GLYPHS_TRUNCATED:
      return "the entry runs past the end of the data";
    case CELL_GLYPHS_BAD_CODE:
      return "a cell code is 64 or more";
    case CELL_GLYPHS_TOO_LARGE:
      return "the glyph is wider or taller than 255 pixels at this cell size";
    case CELL_GLYPHS_TOO_MANY:
      return "data follows the 512th entry";
    case CELL_GLYPHS_BAD_STYLE:
      return "the cell size is outside 1 to 255 pixels";
  }
  return "unknown problem";
}
