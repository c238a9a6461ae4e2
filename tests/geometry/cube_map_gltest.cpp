// Cube map and sky box on real Mesa: a cube map shaded by direction shows
// the matching colour in every view direction, the truncating average
// reaches the texture (254 for 3 samples, 255 for 2), rows that are not
// 4-byte multiples upload without shearing, and the sky box leaves the state it promises.
#include "geometry/cube_map.h"

#include <gtest/gtest.h>
#include <math.h>

#include <vector>

#include "shell/gl.h"
#include "support/headless_gl.h"

namespace {

// Colour = direction mapped from -1..1 to 0..255.
void shade_by_direction(double x, double y, double z, unsigned char* rgb) {
  rgb[0] = (unsigned char)lround((x + 1) * 127.5);
  rgb[1] = (unsigned char)lround((y + 1) * 127.5);
  rgb[2] = (unsigned char)lround((z + 1) * 127.5);
}

void shade_white(double, double, double, unsigned char* rgb) { rgb[0] = rgb[1] = rgb[2] = 255; }

unsigned shade_calls;
void shade_counting(double, double, double, unsigned char* rgb) {
  rgb[0] = (unsigned char)(shade_calls / 6);
  rgb[1] = (unsigned char)(shade_calls % 6);
  rgb[2] = 0;
  shade_calls++;
}

std::vector<unsigned char> face_texels(GLenum face, int size) {
  std::vector<unsigned char> t((size_t)size * size * 3);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(face, 0, GL_RGB, GL_UNSIGNED_BYTE, t.data());
  return t;
}

const GLenum faces[6] = {GL_TEXTURE_CUBE_MAP_POSITIVE_X, GL_TEXTURE_CUBE_MAP_NEGATIVE_X,
                         GL_TEXTURE_CUBE_MAP_POSITIVE_Y, GL_TEXTURE_CUBE_MAP_NEGATIVE_Y,
                         GL_TEXTURE_CUBE_MAP_POSITIVE_Z, GL_TEXTURE_CUBE_MAP_NEGATIVE_Z};

}  // namespace

TEST(CubeMapGl, SkyboxShowsDirectionColours) {
  const int w = 64, h = 64;
  ASSERT_TRUE(headless_gl_open(w, h));  // 90-degree perspective, square window
  GLuint tex = make_cube_map(shade_by_direction, 64, 1);
  ASSERT_NE(tex, 0u);

  // Rotations that turn the eye's -z towards each axis, and that axis.
  struct view {
    float angle, ax, ay, az;
    double dir[3];
  } views[] = {
      {0, 0, 1, 0, {0, 0, -1}},   {180, 0, 1, 0, {0, 0, 1}}, {90, 0, 1, 0, {1, 0, 0}},
      {-90, 0, 1, 0, {-1, 0, 0}}, {-90, 1, 0, 0, {0, 1, 0}}, {90, 1, 0, 0, {0, -1, 0}},
  };
  for (const view& v : views) {
    SCOPED_TRACE(testing::Message() << "looking along " << v.dir[0] << "," << v.dir[1] << "," << v.dir[2]);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glRotatef(v.angle, v.ax, v.ay, v.az);
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    draw_skybox(tex);

    std::vector<unsigned char> px(w * h * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, w, h, GL_RGB, GL_UNSIGNED_BYTE, px.data());
    // Sample the centre and points towards the corners; the eye direction of
    // a pixel is (ndc_x, ndc_y, -1), turned back into the world by the
    // transpose of the rotation.
    for (int py : {8, 32, 55}) {
      for (int pxl : {8, 32, 55}) {
        double e[3] = {(pxl + 0.5) / 32 - 1, (py + 0.5) / 32 - 1, -1};
        double d[3];
        for (int r = 0; r < 3; r++) d[r] = m[r * 4 + 0] * e[0] + m[r * 4 + 1] * e[1] + m[r * 4 + 2] * e[2];
        double len = sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
        for (int c = 0; c < 3; c++) {
          EXPECT_NEAR(px[(py * w + pxl) * 3 + c], (d[c] / len + 1) * 127.5, 4.0)
              << "pixel " << pxl << "," << py << " channel " << c;
        }
      }
    }
  }
  // State left behind: lighting and cube-map texturing off, colour white,
  // depth cleared to the far plane.
  EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_CUBE_MAP));
  GLfloat colour[4], depth = 0;
  glGetFloatv(GL_CURRENT_COLOR, colour);
  EXPECT_EQ(colour[0], 1.0f);
  EXPECT_EQ(colour[2], 1.0f);
  glReadPixels(32, 32, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
  EXPECT_EQ(depth, 1.0f);
  glLoadIdentity();
  glDeleteTextures(1, &tex);
  EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

TEST(CubeMapGl, TruncatingAverageReachesTheTexture) {
  ASSERT_TRUE(headless_gl_open(16, 16));
  for (unsigned samples : {3u, 2u}) {
    GLuint tex = make_cube_map(shade_white, 4, samples);
    ASSERT_NE(tex, 0u);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_CUBE_MAP, &bound);
    EXPECT_EQ((GLuint)bound, tex);
    for (GLenum face : faces) {
      for (unsigned char b : face_texels(face, 4))
        ASSERT_EQ(b, samples == 3 ? 254 : 255) << "samples " << samples;
    }
    glDeleteTextures(1, &tex);
  }
}

TEST(CubeMapGl, UnalignedRowsUploadWithoutShearing) {
  // Faces of 2 texels make 6-byte rows, which the GL reads at a stride of 8
  // under its default unpack alignment. (Sizes that are not powers of two
  // are rescaled by gluBuild2DMipmaps, so they cannot be compared texel by
  // texel; the recording tests cover their layout.)
  ASSERT_TRUE(headless_gl_open(16, 16));
  GLint alignment = 0;
  glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
  ASSERT_EQ(alignment, 4);
  shade_calls = 0;
  GLuint tex = make_cube_map(shade_counting, 2, 1);
  ASSERT_NE(tex, 0u);
  GLint level_w = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_CUBE_MAP_POSITIVE_Z, 0, GL_TEXTURE_WIDTH, &level_w);
  ASSERT_EQ(level_w, 2);
  // Texel (row, col) is visit (1 - row) * 2 + (1 - col); +Z is the first
  // face in the shading order (index 0), -X the last (5).
  std::vector<unsigned char> pz = face_texels(GL_TEXTURE_CUBE_MAP_POSITIVE_Z, 2);
  std::vector<unsigned char> nx = face_texels(GL_TEXTURE_CUBE_MAP_NEGATIVE_X, 2);
  for (int row = 0; row < 2; row++) {
    for (int col = 0; col < 2; col++) {
      int visit = (1 - row) * 2 + (1 - col);
      size_t i = (size_t)(row * 2 + col) * 3;
      EXPECT_EQ(pz[i], visit) << row << "," << col;
      EXPECT_EQ(pz[i + 1], 0);
      EXPECT_EQ(nx[i], visit) << row << "," << col;
      EXPECT_EQ(nx[i + 1], 5);
    }
  }
  glDeleteTextures(1, &tex);
  EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}
