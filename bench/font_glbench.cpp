// Font atlas building on the headless Mesa context: font_build of the decoded
// built-in font (layout, texel fill, upload with mipmaps, metrics) and
// load_cell_font end to end (decode + build), the program's start-up font
// work; target: the whole built-in font ready in under 5 ms. Each iteration
// deletes the font it made so the registry stays small.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include "bench/bench_gl.h"
#include "font/font_atlas.h"
#include "glyphs/builtin_font.h"
#include "glyphs/cell_font.h"
#include "shell/gl.h"
#include "shell/window.h"

namespace {

bool gl_ready() { return bench_gl_open(64, 64); }

void delete_fonts() {
  while (fonts && font_registry.count) font_delete(fonts[0]);
}

}  // namespace

static void BM_font_build_builtin(benchmark::State& state) {
  if (!gl_ready()) {
    state.SkipWithError("no GL context");
    return;
  }
  uint32_t length = 0;
  uint8_t* set = decode_cell_glyphs(builtin_font_cells, BUILTIN_FONT_CELLS_LENGTH,
                                    make_glyph_style(6.0f, 6.0f), &length);
  for (auto _ : state) {
    font_build(set, length, "normal");
    glFinish();
    state.PauseTiming();
    delete_fonts();
    state.ResumeTiming();
  }
  free(set);
}
BENCHMARK(BM_font_build_builtin)->Unit(benchmark::kMillisecond);

static void BM_load_cell_font_builtin(benchmark::State& state) {
  if (!gl_ready()) {
    state.SkipWithError("no GL context");
    return;
  }
  for (auto _ : state) {
    load_cell_font(builtin_font_cells, BUILTIN_FONT_CELLS_LENGTH, make_glyph_style(6.0f, 6.0f), "normal");
    glFinish();
    state.PauseTiming();
    delete_fonts();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_load_cell_font_builtin)->Unit(benchmark::kMillisecond);
