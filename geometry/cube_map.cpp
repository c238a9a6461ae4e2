// Procedural cube map and sky box (see cube_map.h).
#include "geometry/cube_map.h"

#include <math.h>
#include <stdlib.h>
#include <string.h>

#include "shell/gl.h"

// ---------------------------------------------------------------------------
// Faces, in the order they are allocated, filled and uploaded. Each maps the
// face coordinates (s, t) to the normalised direction cube-map texturing
// assigns to that texel: with w = 1/sqrt(s^2 + 1 + t^2), sp = s*w, tp = t*w.

enum { CUBE_FACES = 6 };

static const GLenum cube_face_targets[CUBE_FACES] = {
    GL_TEXTURE_CUBE_MAP_POSITIVE_Z, GL_TEXTURE_CUBE_MAP_NEGATIVE_Z, GL_TEXTURE_CUBE_MAP_POSITIVE_Y,
    GL_TEXTURE_CUBE_MAP_NEGATIVE_Y, GL_TEXTURE_CUBE_MAP_POSITIVE_X, GL_TEXTURE_CUBE_MAP_NEGATIVE_X,
};

// Calls shade for the texel direction (s, t) on every face, face f writing
// to out[f].
static void shade_all_faces(cube_map_shade_fn shade, double s, double t,
                            unsigned char* const out[CUBE_FACES]) {
  double w = 1.0 / sqrt(s * s + 1.0 + t * t);
  double sp = s * w;
  double tp = t * w;
  shade(sp, -tp, w, out[0]);
  shade(-sp, -tp, -w, out[1]);
  shade(sp, w, tp, out[2]);
  shade(sp, -w, -tp, out[3]);
  shade(w, -tp, -sp, out[4]);
  shade(-w, -tp, sp, out[5]);
}

// ---------------------------------------------------------------------------
// make_cube_map

uint32_t make_cube_map(cube_map_shade_fn shade, uint32_t size, uint32_t samples) {
  // gluBuild2DMipmaps takes the size as a GLsizei, and the face buffers must
  // be describable as a size_t: refuse anything larger before touching GL.
  if (size > 0x7FFFFFFFu) return 0;
  size_t row_bytes = 3 * (size_t)size;
  if (size != 0 && row_bytes / 3 != size) return 0;

  GLuint name = 0;
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_CUBE_MAP, name);

  // The GL reads each row of an upload from an address aligned to
  // GL_UNPACK_ALIGNMENT (4 by default). A row of 3*size bytes that is not a
  // multiple of 8 may need padding, so the rows are laid out at the stride the
  // GL will use; otherwise odd sizes would shear the image and read past the
  // end of the buffer.
  size_t stride = row_bytes;
  if (row_bytes % 8 != 0) {
    GLint alignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    if (alignment < 1) alignment = 1;
    stride = (row_bytes + (size_t)alignment - 1) / (size_t)alignment * (size_t)alignment;
  }
  size_t face_bytes = stride * (size_t)size;
  if (size != 0 && face_bytes / size != stride) {
    glDeleteTextures(1, &name);
    return 0;
  }

  // At least one byte each, so that a size of 0 still has buffers to upload.
  unsigned char* faces[CUBE_FACES] = {nullptr};
  bool allocated = true;
  for (int f = 0; f < CUBE_FACES; f++) {
    faces[f] = (unsigned char*)malloc(face_bytes ? face_bytes : 1);
    if (!faces[f]) allocated = false;
  }
  if (!allocated) {
    for (int f = 0; f < CUBE_FACES; f++) free(faces[f]);
    glDeleteTextures(1, &name);
    return 0;
  }
  // Padding bytes at the ends of rows are never shaded; keep them defined.
  if (stride != row_bytes) {
    for (int f = 0; f < CUBE_FACES; f++) memset(faces[f], 0, face_bytes);
  }

  double half = 0.5 * size;
  if (samples <= 1) {
    for (uint32_t row = size; row-- > 0;) {
      for (uint32_t col = size; col-- > 0;) {
        size_t at = row * stride + 3 * (size_t)col;
        unsigned char* out[CUBE_FACES];
        for (int f = 0; f < CUBE_FACES; f++) out[f] = faces[f] + at;
        double s = (col + 0.5 - half) / half;
        double t = (row + 0.5 - half) / half;
        shade_all_faces(shade, s, t, out);
      }
    }
  } else {
    // n samples on an n x n grid over the texel, one per grid column and
    // row. The average multiplies by the double nearest 1/n in extended
    // precision and truncates, so a sum of n * 255 can come out as 254.
    uint64_t n = (uint64_t)samples * samples;
    volatile double inv_n_double = 1.0 / (double)n;
    const long double inv_n = inv_n_double;
    unsigned char scratch[3 * CUBE_FACES];
    unsigned char* out[CUBE_FACES];
    for (int f = 0; f < CUBE_FACES; f++) out[f] = scratch + 3 * f;
    for (uint32_t row = size; row-- > 0;) {
      for (uint32_t col = size; col-- > 0;) {
        double sum[3 * CUBE_FACES] = {0};
        for (uint64_t g = n; g-- > 0;) {
          uint64_t q = g / samples;
          uint64_t r = g % samples;
          double fx = ((double)g + 0.5) / (double)n;
          double fy = ((double)(samples * r + samples - 1 - q) + 0.5) / (double)n;
          double s = (((double)col - half) + fx) / half;
          double t = (((double)row - half) + fy) / half;
          shade_all_faces(shade, s, t, out);
          for (int k = 0; k < 3 * CUBE_FACES; k++) sum[k] += scratch[k];
        }
        size_t at = row * stride + 3 * (size_t)col;
        for (int f = 0; f < CUBE_FACES; f++) {
          for (int c = 0; c < 3; c++) {
            faces[f][at + c] = (unsigned char)(unsigned)((long double)sum[3 * f + c] * inv_n);
          }
        }
      }
    }
  }

  for (int f = 0; f < CUBE_FACES; f++) {
    gluBuild2DMipmaps(cube_face_targets[f], 3, (GLsizei)size, (GLsizei)size, GL_RGB, GL_UNSIGNED_BYTE,
                      faces[f]);
  }
  glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
  glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  for (int f = 0; f < CUBE_FACES; f++) free(faces[f]);
  return name;
}

