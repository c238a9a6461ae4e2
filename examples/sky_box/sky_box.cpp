// A sky box around the viewer from a cube map the toolkit fills from a
// shading function (sky gradient, a sun, coloured bands round the horizon),
// with a mouse-look camera: drag with the left button to turn. Escape quits.
//   sky_box [--move DX,DY] [--frames N --shot FILE.png]
// --move posts one left-button drag of DX, DY pixels before the first frame,
// through SDL's event queue, as a hand on the mouse would.
#include <SDL.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "geometry/cube_map.h"
#include "shell/gl.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

// Colour of the unit direction (x, y, z), y up.
static void shade_sky(double x, double y, double z, unsigned char* rgb) {
  double up = y > 0 ? y : 0, around = atan2(z, x);
  double band = 0.5 + 0.5 * sin(5.0 * around);  // five bands round the horizon
  double sun = pow(fmax(0.0, 0.3 * x + 0.25 * y - 0.92 * z), 400.0);
  double r = y < 0 ? 0.25 + 0.1 * band : 0.35 + 0.4 * band * (1 - up) - 0.2 * up + sun;
  double g = y < 0 ? 0.2 : 0.5 + 0.2 * (1 - up) + sun;
  double b = y < 0 ? 0.15 : 0.95 - 0.3 * band * (1 - up) + sun;
  rgb[0] = (unsigned char)(255 * fmin(1.0, fmax(0.0, r)));
  rgb[1] = (unsigned char)(255 * fmin(1.0, fmax(0.0, g)));
  rgb[2] = (unsigned char)(255 * fmin(1.0, fmax(0.0, b)));
}

int main(int argc, char** argv) {
  int frames = 0, move_x = 0, move_y = 0;
  const char* shot = nullptr;
  for (int i = 1; i < argc; i++) {
    if (!strcmp(argv[i], "--frames") && i + 1 < argc) {
      frames = atoi(argv[++i]);
    } else if (!strcmp(argv[i], "--shot") && i + 1 < argc) {
      shot = argv[++i];
    } else if (!strcmp(argv[i], "--move") && i + 1 < argc &&
               sscanf(argv[i + 1], "%d,%d", &move_x, &move_y) == 2) {
      ++i;
    } else {
      return fprintf(stderr, "sky_box: bad argument %s\n", argv[i]), 2;
    }
  }
  if (SDL_Init(SDL_INIT_VIDEO) != 0) return fprintf(stderr, "sky_box: %s\n", SDL_GetError()), 1;
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
  SDL_Window* window = SDL_CreateWindow("sky_box", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, 480, 320,
                                        SDL_WINDOW_OPENGL | SDL_WINDOW_RESIZABLE);
  SDL_GLContext context = window ? SDL_GL_CreateContext(window) : nullptr;
  if (!context) return fprintf(stderr, "sky_box: %s\n", SDL_GetError()), 1;
  // 128 x 128 texels a face, 2 x 2 samples each; 0 when the GL has no room.
  uint32_t sky = make_cube_map(shade_sky, 128, 2);
  if (!sky) return fprintf(stderr, "sky_box: cannot make the cube map\n"), 1;

  if (move_x || move_y) {
    SDL_Event drag = {};
    drag.type = SDL_MOUSEMOTION;
    drag.motion.windowID = SDL_GetWindowID(window);
    drag.motion.state = SDL_BUTTON_LMASK;
    drag.motion.xrel = move_x;
    drag.motion.yrel = move_y;
    SDL_PushEvent(&drag);
  }
  double yaw = 0.0, pitch = 0.0;  // degrees
  for (int frame = 1;; frame++) {
    SDL_Event e;
    int quit = 0;
    while (SDL_PollEvent(&e)) {
      if (e.type == SDL_QUIT || (e.type == SDL_KEYDOWN && e.key.keysym.sym == SDLK_ESCAPE)) quit = 1;
      if (e.type == SDL_MOUSEMOTION && (e.motion.state & SDL_BUTTON_LMASK)) {
        yaw += 0.3 * e.motion.xrel;
        pitch = fmax(-89.0, fmin(89.0, pitch + 0.3 * e.motion.yrel));
      }
    }
    if (quit) break;
    int w = 0, h = 0;
    SDL_GL_GetDrawableSize(window, &w, &h);
    glViewport(0, 0, w, h);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(70.0, (double)w / (h > 0 ? h : 1), 0.1, 10.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glRotated(pitch, 1, 0, 0);
    glRotated(yaw, 0, 1, 0);
    draw_skybox(sky);  // clears the depth buffer after itself
    if (frames > 0 && frame == frames) {
      std::vector<unsigned char> rgb((size_t)w * h * 3);
      glPixelStorei(GL_PACK_ALIGNMENT, 1);
      glReadPixels(0, 0, w, h, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
      stbi_flip_vertically_on_write(1);
      if (shot && !stbi_write_png(shot, w, h, 3, rgb.data(), w * 3))
        return fprintf(stderr, "sky_box: cannot write %s\n", shot), 1;
      break;
    }
    SDL_GL_SwapWindow(window);
  }
  glDeleteTextures(1, &sky);
  SDL_GL_DeleteContext(context);
  SDL_DestroyWindow(window);
  SDL_Quit();
  return 0;
}
