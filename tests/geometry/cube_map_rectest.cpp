// Cube map and sky box against the recording GL layer: call order, face
// order, texel and supersample visiting orders, the truncating average, row
// layout under the unpack alignment, size 0, and the sky box stream.
#include "geometry/cube_map.h"

#include <gtest/gtest.h>
#include <math.h>

#include <vector>

#include "support/gl_recorder.h"

namespace {

struct dir {
  double x, y, z;
};
std::vector<dir> shade_log;
unsigned shade_counter;

// Records the direction; colours each texel with a running call number.
void shade_counting(double x, double y, double z, unsigned char* rgb) {
  shade_log.push_back({x, y, z});
  rgb[0] = (unsigned char)shade_counter;
  rgb[1] = (unsigned char)(shade_counter >> 8);
  rgb[2] = 7;
  shade_counter++;
}

void shade_white(double, double, double, unsigned char* rgb) { rgb[0] = rgb[1] = rgb[2] = 255; }

void start(void) {
  gl_recorder_reset();
  shade_log.clear();
  shade_counter = 0;
}

// The six directions of the face table for face coordinates (s, t).
std::vector<dir> face_directions(double s, double t) {
  double w = 1 / sqrt(s * s + 1 + t * t), sp = s * w, tp = t * w;
  return {{sp, -tp, w}, {-sp, -tp, -w}, {sp, w, tp}, {sp, -w, -tp}, {w, -tp, -sp}, {-w, -tp, sp}};
}

void expect_dirs(const std::vector<dir>& got, const std::vector<dir>& want) {
  ASSERT_EQ(got.size(), want.size());
  for (size_t i = 0; i < got.size(); i++) {
    EXPECT_NEAR(got[i].x, want[i].x, 1e-15) << "call " << i;
    EXPECT_NEAR(got[i].y, want[i].y, 1e-15) << "call " << i;
    EXPECT_NEAR(got[i].z, want[i].z, 1e-15) << "call " << i;
  }
}

const GLenum face_targets[6] = {GL_TEXTURE_CUBE_MAP_POSITIVE_Z, GL_TEXTURE_CUBE_MAP_NEGATIVE_Z,
                                GL_TEXTURE_CUBE_MAP_POSITIVE_Y, GL_TEXTURE_CUBE_MAP_NEGATIVE_Y,
                                GL_TEXTURE_CUBE_MAP_POSITIVE_X, GL_TEXTURE_CUBE_MAP_NEGATIVE_X};

}  // namespace

TEST(CubeMap, CallOrderAndTexelOrder) {
  start();
  uint32_t name = make_cube_map(shade_counting, 2, 1);
  EXPECT_EQ(name, 1u);

  std::vector<gl_call> want = {
      gl_call_of("glGenTextures", {1, 1}),
      gl_call_of("glBindTexture", {GL_TEXTURE_CUBE_MAP, 1}),
      // Rows of 6 bytes: the layout follows the unpack alignment.
      gl_call_of("glGetIntegerv", {GL_UNPACK_ALIGNMENT}),
  };
  for (GLenum target : face_targets) {
    want.push_back(gl_call_of("gluBuild2DMipmaps", {(double)target, 3, 2, 2, GL_RGB, GL_UNSIGNED_BYTE}));
  }
  want.push_back(
      gl_call_of("glTexParameteri", {GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR}));
  want.push_back(gl_call_of("glTexParameteri", {GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MAG_FILTER, GL_LINEAR}));
  EXPECT_EQ(gl_recorder_calls(), want);

  // Rows from 1 down to 0, columns from 1 down to 0, faces innermost; texel
  // centres at +-0.5. The first +Z direction is (0.5, -0.5, 1) normalised.
  std::vector<dir> want_dirs;
  const double rc[4][2] = {{1, 1}, {1, 0}, {0, 1}, {0, 0}};  // (row, col)
  for (const auto& t : rc) {
    std::vector<dir> d = face_directions(t[1] - 0.5, t[0] - 0.5);
    want_dirs.insert(want_dirs.end(), d.begin(), d.end());
  }
  expect_dirs(shade_log, want_dirs);
  EXPECT_NEAR(shade_log[0].x, 0.5 / sqrt(1.5), 1e-15);

  // Texel (row, col) of face f holds call number 6*visit + f, where visit
  // counts (1,1), (1,0), (0,1), (0,0). The GL reads tight rows here.
  std::vector<gl_call> uploads = gl_recorder_calls_named({"gluBuild2DMipmaps"});
  ASSERT_EQ(uploads.size(), 6u);
  for (int f = 0; f < 6; f++) {
    ASSERT_EQ(uploads[f].data.size(), 12u);
    for (int v = 0; v < 4; v++) {
      int row = (int)rc[v][0], col = (int)rc[v][1];
      EXPECT_EQ(uploads[f].data[3 * (row * 2 + col)], 6 * v + f)
          << "face " << f << " texel " << row << "," << col;
      EXPECT_EQ(uploads[f].data[3 * (row * 2 + col) + 2], 7);
    }
  }
  EXPECT_EQ(gl_recorder_value(GL_TEXTURE_BINDING_CUBE_MAP), (std::vector<double>{1}));
}

