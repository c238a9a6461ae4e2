// Spheres, sphere octants and cylinders as quads with per-vertex normals
// (see solids.h).
#include "geometry/solids.h"

#include <math.h>
#include <stdint.h>
#include <stdlib.h>

#include "shell/gl.h"

// ---------------------------------------------------------------------------
// Angle tables: ct[k] = cos(pi*k/n), st[k] = sin(pi*k/n) for k = 0 .. count-1,
// the angle formed in extended precision from the double pi.

static const double SOLIDS_PI = 3.141592653589793;

struct angle_tables {
  double* ct;
  double* st;
};

// Allocates and fills both tables; both null when either allocation fails.
static angle_tables angle_tables_make(int64_t count, int32_t n) {
  angle_tables t = {nullptr, nullptr};
  if (count <= 0 || (uint64_t)count > SIZE_MAX / sizeof(double)) return t;
  t.ct = (double*)malloc((size_t)count * sizeof(double));
  t.st = (double*)malloc((size_t)count * sizeof(double));
  if (!t.ct || !t.st) {
    free(t.ct);
    free(t.st);
    t.ct = t.st = nullptr;
    return t;
  }
  for (int64_t k = 0; k < count; k++) {
    long double angle = (long double)SOLIDS_PI * (long double)k / (long double)n;
    t.ct[k] = (double)cosl(angle);
    t.st[k] = (double)sinl(angle);
  }
  return t;
}

static void angle_tables_free(angle_tables t) {
  free(t.ct);
  free(t.st);
}

static void send_packed_colour(int32_t rgb) {
  uint32_t c = (uint32_t)rgb;
  glColor3ub((GLubyte)((c >> 16) & 0xFF), (GLubyte)((c >> 8) & 0xFF), (GLubyte)(c & 0xFF));
}

// ---------------------------------------------------------------------------
// Spheres

// Grid point (i, j) of the sphere: y_sign +1 for the half y >= cy, -1 for the
// mirrored half.
static void sphere_point(const angle_tables& t, int32_t i, int32_t j, double y_sign, double cx, double cy,
                         double cz, double r) {
  double nx = t.st[j] * t.ct[i];
  double ny = t.st[j] * t.st[i];
  double nz = t.ct[j];
  if (y_sign < 0) {
    glNormal3d(nx, -ny, nz);
    glVertex3d(cx + r * nx, cy - r * ny, cz + r * nz);
  } else {
    glNormal3d(nx, ny, nz);
    glVertex3d(cx + r * nx, cy + r * ny, cz + r * nz);
  }
}

void emit_sphere(double cx, double cy, double cz, double r, int32_t rgb, int32_t n) {
  if (n <= 0) {
    send_packed_colour(rgb);
    return;
  }
  angle_tables t = angle_tables_make((int64_t)n + 1, n);
  if (!t.ct) return;
  send_packed_colour(rgb);
  for (int32_t i = n - 1; i >= 0; i--) {
    for (int32_t j = n - 1; j >= 0; j--) {
      for (double y_sign = 1.0; y_sign >= -1.0; y_sign -= 2.0) {
        sphere_point(t, i, j, y_sign, cx, cy, cz, r);
        sphere_point(t, i + 1, j, y_sign, cx, cy, cz, r);
        sphere_point(t, i + 1, j + 1, y_sign, cx, cy, cz, r);
        sphere_point(t, i, j + 1, y_sign, cx, cy, cz, r);
      }
    }
  }
  angle_tables_free(t);
}

void draw_sphere(double cx, double cy, double cz, double r, int32_t rgb) {
  glBegin(GL_QUADS);
  emit_sphere(cx, cy, cz, r, rgb, 10);
  glEnd();
}

static void octant_point(const angle_tables& t, int32_t i, int32_t j, double cx, double cy, double cz,
                         double r, int32_t sx, int32_t sy, int32_t sz) {
  glNormal3d(t.st[j] * t.ct[i] * sx, t.st[j] * t.st[i] * sy, t.ct[j] * sz);
  glVertex3d(cx + r * t.ct[i] * t.st[j] * sx, cy + r * t.st[i] * t.st[j] * sy, cz + r * t.ct[j] * sz);
}

