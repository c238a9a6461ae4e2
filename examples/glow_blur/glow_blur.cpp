// Glow (screen_bloom) and blur (screen_blur) over a scene this program draws
// in its own SDL2 window: bright squares on a dark ground, a white sphere.
// Space cycles glow, blur and none; Escape quits.
//   glow_blur [--effect glow|blur|none] [--frames N --shot FILE.png]
#include <SDL.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "geometry/screen_effect.h"
#include "geometry/solids.h"
#include "shell/gl.h"
#include "shell/window.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

static void draw_scene(void) {
  // Pixel coordinates, origin top-left: the effects want the model-view
  // matrix current and leave it so.
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, screen_width, screen_height, 0, -500, 500);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glClearColor(0.05f, 0.05f, 0.12f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glDisable(GL_BLEND);
  glDisable(GL_TEXTURE_2D);
  const float w = (float)screen_width, h = (float)screen_height;
  glBegin(GL_QUADS);
  glColor3f(1.0f, 1.0f, 1.0f);  // white: glows
  glVertex2f(w * 0.15f, h * 0.35f), glVertex2f(w * 0.35f, h * 0.35f);
  glVertex2f(w * 0.35f, h * 0.65f), glVertex2f(w * 0.15f, h * 0.65f);
  glColor3f(0.9f, 0.3f, 0.2f);  // red: too dark to glow
  glVertex2f(w * 0.65f, h * 0.35f), glVertex2f(w * 0.85f, h * 0.35f);
  glVertex2f(w * 0.85f, h * 0.65f), glVertex2f(w * 0.65f, h * 0.65f);
  glEnd();
  draw_sphere(w * 0.5, h * 0.5, 0.0, h * 0.08, 0xFFFFFF);
}

static int write_shot(const char* path) {
  std::vector<unsigned char> rgb((size_t)screen_width * screen_height * 3);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, screen_width, screen_height, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
  stbi_flip_vertically_on_write(1);
  return stbi_write_png(path, screen_width, screen_height, 3, rgb.data(), screen_width * 3);
}

int main(int argc, char** argv) {
  const char* effects[3] = {"glow", "blur", "none"};
  int effect = 0, frames = 0;
  const char* shot = nullptr;
  for (int i = 1; i < argc; i++) {
    if (!strcmp(argv[i], "--effect") && i + 1 < argc) {
      ++i;
      for (effect = 0; effect < 3 && strcmp(argv[i], effects[effect]); effect++) {
      }
      if (effect == 3) return fprintf(stderr, "glow_blur: --effect %s: glow, blur or none\n", argv[i]), 2;
    } else if (!strcmp(argv[i], "--frames") && i + 1 < argc) {
      frames = atoi(argv[++i]);
    } else if (!strcmp(argv[i], "--shot") && i + 1 < argc) {
      shot = argv[++i];
    } else {
      return fprintf(stderr, "glow_blur: unknown argument %s\n", argv[i]), 2;
    }
  }

  // The program's own window and a compatibility-profile context.
  if (SDL_Init(SDL_INIT_VIDEO) != 0) return fprintf(stderr, "glow_blur: %s\n", SDL_GetError()), 1;
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
  SDL_Window* window = SDL_CreateWindow("glow_blur", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, 480, 320,
                                        SDL_WINDOW_OPENGL | SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI);
  SDL_GLContext context = window ? SDL_GL_CreateContext(window) : nullptr;
  if (!context) return fprintf(stderr, "glow_blur: %s\n", SDL_GetError()), 1;

  for (int frame = 1;; frame++) {
    SDL_Event e;
    int quit = 0;
    while (SDL_PollEvent(&e)) {
      if (e.type == SDL_QUIT || (e.type == SDL_KEYDOWN && e.key.keysym.sym == SDLK_ESCAPE)) quit = 1;
      if (e.type == SDL_KEYDOWN && e.key.keysym.sym == SDLK_SPACE) effect = (effect + 1) % 3;
    }
    if (quit) break;
    // The toolkit draws in window pixels: tell it the drawable's size.
    SDL_GL_GetDrawableSize(window, &screen_width, &screen_height);
    glViewport(0, 0, screen_width, screen_height);
    draw_scene();
    if (effect == 0) screen_bloom((float)(screen_height / 40));
    if (effect == 1) screen_blur((float)(screen_height / 60));
    if (frames > 0 && frame == frames) {
      if (shot && !write_shot(shot)) return fprintf(stderr, "glow_blur: cannot write %s\n", shot), 1;
      break;
    }
    SDL_GL_SwapWindow(window);
  }
  SDL_GL_DeleteContext(context);
  SDL_DestroyWindow(window);
  SDL_Quit();
  return 0;
}
