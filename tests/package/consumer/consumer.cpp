// Builds on the installed toolkit as another project would: opens the
// headless GL context, loads the built-in font, draws a text whose colour
// escape turns it green, and reads the picture back. Exit status 0 only when
// green text is on the surface where it was drawn and nowhere else.
#include <stdint.h>
#include <stdio.h>

#include <vector>

#include "font/font_registry.h"
#include "glyphs/builtin_font.h"
#include "glyphs/cell_font.h"
#include "shell/gl.h"
#include "shell/window.h"
#include "text/text_draw.h"

int main() {
  const int32_t w = 160, h = 64;
  if (!open_gl_window(w, h, "consumer")) {
    fprintf(stderr, "consumer: no GL window\n");
    return 1;
  }
  load_cell_font(builtin_font_cells, BUILTIN_FONT_CELLS_LENGTH, make_glyph_style(6.0f, 6.0f), "normal");
  font_select_by_name("normal");
  glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  // Colour escape 5, 0 and 0x00FF00 little-endian, then the letters; drawn
  // in white otherwise.
  const char text[] = {5, 0, 0, (char)0xFF, 0, 0, 'H', 'H', 'H', 0};
  draw_text(0, 0, 0, text, 0xFFFFFF);
  glFinish();

  std::vector<uint8_t> rgba((size_t)w * h * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
  // Glyph edges are anti-aliased: any lit pixel must be some green, and
  // the letters' cores full green.
  int lit = 0, bright = 0, other = 0, lowest = -1, rightmost = -1;
  for (int32_t y = 0; y < h; y++) {
    for (int32_t x = 0; x < w; x++) {
      const uint8_t* p = &rgba[((size_t)y * w + x) * 4];
      if (p[0] == 0 && p[1] == 0 && p[2] == 0) continue;
      lit++;
      if (p[0] > 16 || p[2] > 16) other++;
      if (p[1] > 200) bright++;
      int32_t from_top = h - 1 - y;
      if (from_top > lowest) lowest = from_top;
      if (x > rightmost) rightmost = x;
    }
  }
  // Three letters at the top-left corner: all green, inside the first line
  // and the width the font measures for the text.
  int32_t width = text_width(text), line = current_line_height;
  if (bright < 10 || other != 0 || lowest >= line || rightmost >= width) {
    fprintf(stderr,
            "consumer: %d lit pixels, %d full green, %d not green, lowest %d rows down (line %d), "
            "rightmost at %d (width %d)\n",
            lit, bright, other, lowest, line, rightmost, width);
    return 1;
  }
  printf("consumer: %d green text pixels (%d full green) within %d x %d\n", lit, bright, width, line);
  return 0;
}
