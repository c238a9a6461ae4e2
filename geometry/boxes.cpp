// Box and cube vertex emitters (see boxes.h). Straight runs of GL calls: the
// box field sends 10000 of them into one display list.
#include "geometry/boxes.h"

#include "shell/gl.h"

// ---------------------------------------------------------------------------
// Solid faces, shared by the box and the cube variants. Each face lists its
// corners with the first of its two free coordinates varying first.

static void emit_solid_faces(double x0, double x1, double y0, double y1, double z0, double z1) {
  glNormal3f(0.0f, 0.0f, -1.0f);
  glVertex3d(x0, y0, z0);
  glVertex3d(x1, y0, z0);
  glVertex3d(x1, y1, z0);
  glVertex3d(x0, y1, z0);

  glNormal3f(0.0f, 0.0f, 1.0f);
  glVertex3d(x0, y0, z1);
  glVertex3d(x1, y0, z1);
  glVertex3d(x1, y1, z1);
  glVertex3d(x0, y1, z1);

  glNormal3f(0.0f, -1.0f, 0.0f);
  glVertex3d(x0, y0, z0);
  glVertex3d(x1, y0, z0);
  glVertex3d(x1, y0, z1);
  glVertex3d(x0, y0, z1);

  glNormal3f(0.0f, 1.0f, 0.0f);
  glVertex3d(x0, y1, z0);
  glVertex3d(x1, y1, z0);
  glVertex3d(x1, y1, z1);
  glVertex3d(x0, y1, z1);

  glNormal3f(-1.0f, 0.0f, 0.0f);
  glVertex3d(x0, y0, z0);
  glVertex3d(x0, y1, z0);
  glVertex3d(x0, y1, z1);
  glVertex3d(x0, y0, z1);

  glNormal3f(1.0f, 0.0f, 0.0f);
  glVertex3d(x1, y0, z0);
  glVertex3d(x1, y1, z0);
  glVertex3d(x1, y1, z1);
  glVertex3d(x1, y0, z1);
}

void emit_box_solid(double x0, double x1, double y0, double y1, double z0, double z1) {
  emit_solid_faces(x0, x1, y0, y1, z0, z1);
}

void emit_cube_lit(double x, double y, double z, double size) {
  emit_solid_faces(x, x + size, y, y + size, z, z + size);
}

// ---------------------------------------------------------------------------
// Textured cube: the whole texture once per face, (0, 0) at the face's first
// corner.

static void emit_textured_face(double ax, double ay, double az, double bx, double by, double bz, double cx,
                               double cy, double cz, double dx, double dy, double dz) {
  glTexCoord2f(0.0f, 0.0f);
  glVertex3d(ax, ay, az);
  glTexCoord2f(1.0f, 0.0f);
  glVertex3d(bx, by, bz);
  glTexCoord2f(1.0f, 1.0f);
  glVertex3d(cx, cy, cz);
  glTexCoord2f(0.0f, 1.0f);
  glVertex3d(dx, dy, dz);
}

void emit_cube_textured(double x, double y, double z, double size) {
  double x0 = x, x1 = x + size;
  double y0 = y, y1 = y + size;
  double z0 = z, z1 = z + size;
  glNormal3f(0.0f, 0.0f, -1.0f);
  emit_textured_face(x0, y0, z0, x1, y0, z0, x1, y1, z0, x0, y1, z0);
  glNormal3f(0.0f, 0.0f, 1.0f);
  emit_textured_face(x0, y0, z1, x1, y0, z1, x1, y1, z1, x0, y1, z1);
  glNormal3f(0.0f, -1.0f, 0.0f);
  emit_textured_face(x0, y0, z0, x1, y0, z0, x1, y0, z1, x0, y0, z1);
  glNormal3f(0.0f, 1.0f, 0.0f);
  emit_textured_face(x0, y1, z0, x1, y1, z0, x1, y1, z1, x0, y1, z1);
  glNormal3f(-1.0f, 0.0f, 0.0f);
  emit_textured_face(x0, y0, z0, x0, y1, z0, x0, y1, z1, x0, y0, z1);
  glNormal3f(1.0f, 0.0f, 0.0f);
  emit_textured_face(x1, y0, z0, x1, y1, z0, x1, y1, z1, x1, y0, z1);
}

// ---------------------------------------------------------------------------
// Wire box

void emit_box_wire(double x0, double x1, double y0, double y1, double z0, double z1) {
  // Along x.
  glVertex3d(x0, y0, z0);
  glVertex3d(x1, y0, z0);
  glVertex3d(x0, y0, z1);
  glVertex3d(x1, y0, z1);
  glVertex3d(x0, y1, z0);
  glVertex3d(x1, y1, z0);
  glVertex3d(x0, y1, z1);
  glVertex3d(x1, y1, z1);
  // Along y.
  glVertex3d(x0, y0, z0);
  glVertex3d(x0, y1, z0);
  glVertex3d(x0, y0, z1);
  glVertex3d(x0, y1, z1);
  glVertex3d(x1, y0, z0);
  glVertex3d(x1, y1, z0);
  glVertex3d(x1, y0, z1);
  glVertex3d(x1, y1, z1);
  // Along z.
  glVertex3d(x0, y0, z0);
  glVertex3d(x0, y0, z1);
  glVertex3d(x0, y1, z0);
  glVertex3d(x0, y1, z1);
  glVertex3d(x1, y0, z0);
  glVertex3d(x1, y0, z1);
  glVertex3d(x1, y1, z0);
  glVertex3d(x1, y1, z1);
}
