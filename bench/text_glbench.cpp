// draw_text on the headless Mesa context: 100 lines of text compiled into a
// display list per iteration (the list is deleted after each), with the
// built-in font at 6-pixel cells.
#include <benchmark/benchmark.h>
#include <string>

#include "bench/bench_gl.h"
#include "font/font_registry.h"
#include "glyphs/builtin_font.h"
#include "glyphs/cell_font.h"
#include "glyphs/cell_glyphs.h"
#include "shell/gl.h"
#include "shell/platform_headless.h"
#include "shell/view.h"
#include "shell/window.h"
#include "text/text_draw.h"

// The program's own font, "normal", built once and made current.
static bool text_bench_font() {
  static bool built = false;
  if (!built) {
    load_cell_font(builtin_font_cells, BUILTIN_FONT_CELLS_LENGTH, make_glyph_style(6.0f, 6.0f), "normal");
    built = true;
  }
  font_select_by_name("normal");
  return current_font != nullptr;
}

static void BM_draw_text_100_lines_into_list(benchmark::State& state) {
  if (!bench_gl_open(1280, 720)) {
    state.SkipWithError("no GL context");
    return;
  }
  if (!text_bench_font()) {
    state.SkipWithError("no font");
    return;
  }
  std::string line = "Frame rate 60.0 fps, 10000 boxes, OpenGL test [Orvandel 2009]";
  for (auto _ : state) {
    GLuint list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    for (int i = 0; i < 100; ++i) draw_text(10, 10 + i * 7, 0, line.c_str(), 0xFFFFFF);
    glEndList();
    glDeleteLists(list, 1);
  }
  glFinish();
  state.SetItemsProcessed(state.iterations() * 100 * (int64_t)line.size());
}
BENCHMARK(BM_draw_text_100_lines_into_list);