// ---------------------------------------------------------------------------
// draw_skybox

static void skybox_corner(float x, float y, float z) {
  glTexCoord3f(x, y, z);
  glVertex3f(x, y, z);
}

void draw_skybox(uint32_t texture) {
  glDisable(GL_LIGHTING);
  glEnable(GL_TEXTURE_CUBE_MAP);
  glBindTexture(GL_TEXTURE_CUBE_MAP, texture);
  glBegin(GL_QUADS);
  glColor3f(1.0f, 1.0f, 1.0f);
  // x = +1
  skybox_corner(1, 1, 1);
  skybox_corner(1, 1, -1);
  skybox_corner(1, -1, -1);
  skybox_corner(1, -1, 1);
  // y = +1
  skybox_corner(1, 1, 1);
  skybox_corner(1, 1, -1);
  skybox_corner(-1, 1, -1);
  skybox_corner(-1, 1, 1);
  // z = +1
  skybox_corner(1, 1, 1);
  skybox_corner(1, -1, 1);
  skybox_corner(-1, -1, 1);
  skybox_corner(-1, 1, 1);
  // x = -1
  skybox_corner(-1, -1, -1);
  skybox_corner(-1, -1, 1);
  skybox_corner(-1, 1, 1);
  skybox_corner(-1, 1, -1);
  // y = -1
  skybox_corner(-1, -1, -1);
  skybox_corner(-1, -1, 1);
  skybox_corner(1, -1, 1);
  skybox_corner(1, -1, -1);
  // z = -1
  skybox_corner(-1, -1, -1);
  skybox_corner(-1, 1, -1);
  skybox_corner(1, 1, -1);
  skybox_corner(1, -1, -1);
  glEnd();
  glClear(GL_DEPTH_BUFFER_BIT);
  glDisable(GL_TEXTURE_CUBE_MAP);
}
