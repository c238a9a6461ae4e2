// The box-field test (see box_field.h): field generation, the display list
// in both render modes, the frame and the main loop.
#include "boxfield/box_field.h"

#include <math.h>
#include <stdlib.h>

#include "shell/clock.h"

double field_size = 0.0;
box* field_boxes = nullptr;
bool solid_mode = true;
uint32_t field_list = 0;
double start_time = 0.0;
double run_time = 0.0;
double last_run_time = 0.0;
void (*box_field_frame_done)(void) = nullptr;

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
