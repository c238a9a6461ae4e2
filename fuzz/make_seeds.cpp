// Writes the seed corpora of the fuzz targets from the project's own code:
// arrays written by the array writers, glyph files, markup samples, the
// built-in flight scripts, and command lines the tests and the README type.
// (The report reader's seeds are real reports, kept as files in
// fuzz/corpus/runner_report_fuzz/.) Usage: make_fuzz_seeds <corpus folder>.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "boxfield/box_field_tours.h"
#include "glyphs/builtin_font.h"
#include "glyphs/cell_glyphs.h"
#include "runner/runner_script.h"
#include "util/dyn_array.h"

static FILE* open_seed(const std::string& dir, const char* target, const char* name) {
  std::string path = dir + "/" + target + "/" + name;
  FILE* f = fopen(path.c_str(), "wb");
  if (!f) fprintf(stderr, "make_fuzz_seeds: cannot write %s\n", path.c_str());
  return f;
}

static void array_seeds(const std::string& dir) {
  dyn_array a = dyn_array_new(4);
  for (int32_t i = 0; i < 5; i++) dyn_array_push(&a, &i);
  const struct {
    const char* name;
    int compact;
  } seeds[] = {{"full_ints", 0}, {"compact_ints", 1}};
  for (const auto& s : seeds) {
    FILE* f = open_seed(dir, "dyn_array_fuzz", s.name);
    if (!f) exit(1);
    fputc(s.compact, f);  // the target's reader selector
    if (s.compact) {
      dyn_array_write_compact(&a, f);
    } else {
      dyn_array_write(&a, f);
    }
    fclose(f);
  }
  dyn_array_release(a);
}

static void markup_seeds(const std::string& dir) {
  const char* samples[] = {
      "Alpha + beta = #col=255#gamma#col=0#",
      "e^{x^2} + x_2 + a^{b_{c^d}}",
      "#tab=120#pi r^2\tvartheta varepsilon",
      "unbalanced {^ and trailing ^",
      "ALPHA aLPHA alphabet eta",
  };
  int i = 0;
  for (const char* sample : samples) {
    std::string name = "sample" + std::to_string(i++);
    FILE* f = open_seed(dir, "text_markup_fuzz", name.c_str());
    if (!f) exit(1);
    fputc(3 | (6 << 2), f);  // all passes, script depth 2
    fputc(40, f);            // 40 bytes of room to grow
    fwrite(sample, 1, strlen(sample), f);
    fclose(f);
  }
}

// The built-in font with a 6 x 6 style, and a few of its glyphs alone.
static void glyph_seeds(const std::string& dir) {
  // Style bytes read back by fuzz_style as cells of 6 x 6.5, strokes of about
  // 0.2, round arcs, dot scale 1, 4 samples.
  const unsigned char style[8] = {7, 0x50, 85, 85, 0, 0, 8, 4};
  const char* targets[] = {"glyph_decode_fuzz", "glyph_render_fuzz"};
  for (const char* target : targets) {
    FILE* f = open_seed(dir, target, "builtin_font");
    if (!f) exit(1);
    fwrite(style, 1, sizeof style, f);
    fwrite(builtin_font_cells, 1, BUILTIN_FONT_CELLS_LENGTH, f);
    fclose(f);
    f = open_seed(dir, target, "builtin_first_entries");
    if (!f) exit(1);
    fwrite(style, 1, sizeof style, f);
    fwrite(builtin_font_cells, 1, 120, f);
    fclose(f);
  }
}

// Texts with every kind of escape, for the text drawing target.
static void text_seeds(const std::string& dir) {
  const unsigned char font_bytes[6] = {1, 42, 0, 2, 0x30, 201};
  const unsigned char escapes[] = {
      'F', 'P', 'S', ':', ' ', 2,   1,   3,   5,   0,   0xC0, 0x40, 0x40, 0,   '1', 9,   10,  'x', 5,
      1,   100, 0,   0,   0,   'y', 5,   2,   179, 0,   38,   0,    '2',  5,   2,   0,   1,   0,   0,
      'w', 'o', 'r', 'd', ' ', 'w', 'r', 'a', 'p', ' ', 'a',  't',  ' ',  's', 'p', 'a', 'c', 'e', 's'};
  FILE* f = open_seed(dir, "text_draw_fuzz", "escapes");
  if (!f) exit(1);
  fwrite(font_bytes, 1, sizeof font_bytes, f);
  fwrite(escapes, 1, sizeof escapes, f);
  fclose(f);
  f = open_seed(dir, "text_draw_fuzz", "cut_short");
  if (!f) exit(1);
  fwrite(font_bytes, 1, sizeof font_bytes, f);
  fwrite("abc\x05\x00\x12", 1, 6, f);
  fclose(f);
}

