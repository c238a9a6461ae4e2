// The box-field test: 10000 random axis-aligned boxes compiled into one
// display list, flown through with the free-flight camera, in a solid mode
// (colours by position on white, with a glow pass) and a wire mode (black
// boxes with coloured edges on black), switched with M. box_field_main is the
// whole program after the process entry. Depends on shell (window, input,
// clock, random, projection), geometry (box emitters, glow), camera and the
// frame-rate overlay.
#pragma once

#include <stdint.h>

// One box of the field: low faces as fractions of the field edge and extents
// in world units, each drawn from [0, 1).
struct box {
  double pos_x;
  double size_x;
  double pos_y;
  double size_y;
  double pos_z;
  double size_z;
};

// Number of boxes in the field.
constexpr int32_t BOX_COUNT = 10000;

// Edge of the field's cube, pow(10000, 1/3): one box per unit of volume.
extern double field_size;
// The BOX_COUNT records (one 480000-byte block), kept until the process ends.
extern box* field_boxes;
// True: white background, boxes in their colours, glow. False: black boxes with coloured edges.
extern bool solid_mode;
// Display list holding the drawn field; 0 when it has to be built.
extern uint32_t field_list;
// Display lists built so far (a timed run tells the frames that built one by it).
extern int64_t field_lists_built;
// Clock reading taken before the field was generated.
extern double start_time;
// Seconds since start_time at the current frame (0 before the first frame).
extern double run_time;
// run_time of the frame before.
extern double last_run_time;

// Client size of the window box_field_main opens: 0 x 0 (the plain start)
// is full screen at the display's size; any other size is a normal window
// with a caption and the display mode left alone.
extern int32_t box_field_window_width;
extern int32_t box_field_window_height;

// Points where box_field_main calls box_field_hook.
enum box_field_stage {
  BOX_FIELD_STARTED,      // start-up done, before the first message pump
  BOX_FIELD_FRAME_DRAWN,  // a frame drawn, just before end_frame presents it
  BOX_FIELD_PUMPED,       // a frame's messages handled, before its key tests
  BOX_FIELD_FRAME_ENDED   // end_frame has returned (the frame was presented)
};

// When set (null in the program), called at each box_field_stage: lets a
// driver such as the headless runner script the input, finish, time and
// capture frames.
extern void (*box_field_hook)(box_field_stage stage);

// Computes field_size and fills a new block of BOX_COUNT boxes with
// random_below(1.0), 60000 doubles in memory order. Returns 0 when the block
// cannot be allocated.
int box_field_generate(void);

// World extents of a box, in emitter order: x0, x1, y0, y1, z0, z1.
void box_field_bounds(const box* b, double out[6]);

// Records the field in the current mode into a new display list (field_list).
void box_field_build_list(void);

// One frame after the loop test: clock, camera, polygon mode, view, mode
// toggle, clear colour, list build and replay, overlay, end_frame.
void box_field_frame(void);

// The program: opens the window, builds the font and the field, runs the loop
// until Escape, Q or WM_QUIT. The command line is ignored. Returns 0.
int box_field_main(const char* command_line);
