// Tessellated solids against the recording GL layer: cell visiting orders,
// the mirrored half of the sphere, octant sign factors, the cylinder's radial
// axes, the packed colour, and the refusal of a cylinder without direction.
#include "geometry/solids.h"

#include <gtest/gtest.h>
#include <math.h>

#include <vector>

#include "support/gl_recorder.h"

namespace {

struct nv {
  double n[3];  // normal
  double p[3];  // position
};

// Pairs up the recorded glNormal3d/glVertex3d calls, checking they alternate.
std::vector<nv> recorded_points() {
  std::vector<nv> out;
  std::vector<gl_call> calls = gl_recorder_calls_named({"glNormal3d", "glVertex3d"});
  for (size_t i = 0; i + 1 < calls.size(); i += 2) {
    EXPECT_EQ(calls[i].name, "glNormal3d") << "call " << i;
    EXPECT_EQ(calls[i + 1].name, "glVertex3d") << "call " << i + 1;
    nv v;
    for (int k = 0; k < 3; k++) {
      v.n[k] = calls[i].args[k];
      v.p[k] = calls[i + 1].args[k];
    }
    out.push_back(v);
  }
  EXPECT_EQ(calls.size() % 2, 0u);
  return out;
}

void expect_points_near(const std::vector<nv>& got, const std::vector<nv>& want, double tol) {
  ASSERT_EQ(got.size(), want.size());
  for (size_t i = 0; i < got.size(); i++) {
    for (int k = 0; k < 3; k++) {
      EXPECT_NEAR(got[i].n[k], want[i].n[k], tol) << "normal of point " << i << " axis " << k;
      EXPECT_NEAR(got[i].p[k], want[i].p[k], tol) << "position of point " << i << " axis " << k;
    }
  }
}

// A point with unit normal (x, y, z) on the sphere of centre c and radius r.
nv on_sphere(const double* c, double r, double x, double y, double z) {
  return nv{{x, y, z}, {c[0] + r * x, c[1] + r * y, c[2] + r * z}};
}

}  // namespace

TEST(Solids, SphereWithTwoSegmentsVisitsCellsDownwards) {
  gl_recorder_reset();
  emit_sphere(1, 2, 3, 2, 0xFF123456, 2);
  const std::vector<gl_call>& calls = gl_recorder_calls();
  ASSERT_FALSE(calls.empty());
  // The top byte is ignored.
  EXPECT_EQ(calls[0], gl_call_of("glColor3ub", {0x12, 0x34, 0x56}));
  const double c[3] = {1, 2, 3};
  // Angles 0, pi/2, pi; cells (i, j) from (1, 1) down to (0, 0), each as the
  // quad for y >= cy then its mirror image.
  std::vector<nv> want = {
      on_sphere(c, 2, 0, 1, 0),  on_sphere(c, 2, -1, 0, 0), on_sphere(c, 2, 0, 0, -1),
      on_sphere(c, 2, 0, 0, -1), on_sphere(c, 2, 0, -1, 0), on_sphere(c, 2, -1, 0, 0),
      on_sphere(c, 2, 0, 0, -1), on_sphere(c, 2, 0, 0, -1), on_sphere(c, 2, 0, 0, 1),
      on_sphere(c, 2, 0, 0, 1),  on_sphere(c, 2, -1, 0, 0), on_sphere(c, 2, 0, 1, 0),
      on_sphere(c, 2, 0, 0, 1),  on_sphere(c, 2, 0, 0, 1),  on_sphere(c, 2, -1, 0, 0),
      on_sphere(c, 2, 0, -1, 0), on_sphere(c, 2, 1, 0, 0),  on_sphere(c, 2, 0, 1, 0),
      on_sphere(c, 2, 0, 0, -1), on_sphere(c, 2, 0, 0, -1), on_sphere(c, 2, 1, 0, 0),
      on_sphere(c, 2, 0, -1, 0), on_sphere(c, 2, 0, 0, -1), on_sphere(c, 2, 0, 0, -1),
      on_sphere(c, 2, 0, 0, 1),  on_sphere(c, 2, 0, 0, 1),  on_sphere(c, 2, 0, 1, 0),
      on_sphere(c, 2, 1, 0, 0),  on_sphere(c, 2, 0, 0, 1),  on_sphere(c, 2, 0, 0, 1),
      on_sphere(c, 2, 0, -1, 0), on_sphere(c, 2, 1, 0, 0),
  };
  expect_points_near(recorded_points(), want, 1e-15);
  EXPECT_EQ(calls.size(), 1 + 2 * want.size());
}

