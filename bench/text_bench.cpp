// Text processing without GL: text_width over a 10,000-character text with a
// font record made in memory (widths like the built-in font's), and the
// markup passes over a 10,000-character markup text (each iteration copies
// the source into a buffer with room to grow, then converts it in place).
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "font/font_registry.h"
#include "text/text_draw.h"
#include "text/text_markup.h"

static font* bench_font() {
  static font* f = nullptr;
  if (!f) {
    f = (font*)calloc(1, sizeof(font));
    for (int i = 0; i < MAX_GLYPHS; ++i) f->glyph_w[i] = 6 + (i % 3) * 6;
    f->line_height = 42;
    f->cell_w = 13;
    f->style = TEXT_STYLE_DEFAULT;
    f->style.font = f;
  }
  return f;
}

static std::string plain_text(size_t length) {
  std::string text;
  const char* words[] = {"frame ", "rate ", "60.0 ", "fps ", "Box ", "field ", "OpenGL ", "test "};
  for (size_t i = 0; text.size() < length; ++i) text += words[i % 8];
  text.resize(length);
  return text;
}

static std::string markup_text(size_t length) {
  std::string text;
  const char* pieces[] = {"alpha^2 ",  "x_{beta pi} ", "#col=16711680#red ", "e^{i pi} ",
                          "#tab=120#", "Omega_0 ",     "plain words here "};
  for (size_t i = 0; text.size() < length; ++i) text += pieces[i % 7];
  text.resize(length);
  return text;
}

static void BM_text_width_10000(benchmark::State& state) {
  font* saved = current_font;
  current_font = bench_font();
  current_cell_w = 13;
  std::string text = plain_text(10000);
  for (auto _ : state) benchmark::DoNotOptimize(text_width(text.c_str()));
  state.SetBytesProcessed(state.iterations() * (int64_t)text.size());
  current_font = saved;
}
BENCHMARK(BM_text_width_10000);

static void BM_prepare_text_10000(benchmark::State& state) {
  std::string source = markup_text(10000);
  std::vector<char> buffer(source.size() * 4);
  for (auto _ : state) {
    memcpy(buffer.data(), source.c_str(), source.size() + 1);
    prepare_text(buffer.data(), buffer.size(), 2);
    benchmark::DoNotOptimize(buffer.data());
  }
  if (!text_markup_last_complete()) state.SkipWithError("buffer too small");
  state.SetBytesProcessed(state.iterations() * (int64_t)source.size());
}
BENCHMARK(BM_prepare_text_10000);

static void BM_markup_codes_then_prepare_10000(benchmark::State& state) {
  std::string source = markup_text(10000);
  std::vector<char> buffer(source.size() * 4);
  for (auto _ : state) {
    memcpy(buffer.data(), source.c_str(), source.size() + 1);
    apply_markup_codes(buffer.data(), buffer.size());
    prepare_text(buffer.data(), buffer.size(), 2);
    benchmark::DoNotOptimize(buffer.data());
  }
  state.SetBytesProcessed(state.iterations() * (int64_t)source.size());
}
BENCHMARK(BM_markup_codes_then_prepare_10000);
