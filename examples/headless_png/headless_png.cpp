// Renders a row of lit boxes in palette colours with a caption, without any
// display (the toolkit's headless EGL backend opens the context and sets
// screen_width and screen_height), and writes the picture to a PNG file.
//   headless_png OUT.png [WIDTHxHEIGHT]     (default 320x200)
#include <stdio.h>
#include <stdlib.h>

#include <vector>

#include "font/font_registry.h"
#include "geometry/boxes.h"
#include "geometry/palette.h"
#include "glyphs/builtin_font.h"
#include "glyphs/cell_font.h"
#include "shell/gl.h"
#include "shell/view.h"
#include "shell/window.h"
#include "text/text_draw.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

int main(int argc, char** argv) {
  int width = 320, height = 200;
  if (argc < 2 || argc > 3 ||
      (argc == 3 && (sscanf(argv[2], "%dx%d", &width, &height) != 2 || width < 16 || height < 16 ||
                     width > 4096 || height > 4096))) {
    fprintf(stderr, "usage: headless_png OUT.png [WIDTHxHEIGHT] (16 to 4096 each)\n");
    return 2;
  }
  // The shell's window on the headless backend: context current, screen size
  // set, perspective projection loaded, depth test on.
  if (!open_gl_window(width, height, "headless_png"))
    return fprintf(stderr, "headless_png: no GL context\n"), 1;
  uint32_t* palette = make_palette_rgb();
  if (!palette) return fprintf(stderr, "headless_png: out of memory\n"), 1;

  glClearColor(0.1f, 0.12f, 0.2f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  set_perspective(60.0f, 0.1f, 100.0f);  // leaves GL_MODELVIEW current
  glLoadIdentity();
  glTranslatef(0.0f, 0.0f, -6.0f);
  glRotatef(25.0f, 1.0f, 0.0f, 0.0f);
  glEnable(GL_LIGHTING);
  glEnable(GL_LIGHT0);
  glEnable(GL_COLOR_MATERIAL);
  glBegin(GL_QUADS);
  for (int i = 0; i < 6; i++) {
    uint32_t rgb = palette[9 + i];  // bright text-mode colours
    glColor3ub((GLubyte)(rgb >> 16), (GLubyte)(rgb >> 8), (GLubyte)rgb);
    emit_cube_lit(-3.3 + i * 1.1, -0.5, -0.5, 0.9);
  }
  glEnd();
  glDisable(GL_LIGHTING);
  free(palette);

  // The caption in window pixels, top-left, with the built-in font.
  load_cell_font(builtin_font_cells, BUILTIN_FONT_CELLS_LENGTH, make_glyph_style(3.0f, 3.0f), "caption");
  font_select_by_name("caption");
  draw_text(8, 8, 0, "headless_png", 0xFFFFFF);

  std::vector<unsigned char> rgb((size_t)width * height * 3);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
  stbi_flip_vertically_on_write(1);
  if (!stbi_write_png(argv[1], width, height, 3, rgb.data(), width * 3)) {
    fprintf(stderr, "headless_png: cannot write %s\n", argv[1]);
    return 1;
  }
  printf("%s\n", argv[1]);
  return 0;
}