TEST(Solids, SphereDegenerateSegmentCounts) {
  // n = 1: two quads with two corners at each pole.
  gl_recorder_reset();
  emit_sphere(0, 0, 0, 1, 0x0000FF, 1);
  const double c[3] = {0, 0, 0};
  std::vector<nv> want = {on_sphere(c, 1, 0, 0, 1), on_sphere(c, 1, 0, 0, 1), on_sphere(c, 1, 0, 0, -1),
                          on_sphere(c, 1, 0, 0, -1)};
  want.insert(want.end(), want.begin(), want.end());
  expect_points_near(recorded_points(), want, 1e-15);

  // n <= 0: only the colour.
  for (int n : {0, -1, -100}) {
    gl_recorder_reset();
    emit_sphere(0, 0, 0, 1, 0x00FF00, n);
    EXPECT_EQ(gl_recorder_calls(), (std::vector<gl_call>{gl_call_of("glColor3ub", {0, 255, 0})})) << n;
  }
}

TEST(Solids, DrawSphereUsesExtendedPrecisionAngleTables) {
  gl_recorder_reset();
  draw_sphere(0.5, -1, 2, 3, 0x808080);
  const std::vector<gl_call>& calls = gl_recorder_calls();
  ASSERT_EQ(calls.size(), 3u + 200 * 4 * 2);
  EXPECT_EQ(calls.front(), gl_call_of("glBegin", {GL_QUADS}));
  EXPECT_EQ(calls[1], gl_call_of("glColor3ub", {128, 128, 128}));
  EXPECT_EQ(calls.back(), gl_call_of("glEnd", {}));

  // The tables hold cos and sin of pi*k/10 with the angle formed in long
  // double from the double pi; every coordinate must match bit for bit.
  double ct[11], st[11];
  for (int k = 0; k <= 10; k++) {
    long double a = (long double)3.141592653589793 * k / 10;
    ct[k] = (double)cosl(a);
    st[k] = (double)sinl(a);
  }
  std::vector<nv> want;
  const int di[4] = {0, 1, 1, 0}, dj[4] = {0, 0, 1, 1};
  for (int i = 9; i >= 0; i--) {
    for (int j = 9; j >= 0; j--) {
      for (int half = 0; half < 2; half++) {
        for (int v = 0; v < 4; v++) {
          int a = i + di[v], b = j + dj[v];
          double nx = st[b] * ct[a], ny = st[b] * st[a], nz = ct[b];
          if (half == 0) {
            want.push_back(nv{{nx, ny, nz}, {0.5 + 3 * nx, -1 + 3 * ny, 2 + 3 * nz}});
          } else {
            want.push_back(nv{{nx, -ny, nz}, {0.5 + 3 * nx, -1 - 3 * ny, 2 + 3 * nz}});
          }
        }
      }
    }
  }
  expect_points_near(recorded_points(), want, 0.0);
}

TEST(Solids, OctantSignFactorsAndRange) {
  // n = 4, octant below the centre in z: normals point away from the centre.
  gl_recorder_reset();
  emit_sphere_octant(1, 1, 1, 2, 1, 1, -1, 0xFFFFFF, 4);
  std::vector<nv> pts = recorded_points();
  ASSERT_EQ(pts.size(), 4u * 4);
  const double r2 = sqrt(0.5);
  // First cell visited is (1, 1): corners at angles (pi/4, pi/4), (pi/2,
  // pi/4), (pi/2, pi/2), (pi/4, pi/2).
  const double c[3] = {1, 1, 1};
  std::vector<nv> first = {on_sphere(c, 2, r2 * r2, r2 * r2, -r2), on_sphere(c, 2, 0, r2, -r2),
                           on_sphere(c, 2, 0, 1, 0), on_sphere(c, 2, r2, r2, 0)};
  expect_points_near(std::vector<nv>(pts.begin(), pts.begin() + 4), first, 1e-15);
  for (const nv& p : pts) {
    EXPECT_LE(p.n[2], 1e-15);
    EXPECT_GE(p.n[0], -1e-15);
    EXPECT_GE(p.n[1], -1e-15);
    for (int k = 0; k < 3; k++) EXPECT_NEAR(p.p[k] - c[k], 2 * p.n[k], 1e-14);
  }

  // n = 5 (m = 2): angles only up to 2*pi/5, so z never drops below cos(2pi/5).
  gl_recorder_reset();
  emit_sphere_octant(0, 0, 0, 1, 1, 1, 1, 0, 5);
  pts = recorded_points();
  ASSERT_EQ(pts.size(), 4u * 4);
  double min_z = 1;
  for (const nv& p : pts) min_z = fmin(min_z, p.n[2]);
  EXPECT_NEAR(min_z, cos(2 * M_PI / 5), 1e-15);

  // n = 1 (m = 0): colour only.
  gl_recorder_reset();
  emit_sphere_octant(0, 0, 0, 1, 1, 1, 1, 0x010203, 1);
  EXPECT_EQ(gl_recorder_calls(), (std::vector<gl_call>{gl_call_of("glColor3ub", {1, 2, 3})}));
}

