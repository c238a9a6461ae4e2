// The box-field program's command line: with no arguments the program runs
// as it always has (full screen, interactive); options choose a window of a
// given size and a timed benchmark flight with its report files. Checking
// every option happens here (on util/cli_options.h, the programs' common
// convention); running them is boxfield/main.cpp's. Depends on the runner
// library (value parsing, tours, frame ends).
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "runner/runner_runs.h"
#include "runner/runner_session.h"

struct box_field_options {
  bool help = false;         // --help, -h, /?: print the usage and exit 0
  bool version = false;      // --version: print the version and exit 0
  int32_t window_width = 0;  // --size WxH (or --windowed WxH; 0: full screen, the plain start)
  int32_t window_height = 0;
  bool benchmark = false;                              // --benchmark: fly a tour, report and exit
  std::string tour = "bench";                          // built-in tour of the benchmark
  std::string script_file;                             // --script FILE instead of a tour
  std::string report = "boxfield-report.json";         // --report FILE
  runner_frame_end frame_end = RUNNER_FRAME_END_SWAP;  // --frame-end
  std::string results_file;                            // --results-file FILE.csv ("" = none)
  bool strict = false;                                 // --strict: any GL error fails the run
  runner_runs_plan runs;                               // --warmup, --runs, --ci, --max-runs, --max-seconds
  runner_instruments instruments;                      // --gpu-time, --gl-errors
  std::string history;  // --history DB (Linux; BOXFIELD_HISTORY when not given)
};

// Reads the arguments after the program name. Returns true with out filled,
// or false with a one-line message naming the option in error.
bool box_field_parse_options(const std::vector<std::string>& args, box_field_options* out,
                             std::string* error);

// The usage text (several lines, ending with a line feed).
std::string box_field_usage(void);
