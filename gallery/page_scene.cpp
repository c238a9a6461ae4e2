// The gallery's 3D pages (see page_scene.h): the sky box with lit solids, and
// text mapped onto a cylinder and a ribbon. Depends on geometry/cube_map,
// geometry/solids, text/text_draw, font/font_registry, gallery/gallery_ui and
// GL.
#include "gallery/page_scene.h"

#include <math.h>

#include "font/font_registry.h"
#include "gallery/gallery_ui.h"
#include "geometry/cube_map.h"
#include "geometry/solids.h"
#include "shell/gl.h"
#include "shell/window.h"
#include "text/text_draw.h"

static const double PI = 3.14159265358979323846;

// Direction towards the sun (unit length): low in the sky, ahead, so that the
// camera's start (yaw 24, pitch 9 degrees) sees it in the upper left.
static const double SUN_X = -0.0274;
static const double SUN_Y = 0.2263;
static const double SUN_Z = -0.9737;

static uint32_t sky_texture = 0;

// ---------------------------------------------------------------------------
// The sky

static double mix(double a, double b, double k) { return a + (b - a) * k; }

static unsigned char to_byte(double c) {
  if (c <= 0.0) return 0;
  if (c >= 1.0) return 255;
  return (unsigned char)(c * 255.0 + 0.5);
}

void sky_shade(double x, double y, double z, unsigned char* rgb) {
  double r, g, b;
  if (y >= 0.0) {
    // Pale at the horizon, deep blue overhead.
    double k = sqrt(y);
    r = mix(0.80, 0.10, k);
    g = mix(0.87, 0.30, k);
    b = mix(0.96, 0.72, k);
  } else {
    // Hazy green-brown ground, darker below.
    double k = pow(-y, 0.45);
    r = mix(0.42, 0.12, k);
    g = mix(0.46, 0.16, k);
    b = mix(0.38, 0.10, k);
  }
  double d = x * SUN_X + y * SUN_Y + z * SUN_Z;
  if (d > 0.0) {
    double glow = 0.55 * pow(d, 400.0) + 0.30 * pow(d, 24.0) + 0.12 * pow(d, 4.0);
    r += glow * 1.00;
    g += glow * 0.82;
    b += glow * 0.55;
  }
  // The disc: a little under two degrees across, edged by the supersampling.
  if (d > 0.99955) {
    r = 1.0;
    g = 0.98;
    b = 0.90;
  }
  rgb[0] = to_byte(r);
  rgb[1] = to_byte(g);
  rgb[2] = to_byte(b);
}

int scene_pages_init(void) {
  sky_texture = make_cube_map(sky_shade, SKY_MAP_SIZE, SKY_MAP_SAMPLES);
  return sky_texture != 0;
}

// ---------------------------------------------------------------------------
// Lighting

// The sun (fixed in the world: call after the camera) and a dimmer fill
// light from over the viewer's shoulder, so the sides facing the camera show
// their shape although the sun lights them from behind.
static void lights_on(void) {
  const GLfloat fill_direction[4] = {0.35f, 0.6f, 1.0f, 0.0f};
  const GLfloat fill[4] = {0.5f, 0.52f, 0.58f, 1.0f};
  const GLfloat none[4] = {0.0f, 0.0f, 0.0f, 1.0f};
  glPushMatrix();
  glLoadIdentity();
  glLightfv(GL_LIGHT1, GL_POSITION, fill_direction);
  glPopMatrix();
  glLightfv(GL_LIGHT1, GL_DIFFUSE, fill);
  glLightfv(GL_LIGHT1, GL_SPECULAR, none);
  glEnable(GL_LIGHT1);
  const GLfloat sun[4] = {(GLfloat)SUN_X, (GLfloat)SUN_Y, (GLfloat)SUN_Z, 0.0f};
  const GLfloat diffuse[4] = {1.0f, 0.94f, 0.84f, 1.0f};
  const GLfloat specular[4] = {1.0f, 1.0f, 1.0f, 1.0f};
  const GLfloat ambient[4] = {0.18f, 0.2f, 0.26f, 1.0f};
  const GLfloat shine[4] = {0.55f, 0.55f, 0.55f, 1.0f};
  // The position goes through the current model-view matrix: set after the
  // camera, the sun stays put in the world.
  glLightfv(GL_LIGHT0, GL_POSITION, sun);
  glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
  glLightfv(GL_LIGHT0, GL_SPECULAR, specular);
  glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
  glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, shine);
  glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 40.0f);
  glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
  glEnable(GL_COLOR_MATERIAL);
  glEnable(GL_LIGHT0);
  glEnable(GL_LIGHTING);
}

