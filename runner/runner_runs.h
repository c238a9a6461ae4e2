// Repeated runs of a timed flight: warm-up passes flown first and not
// reported, then a fixed number of timed runs or, with "auto", runs until
// every mode's 95 % interval of the median of run medians (widened for
// looking after every run, after RUNNER_AUTO_MIN_RUNS runs at least, see
// runner_spread_auto_done) lies within +-ci_percent, or a cap on runs or
// seconds ends them; or, when another process takes turns with this one
// (RUNNER_TURNS, below), one timed run each time that process says so. The
// caller flies the passes and hands each one's frames in; this module
// decides whether another pass follows and says what ended the runs. It
// also does the busy work --add-work asks for. Depends on
// runner/runner_session.h and runner/runner_stats.h.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "runner/runner_session.h"
#include "util/cli_options.h"

// Turn-taking with a controlling process (an A/B of two programs, see
// runner/runner_ab.h). When the environment has RUNNER_TURNS="IN,OUT" (two
// open file descriptors, inherited), the program flies its warm-up passes,
// writes "ready\n" on OUT, and before each timed run waits, blocked, for a
// line on IN: "run" flies one timed run and then writes "done\n"; "stop" or
// the end of the input ends the runs, and the program writes its report and
// exits as usual. Any other line ends the runs as a failure. The runs
// asked for (--runs) are then ignored. RUNNER_TURNS_REPORT=PATH, when set,
// is where the program writes its JSON report (its other files beside it).
// POSIX only: on Windows a RUNNER_TURNS setting is refused.
struct runner_turns {
  bool on = false;
  int in_fd = -1, out_fd = -1;
  std::string report_path;  // RUNNER_TURNS_REPORT, "" when not set
};

// Parses "IN,OUT" (two descriptor numbers from 0 to 65535). Returns true
// with in_fd and out_fd set and on true, or false with a one-line message.
bool runner_turns_parse(const char* text, runner_turns* turns, char* error, size_t error_size);

// Reads RUNNER_TURNS and RUNNER_TURNS_REPORT: 1 when turns were asked for
// (turns filled), 0 when RUNNER_TURNS is not set, -1 with a message when its
// value is bad (or on Windows).
int runner_turns_from_environment(runner_turns* turns, char* error, size_t error_size);

enum runner_turn_command { RUNNER_TURN_RUN, RUNNER_TURN_STOP, RUNNER_TURN_BAD };

// What a line from the controlling process asks ("run", "stop"; a trailing
// carriage return is allowed; anything else is bad).
runner_turn_command runner_turn_parse_line(const std::string& line);

struct runner_runs_plan {
  int32_t warmup_passes = 1;    // passes flown before timing, not reported
  int32_t runs = 3;             // timed runs (ignored when auto_runs)
  bool auto_runs = false;       // repeat until the interval is narrow enough
  double ci_percent = 1.0;      // the interval's half-width asked for, in percent of the median
  int32_t max_runs = 30;        // with auto_runs: most timed runs
  double max_seconds = 300;     // with auto_runs: no new run starts after this long (timed runs only)
  runner_turns turns;           // timed runs when another process says so
  double add_work_percent = 0;  // --add-work: busy work per frame, percent of the frame before
};

// The measuring a timed run adds to the program's own work, each of which
// can be switched off (bench/boxfield_instruments.sh measures their cost).
struct runner_instruments {
  bool gpu_time = true;           // --gpu-time: timer queries around every frame
  bool gl_error_callback = true;  // --gl-errors callback: debug-output callback (else glGetError per frame)
  bool egl_swap = true;           // --egl-swap: eglSwapBuffers on a headless pbuffer (runner only)
};

struct runner_runs {
  runner_runs_plan plan;
  int32_t passes_flown = 0;                      // warm-up passes and timed runs done
  double timed_start = 0.0;                      // runner_seconds at the first timed run's start
  std::vector<std::vector<runner_frame>> timed;  // every frame of each timed run
  std::string ended_by;                          // what ended the runs, once they have ended
  bool said_ready = false;                       // with turns: "ready" written
  std::string turn_error;                        // with turns: what went wrong ("" when nothing did)
};

// Parses "N" (1 to 1000) or "auto" into the plan; false for other text.
bool runner_parse_runs(const char* text, runner_runs_plan* plan);

// Starts the runs.
void runner_runs_start(runner_runs* r, const runner_runs_plan& plan);

// True while the pass being flown is a warm-up pass.
bool runner_runs_warming_up(const runner_runs& r);

// Called when a pass starts (now: runner_seconds).
void runner_runs_pass_begins(runner_runs* r, double now);

// Hands in a finished pass's frames (kept when it was timed); returns true
// when another pass is to be flown, false when the runs are over (ended_by
// then says why).
bool runner_runs_pass_done(runner_runs* r, const std::vector<runner_frame>& frames, double now);

// With turns: before a timed run, says "ready" the first time and waits
// for the controlling process's line. True when a timed run is to be flown
// (and always without turns, or while warming up); false when the runs are
// over (ended_by says why, and turn_error when the protocol failed).
bool runner_runs_await_turn(runner_runs* r);

// The busy work of --add-work: real computation on the calling thread, its
// amount fixed before it starts at what took percent % of previous_ms at
// the rate the last work ran (so a share of the frame before as the
// machine is now); whatever slows the machine while it runs slows it too,
// as it would a real change's code. Returns the milliseconds it took; does
// nothing for percent <= 0.
double runner_add_work(double percent, double previous_ms);

// The run options both programs take: --warmup N, --runs N|auto, --ci
// PERCENT, --max-runs N, --max-seconds S, --gpu-time on|off, --gl-errors
// callback|poll, --add-work PERCENT. Returns 1 when name is one of them and its value is good,
// 0 when the value is not (a one-line message in error), -1 when name is
// none of them.
int runner_runs_option(const char* name, const char* value, runner_runs_plan* plan,
                       runner_instruments* instruments, char* error, size_t error_size);

// Their rows for a program's option table, with ids from
// RUNNER_RUNS_OPTION_ID up (above any program's own); a program reads them
// by name (cli_option_name) with runner_runs_option.
enum { RUNNER_RUNS_OPTION_ID = CLI_FIRST_ID + 1000 };
void runner_runs_add_options(std::vector<cli_option>* table);

// Usage lines of those options (each line starts with two blanks).
const char* runner_runs_usage(void);

// "3" or "auto".
std::string runner_runs_requested(const runner_runs_plan& plan);
