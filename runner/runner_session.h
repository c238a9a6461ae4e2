// A timed flight of a runner: the script's events handed out frame by frame
// (keys through the caller's function, the held mouse offset kept here),
// the frame times recorded with the mode each frame was drawn in (an index
// into mode names the caller keeps) and whether the frame did one-time
// setup work (as the caller says), the frame ends other GL benchmarks name, and a monotonic
// clock. Depends on runner/runner_script.h only.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <vector>

#include "runner/runner_script.h"

// How each timed frame ends before its time is taken.
enum runner_frame_end {
  RUNNER_FRAME_END_SWAP,        // the frame's buffer swap has returned
  RUNNER_FRAME_END_FINISH,      // glFinish
  RUNNER_FRAME_END_READPIXELS,  // one pixel read back with glReadPixels
  RUNNER_FRAME_END_NONE         // nothing: the time the frame's calls were issued
};

// Name of a frame end as options and reports spell it ("swap", "finish", ...).
const char* runner_frame_end_name(runner_frame_end end);

// A frame end by name; false (out untouched) for any other text.
bool runner_parse_frame_end(const char* text, runner_frame_end* out);

// Seconds of a monotonic clock (steady across the run, any origin).
double runner_seconds(void);

// Seconds of CPU time the process has used, all its threads together
// (any origin); < 0 where the system cannot tell.
double runner_cpu_seconds(void);

struct runner_frame {
  double ms;          // from the end of the previous frame to the end of this one
  int32_t mode;       // mode the frame was drawn in: an index into the caller's mode names
  bool setup;         // the frame did one-time work (the caller says which): left out of the timed figures
  int64_t gl_errors;  // GL errors seen while this frame was drawn
  double gpu_ms;      // GPU time of the frame's commands (GL_TIME_ELAPSED); < 0 when not measured
  double cpu_ms;      // CPU time of the whole process over the frame (every thread); < 0 when not measured
};

struct runner_session {
  runner_script script;
  size_t next_event;                 // first event not yet handed out
  int32_t mouse_dx, mouse_dy;        // held mouse offset from the surface centre
  bool mouse_held;                   // a move event is in force
  std::vector<runner_frame> frames;  // every frame drawn, in order
};

// Starts a session on a parsed script.
void runner_session_start(runner_session* s, const runner_script& script);

// Hands out the events of every frame up to and including frame: keys
// through key (when not null), move events into the held mouse offset.
void runner_session_events(runner_session* s, int32_t frame, void (*key)(int32_t vk, bool down));

// Records one frame; setup when the frame did one-time work the caller
// knows of (such as building a display list). A change of mode alone is
// not setup: a mode may keep what it built before.
void runner_session_record(runner_session* s, double ms, int32_t mode, bool setup, int64_t gl_errors);

// Number of frames recorded.
int32_t runner_session_frames(const runner_session& s);

// True when the script's last frame has been recorded.
bool runner_session_done(const runner_session& s);

// The timed frames of one mode in order (setup frames left out).
std::vector<double> runner_session_mode_times(const runner_session& s, int32_t mode);

// GL errors of one mode over every frame (setup frames included).
int64_t runner_session_mode_errors(const runner_session& s, int32_t mode);
