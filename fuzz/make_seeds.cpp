// Writes the seed corpora of the fuzz targets from the project's own code:
// arrays written by the array writers (and, as the other subsystems grow,
// glyph files and markup samples). Usage: make_fuzz_seeds <corpus folder>.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "glyphs/builtin_font.h"
#include "glyphs/cell_glyphs.h"
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
  return 0;
}
