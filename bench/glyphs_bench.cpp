// Cell glyph rasterising: decoding the built-in font at the program's 6 x 6
// cells with 10 x 10 samples (the start-up cost; target under 0.5 ms), the
// tile cache alone, and the direct-sampling file renderer on the same font.
#include <benchmark/benchmark.h>
#include <stdio.h>
#include <stdlib.h>

#include <string>

#include "glyphs/builtin_font.h"
#include "glyphs/cell_glyphs.h"
#include "glyphs/glyph_files.h"

static void BM_decode_builtin_font(benchmark::State& state) {
  glyph_style style = make_glyph_style(6.0f, 6.0f);
  for (auto _ : state) {
    uint32_t length = 0;
    uint8_t* out = decode_cell_glyphs(builtin_font_cells, BUILTIN_FONT_CELLS_LENGTH, style, &length);
    benchmark::DoNotOptimize(out);
    free(out);
  }
}
BENCHMARK(BM_decode_builtin_font)->Unit(benchmark::kMicrosecond);

static void BM_render_cell_tiles(benchmark::State& state) {
  glyph_style style = make_glyph_style(6.0f, 6.0f);
  for (auto _ : state) {
    uint8_t* tiles = render_cell_tiles(CELL_CODE_COUNT, style);
    benchmark::DoNotOptimize(tiles);
    free(tiles);
  }
}
BENCHMARK(BM_render_cell_tiles)->Unit(benchmark::kMicrosecond);

static void BM_render_cell_glyph_file_builtin(benchmark::State& state) {
  std::string dir = getenv("TMPDIR") ? getenv("TMPDIR") : "/tmp";
  std::string in = dir + "/bf_bench_builtin.cells", out = dir + "/bf_bench_builtin.glyphs";
  FILE* f = fopen(in.c_str(), "wb");
  if (!f) {
    state.SkipWithError("cannot write the input file");
    return;
  }
  fwrite(builtin_font_cells, 1, BUILTIN_FONT_CELLS_LENGTH, f);
  fclose(f);
  glyph_style style = make_glyph_style(6.0f, 6.0f);
  for (auto _ : state) render_cell_glyph_file(in.c_str(), out.c_str(), style);
  remove(in.c_str());
  remove(out.c_str());
}
BENCHMARK(BM_render_cell_glyph_file_builtin)->Unit(benchmark::kMillisecond);
