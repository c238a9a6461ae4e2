// boxfield_runner's command line: the headless runner's flight, pictures and
// report options, the report comparison (--compare BASE NEW), the A/B
// of two commands (--ab) and the bisect of a commit range (--bisect). Read on
// util/cli_options.h, the programs' common convention, with no files opened
// and nothing printed, so tests and fuzz targets can call it; running the
// options is tools/boxfield_runner.cpp's. Depends on the runner library
// (value parsing, tours, frame ends).
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "runner/runner_runs.h"
#include "runner/runner_session.h"
#include "runner/runner_shots.h"

struct box_field_runner_options {
  bool help = false;         // --help, -h
  bool version = false;      // --version
  bool help_script = false;  // --help-script: the flight script format
  std::string print_tour;    // --print-tour NAME: print that tour and exit
  int32_t width = 1280;      // --size WxH
  int32_t height = 720;
  std::string tour = "short";                            // --tour NAME
  std::string script_file;                               // --script FILE instead of a tour
  std::string out_dir = "runner-out";                    // --out DIR
  runner_shot_check shots = {"", 24, 0};                 // --validate DIR, --tolerance N, --max-differing N
  bool real_clock = false;                               // --real-clock
  runner_frame_end frame_end = RUNNER_FRAME_END_FINISH;  // --frame-end
  std::string results_file;                              // --results-file FILE ("" = none)
  bool strict = false;                                   // --strict
  runner_runs_plan runs;                                 // --warmup, --runs, --ci, --max-runs, --max-seconds
  runner_instruments instruments;                        // --gpu-time, --gl-errors, --egl-swap
  // --compare BASE.json NEW.json [--threshold PERCENT] [--force] [--plot FILE]
  bool compare = false;
  std::vector<std::string> reports;  // BASE and NEW
  double threshold = 3.0;
  bool force = false;
  std::string plot;  // "": beside NEW (--compare), history-trend.png (--history-trend)
  // The history of runs: --history DB records the run into DB (a file or a
  // postgresql:// URL; BOXFIELD_HISTORY when not given) and names the
  // history the other options read. At most one of these runs instead of a
  // flight: --history-add REPORT..., --history-runs, --history-trend,
  // --history-changes, --history-csv FILE; the filters choose their runs.
  std::string history;
  std::string history_command;  // "" (a flight), "add", "runs", "trend", "changes" or "csv"
  std::string history_csv;      // --history-csv FILE
  std::string machine, revision, driver, since, until;  // --machine, --revision, --driver, --since, --until
  // --ab --base CMD --new CMD [--pairs N|auto] [--max-seconds S] [--threshold P]
  // [--out DIR] -- FLIGHT OPTIONS
  bool ab = false;
  std::string ab_base, ab_new;           // the sides' command lines, as given
  int32_t ab_pairs = 0;                  // 0: auto
  double ab_max_seconds = 600;           // --max-seconds with --ab
  std::vector<std::string> flight_args;  // after --
  bool out_given = false;                // --out was given (--ab's default is ab-out)
  // --bisect --good REV --bad REV --build CMD --run CMD [--worktrees DIR] and
  // --ab's --pairs, --max-seconds, --threshold, --out (default bisect-out)
  // and flight options after --
  bool bisect = false;
  std::string bisect_good, bisect_bad;   // revisions
  std::string bisect_build, bisect_run;  // command lines, as given
  std::string bisect_worktrees;          // "": under the repository's git folder
};

// Reads the arguments after the program name. Returns true with out filled,
// or false with a one-line message naming the mistake.
bool box_field_runner_parse_options(const std::vector<std::string>& args, box_field_runner_options* out,
                                    std::string* error);

// The usage text (several lines, ending with a line feed).
std::string box_field_runner_usage(void);