void emit_sphere_octant(double cx, double cy, double cz, double r, int32_t sx, int32_t sy, int32_t sz,
                        int32_t rgb, int32_t n) {
  int32_t m = n / 2;
  if (m <= 0) {
    send_packed_colour(rgb);
    return;
  }
  angle_tables t = angle_tables_make((int64_t)m + 1, n);
  if (!t.ct) return;
  send_packed_colour(rgb);
  for (int32_t i = m - 1; i >= 0; i--) {
    for (int32_t j = m - 1; j >= 0; j--) {
      octant_point(t, i, j, cx, cy, cz, r, sx, sy, sz);
      octant_point(t, i + 1, j, cx, cy, cz, r, sx, sy, sz);
      octant_point(t, i + 1, j + 1, cx, cy, cz, r, sx, sy, sz);
      octant_point(t, i, j + 1, cx, cy, cz, r, sx, sy, sz);
    }
  }
  angle_tables_free(t);
}

// ---------------------------------------------------------------------------
// Cylinder

void emit_cylinder(double x0, double y0, double z0, double x1, double y1, double z1, double r, int32_t rgb,
                   int32_t n) {
  double dx = x1 - x0, dy = y1 - y0, dz = z1 - z0;

  // First radial axis, perpendicular to the axis of the tube.
  double ux, uy, uz, u_len;
  if (dy * dy + dz * dz <= 1e-12) {
    u_len = sqrt(dx * dx + dz * dz);
    ux = -dz / u_len;
    uy = 0.0;
    uz = dx / u_len;
  } else {
    u_len = sqrt(dy * dy + dz * dz);
    ux = 0.0;
    uy = dz / u_len;
    uz = -dy / u_len;
  }
  // Second radial axis: D x U, normalised.
  double vx = uz * dy - uy * dz;
  double vy = ux * dz - uz * dx;
  double vz = uy * dx - ux * dy;
  double v_len = sqrt(vx * vx + vy * vy + vz * vz);

  // End points that coincide (or lie so close that the squares vanish) give
  // no direction: the divisions above produced non-finite axes, and a tube
  // of NaN coordinates is no tube. Send the colour only.
  if (n <= 0 || !(u_len > 0.0) || !(v_len > 0.0) || !isfinite(u_len) || !isfinite(v_len)) {
    send_packed_colour(rgb);
    return;
  }
  vx /= v_len;
  vy /= v_len;
  vz /= v_len;

  angle_tables t = angle_tables_make((int64_t)n + 1, n);
  if (!t.ct) return;
  send_packed_colour(rgb);
  for (int32_t k = n - 1; k >= 0; k--) {
    double px0 = t.ct[k] * ux + t.st[k] * vx;
    double py0 = t.ct[k] * uy + t.st[k] * vy;
    double pz0 = t.ct[k] * uz + t.st[k] * vz;
    double px1 = t.ct[k + 1] * ux + t.st[k + 1] * vx;
    double py1 = t.ct[k + 1] * uy + t.st[k + 1] * vy;
    double pz1 = t.ct[k + 1] * uz + t.st[k + 1] * vz;
    // This half of the tube, then the opposite half with the radial
    // directions negated.
    for (double s = 1.0; s >= -1.0; s -= 2.0) {
      double ax = s * px0, ay = s * py0, az = s * pz0;
      double bx = s * px1, by = s * py1, bz = s * pz1;
      glNormal3d(ax, ay, az);
      glVertex3d(x0 + r * ax, y0 + r * ay, z0 + r * az);
      glNormal3d(ax, ay, az);
      glVertex3d(x1 + r * ax, y1 + r * ay, z1 + r * az);
      glNormal3d(bx, by, bz);
      glVertex3d(x1 + r * bx, y1 + r * by, z1 + r * bz);
      glNormal3d(bx, by, bz);
      glVertex3d(x0 + r * bx, y0 + r * by, z0 + r * bz);
    }
  }
  angle_tables_free(t);
}
