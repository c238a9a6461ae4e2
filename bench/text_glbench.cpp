// draw_text on the headless Mesa context: 100 lines of text compiled into a
// display list per iteration (the list is deleted after each), with a font
// atlas made in the benchmark.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "font/font_registry.h"
#include "shell/gl.h"
#include "shell/platform_headless.h"
#include "shell/view.h"
#include "shell/window.h"
#include "text/text_draw.h"

// Opens the one headless window on first use, then resizes its surface.
static bool text_bench_gl_open(int32_t width, int32_t height) {
  static bool opened = false;
  if (!opened) {
    if (!open_gl_window(width, height, "text bench")) return false;
    opened = true;
  } else {
    headless_resize_surface(width, height);
  }
  init_gl_state(width, height);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  return true;
}

// A 512 x 64 atlas with 8-texel glyphs in one row, made current.
static font* text_bench_font() {
  static font* f = nullptr;
  if (f) return f;
  font_registry_init();
  f = (font*)calloc(1, sizeof(font));
  std::vector<unsigned char> texels(512 * 64 * 4, 255);
  GLuint name = 0;
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_2D, name);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 512, 64, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
  f->texture = name;
  for (int i = 0; i < MAX_GLYPHS; ++i) {
    f->glyph_x[i] = (i % 64) * 8;
    f->glyph_w[i] = 6 + (i % 3) * 3;
  }
  f->atlas_w = 512;
  f->atlas_h = 64;
  f->line_height = 42;
  f->cell_w = 13;
  f->style = TEXT_STYLE_DEFAULT;
  f->style.font = f;
  dyn_array_push(&font_registry, &f);
  font_select(f);
  return f;
}

static void BM_draw_text_100_lines_into_list(benchmark::State& state) {
  if (!text_bench_gl_open(1280, 720)) {
    state.SkipWithError("no GL context");
    return;
  }
  text_bench_font();
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
