// Results of a timed flight: the summary printed on standard output, the JSON
// report and the per-frame CSV file. Shared by the headless runner and the
// box-field program's benchmark mode, so both write the same keys. Depends on
// runner/runner_session.h and runner/runner_stats.h.
#pragma once

#include <stdint.h>
#include <stdio.h>

#include <string>
#include <utility>
#include <vector>

#include "runner/runner_session.h"
#include "runner/runner_stats.h"

// A picture a run saved or compared with a reference.
struct runner_shot {
  std::string name;
  int32_t frame;
  std::string file;     // saved picture, or the reference compared with
  int compared;         // 1 when compared with a reference
  int passed;           // saved, or the comparison within limits
  std::string message;  // what differed or failed
};

// Start-up figures in milliseconds (has_startup); the pieces timed apart
// after the run only where has_pieces.
struct runner_startup {
  double to_first_frame, before_loop, window_and_context, first_frame;
  double font_build, field_generation, list_compile_solid, list_compile_wire;
};

struct runner_report {
  std::string tool;       // program name in the printed lines ("boxfield_runner")
  std::string frame_end;  // runner_frame_end_name of the run
  std::string gl_vendor, gl_renderer, gl_version;
  std::string egl;                        // the EGL platform and device of a headless run, "" elsewhere
  int32_t width = 0, height = 0;          // surface or window client size
  std::string clock;                      // "real" or how the clock was held
  std::string script;                     // "tour NAME" or "script FILE"
  std::string gl_error_check;             // how GL errors were counted
  std::string swap_interval;              // "" when not asked for; else what was granted
  std::vector<runner_frame> frames;       // every frame drawn
  std::vector<double> solid_ms, wire_ms;  // timed frames of each mode, in order
  runner_summary solid = {}, wire = {};
  int64_t gl_errors_solid = 0, gl_errors_wire = 0;
  bool has_startup = false;
  bool has_pieces = false;  // the list_compile, field and font figures
  runner_startup startup = {};
  bool has_own_work = false;
  double pump_us = 0, camera_us = 0, overlay_us = 0;  // own work per frame
  std::vector<runner_shot> shots;
  // Further top-level fields: key and a JSON value written as given.
  std::vector<std::pair<std::string, std::string>> extra;
};

// Fills frames, solid_ms, wire_ms, their summaries and the error counts from
// a session.
void runner_report_take_session(runner_report* r, const runner_session& s);

// Prints the run's summary (header, GL strings, per-mode figures, errors,
// start-up, shots) on out.
void runner_report_print(FILE* out, const runner_report& r);

// A string as a JSON string literal, quotes included.
std::string runner_json_quote(const std::string& s);

// Writes the JSON report; false when the file cannot be written.
bool runner_report_write_json(const char* path, const runner_report& r);

// Writes "frame,mode,ms" and one row per timed frame; false on failure.
bool runner_report_write_csv(const char* path, const runner_report& r);
