// A cell glyph font read from a file (glyph_tool export-builtin writes one)
// and rasterised for the window: the cell size follows the drawable's height
// in pixels, so the text keeps its share of the window and stays sharp at any
// pixel density. Resize the window to see it rebuilt; Escape quits.
//   font_from_file FONT.cells [--size WxH] [--frames N --shot FILE.png]
#include <SDL.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "font/font_registry.h"
#include "glyphs/cell_font.h"
#include "glyphs/cell_glyphs.h"
#include "shell/gl.h"
#include "shell/window.h"
#include "text/text_draw.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

int main(int argc, char** argv) {
  int frames = 0, width = 640, height = 360;
  const char *shot = nullptr, *path = nullptr;
  for (int i = 1; i < argc; i++) {
    if (!strcmp(argv[i], "--frames") && i + 1 < argc) {
      frames = atoi(argv[++i]);
    } else if (!strcmp(argv[i], "--shot") && i + 1 < argc) {
      shot = argv[++i];
    } else if (!strcmp(argv[i], "--size") && i + 1 < argc &&
               sscanf(argv[i + 1], "%dx%d", &width, &height) == 2) {
      ++i;
    } else if (!path && argv[i][0] != '-') {
      path = argv[i];
    } else {
      return fprintf(stderr, "font_from_file: bad argument %s\n", argv[i]), 2;
    }
  }
  if (!path)
    return fprintf(stderr, "usage: font_from_file FONT.cells [--size WxH] [--frames N --shot FILE]\n"), 2;
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> cells((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!in.is_open() || cells.empty()) return fprintf(stderr, "font_from_file: cannot read %s\n", path), 1;
  // The loader drops what it cannot use without a word; say why first.
  int entry = 0;
  cell_glyph_problem problem =
      check_cell_glyphs(cells.data(), (uint32_t)cells.size(), make_glyph_style(6.0f, 6.0f), &entry);
  if (problem != CELL_GLYPHS_OK)
    return fprintf(stderr, "font_from_file: %s: entry %d: %s\n", path, entry,
                   cell_glyph_problem_text(problem)),
           1;

  if (SDL_Init(SDL_INIT_VIDEO) != 0) return fprintf(stderr, "font_from_file: %s\n", SDL_GetError()), 1;
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
  SDL_Window* window =
      SDL_CreateWindow("font_from_file", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width, height,
                       SDL_WINDOW_OPENGL | SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI);
  SDL_GLContext context = window ? SDL_GL_CreateContext(window) : nullptr;
  if (!context) return fprintf(stderr, "font_from_file: %s\n", SDL_GetError()), 1;

  float cell = 0.0f;
  for (int frame = 1;; frame++) {
    SDL_Event e;
    int quit = 0;
    while (SDL_PollEvent(&e)) {
      if (e.type == SDL_QUIT || (e.type == SDL_KEYDOWN && e.key.keysym.sym == SDLK_ESCAPE)) quit = 1;
    }
    if (quit) break;
    SDL_GL_GetDrawableSize(window, &screen_width, &screen_height);
    glViewport(0, 0, screen_width, screen_height);
    // Seven cells make a line of the built-in font: about ten lines a window.
    float wanted = (float)(screen_height / 70 > 1 ? screen_height / 70 : 1);
    if (wanted != cell) {
      cell = wanted;
      font_delete_by_name("file");
      load_cell_font(cells.data(), (uint32_t)cells.size(), make_glyph_style(cell, cell), "file");
      font_select_by_name("file");
    }
    glClearColor(0.95f, 0.93f, 0.88f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    // Dark text on a light ground: blend mode 4 (SRC_ALPHA, ONE_MINUS_SRC_ALPHA).
    set_text_blend_mode(4);
    const char* lines[3] = {"Cell glyph fonts", "rasterised for the window", "at any size"};
    for (int i = 0; i < 3; i++) {
      int32_t x = (screen_width - text_width(lines[i])) / 2;
      draw_text(x, screen_height / 4 + i * (current_line_height + 4), 0, lines[i], 0x202840);
    }
    if (frames > 0 && frame == frames) {
      std::vector<unsigned char> rgb((size_t)screen_width * screen_height * 3);
      glPixelStorei(GL_PACK_ALIGNMENT, 1);
      glReadPixels(0, 0, screen_width, screen_height, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
      stbi_flip_vertically_on_write(1);
      if (shot && !stbi_write_png(shot, screen_width, screen_height, 3, rgb.data(), screen_width * 3))
        return fprintf(stderr, "font_from_file: cannot write %s\n", shot), 1;
      break;
    }
    SDL_GL_SwapWindow(window);
  }
  SDL_GL_DeleteContext(context);
  SDL_DestroyWindow(window);
  SDL_Quit();
  return 0;
}
