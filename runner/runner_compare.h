// Comparison of two runner reports (report.json): the reader that takes the
// fields a comparison needs (nlohmann-json's event parser, so memory stays
// near the size of the numbers kept, with a nesting limit), the check that
// two reports measured the same thing, the per-mode verdicts from the run
// medians (runner/runner_stats.h), and the `--compare` command.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

#include <string>
#include <vector>

#include "runner/runner_stats.h"

// Largest report file read, in bytes.
constexpr size_t RUNNER_REPORT_MAX_BYTES = 256u << 20;

// Deepest nesting of arrays and objects a report may have, the report's own
// object counted.
constexpr size_t RUNNER_REPORT_MAX_DEPTH = 32;

// One mode's figures from "modes" (and "frame_times_ms" when present).
// Figures a report gives as null (too few frames or runs) are NaN.
struct runner_read_mode {
  std::string name;
  int64_t frames = 0;                  // timed frames over all runs
  double median_ms = 0;                // median of run medians
  double p90_ms = 0, p99_ms = 0;       // frame-time figures
  double low_1pct_fps = 0;             // 1 % low frame rate
  std::vector<double> run_medians_ms;  // "run_figures"[i]."median_ms"
  // Every run's GPU and CPU medians in run order, NaN where null (an A/B
  // pairs runs by their place): "gpu_median_ms", "cpu_median_ms".
  std::vector<double> run_gpu_median_ms, run_cpu_median_ms;
  std::vector<double> frame_times_ms;  // every timed frame of every run, in order, when listed
};

// A setting or machine fact a comparison checks, as text; present is false
// when the report has no such field (written before the field existed).
struct runner_read_fact {
  bool present = false;
  std::string text;
};

struct runner_read_figures {
  int32_t schema_version = 0;
  std::string program;                  // "program"
  std::string frame_end;                // "frame_end"
  std::string clock;                    // "clock"
  std::string gl_renderer;              // "gl"."renderer"
  std::string driver_settings;          // "environment"."driver_settings" ("" when absent)
  std::string driver_version;           // "environment"."driver_version" ("" when absent)
  std::string source_revision;          // "environment"."source_revision" ("" when absent)
  int32_t width = 0, height = 0;        // "surface"
  std::string script;                   // "script": the tour or script file flown
  std::vector<runner_read_mode> modes;  // in the report's order
  bool has_frame_times = false;         // the report carried "frame_times_ms"
  // What the runs were measured on and with.
  runner_read_fact cpu_model;       // "environment"."cpu_model"
  runner_read_fact usable_cpus;     // "environment"."usable_cpus"
  runner_read_fact cpu_limit;       // "environment"."cpu_limit" ("none" for null)
  runner_read_fact warmup_passes;   // "runs"."warmup_passes"
  runner_read_fact timer_queries;   // "on" or "off", from "gpu_time"
  runner_read_fact gl_error_check;  // "gl_errors"."check"
  runner_read_fact egl_swap;        // "on" or "off", from "egl_frames_swapped" (headless runs)
  double add_work_percent = 0.0;    // "add_work_percent" (absent: 0, no work added)
  std::string runs_ended_by;        // "runs"."ended_by"
};

// Parses a report's text (length bytes, no terminator needed). Returns 1,
// or 0 with a message naming what is wrong (error_size bytes, terminated).
// Refused besides malformed text and fields of the wrong kind: nesting
// deeper than RUNNER_REPORT_MAX_DEPTH arrays and objects (the report itself
// is the first); a member the reader takes given twice in one object
// (members it does not take are skipped unread); figures that cannot be
// compared: a mode with timed frames but no run figures or no median, a
// median that is null, 0 or negative, and a report in which no mode timed
// a frame. Memory: the numbers kept (8 bytes per frame time, at least 2
// bytes of text each) and a stack of keys, so at most a few times the
// text's size.
int runner_parse_report(const char* text, size_t length, runner_read_figures* out, char* error,
                        size_t error_size);

// Reads and parses a report file (up to RUNNER_REPORT_MAX_BYTES); messages
// name the file.
int runner_read_report(const char* path, runner_read_figures* out, char* error, size_t error_size);

