// The box field's built-in flights, written as runner flight scripts
// (runner/runner_script.h): "short", the quick check with shots in both
// modes and with polygons as lines; "bench", a flight long enough to time,
// the field in view on every frame; "reference", the frames of the stored
// reference pictures. Keys: W/S forward and back, CTRL boost, M solid/wire,
// E polygons as lines. No dependencies.
#pragma once

// Text of a built-in tour by name, or null when there is none.
const char* box_field_tour(const char* name);

// Names of the built-in tours, separated by blanks.
const char* box_field_tour_names(void);
