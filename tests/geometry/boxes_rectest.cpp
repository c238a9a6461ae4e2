// Box emitters against the recording GL layer: face and edge orders, normals
// before each face, texture coordinates before each vertex, the argument order
// (x0, x1, y0, y1, z0, z1), and cube bounds from a negative or zero size.
#include "geometry/boxes.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/gl_recorder.h"

namespace {

// The face table of the solid box: the normal, then four corners given as
// (x1?, y1?, z1?) selectors, 0 for the low bound and 1 for the high one.
struct face_row {
  float normal[3];
  int corner[4][3];
};
const face_row solid_faces[6] = {
    {{0, 0, -1}, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}},
    {{0, 0, 1}, {{0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}}},
    {{0, -1, 0}, {{0, 0, 0}, {1, 0, 0}, {1, 0, 1}, {0, 0, 1}}},
    {{0, 1, 0}, {{0, 1, 0}, {1, 1, 0}, {1, 1, 1}, {0, 1, 1}}},
    {{-1, 0, 0}, {{0, 0, 0}, {0, 1, 0}, {0, 1, 1}, {0, 0, 1}}},
    {{1, 0, 0}, {{1, 0, 0}, {1, 1, 0}, {1, 1, 1}, {1, 0, 1}}},
};

// The edge table of the wire box, as corner selectors.
const int wire_edges[12][2][3] = {
    {{0, 0, 0}, {1, 0, 0}}, {{0, 0, 1}, {1, 0, 1}}, {{0, 1, 0}, {1, 1, 0}}, {{0, 1, 1}, {1, 1, 1}},
    {{0, 0, 0}, {0, 1, 0}}, {{0, 0, 1}, {0, 1, 1}}, {{1, 0, 0}, {1, 1, 0}}, {{1, 0, 1}, {1, 1, 1}},
    {{0, 0, 0}, {0, 0, 1}}, {{0, 1, 0}, {0, 1, 1}}, {{1, 0, 0}, {1, 0, 1}}, {{1, 1, 0}, {1, 1, 1}},
};

struct bounds {
  double x[2], y[2], z[2];
};

gl_call vertex_at(const bounds& b, const int* c) {
  return gl_call_of("glVertex3d", {b.x[c[0]], b.y[c[1]], b.z[c[2]]});
}

std::vector<gl_call> expected_solid(const bounds& b, bool textured) {
  const float tex[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  std::vector<gl_call> calls;
  for (const face_row& f : solid_faces) {
    calls.push_back(gl_call_of("glNormal3f", {f.normal[0], f.normal[1], f.normal[2]}));
    for (int v = 0; v < 4; v++) {
      if (textured) calls.push_back(gl_call_of("glTexCoord2f", {tex[v][0], tex[v][1]}));
      calls.push_back(vertex_at(b, f.corner[v]));
    }
  }
  return calls;
}

std::vector<gl_call> expected_wire(const bounds& b) {
  std::vector<gl_call> calls;
  for (const auto& e : wire_edges) {
    calls.push_back(vertex_at(b, e[0]));
    calls.push_back(vertex_at(b, e[1]));
  }
  return calls;
}

}  // namespace

TEST(BoxEmitters, SolidBoxFacesInOrder) {
  gl_recorder_reset();
  emit_box_solid(0, 1, 2, 3, 4, 5);
  // Low and high bound per axis: the box from (0, 2, 4) to (1, 3, 5).
  EXPECT_EQ(gl_recorder_calls(), expected_solid({{0, 1}, {2, 3}, {4, 5}}, false));
  // The first face spelled out, as a check on the table expansion itself.
  const std::vector<gl_call>& calls = gl_recorder_calls();
  ASSERT_EQ(calls.size(), 30u);
  EXPECT_EQ(calls[0], gl_call_of("glNormal3f", {0, 0, -1}));
  EXPECT_EQ(calls[1], gl_call_of("glVertex3d", {0, 2, 4}));
  EXPECT_EQ(calls[2], gl_call_of("glVertex3d", {1, 2, 4}));
  EXPECT_EQ(calls[3], gl_call_of("glVertex3d", {1, 3, 4}));
  EXPECT_EQ(calls[4], gl_call_of("glVertex3d", {0, 3, 4}));
  EXPECT_EQ(calls[29], gl_call_of("glVertex3d", {1, 2, 5}));
}

TEST(BoxEmitters, SolidBoxDoesNotSortBoundsOrSkipFlatBoxes) {
  gl_recorder_reset();
  emit_box_solid(7, -2, 0.5, 0.5, -1, 1);
  EXPECT_EQ(gl_recorder_calls(), expected_solid({{7, -2}, {0.5, 0.5}, {-1, 1}}, false));
  EXPECT_EQ(gl_recorder_count("glVertex3d"), 24);
}

TEST(BoxEmitters, WireBoxEdgesAlongXThenYThenZ) {
  gl_recorder_reset();
  emit_box_wire(0, 1, 2, 3, 4, 5);
  EXPECT_EQ(gl_recorder_calls(), expected_wire({{0, 1}, {2, 3}, {4, 5}}));
  const std::vector<gl_call>& calls = gl_recorder_calls();
  ASSERT_EQ(calls.size(), 24u);
  // Edge 5, the first along y, and edge 12, the last along z.
  EXPECT_EQ(calls[8], gl_call_of("glVertex3d", {0, 2, 4}));
  EXPECT_EQ(calls[9], gl_call_of("glVertex3d", {0, 3, 4}));
  EXPECT_EQ(calls[22], gl_call_of("glVertex3d", {1, 3, 4}));
  EXPECT_EQ(calls[23], gl_call_of("glVertex3d", {1, 3, 5}));
}

TEST(BoxEmitters, CubeFromCornerAndSize) {
  gl_recorder_reset();
  emit_cube_lit(10, 20, 30, 2.5);
  EXPECT_EQ(gl_recorder_calls(), expected_solid({{10, 12.5}, {20, 22.5}, {30, 32.5}}, false));

  // A negative size extends towards smaller coordinates; the normals stay
  // along the fixed axes.
  gl_recorder_reset();
  emit_cube_lit(1, 1, 1, -3);
  EXPECT_EQ(gl_recorder_calls(), expected_solid({{1, -2}, {1, -2}, {1, -2}}, false));

  // Size 0: 24 vertices all at the corner.
  gl_recorder_reset();
  emit_cube_lit(4, 5, 6, 0);
  EXPECT_EQ(gl_recorder_count("glVertex3d"), 24);
  for (const gl_call& c : gl_recorder_calls_named({"glVertex3d"}))
    EXPECT_EQ(c, gl_call_of("glVertex3d", {4, 5, 6}));
}

TEST(BoxEmitters, TexturedCubeCarriesWholeTexturePerFace) {
  gl_recorder_reset();
  emit_cube_textured(-1, 0, 1, 2);
  EXPECT_EQ(gl_recorder_calls(), expected_solid({{-1, 1}, {0, 2}, {1, 3}}, true));
  // The last calls leave normal (1, 0, 0) and texture coordinate (0, 1) current.
  EXPECT_EQ(gl_recorder_value(GL_CURRENT_NORMAL), (std::vector<double>{1, 0, 0}));
  EXPECT_EQ(gl_recorder_value(GL_CURRENT_TEXTURE_COORDS), (std::vector<double>{0, 1, 0, 1}));
}
