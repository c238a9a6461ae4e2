// Processor-side work of one box-field frame outside the GL driver: the
// camera arithmetic with every movement key held and the mouse off centre,
// and the frame-rate history shift with its text.
#include <benchmark/benchmark.h>
#include <string.h>

#include "boxfield/camera.h"
#include "boxfield/fps_overlay.h"

static void BM_camera_step_all_keys(benchmark::State& state) {
  uint8_t keys[256];
  memset(keys, 0, sizeof keys);
  for (int k : {(int)'W', (int)'A', (int)'S', (int)'D', (int)'R', 0x11}) keys[k] = 0x80;
  camera_place(21.5443469);
  for (auto _ : state) {
    camera_step(1.0 / 60.0, keys, 963, 541, 1920, 1080);
    benchmark::DoNotOptimize(cam_pos);
  }
}
BENCHMARK(BM_camera_step_all_keys);

static void BM_fps_history_and_text(benchmark::State& state) {
  char text[30];
  double rate = 59.94;
  for (auto _ : state) {
    fps_history_push(rate);
    fps_format_text(text, sizeof text, rate);
    benchmark::DoNotOptimize(text);
    rate += 0.001;
  }
}
BENCHMARK(BM_fps_history_and_text);