TEST(CubeMap, OddSizesFollowTheUnpackAlignment) {
  // Size 3 rows are 9 bytes; the GL reads them at a stride of 12 (alignment
  // 4) or 9 (alignment 1). Either way each texel must land where it was
  // shaded, and nothing may be read past the buffers (AddressSanitizer).
  for (int alignment : {4, 1, 8}) {
    start();
    gl_recorder_set_value(GL_UNPACK_ALIGNMENT, {(double)alignment});
    make_cube_map(shade_counting, 3, 0);
    std::vector<gl_call> uploads = gl_recorder_calls_named({"gluBuild2DMipmaps"});
    ASSERT_EQ(uploads.size(), 6u);
    for (int f = 0; f < 6; f++) {
      ASSERT_EQ(uploads[f].data.size(), 27u);
      int visit = 0;
      for (int row = 2; row >= 0; row--) {
        for (int col = 2; col >= 0; col--, visit++) {
          EXPECT_EQ(uploads[f].data[3 * (row * 3 + col)], 6 * visit + f)
              << "alignment " << alignment << " face " << f << " texel " << row << "," << col;
        }
      }
    }
  }
}

TEST(CubeMap, SupersampleOrderAndPositions) {
  start();
  make_cube_map(shade_counting, 1, 2);
  // Samples g = 3, 2, 1, 0 at grid cells (3, 2), (2, 0), (1, 3), (0, 1) of a
  // 4 x 4 grid over the one texel, whose face coordinates span -1 .. 1.
  std::vector<dir> want;
  const double st[4][2] = {{0.75, 0.25}, {0.25, -0.75}, {-0.25, 0.75}, {-0.75, -0.25}};
  for (const auto& p : st) {
    std::vector<dir> d = face_directions(p[0], p[1]);
    want.insert(want.end(), d.begin(), d.end());
  }
  expect_dirs(shade_log, want);
  // The stored value is the truncated average of the four call numbers.
  std::vector<gl_call> uploads = gl_recorder_calls_named({"gluBuild2DMipmaps"});
  ASSERT_EQ(uploads.size(), 6u);
  for (int f = 0; f < 6; f++) {
    // Calls f, 6+f, 12+f, 18+f: sum 36 + 4f, average 9 + f.
    EXPECT_EQ(uploads[f].data[0], 9 + f);
    EXPECT_EQ(uploads[f].data[2], 7);
  }
}

TEST(CubeMap, AverageTruncatesBelowOneOverN) {
  // The double nearest 1/n lies below 1/n for n = 9, 36, 49, 81: a full
  // sum comes out as 254. For n = 4, 16, 25, 64, 100 it stays 255.
  const int want[11] = {255, 255, 255, 254, 255, 255, 254, 254, 255, 254, 255};
  for (uint32_t samples = 0; samples <= 10; samples++) {
    start();
    make_cube_map(shade_white, 2, samples);
    std::vector<gl_call> uploads = gl_recorder_calls_named({"gluBuild2DMipmaps"});
    ASSERT_EQ(uploads.size(), 6u);
    for (const gl_call& u : uploads) {
      for (unsigned char b : u.data) ASSERT_EQ(b, want[samples]) << "samples " << samples;
    }
  }
}