// The built-in font decoded at 3 x 3 cells, laid out in rows of at most 40
// texels (so it wraps), for the atlas target.
static void atlas_seeds(const std::string& dir) {
  uint32_t length = 0;
  uint8_t* bitmaps = decode_cell_glyphs(builtin_font_cells, BUILTIN_FONT_CELLS_LENGTH,
                                        make_glyph_style(3.0f, 3.0f), &length);
  FILE* f = open_seed(dir, "font_atlas_fuzz", "builtin_bitmaps");
  if (!f || !bitmaps) exit(1);
  fputc(39, f);  // row limit 40
  fwrite(bitmaps, 1, length, f);
  fclose(f);
  free(bitmaps);
}

// The built-in tours and a hand-written script with every action, each
// after the target's error-buffer byte (64 bytes).
static void script_seeds(const std::string& dir) {
  std::vector<std::pair<std::string, std::string>> scripts;
  std::string names = box_field_tour_names();
  for (size_t at = 0; at < names.size();) {
    size_t blank = names.find(' ', at);
    std::string name = names.substr(at, blank == std::string::npos ? std::string::npos : blank - at);
    scripts.push_back({"tour_" + name, box_field_tour(name.c_str())});
    at = blank == std::string::npos ? names.size() : blank + 1;
  }
  scripts.push_back(
      {"every_action",
       "# comment\n1 down W\n2 down 0x10\n2 move -3 4\n3 shot a_b-1\n4 up w\n5 down CTRL\n5 end\n"});
  for (const auto& s : scripts) {
    FILE* f = open_seed(dir, "runner_script_fuzz", s.first.c_str());
    if (!f) exit(1);
    fputc(63, f);
    fwrite(s.second.data(), 1, s.second.size(), f);
    fclose(f);
  }
}

// Command lines as the tests and the README type them: the program's byte,
// then the arguments separated by NUL bytes.
static void command_line_seeds(const std::string& dir) {
  const struct {
    int program;  // 0 boxfield, 1 boxfield_runner, 2 gallery_runner, 3 glyph_tool, 4 help/version only
    const char* words[16];
  } lines[] = {
      {0, {"--windowed", "1280x720", "--benchmark", "bench", "--results-file", "frames.csv"}},
      {0,
       {"--size=640x360", "--benchmark=short", "--report", "out/r.json", "--frame-end", "finish",
        "--strict"}},
      {0, {"--benchmark", "--script", "flight.txt", "--", "/?"}},
      {1,
       {"--tour", "reference", "--size", "640x360", "--tolerance", "32", "--max-differing", "400", "--strict",
        "--validate", "tests/data/boxfield", "--out", "build/boxfield-validate"}},
      {1, {"--compare", "base.json", "new.json", "--threshold=2.5", "--force", "--plot", "cmp.png"}},
      {1, {"--script", "s.txt", "--real-clock", "--frame-end=readpixels", "--results-file", "r.csv"}},
      {1, {"--out", "--help"}},
      {2, {"--pages", "blur,sky", "--time", "1.5", "--mouse", "0.5,0.25", "--size=800x600", "--strict"}},
      {3, {"specimen", "builtin", "sheet.png", "--codes", "32-127", "--direct", "--zoom", "2", "--grid"}},
      {3,
       {"convert", "a.cells", "b.glyphs", "--cell", "5x7", "--stroke", "0.15,0.25", "--curve=0.3", "--dot",
        "1.5", "--samples", "-4"}},
      {4, {"-h", "--version"}},
  };
  int i = 0;
  for (const auto& line : lines) {
    std::string name = "line" + std::to_string(i++);
    FILE* f = open_seed(dir, "cli_fuzz", name.c_str());
    if (!f) exit(1);
    fputc(line.program, f);
    for (int w = 0; w < 16 && line.words[w]; w++) {
      if (w) fputc(0, f);
      fputs(line.words[w], f);
    }
    fclose(f);
  }
  const char* windows_lines[] = {
      "\"C:\\Program Files\\bf\\boxfield.exe\"  --windowed\t640x360 --benchmark short",
      "boxfield.exe --report \"my report.json\" --benchmark",
      "a C:\\dir\\ \"C:\\dir\\\\\" \\\"q\\\" \"\" \"x\"\"y\" \"unterminated b",
  };
  i = 0;
  for (const char* line : windows_lines) {
    std::string name = "line" + std::to_string(i++);
    FILE* f = open_seed(dir, "windows_command_line_fuzz", name.c_str());
    if (!f) exit(1);
    fputs(line, f);
    fclose(f);
  }
}

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: make_fuzz_seeds <corpus folder>\n");
    return 2;
  }
  array_seeds(argv[1]);
  markup_seeds(argv[1]);
  glyph_seeds(argv[1]);
  text_seeds(argv[1]);
  atlas_seeds(argv[1]);
  script_seeds(argv[1]);
  command_line_seeds(argv[1]);
  return 0;
}
