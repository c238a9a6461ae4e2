// The box field's built-in flights (see box_field_tours.h).
#include "boxfield/box_field_tours.h"

#include <string.h>

static const char tour_short[] =
    "# A boosted flight into the field with a slow turn; wire mode; E held;\n"
    "# back to solid mode with E held.\n"
    "1 move 0 0\n"
    "2 down W\n"
    "2 down CTRL\n"
    "24 up CTRL\n"
    "30 move 3 1\n"
    "50 move 0 0\n"
    "60 shot solid\n"
    "70 down M\n"
    "72 up M\n"
    "100 shot wire\n"
    "110 down E\n"
    "120 shot wire_polygons\n"
    "121 up E\n"
    "122 down M\n"
    "124 up M\n"
    "134 down E\n"
    "140 shot solid_polygons\n"
    "141 up E\n"
    "150 end\n";

static const char tour_bench[] =
    "# Benchmark: the field in view from outside it on every frame.\n"
    "# Solid mode: a flight towards the field's near face, turning a little\n"
    "# left and right; wire mode from frame 251: backing away, turning.\n"
    "1 move 0 0\n"
    "2 down W\n"
    "60 move 1 0\n"
    "120 move -1 0\n"
    "200 up W\n"
    "200 shot solid\n"
    "240 move 1 0\n"
    "250 down M\n"
    "252 up M\n"
    "260 down S\n"
    "300 move -1 0\n"
    "360 move 1 0\n"
    "450 up S\n"
    "450 shot wire\n"
    "480 move 0 0\n"
    "500 end\n";

static const char tour_reference[] =
    "# Reference frames for tests/data: solid mode from outside the field, then\n"
    "# a boosted flight in, solid and wire mode from inside, and wire-frame\n"
    "# polygons.\n"
    "1 move 0 0\n"
    "8 shot solid_outside\n"
    "9 down W\n"
    "9 down CTRL\n"
    "30 up CTRL\n"
    "40 move 4 2\n"
    "50 move 0 0\n"
    "60 up W\n"
    "70 shot solid_inside\n"
    "71 down M\n"
    "73 up M\n"
    "78 shot wire_inside\n"
    "79 down E\n"
    "84 shot wire_polygons\n"
    "85 up E\n"
    "86 end\n";

static const char tour_ab[] =
    "# A/B pairs: a short flight of the bench tour's kind, the field in view\n"
    "# from outside, about 12 solid and 8 wire frames, so that a timed run takes\n"
    "# a second or a few on a software renderer (a wire frame costs about 0.2 s\n"
    "# there) and the two sides of an A/B take turns often.\n"
    "1 move 0 0\n"
    "2 down W\n"
    "8 move 1 0\n"
    "13 down M\n"
    "15 up M\n"
    "15 up W\n"
    "16 down S\n"
    "19 move -1 0\n"
    "23 up S\n"
    "23 end\n";

struct tour {
  const char* name;
  const char* text;
};

static const tour tours[] = {
    {"short", tour_short},
    {"bench", tour_bench},
    {"reference", tour_reference},
    {"ab", tour_ab},
};

const char* box_field_tour(const char* name) {
  for (const tour& t : tours) {
    if (strcmp(t.name, name) == 0) return t.text;
  }
  return nullptr;
}

const char* box_field_tour_names(void) { return "short bench reference ab"; }
