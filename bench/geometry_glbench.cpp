// Geometry and effects on the headless Mesa context: filling 256 x 256 cube
// maps (shade calls per second, with 1 and 16 samples per texel), compiling
// 10000 boxes into a display list, and the glow pass at 1280 x 720 and
// 1920 x 1080 (glFinish inside the timed region).
#include <benchmark/benchmark.h>
#include <math.h>

#include "bench/bench_gl.h"
#include "geometry/boxes.h"
#include "geometry/cube_map.h"
#include "geometry/screen_effect.h"
#include "geometry/shapes_2d.h"
#include "shell/gl.h"
#include "shell/platform_headless.h"
#include "shell/view.h"
#include "shell/window.h"

static int64_t shade_calls = 0;

static void shade_sky(double x, double y, double z, unsigned char* rgb) {
  shade_calls++;
  rgb[0] = (unsigned char)((x + 1) * 127.5);
  rgb[1] = (unsigned char)((y + 1) * 127.5);
  rgb[2] = (unsigned char)(z > 0 ? 255 : 40);
}

static void BM_make_cube_map_256(benchmark::State& state) {
  if (!bench_gl_open(64, 64)) {
    state.SkipWithError("no GL context");
    return;
  }
  uint32_t samples = (uint32_t)state.range(0);
  shade_calls = 0;
  for (auto _ : state) {
    GLuint tex = make_cube_map(shade_sky, 256, samples);
    glFinish();
    glDeleteTextures(1, &tex);
  }
  state.SetItemsProcessed(shade_calls);
  state.SetLabel("items = shade calls");
}
BENCHMARK(BM_make_cube_map_256)->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond);

// 10000 boxes of the box field's kind into one GL_COMPILE list.
static void BM_box_list_compile_10000(benchmark::State& state) {
  if (!bench_gl_open(64, 64)) {
    state.SkipWithError("no GL context");
    return;
  }
  bool wire = state.range(0) != 0;
  for (auto _ : state) {
    GLuint list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    glBegin(GL_QUADS);
    for (int i = 9999; i >= 0; i--) {
      double x = (i % 100) * 2.0, y = (i / 100) * 2.0, z = (i % 7) * 3.0;
      glColor3f((float)(i % 10) / 10, 0.5f, 0.5f);
      emit_box_solid(x, x + 1, y, y + 1.5, z, z + 0.5);
    }
    glEnd();
    if (wire) {
      glBegin(GL_LINES);
      for (int i = 9999; i >= 0; i--) {
        double x = (i % 100) * 2.0, y = (i / 100) * 2.0, z = (i % 7) * 3.0;
        emit_box_wire(x, x + 1, y, y + 1.5, z, z + 0.5);
      }
      glEnd();
    }
    glEndList();
    glFinish();
    glDeleteLists(list, 1);
  }
  state.SetItemsProcessed(state.iterations() * 10000);
  state.SetLabel(wire ? "solid + wire" : "solid");
}
BENCHMARK(BM_box_list_compile_10000)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

static void BM_screen_bloom(benchmark::State& state) {
  int32_t w = (int32_t)state.range(0), h = (int32_t)state.range(1);
  if (!bench_gl_open(w, h)) {
    state.SkipWithError("no GL context");
    return;
  }
  glClearColor(0.5f, 0.5f, 0.5f, 1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  enter_overlay();
  draw_rect_2d(w / 4, h / 4, w / 2, h / 2, 0xFFFFFF);
  leave_overlay();
  glFinish();
  float radius = (float)(w / 80);
  for (auto _ : state) {
    screen_bloom(radius);
    glFinish();
  }
  state.SetLabel("radius " + std::to_string((int)radius));
}
BENCHMARK(BM_screen_bloom)
    ->Args({1280, 720})
    ->Args({1920, 1080})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