TEST(CubeMap, SamplesZeroAndOneAgree) {
  start();
  make_cube_map(shade_counting, 4, 0);
  std::vector<dir> zero = shade_log;
  start();
  make_cube_map(shade_counting, 4, 1);
  ASSERT_EQ(shade_log.size(), 6u * 16);
  expect_dirs(shade_log, zero);
}

TEST(CubeMap, SizeZeroStillUploadsSixFaces) {
  start();
  uint32_t name = make_cube_map(shade_counting, 0, 3);
  EXPECT_EQ(name, 1u);
  EXPECT_TRUE(shade_log.empty());
  std::vector<gl_call> uploads = gl_recorder_calls_named({"gluBuild2DMipmaps"});
  ASSERT_EQ(uploads.size(), 6u);
  for (int f = 0; f < 6; f++) {
    EXPECT_EQ(uploads[f],
              gl_call_of("gluBuild2DMipmaps", {(double)face_targets[f], 3, 0, 0, GL_RGB, GL_UNSIGNED_BYTE}));
  }
  EXPECT_EQ(gl_recorder_count("glGetIntegerv"), 0);
}

TEST(CubeMap, RefusesSizesBeyondAGLsizei) {
  start();
  EXPECT_EQ(make_cube_map(shade_counting, 0x80000000u, 1), 0u);
  EXPECT_TRUE(gl_recorder_calls().empty());
  EXPECT_TRUE(shade_log.empty());
}

TEST(SkyBox, StreamAndStateLeftBehind) {
  gl_recorder_reset();
  gl_recorder_set_enabled(GL_LIGHTING, true);
  draw_skybox(5);
  std::vector<gl_call> want = {
      gl_call_of("glDisable", {GL_LIGHTING}),
      gl_call_of("glEnable", {GL_TEXTURE_CUBE_MAP}),
      gl_call_of("glBindTexture", {GL_TEXTURE_CUBE_MAP, 5}),
      gl_call_of("glBegin", {GL_QUADS}),
      gl_call_of("glColor3f", {1, 1, 1}),
  };
  const float corners[24][3] = {
      {1, 1, 1},    {1, 1, -1},  {1, -1, -1}, {1, -1, 1},   // x = +1
      {1, 1, 1},    {1, 1, -1},  {-1, 1, -1}, {-1, 1, 1},   // y = +1
      {1, 1, 1},    {1, -1, 1},  {-1, -1, 1}, {-1, 1, 1},   // z = +1
      {-1, -1, -1}, {-1, -1, 1}, {-1, 1, 1},  {-1, 1, -1},  // x = -1
      {-1, -1, -1}, {-1, -1, 1}, {1, -1, 1},  {1, -1, -1},  // y = -1
      {-1, -1, -1}, {-1, 1, -1}, {1, 1, -1},  {1, -1, -1},  // z = -1
  };
  for (const auto& c : corners) {
    want.push_back(gl_call_of("glTexCoord3f", {c[0], c[1], c[2]}));
    want.push_back(gl_call_of("glVertex3f", {c[0], c[1], c[2]}));
  }
  want.push_back(gl_call_of("glEnd", {}));
  want.push_back(gl_call_of("glClear", {GL_DEPTH_BUFFER_BIT}));
  want.push_back(gl_call_of("glDisable", {GL_TEXTURE_CUBE_MAP}));
  EXPECT_EQ(gl_recorder_calls(), want);
  EXPECT_FALSE(gl_recorder_enabled(GL_LIGHTING));
  EXPECT_EQ(gl_recorder_value(GL_TEXTURE_BINDING_CUBE_MAP), (std::vector<double>{5}));
}
