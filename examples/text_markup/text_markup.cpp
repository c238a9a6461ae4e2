// Text in an SDL2 window this program opens itself: colour escapes, a glyph
// escape, and markup (Greek names, sub- and superscripts, #col=N# codes) at
// two cell sizes of the built-in font, which gets two Greek glyphs (alpha at
// code 256, pi at 271) appended. Escape quits.
//   text_markup [--frames N --shot FILE.png]
// Layout: the 3-pixel font from y = 10, the 6-pixel font from y = 130.
#include <SDL.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "font/font_registry.h"
#include "glyphs/builtin_font.h"
#include "glyphs/cell_font.h"
#include "shell/gl.h"
#include "shell/window.h"
#include "text/text_draw.h"
#include "text/text_markup.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

// The built-in cell glyphs (codes 0 to 127), empty entries up to 255, then
// alpha (256), empty entries, pi (271): 2 x 4 cells each, rows from the top.
static std::vector<uint8_t> font_with_greek(void) {
  std::vector<uint8_t> cells(builtin_font_cells, builtin_font_cells + BUILTIN_FONT_CELLS_LENGTH);
  const uint8_t alpha[] = {2, 4, 0x00, 0x00, 0x13, 0x18, 0x08, 0x08, 0x11, 0x1a};
  const uint8_t pi[] = {2, 4, 0x00, 0x00, 0x18, 0x18, 0x08, 0x08, 0x2a, 0x11};
  for (int code = 128; code < 256; code++) cells.insert(cells.end(), {0, 0});
  cells.insert(cells.end(), alpha, alpha + sizeof alpha);
  for (int code = 257; code < 271; code++) cells.insert(cells.end(), {0, 0});
  cells.insert(cells.end(), pi, pi + sizeof pi);
  return cells;
}

static void draw_lines(const char* font_name, int32_t y) {
  font_select_by_name(font_name);
  // Raw escapes: 5, 0, colour (little-endian 0xRRGGBB); 2, high, low.
  const char escapes[] = {'R', 'G', 'B', ':', ' ', 5, 0,    0x40,       0x40,       (char)0xFF, 0,
                          'r', 'e', 'd', ' ', 5,   0, 0x40, (char)0xFF, 0x40,       0,          'g',
                          'r', 'e', 'e', 'n', ' ', 5, 0,    (char)0xFF, (char)0x80, 0x40,       0,
                          'b', 'l', 'u', 'e', ' ', 2, 1,    0,          0};
  draw_text(10, y, 0, escapes, 0xFFFFFF);
  // Markup, converted in place in a buffer with room to grow.
  char markup[256] = "#col=16766976#Area = pi r^2#col=16777215#,  x_{i+1} = alpha x_i^{2}";
  apply_markup_codes(markup, sizeof markup);
  prepare_text(markup, sizeof markup, 2);
  draw_text(10, y + current_line_height + 8, 0, markup, 0xFFFFFF);
}

int main(int argc, char** argv) {
  int frames = 0;
  const char* shot = nullptr;
  for (int i = 1; i < argc; i++) {
    if (!strcmp(argv[i], "--frames") && i + 1 < argc) {
      frames = atoi(argv[++i]);
    } else if (!strcmp(argv[i], "--shot") && i + 1 < argc) {
      shot = argv[++i];
    } else {
      return fprintf(stderr, "text_markup: unknown argument %s\n", argv[i]), 2;
    }
  }
  if (SDL_Init(SDL_INIT_VIDEO) != 0) return fprintf(stderr, "text_markup: %s\n", SDL_GetError()), 1;
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
  SDL_Window* window = SDL_CreateWindow("text_markup", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, 640,
                                        300, SDL_WINDOW_OPENGL);
  SDL_GLContext context = window ? SDL_GL_CreateContext(window) : nullptr;
  if (!context) return fprintf(stderr, "text_markup: %s\n", SDL_GetError()), 1;

  // Fonts need the context current; the registry is global to the process.
  std::vector<uint8_t> cells = font_with_greek();
  load_cell_font(cells.data(), (uint32_t)cells.size(), make_glyph_style(3.0f, 3.0f), "small");
  load_cell_font(cells.data(), (uint32_t)cells.size(), make_glyph_style(6.0f, 6.0f), "large");

  for (int frame = 1;; frame++) {
    SDL_Event e;
    int quit = 0;
    while (SDL_PollEvent(&e)) {
      if (e.type == SDL_QUIT || (e.type == SDL_KEYDOWN && e.key.keysym.sym == SDLK_ESCAPE)) quit = 1;
    }
    if (quit) break;
    SDL_GL_GetDrawableSize(window, &screen_width, &screen_height);
    glViewport(0, 0, screen_width, screen_height);
    glClearColor(0.08f, 0.08f, 0.1f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);  // draw_text sets its own projection
    draw_lines("small", 10);
    draw_lines("large", 130);
    if (frames > 0 && frame == frames) {
      std::vector<unsigned char> rgb((size_t)screen_width * screen_height * 3);
      glPixelStorei(GL_PACK_ALIGNMENT, 1);
      glReadPixels(0, 0, screen_width, screen_height, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
      stbi_flip_vertically_on_write(1);
      if (shot && !stbi_write_png(shot, screen_width, screen_height, 3, rgb.data(), screen_width * 3))
        return fprintf(stderr, "text_markup: cannot write %s\n", shot), 1;
      break;
    }
    SDL_GL_SwapWindow(window);
  }
  SDL_GL_DeleteContext(context);
  SDL_DestroyWindow(window);
  SDL_Quit();
  return 0;
}
