// Comparison of two runner reports (report.json): a small JSON reader that
// takes the fields a comparison needs and refuses malformed or truncated
// text with a message, the per-mode ratios of the frame-time figures with
// regressions beyond a threshold flagged, and the `--compare` command of
// boxfield_runner. No dependencies.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

#include <string>
#include <vector>

// Largest report file read, in bytes.
constexpr size_t RUNNER_REPORT_MAX_BYTES = 256u << 20;

// One mode's figures from "modes" (and "frame_times_ms" when present).
struct runner_read_mode {
  int64_t frames;                      // frames summarised
  double median_ms, p90_ms, p99_ms;    // frame-time figures
  double low_1pct_fps;                 // 1 % low frame rate
  std::vector<double> frame_times_ms;  // every timed frame, when the report lists them
};

struct runner_read_figures {
  int32_t width, height;   // "surface"
  std::string script;      // "script": the tour or script file flown
  runner_read_mode solid;  // "modes"."solid"
  runner_read_mode wire;   // "modes"."wire"
  bool has_frame_times;    // the report carried "frame_times_ms"
};

// Parses a report's text (length bytes, no terminator needed). Returns 1,
// or 0 with a message naming what is wrong (error_size bytes, terminated).
int runner_parse_report(const char* text, size_t length, runner_read_figures* out, char* error,
                        size_t error_size);

// Reads and parses a report file; messages name the file.
int runner_read_report(const char* path, runner_read_figures* out, char* error, size_t error_size);

// Whether two reports measured the same thing (surface size and script);
// 0 with the difference in `why` when they did not.
int runner_reports_comparable(const runner_read_figures& base, const runner_read_figures& next, char* why,
                              size_t why_size);

// Figures a comparison shows, in order: median, p90, p99 (ms, lower is
// better) and the 1 % low frame rate (higher is better).
constexpr int RUNNER_COMPARE_FIGURES = 4;

struct runner_mode_comparison {
  const char* mode;                      // "solid" or "wire"
  double base[RUNNER_COMPARE_FIGURES];   // figures of the base report
  double next[RUNNER_COMPARE_FIGURES];   // figures of the new report
  double ratio[RUNNER_COMPARE_FIGURES];  // next / base (0 when base is 0)
  bool worse[RUNNER_COMPARE_FIGURES];    // worse than the threshold allows
  bool compared;                         // both reports timed frames in this mode
};

struct runner_comparison {
  double threshold_percent;         // allowed change before a figure counts as worse
  runner_mode_comparison modes[2];  // solid, wire
  bool median_regressed;            // some mode's median is worse
};

// Compares the figures of two reports mode by mode.
runner_comparison runner_compare_reports(const runner_read_figures& base, const runner_read_figures& next,
                                         double threshold_percent);

// Prints a comparison as a table with the worse figures flagged and a
// closing verdict line.
void runner_print_comparison(FILE* out, const char* base_name, const char* next_name,
                             const runner_comparison& c);

// Draws the two runs' frame times overlaid into the picture file path
// (names are the legend's labels). Returns 1, or 0 with a message.
typedef int (*runner_compare_plotter)(const char* path, const runner_read_figures& base,
                                      const char* base_name, const runner_read_figures& next,
                                      const char* next_name, char* error, size_t error_size);

// The `--compare BASE.json NEW.json [--threshold PERCENT] [--force]
// [--plot FILE]` command (argv[0] is the program), printing the table to out
// and refusals to err. When plot is not null and both reports list their
// frame times, it draws them overlaid into FILE (default
// compare-frametimes.png in NEW.json's folder). Returns the exit status: 0
// when no median regressed, 1 when one did, 2 for a usage error or a refused
// report, 3 when the picture could not be made.
int runner_compare_main(int argc, char** argv, FILE* out, FILE* err, runner_compare_plotter plot);