TEST(Solids, CylinderAlongXHasHandComputedQuads) {
  gl_recorder_reset();
  emit_cylinder(0, 0, 0, 2, 0, 0, 0.5, 0xABCDEF, 2);
  EXPECT_EQ(gl_recorder_calls().front(), gl_call_of("glColor3ub", {0xAB, 0xCD, 0xEF}));
  // U = (0, 0, 1), V = D x U / |D x U| = (0, -1, 0); P0 = U, P1 = V, P2 = -U.
  auto pt = [](double nx, double ny, double nz, double ax) {
    return nv{{nx, ny, nz}, {ax + 0.5 * nx, 0.5 * ny, 0.5 * nz}};
  };
  std::vector<nv> want = {
      // k = 1: P1, P1, P2, P2 at A0, A1, A1, A0; then the negated half.
      pt(0, -1, 0, 0),
      pt(0, -1, 0, 2),
      pt(0, 0, -1, 2),
      pt(0, 0, -1, 0),
      pt(0, 1, 0, 0),
      pt(0, 1, 0, 2),
      pt(0, 0, 1, 2),
      pt(0, 0, 1, 0),
      // k = 0: P0, P0, P1, P1.
      pt(0, 0, 1, 0),
      pt(0, 0, 1, 2),
      pt(0, -1, 0, 2),
      pt(0, -1, 0, 0),
      pt(0, 0, -1, 0),
      pt(0, 0, -1, 2),
      pt(0, 1, 0, 2),
      pt(0, 1, 0, 0),
  };
  expect_points_near(recorded_points(), want, 1e-15);
}

TEST(Solids, CylinderOffAxisStaysOnTheTube) {
  gl_recorder_reset();
  const double a0[3] = {1, 2, 3}, a1[3] = {2, 4, 7};
  emit_cylinder(a0[0], a0[1], a0[2], a1[0], a1[1], a1[2], 0.25, 0, 4);
  std::vector<nv> pts = recorded_points();
  ASSERT_EQ(pts.size(), 8u * 4);  // 2n quads
  const double d[3] = {1, 2, 4};
  for (size_t i = 0; i < pts.size(); i++) {
    const nv& p = pts[i];
    // Unit normals perpendicular to the axis; first U has no x component.
    EXPECT_NEAR(p.n[0] * p.n[0] + p.n[1] * p.n[1] + p.n[2] * p.n[2], 1, 1e-14);
    EXPECT_NEAR(p.n[0] * d[0] + p.n[1] * d[1] + p.n[2] * d[2], 0, 1e-14);
    const double* end = (i % 4 == 1 || i % 4 == 2) ? a1 : a0;
    for (int k = 0; k < 3; k++) EXPECT_NEAR(p.p[k], end[k] + 0.25 * p.n[k], 1e-14);
  }
  // The first quad of the last step (k = 0) starts at P0 = U = (0, dz, -dy)/|..|.
  EXPECT_NEAR(pts[24].n[0], 0, 1e-15);
  EXPECT_NEAR(pts[24].n[1], 4 / sqrt(20.0), 1e-15);
  EXPECT_NEAR(pts[24].n[2], -2 / sqrt(20.0), 1e-15);
}

TEST(Solids, CylinderWithoutDirectionSendsOnlyTheColour) {
  // Equal end points, and end points so close along y that the squares of
  // the difference vanish below the axis test: no finite axes exist.
  const double ends[][6] = {{1, 2, 3, 1, 2, 3}, {0, 0, 0, 0, 1e-7, 0}, {5, 5, 5, 5, 5, 5}};
  for (const auto& e : ends) {
    gl_recorder_reset();
    emit_cylinder(e[0], e[1], e[2], e[3], e[4], e[5], 1, 0x102030, 6);
    EXPECT_EQ(gl_recorder_calls(), (std::vector<gl_call>{gl_call_of("glColor3ub", {0x10, 0x20, 0x30})}));
  }
  // A tiny but real direction along x still draws.
  gl_recorder_reset();
  emit_cylinder(0, 0, 0, 1e-9, 0, 0, 1, 0, 3);
  EXPECT_EQ(gl_recorder_count("glVertex3d"), 2 * 3 * 4);
  for (const nv& p : recorded_points()) {
    for (int k = 0; k < 3; k++) EXPECT_TRUE(isfinite(p.p[k]) && isfinite(p.n[k]));
  }
}
