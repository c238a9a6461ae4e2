// Flat drawing primitives (see shapes_2d.h).
#include "geometry/shapes_2d.h"

#include "shell/gl.h"
#include "shell/window.h"

// Sends a packed 0xRRGGBB colour; the top byte is ignored.
static void send_packed_colour(int32_t rgb) {
  uint32_t c = (uint32_t)rgb;
  glColor3ub((GLubyte)((c >> 16) & 0xFF), (GLubyte)((c >> 8) & 0xFF), (GLubyte)(c & 0xFF));
}

// ---------------------------------------------------------------------------
// Points and lines

void draw_point_2d(double x, double y, int32_t rgb) {
  glBegin(GL_POINTS);
  send_packed_colour(rgb);
  glVertex2d(x, y);
  glEnd();
}

void emit_line_2d(double x0, double y0, double x1, double y1, int32_t rgb) {
  send_packed_colour(rgb);
  glVertex2d(x0, y0);
  glVertex2d(x1, y1);
}

void draw_line_2d(double x0, double y0, double x1, double y1, int32_t rgb) {
  // Lit lines would take their shade from the current normal: switch
  // lighting off for the line and back on only if it was on.
  GLboolean lit = glIsEnabled(GL_LIGHTING);
  glDisable(GL_LIGHTING);
  glBegin(GL_LINES);
  emit_line_2d(x0, y0, x1, y1, rgb);
  glEnd();
  if (lit) glEnable(GL_LIGHTING);
}

// ---------------------------------------------------------------------------
// Rectangles: corners top-left, top-right, bottom-right, bottom-left in the
// overlay for positive extents.

static void rect_corners(double x, double y, double w, double h) {
  glVertex2d(x, y);
  glVertex2d(x + w, y);
  glVertex2d(x + w, y + h);
  glVertex2d(x, y + h);
}

void emit_rect_2d(double x, double y, double w, double h, int32_t rgb) {
  send_packed_colour(rgb);
  rect_corners(x, y, w, h);
}

void draw_rect_2d(double x, double y, double w, double h, int32_t rgb) {
  glBegin(GL_QUADS);
  emit_rect_2d(x, y, w, h, rgb);
  glEnd();
}

void draw_rect_outline_2d(double x, double y, double w, double h, int32_t rgb) {
  glBegin(GL_LINE_LOOP);
  emit_rect_2d(x, y, w, h, rgb);
  glEnd();
}

// ---------------------------------------------------------------------------
// Mouse marker

void draw_mouse_marker(void) {
  int32_t d1 = screen_width / 200;
  int32_t d2 = screen_width / 100;
  float start_x = (float)(mouse_x + 0.1);
  float start_y = (float)(mouse_y + 0.1);
  GLboolean lit = glIsEnabled(GL_LIGHTING);
  glDisable(GL_LIGHTING);
  glBegin(GL_LINES);
  glColor3f(1.0f, 1.0f, 1.0f);
  glVertex2f(start_x, start_y);
  glVertex2f((float)(mouse_x + d1), start_y);
  glVertex2f(start_x, start_y);
  glVertex2f(start_x, (float)(mouse_y + d1));
  glVertex2f(start_x, start_y);
  glVertex2f((float)(mouse_x + d2), (float)(mouse_y + d2));
  glEnd();
  if (lit) glEnable(GL_LIGHTING);
}