static void lights_off(void) {
  glDisable(GL_LIGHTING);
  glDisable(GL_LIGHT0);
  glDisable(GL_LIGHT1);
  glDisable(GL_COLOR_MATERIAL);
}

// The camera: pitch down, then yaw (degrees), at distance from the origin.
static void camera(double pitch, double yaw, double distance, double lift) {
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glTranslated(0.0, -lift, -distance);
  glRotated(pitch, 1.0, 0.0, 0.0);
  glRotated(yaw, 0.0, 1.0, 0.0);
}

// ---------------------------------------------------------------------------
// Sky page

// The solids, centred on the origin with y up.
static void draw_solids(void) {
  // Spheres have their poles on z: turn them to stand on y.
  glPushMatrix();
  glRotated(-90.0, 1.0, 0.0, 0.0);
  glBegin(GL_QUADS);
  emit_sphere(0.0, 0.0, 0.0, 1.15, 0xd8482c, 24);
  glEnd();
  draw_sphere(2.7, 0.0, -0.35, 0.6, 0x3fae5a);  // the fixed n = 10 sphere
  glPopMatrix();

  // A sphere of seven octants, the eighth lifted out of it.
  const double ox = -2.7, oy = 0.0, oz = 0.0, r = 0.95;
  glBegin(GL_QUADS);
  for (int k = 0; k < 8; k++) {
    int sx = (k & 1) ? 1 : -1, sy = (k & 2) ? 1 : -1, sz = (k & 4) ? 1 : -1;
    double lift = (sx > 0 && sy > 0 && sz > 0) ? 0.45 : 0.0;
    emit_sphere_octant(ox + lift, oy + lift, oz + lift, r, sx, sy, sz, 0x4a7fd8, 16);
  }
  glEnd();

  // Cylinders: three axes through the big sphere, a diagonal rod and an
  // open tube under it.
  glBegin(GL_QUADS);
  emit_cylinder(-1.9, 0.0, 0.0, 1.9, 0.0, 0.0, 0.07, 0xe8e0c8, 12);
  emit_cylinder(0.0, -1.9, 0.0, 0.0, 1.9, 0.0, 0.07, 0xe8e0c8, 12);
  emit_cylinder(0.0, 0.0, -1.9, 0.0, 0.0, 1.9, 0.07, 0xe8e0c8, 12);
  emit_cylinder(1.6, -1.6, 1.2, 3.4, 1.3, -1.4, 0.12, 0xd8b040, 10);
  emit_cylinder(0.0, -2.3, 0.0, 0.0, -1.75, 0.0, 0.85, 0x8a6ad0, 24);
  glEnd();
}

void draw_sky_page(double t) {
  const double pitch = 9.0, yaw = 24.0 + 9.0 * t;
  // The sky box turns with the camera but does not move with it.
  camera(pitch, yaw, 0.0, 0.0);
  draw_skybox(sky_texture);
  camera(pitch, yaw, 7.2, 0.2);
  lights_on();
  draw_solids();
  lights_off();

  // The two captions, each wrapped at the right edge, on a veil as tall as
  // they come out (two lines on wide screens, more on narrow ones).
  static const char* const CAPTIONS[2] = {
      "make_cube_map(sky_shade, 128, 2): 128 x 128 texels a face, 2 x 2 samples each;  draw_skybox",
      "emit_sphere n=24 (red), draw_sphere n=10 (green), 8 x emit_sphere_octant (blue), 5 x emit_cylinder"};
  const int32_t left = gallery_px(12), right = screen_width - left, gap = gallery_px(6);
  int32_t heights[2], total = left, width = 0;
  for (int i = 0; i < 2; i++) {
    gallery_text_box(gallery_font_small, left, right, CAPTIONS[i], &width, &heights[i]);
    total += heights[i] + gap;
  }
  int32_t y = screen_height - gallery_footer_height - total;
  gallery_veil(0, y, screen_width, total, 0x101420, 0.6);
  y += gap;
  for (int i = 0; i < 2; i++) {
    gallery_text_wrapped(gallery_font_small, left, y, right, CAPTIONS[i], 0xf0f0f0);
    y += heights[i] + gap;
  }
}

// ---------------------------------------------------------------------------
// Mapped text page

static const char* const CYLINDER_TEXT = "round and round ~ draw_text_mapped ~ ";
static const char* const RIBBON_TEXT = "text waving on a ribbon";

