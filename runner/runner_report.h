// Results of timed runs: the summary printed on standard output (with one
// RESULT line per mode for scripts), the JSON report and the per-frame CSV
// file, for any GL program's timed runs: the program names its modes, what
// its setup frames are, the pieces of start-up it timed apart and its own
// work per frame, and every program writes the same schema (docs/benchmarking.md: "Report
// schema").
// Reports are written with nlohmann-json: strict UTF-8 (invalid bytes
// replaced by U+FFFD) and numbers independent of the C locale. Depends on
// runner/runner_session.h, runner/runner_stats.h, runner/runner_environment.h.
#pragma once

#include <stdint.h>
#include <stdio.h>

#include <string>
#include <vector>

#include "runner/runner_environment.h"
#include "runner/runner_session.h"
#include "runner/runner_stats.h"

// Version of the report's layout; a reader refuses other versions.
constexpr int32_t RUNNER_SCHEMA_VERSION = 2;

// runs.ended_by of a flight the program quit before its runs were over
// (Escape or Q, from the user or a script): its figures are of the frames
// drawn so far, and the program ends with status 1.
constexpr const char RUNNER_RUNS_STOPPED_EARLY[] = "stopped before the runs were over";

// A picture a run saved or compared with a reference.
struct runner_shot {
  std::string name;
  int32_t frame;
  std::string file;     // saved picture, or the reference compared with
  int compared;         // 1 when compared with a reference
  int passed;           // saved, or the comparison within limits
  std::string message;  // what differed or failed
};

// Start-up figures in milliseconds (has_startup).
struct runner_startup {
  double to_first_frame, before_loop, window_and_context, first_frame;
};

// A named time the caller measured: a piece of start-up timed apart, or a
// piece of the program's own work per frame.
struct runner_timing {
  std::string name;  // as printed ("pump")
  double ms;         // milliseconds
  std::string key;   // the JSON report's key ("pump_messages_ms")
  std::string note;  // printed after the figure (" (with its GL calls)"), may be empty
};

// One mode's figures over every timed run.
struct runner_mode_figures {
  std::string name;                                 // the caller's mode name
  std::vector<std::vector<double>> runs_ms;         // timed frames of each run (setup frames left out)
  std::vector<std::vector<double>> gpu_ms;          // GPU time of the same frames, where measured
  std::vector<std::vector<double>> cpu_ms;          // process CPU time of the same frames
  std::vector<runner_summary> run_summaries;        // one per run with frames in this mode
  std::vector<double> run_medians_ms;               // the runs' medians
  runner_spread spread = {};                        // of the run medians
  size_t frames = 0;                                // timed frames over all runs
  int64_t gl_errors = 0;                            // over every frame (setup frames included)
  bool has_p90 = false, has_p99 = false;            // every run had enough frames
  double p90_ms = 0, p99_ms = 0, low_1pct_fps = 0;  // medians over runs of each run's figure
  bool has_gpu = false, has_cpu = false;
  double gpu_median_ms = 0, cpu_median_ms = 0;  // medians over runs of each run's median
};

struct runner_report {
  std::string tool;                 // program name in the printed lines
  std::string frame_end;            // runner_frame_end_name of the run
  int32_t width = 0, height = 0;    // surface or window client size
  std::string clock;                // "real" or how the clock was held
  double add_work_percent = 0;      // --add-work: busy work per frame (0: none)
  std::string script;               // "tour NAME" or "script FILE"
  std::string gl_error_check;       // how GL errors were counted
  std::string gpu_time;             // how GPU time was measured, or why it was not
  runner_environment env;           // the machine (GL strings and swap interval included)
  int32_t egl_frames_swapped = -1;  // eglSwapBuffers calls of a headless run (-1: not headless)
  // Runs: warm-up passes flown first and not reported, then the timed runs.
  int32_t warmup_passes = 0;
  std::string runs_requested;                   // "3" or "auto"
  std::string runs_ended_by;                    // what ended the runs (count reached, interval, cap,
                                                // or RUNNER_RUNS_STOPPED_EARLY)
  double ci_target_percent = 0;                 // with "auto": the interval asked for
  std::vector<std::vector<runner_frame>> runs;  // every frame of each timed run
  // The program's modes: runner_frame::mode indexes this list, and the
  // figures, errors, RESULT lines and CSV rows name them so.
  std::vector<std::string> mode_names;
  std::vector<runner_mode_figures> modes;  // filled by runner_report_summarise
  // What setup frames are to the program, for the line over the frame times
  // ("frame times (NOTE):"), and the report's key listing them.
  std::string setup_note = "setup frames left out";
  std::string setup_frames_key = "setup_frames";
  bool has_startup = false;
  runner_startup startup = {};
  // Pieces of start-up the program timed apart, in the report's "startup"
  // after the figures above (only with has_startup). Printed on one line:
  // startup_pieces_line when the program words it itself, else each
  // piece's name and figure.
  std::vector<runner_timing> startup_pieces;
  std::string startup_pieces_line;
  // The program's own work per frame (pieces and their total), when any.
  std::vector<runner_timing> own_work;
  std::vector<runner_shot> shots;
};

// Fills modes (one per mode name, in order) from runs: per-run summaries, the spread
// of the run medians, percentiles where every run had enough frames, GPU
// and CPU medians, error counts.
void runner_report_summarise(runner_report* r);

// Frames drawn over the timed runs.
size_t runner_report_frames(const runner_report& r);

// The mode's figures by name, or null.
const runner_mode_figures* runner_report_mode(const runner_report& r, const char* name);

// Prints the summary (header, environment, per-mode figures, errors,
// start-up, shots) and then one RESULT line per mode on out.
void runner_report_print(FILE* out, const runner_report& r);

// The RESULT line of a mode (no newline):
// "RESULT mode=NAME median_ms=M ci_low_ms=L ci_high_ms=H cv_percent=C runs=R frames=F"
// with "n/a" for a figure there are too few runs for.
std::string runner_result_line(const runner_mode_figures& m);

// The JSON report's text (UTF-8, LF line ends, final newline).
std::string runner_report_json(const runner_report& r);

// The CSV text: "run,frame,mode,ms,gpu_ms,cpu_ms" and one row per timed
// frame (empty cells where GPU or CPU time was not measured).
std::string runner_report_csv(const runner_report& r);

// Writes the JSON report or the CSV file; false (with the reason in why,
// when not null) when the file cannot be written.
bool runner_report_write_json(const char* path, const runner_report& r, std::string* why = nullptr);
bool runner_report_write_csv(const char* path, const runner_report& r, std::string* why = nullptr);

// The end of a run: its files and what else decides its exit status.
struct runner_report_ending {
  std::string json_path;     // the JSON report
  std::string csv_path;      // the CSV file ("" = none)
  std::string plot_path;     // the frame-time picture written ("" = it could not be)
  std::string plot_place;    // the picture as a failure names it ("out/frametimes.png")
  std::string plot_why;      // why it could not be written
  int32_t failed_shots = 0;  // of r.shots
  bool strict = false;       // any GL error fails the run
};

// Writes the JSON report and the CSV file and sums up the run's end: a
// "report: ", "results: " and "frame-time picture: " line for each file
// there is (in that order) appended to written, and for each failure (a
// file not written, failed shots, GL errors under strict) one line
// "<program>: ..." (no line feed) appended to failed. Returns the exit
// status: 0, or 1 after any failure.
int runner_report_finish(const runner_report& r, const char* program, const runner_report_ending& e,
                         std::string* written, std::vector<std::string>* failed);
