// Growable array against std::vector: pushing 10^6 4-byte elements, and
// push-then-remove cycles that exercise the shrink rule; random_below draws.
#include <benchmark/benchmark.h>

#include <vector>

#include "shell/clock.h"
#include "util/dyn_array.h"

static void BM_dyn_array_push_1m(benchmark::State& state) {
  for (auto _ : state) {
    dyn_array a = dyn_array_new(4);
    for (int32_t i = 0; i < 1000000; i++) dyn_array_push(&a, &i);
    benchmark::DoNotOptimize(a.data);
    dyn_array_release(a);
  }
  state.SetItemsProcessed(state.iterations() * 1000000);
}
BENCHMARK(BM_dyn_array_push_1m)->Unit(benchmark::kMillisecond);

static void BM_vector_push_1m(benchmark::State& state) {
  for (auto _ : state) {
    std::vector<int32_t> v;
    for (int32_t i = 0; i < 1000000; i++) v.push_back(i);
    benchmark::DoNotOptimize(v.data());
  }
  state.SetItemsProcessed(state.iterations() * 1000000);
}
BENCHMARK(BM_vector_push_1m)->Unit(benchmark::kMillisecond);

// Fill to 1000, then alternately empty and refill: every drain crosses the
// shrink threshold repeatedly.
static void BM_dyn_array_push_remove_cycles(benchmark::State& state) {
  dyn_array a = dyn_array_new(4);
  for (auto _ : state) {
    for (int32_t i = 0; i < 1000; i++) dyn_array_push(&a, &i);
    while (a.count) dyn_array_remove_at(&a, 0);
  }
  dyn_array_release(a);
  state.SetItemsProcessed(state.iterations() * 2000);
}
BENCHMARK(BM_dyn_array_push_remove_cycles);

static void BM_vector_push_remove_cycles(benchmark::State& state) {
  std::vector<int32_t> v;
  for (auto _ : state) {
    for (int32_t i = 0; i < 1000; i++) v.push_back(i);
    // Same unordered removal: last element into the hole (vector never shrinks).
    while (!v.empty()) {
      v[0] = v.back();
      v.pop_back();
    }
  }
  state.SetItemsProcessed(state.iterations() * 2000);
}
BENCHMARK(BM_vector_push_remove_cycles);

static void BM_random_below(benchmark::State& state) {
  double sum = 0;
  for (auto _ : state) sum += random_below(1.0);
  benchmark::DoNotOptimize(sum);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_random_below);