// State the map functions read: plain function pointers carry none.
static double map_total_u = 1.0;  // u of the whole text
static double map_spin = 0.0;     // turn of the cylinder, radians
static double map_phase = 0.0;    // phase of the ribbon's wave
static double map_radius = 1.0;   // radius the text goes round at

// World units per unit of u and of v: glyphs keep their proportions.
static const double GLYPH_SIZE = 1.3;
static const double RIBBON_SIZE = 1.15;
// Top of the text round the drum, and the drum's ends.
static const double CYL_TEXT_TOP = 1.85;
static const double CYL_BOTTOM = 0.35, CYL_TOP = 2.0;

// The u of a text: glyph widths over the line height, as draw_text_mapped
// lays it out.
static double text_u(const char* text) {
  double u = 0.0;
  for (const char* p = text; *p; p++) u += (double)current_font->glyph_w[(unsigned char)*p];
  return u / (double)(current_line_height ? current_line_height : 1);
}

// Hue round the colour wheel, k from 0 to 1, as packed 0xRRGGBB.
static int32_t hue(double k) {
  double h = (k - floor(k)) * 6.0;
  double f = h - floor(h);
  int seg = (int)h % 6;
  double r = 0, g = 0, b = 0;
  switch (seg) {
    case 0:
      r = 1, g = f;
      break;
    case 1:
      r = 1 - f, g = 1;
      break;
    case 2:
      g = 1, b = f;
      break;
    case 3:
      g = 1 - f, b = 1;
      break;
    case 4:
      r = f, b = 1;
      break;
    default:
      r = 1, b = 1 - f;
      break;
  }
  return ((int32_t)(r * 255) << 16) | ((int32_t)(g * 255) << 8) | (int32_t)(b * 255);
}

// Around the cylinder, once round for the whole text, a little outside its
// surface so the glyphs are not lost in it.
static void map_cylinder(double u, double v, double* x, double* y, double* z, int32_t* rgb) {
  double a = u / map_total_u * 2.0 * PI + map_spin;
  double r = map_radius * 1.02;
  *x = r * sin(a);
  *z = r * cos(a);
  *y = CYL_TEXT_TOP - v * GLYPH_SIZE;
  *rgb = hue(u / map_total_u);
}

// A ribbon waving in depth and height, its glyphs darker where they lean
// back.
static void map_ribbon(double u, double v, double* x, double* y, double* z, int32_t* rgb) {
  double wave = sin(u * 1.3 + map_phase);
  *x = (u - 0.5 * map_total_u) * RIBBON_SIZE;
  *y = -1.2 - v * RIBBON_SIZE + 0.3 * sin(u * 0.8 + 0.5 * map_phase);
  *z = 0.9 * wave;
  int32_t c = hue(0.55 + 0.4 * u / map_total_u);
  double k = 0.7 + 0.3 * wave;
  *rgb = ((int32_t)(((c >> 16) & 0xFF) * k) << 16) | ((int32_t)(((c >> 8) & 0xFF) * k) << 8) |
         (int32_t)((c & 0xFF) * k);
}

void draw_mapped_page(double t) {
  gallery_gradient(0, 0, screen_width, screen_height, 0x0c1020, 0x202a48);
  glClear(GL_DEPTH_BUFFER_BIT);
  camera(20.0, 0.0, 6.3, 0.4);

  font_select(gallery_font_normal);
  map_total_u = text_u(CYLINDER_TEXT);
  map_radius = map_total_u * GLYPH_SIZE / (2.0 * PI);

  // The drum the text is wrapped round, lit, open at both ends.
  lights_on();
  glBegin(GL_QUADS);
  emit_cylinder(0.0, CYL_BOTTOM, 0.0, 0.0, CYL_TOP, 0.0, map_radius, 0x2a3a60, 48);
  glEnd();
  lights_off();

  map_spin = -0.35 * t - 0.3;
  draw_text_mapped(CYLINDER_TEXT, map_cylinder);

  map_total_u = text_u(RIBBON_TEXT);
  map_phase = 1.3 * t;
  draw_text_mapped(RIBBON_TEXT, map_ribbon);

  static const char* const CAPTION =
      "draw_text_mapped lays a text out in (u, v); map functions wrap it round a drum and wave it on a "
      "ribbon";
  int32_t width = 0, height = 0;
  const int32_t left = gallery_px(12);
  gallery_text_box(gallery_font_small, left, screen_width - left, CAPTION, &width, &height);
  gallery_text_wrapped(gallery_font_small, left,
                       screen_height - gallery_footer_height - gallery_px(10) - height, screen_width - left,
                       CAPTION, 0xc8d4ec);
}
