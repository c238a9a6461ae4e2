// Timed, scripted runs of the box-field program, shared by the headless
// runner (tools/boxfield_runner.cpp) and the program's own benchmark mode:
// it hooks box_field_main (box_field_hook), flies the script's warm-up
// passes and timed runs in one window (runner/runner_runs.h decides how
// many; between passes the camera, the mode and the keys are put back as
// at the start), feeds the input, leaves the frames that built a display
// list out of the timed ones, ends and times every frame the chosen
// way (wall clock, process CPU time, and GPU time from timer queries where
// the context has them), counts GL errors per mode, takes the script's
// shots in the first timed run, shows progress on standard error, and
// afterwards fills a runner_report and draws the frame-time picture. Shots,
// read-backs (and waits for a full GPU-timer ring) and progress lines are
// left out of every frame's times.
// Depends on boxfield_core, the shell and the runner library
// (runner_support, runner_gl, runner_png).
#pragma once

#include <stdint.h>

#include <string>

#include "runner/runner_report.h"
#include "runner/runner_runs.h"
#include "runner/runner_script.h"
#include "runner/runner_session.h"
#include "runner/runner_shots.h"

struct box_field_bench_options {
  std::string tool;          // program name for messages ("boxfield_runner", "boxfield")
  std::string script_label;  // "tour NAME" or "script FILE"
  runner_script script;      // parsed flight
  runner_frame_end frame_end = RUNNER_FRAME_END_FINISH;
  bool take_shots = true;  // save (or compare) the script's shots
  std::string out_dir;     // where shots, their diffs and frametimes.png go ("" = current folder)
  runner_shot_check shots = {"", 24, 0};  // save the shots, or compare them with references
  std::string clock_label;                // how the clock runs, for the report
  bool progress = true;                   // progress lines on standard error
  runner_runs_plan runs;                  // warm-up passes and timed runs
  runner_instruments instruments;         // GPU time where timer queries are offered, error callback
  std::string egl;                        // the EGL platform and device for the report ("" when not EGL)
  // Test hook: called after each piece of work that must stay out of the
  // frame times ("shot", "progress", "gpu read-back", "gpu wait" for a full
  // GPU-timer ring), e.g. to make it slow.
  void (*instrument_hook)(const char* what) = nullptr;
  // Test hook: false leaves the GPU times unread until the timer's ring is
  // full, as when the GPU runs frames behind, so that from then on every
  // frame waits for the ring's oldest query.
  bool gpu_read_each_frame = true;
  // Test hook: the clock frames are timed with (null: runner_seconds).
  double (*seconds)(void) = nullptr;
  // Input: keys through key and the mouse through mouse (screen pixels)
  // before each frame's pump, as a backend's own queue receives them; when
  // null, the keys are laid over key_state and the mouse position set right
  // after each pump, which works on every backend.
  void (*key)(int32_t vk, bool down) = nullptr;
  void (*mouse)(int32_t x, int32_t y) = nullptr;
  // Called once the GL context is current, before the first frame (e.g. to
  // ask for a swap interval; GL errors it raises count with frame 1); may
  // be null.
  void (*started)(void) = nullptr;
};

// Installs the hook for a run; call box_field_main next.
void box_field_bench_begin(const box_field_bench_options& options);

// After box_field_main has returned (the GL context still current): removes
// the hook, stops the error count and the GPU timer, fills the report
// (runs, the modes "solid" and "wire", errors, environment, size, frame
// end, shots) and writes
// <out_dir>/frametimes.png (its path in plot_path; "" when it could not be
// written, with the reason in *plot_why when plot_why is not null). Returns
// the number of failed shots.
int32_t box_field_bench_finish(runner_report* report, std::string* plot_path,
                               std::string* plot_why = nullptr);

// The program's modes as reports name them, by runner_frame::mode.
enum box_field_mode { BOX_FIELD_MODE_SOLID, BOX_FIELD_MODE_WIRE };

// Pieces of start-up timed apart after a run, in milliseconds.
struct box_field_pieces {
  double list_compile_solid, list_compile_wire, font_build, field_generation;
};

// Puts the pieces into the report's start-up (has_startup set).
void box_field_report_pieces(runner_report* report, const box_field_pieces& pieces);

// Puts the frame loop's own work per frame into the report: the message
// pump, the camera update and the frame-rate overlay, in milliseconds.
void box_field_report_own_work(runner_report* report, double pump_ms, double camera_ms, double overlay_ms);

// Seconds from box_field_bench_begin to the start-up hook, and to the end of
// the first frame (0 before).
double box_field_bench_started_s(void);
double box_field_bench_first_frame_s(void);

// True when every pass was flown to the script's last frame.
bool box_field_bench_complete(void);

// Where a flight the program quit before its runs were over stopped
// ("at frame 30 of 60 in timed run 1 of 3"); "" when the runs were over.
std::string box_field_bench_stopped_at(void);
// With turns (runner_runs_plan::turns): what went wrong in the protocol,
// "" when nothing did. A program fails its run when it is not empty.
const std::string& box_field_bench_turn_error(void);

// Frames drawn in every pass so far, warm-up included.
int64_t box_field_bench_frames_drawn(void);

// Milliseconds of the first frame drawn (the warm-up's when there is one).
double box_field_bench_first_frame_ms(void);