// A mode by name, or null.
const runner_read_mode* runner_read_find_mode(const runner_read_figures& f, const char* name);

// Whether two reports measured the same thing: schema version, program,
// surface size, flight, frame end, clock, GL renderer, driver settings, CPU
// model, usable CPUs and CPU limit, warm-up passes, timer queries on or
// off, the GL error check, the headless swap and the added work. A fact
// one report records and the other does not (an older report) counts as a
// difference: unknown may hide the very change the check is for. 0 with
// every difference in `why` ("; "-separated) when they did not.
int runner_reports_comparable(const runner_read_figures& base, const runner_read_figures& next, char* why,
                              size_t why_size);

// "note: BASE added busy work of 20 % ..." lines (each ending with a line
// feed) for each side whose report says it ran with --add-work; "" for none.
std::string runner_add_work_note(const runner_read_figures& base, const runner_read_figures& next);

struct runner_mode_comparison {
  std::string mode;
  double base_median_ms, next_median_ms;  // medians of run medians
  size_t base_runs, next_runs;            // runs with frames in the mode
  runner_ratio ratio;                     // verdict and interval
};

struct runner_comparison {
  double threshold_percent;
  std::vector<runner_mode_comparison> modes;  // every mode of either report, base's order first
  bool failed;                                // some mode SLOWER or MISSING
  bool uncertain;                             // some mode UNCERTAIN
};

// Compares two reports mode by mode on their run medians.
runner_comparison runner_compare_reports(const runner_read_figures& base, const runner_read_figures& next,
                                         double threshold_percent);

// Prints a comparison as a table with a verdict per mode and a closing line.
void runner_print_comparison(FILE* out, const char* base_name, const char* next_name,
                             const runner_comparison& c);

// Draws the two runs' frame times overlaid into the picture file path
// (names are the legend's labels). Returns 1, or 0 with a message. Must
// not end the process when no GL context can be had.
typedef int (*runner_compare_plotter)(const char* path, const runner_read_figures& base,
                                      const char* base_name, const runner_read_figures& next,
                                      const char* next_name, char* error, size_t error_size);

// Exit statuses of the compare command.
constexpr int RUNNER_COMPARE_OK = 0;         // every mode BASE timed is SAME or FASTER
constexpr int RUNNER_COMPARE_FAILED = 1;     // a mode SLOWER, or timed in BASE and not in NEW
constexpr int RUNNER_COMPARE_USAGE = 2;      // a usage error (a bad --plot path, or the option parser's)
constexpr int RUNNER_COMPARE_REFUSED = 3;    // a report unreadable, unusable or stopped early, or the
                                             // two not comparable (without --force)
constexpr int RUNNER_COMPARE_UNCERTAIN = 4;  // no mode SLOWER or MISSING, a mode UNCERTAIN

// The compare command as the program's options gave it
// (`--compare BASE.json NEW.json [--threshold PERCENT] [--force] [--plot FILE]`).
struct runner_compare_request {
  const char* program = "compare";  // the name messages begin with
  std::string base_path, next_path;
  double threshold_percent = 3.0;
  bool force = false;
  std::string plot_path;  // "": runner_compare_default_plot_path(next_path)
};

// compare-frametimes.png in the folder of the report at next_path (UTF-8),
// or in the current folder for a bare file name (or a path that cannot be
// converted to the system's form).
std::string runner_compare_default_plot_path(const std::string& next_path);

// Runs the compare command, printing the table to out and refusals to err.
// A --plot path that cannot be written is refused first
// (RUNNER_COMPARE_USAGE). Reports that differ in what they measured, or
// whose runs were stopped before they were over, are refused unless
// request.force, and then named in a "note:" line each. When plot is not
// null and both reports list their frame times, it draws them overlaid
// into the picture file; a picture that cannot be made is one line on err
// and never changes the status. Returns one of the RUNNER_COMPARE_ statuses.
int runner_compare_main(const runner_compare_request& request, FILE* out, FILE* err,
                        runner_compare_plotter plot);
