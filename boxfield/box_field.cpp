// The box-field test (see box_field.h): field generation, the display list
// in both render modes, the frame and the main loop.
#include "boxfield/box_field.h"

#include <math.h>
#include <stdlib.h>

#include "boxfield/camera.h"
#include "boxfield/fps_overlay.h"
#include "font/font_registry.h"
#include "geometry/boxes.h"
#include "geometry/screen_effect.h"
#include "glyphs/builtin_font.h"
#include "glyphs/cell_font.h"
#include "glyphs/cell_glyphs.h"
#include "shell/clock.h"
#include "shell/error_log.h"
#include "shell/gl.h"
#include "shell/view.h"
#include "shell/window.h"

double field_size = 0.0;
box* field_boxes = nullptr;
bool solid_mode = true;
uint32_t field_list = 0;
int64_t field_lists_built = 0;
double start_time = 0.0;
double run_time = 0.0;
double last_run_time = 0.0;
void (*box_field_hook)(box_field_stage stage) = nullptr;
int32_t box_field_window_width = 0;
int32_t box_field_window_height = 0;

static bool box_field_key_down(int key) { return (key_state[key] & 0x80) != 0; }

static bool box_field_key_pressed(int key) {
  return (key_state[key] & 0x80) && !(prev_key_state[key] & 0x80);
}

// ---------------------------------------------------------------------------
// The field

int box_field_generate(void) {
  field_size = pow(10000.0, 1.0 / 3.0);
  field_boxes = (box*)malloc(sizeof(box) * BOX_COUNT);
  if (!field_boxes) return 0;
  // Fill the doubles in memory order: record 0 field 0, record 0 field 1, ...
  for (int32_t i = 0; i < BOX_COUNT; i++) {
    box* b = &field_boxes[i];
    b->pos_x = random_below(1.0);
    b->size_x = random_below(1.0);
    b->pos_y = random_below(1.0);
    b->size_y = random_below(1.0);
    b->pos_z = random_below(1.0);
    b->size_z = random_below(1.0);
  }
  return 1;
}

void box_field_bounds(const box* b, double out[6]) {
  double half = field_size / 2.0;
  out[0] = field_size * b->pos_x - half;
  out[1] = out[0] + b->size_x;
  out[2] = field_size * b->pos_y - half;
  out[3] = out[2] + b->size_y;
  out[4] = field_size * b->pos_z - half;
  out[5] = out[4] + b->size_z;
}

// ---------------------------------------------------------------------------
// The display list

// Wire-mode edge colour by index, tested in this order so that multiples of
// 100 end green, other multiples of 10 red, and everything else blue (the
// colour of index 9 of each ten carries over to the indices below it).
static void box_field_wire_colour(int32_t i) {
  if (i % 10 == 0) glColor3f(1.0f, 0.0f, 0.0f);
  if (i % 100 == 0) glColor3f(0.0f, 1.0f, 0.0f);
  if (i % 10 == 9) glColor3f(0.0f, 0.0f, 1.0f);
}

void box_field_build_list(void) {
  field_lists_built++;
  field_list = glGenLists(1);
  glNewList(field_list, GL_COMPILE);

  // The boxes: coloured by position in solid mode, black in wire mode, where
  // they hide the edges behind them.
  glBegin(GL_QUADS);
  glColor3f(0.0f, 0.0f, 0.0f);
  for (int32_t i = BOX_COUNT - 1; i >= 0; i--) {
    const box* b = &field_boxes[i];
    if (solid_mode) glColor3f((float)b->pos_x, (float)b->pos_y, (float)b->pos_z);
    double e[6];
    box_field_bounds(b, e);
    emit_box_solid(e[0], e[1], e[2], e[3], e[4], e[5]);
  }
  glEnd();

  if (solid_mode) {
    // Recorded at the end of the list, the glow runs on every replay.
    screen_bloom((float)(screen_width / 80));
  } else {
    glBegin(GL_LINES);
    glColor3f(0.0f, 0.0f, 1.0f);
    for (int32_t i = BOX_COUNT - 1; i >= 0; i--) {
      box_field_wire_colour(i);
      double e[6];
      box_field_bounds(&field_boxes[i], e);
      emit_box_wire(e[0], e[1], e[2], e[3], e[4], e[5]);
    }
    glEnd();
  }
  glEndList();
}

// ---------------------------------------------------------------------------
// The loop

void box_field_frame(void) {
  last_run_time = run_time;
  run_time = clock_now() - start_time;
  double r = run_time - last_run_time;

  camera_update(r);
  glPolygonMode(GL_FRONT_AND_BACK, box_field_key_down('E') ? GL_LINE : GL_FILL);
  camera_apply_view();

  if (box_field_key_pressed('M')) {
    solid_mode = !solid_mode;
    glDeleteLists(field_list, 1);
    field_list = 0;
  }
  // Takes effect at this frame's end_frame, that is for the next frame.
  if (solid_mode) {
    glClearColor(1.0f, 1.0f, 1.0f, 0.0f);
  } else {
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  }
  if (field_list == 0) box_field_build_list();
  glCallList(field_list);

  // The raw frame time: a zero-length frame shows as an infinite rate.
  draw_fps_overlay(0, 0, 1.0 / r);

  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  if (box_field_hook) box_field_hook(BOX_FIELD_FRAME_DRAWN);
  end_frame();
  if (box_field_hook) box_field_hook(BOX_FIELD_FRAME_ENDED);
}

int box_field_main(const char* command_line) {
  (void)command_line;
  window_framed = box_field_window_width != 0;
  if (!open_gl_window(box_field_window_width, box_field_window_height, "OpenGL test [Orvandel 2009]"))
    fatal_no_display();

  // The built-in font "normal" for the frame-rate overlay.
  load_cell_font(builtin_font_cells, BUILTIN_FONT_CELLS_LENGTH, make_glyph_style(6.0f, 6.0f), "normal");

  start_time = clock_now();
  run_time = 0.0;
  if (!box_field_generate()) fatal_error("Not enough memory for the box field.");
  camera_place(field_size);
  field_list = 0;
  solid_mode = true;
  enable_smoothing();
  if (box_field_hook) box_field_hook(BOX_FIELD_STARTED);

  for (;;) {
    if (pump_messages()) break;
    if (box_field_hook) box_field_hook(BOX_FIELD_PUMPED);
    if (box_field_key_down(VK_ESCAPE) || box_field_key_down('Q')) break;
    box_field_frame();
  }
  return 0;
}
