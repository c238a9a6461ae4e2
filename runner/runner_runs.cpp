// Warm-up and repeated runs (see runner_runs.h).
#include "runner/runner_runs.h"

#include <errno.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#ifndef _WIN32
#include <unistd.h>
#endif

#include <algorithm>

#include "runner/runner_args.h"
#include "runner/runner_stats.h"

bool runner_parse_runs(const char* text, runner_runs_plan* plan) {
  if (text && strcmp(text, "auto") == 0) {
    plan->auto_runs = true;
    return true;
  }
  long long n = 0;
  if (!text || !runner_parse_count(text, 1000, &n) || n < 1) return false;
  plan->auto_runs = false;
  plan->runs = (int32_t)n;
  return true;
}

void runner_runs_start(runner_runs* r, const runner_runs_plan& plan) {
  *r = runner_runs();
  r->plan = plan;
}

bool runner_runs_warming_up(const runner_runs& r) { return r.passes_flown < r.plan.warmup_passes; }

void runner_runs_pass_begins(runner_runs* r, double now) {
  if (r->passes_flown == r->plan.warmup_passes) r->timed_start = now;
}

// Whether every mode with frames may stop: enough runs, and its interval
// (widened for looking after every run) within the target.
static bool intervals_narrow(const runner_runs& r) {
  bool any = false;
  int32_t modes = 0;
  for (const auto& run : r.timed) {
    for (const runner_frame& f : run) modes = std::max(modes, f.mode + 1);
  }
  for (int32_t mode = 0; mode < modes; mode++) {
    std::vector<double> medians;
    for (const auto& run : r.timed) {
      std::vector<double> ms;
      for (const runner_frame& f : run) {
        if (!f.setup && f.mode == mode) ms.push_back(f.ms);
      }
      if (!ms.empty()) medians.push_back(runner_summarise(ms.data(), ms.size()).median_ms);
    }
    if (medians.empty()) continue;
    any = true;
    if (!runner_spread_auto_done(medians.data(), medians.size(), r.plan.ci_percent)) return false;
  }
  return any;
}

// ---------------------------------------------------------------------------
// Turns

bool runner_turns_parse(const char* text, runner_turns* t, char* error, size_t error_size) {
  const char* comma = text ? strchr(text, ',') : nullptr;
  long long fd[2] = {-1, -1};
  if (comma && strspn(text, "0123456789,") == strlen(text)) {
    std::string in(text, (size_t)(comma - text));
    if (!runner_parse_count(in.c_str(), 65535, &fd[0]) || !runner_parse_count(comma + 1, 65535, &fd[1]))
      fd[0] = -1;
  }
  if (fd[0] < 0) {
    snprintf(error, error_size, "RUNNER_TURNS wants two file descriptors IN,OUT from 0 to 65535 (got '%s')",
             text ? text : "");
    return false;
  }
  t->on = true;
  t->in_fd = (int)fd[0];
  t->out_fd = (int)fd[1];
  return true;
}

int runner_turns_from_environment(runner_turns* t, char* error, size_t error_size) {
  *t = runner_turns();
  const char* text = getenv("RUNNER_TURNS");
  if (!text) return 0;
#ifdef _WIN32
  snprintf(error, error_size, "RUNNER_TURNS is set, but taking turns with another process needs POSIX");
  return -1;
#else
  if (!runner_turns_parse(text, t, error, error_size)) return -1;
  const char* report = getenv("RUNNER_TURNS_REPORT");
  if (report) t->report_path = report;
  return 1;
#endif
}

runner_turn_command runner_turn_parse_line(const std::string& line) {
  std::string s = line;
  if (!s.empty() && s.back() == '\r') s.pop_back();
  if (s == "run") return RUNNER_TURN_RUN;
  if (s == "stop") return RUNNER_TURN_STOP;
  return RUNNER_TURN_BAD;
}

#ifndef _WIN32
// Writes a whole line; false when the other end is gone.
static bool turn_write(int fd, const char* line) {
  size_t n = strlen(line), done = 0;
  while (done < n) {
    ssize_t w = write(fd, line + done, n - done);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return false;
    done += (size_t)w;
  }
  return true;
}

// Reads one line (without its line feed, at most 64 bytes kept): 1, 0 at
// the end of the input before any byte, -1 on a read error.
static int turn_read_line(int fd, std::string* line) {
  line->clear();
  for (;;) {
    char c;
    ssize_t got = read(fd, &c, 1);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return -1;
    if (got == 0) return line->empty() ? 0 : 1;
    if (c == '\n') return 1;
    if (line->size() < 64) line->push_back(c);
  }
}
#endif

static void turns_end(runner_runs* r, const std::string& error) {
  char text[200];
  if (error.empty()) {
    snprintf(text, sizeof text, "the controlling process (RUNNER_TURNS) ended the runs after %d",
             (int)r->timed.size());
  } else {
    snprintf(text, sizeof text, "turn-taking failed after %d runs: %s", (int)r->timed.size(), error.c_str());
  }
  r->turn_error = error;
  r->ended_by = text;
}

bool runner_runs_await_turn(runner_runs* r) {
  if (!r->plan.turns.on || runner_runs_warming_up(*r)) return true;
#ifdef _WIN32
  turns_end(r, "not available on Windows");
  return false;
#else
  if (!r->said_ready) {
    r->said_ready = true;
    if (!turn_write(r->plan.turns.out_fd, "ready\n")) {
      turns_end(r, std::string("cannot write on descriptor ") + std::to_string(r->plan.turns.out_fd) + ": " +
                       strerror(errno));
      return false;
    }
  }
  std::string line;
  int got = turn_read_line(r->plan.turns.in_fd, &line);
  if (got < 0) {
    turns_end(r, std::string("cannot read descriptor ") + std::to_string(r->plan.turns.in_fd) + ": " +
                     strerror(errno));
    return false;
  }
  runner_turn_command c = got == 0 ? RUNNER_TURN_STOP : runner_turn_parse_line(line);
  if (c == RUNNER_TURN_RUN) return true;
  if (c == RUNNER_TURN_STOP) {
    turns_end(r, "");
  } else {
    for (char& ch : line) {
      if ((unsigned char)ch < 32) ch = '?';
    }
    turns_end(r, "unknown line '" + line + "' (run or stop expected)");
  }
  return false;
#endif
}

// ---------------------------------------------------------------------------
// Added work

// The work: a chain of multiplications and shifts the compiler cannot fold,
// kept alive through a volatile store.
static volatile uint64_t work_sink = 0;
static void work_iterations(uint64_t n) {
  uint64_t x = work_sink | 1;
  for (uint64_t i = 0; i < n; i++) {
    x = x * 6364136223846793005ULL + 1442695040888963407ULL;
    x ^= x >> 29;
  }
  work_sink = x;
}

// Iterations per millisecond to start from: the best of nine short trials.
static double work_rate_quickest(void) {
  double rate = 0.0;
  const uint64_t block = 1u << 16;
  for (int trial = 0; trial < 9; trial++) {
    double t = runner_seconds();
    work_iterations(block);
    double ms = (runner_seconds() - t) * 1000.0;
    if (ms > 0.0) rate = std::max(rate, (double)block / ms);
  }
  return rate > 0.0 ? rate : 1e5;
}

// The rate the last work ran at. The amount of each frame's work is fixed
// from it before the work starts, so the work takes about its share of the
// previous frame when the machine stays as it was, and longer when an
// episode of other work starts meanwhile. (A rate measured once on a quiet
// moment would give a loaded machine more work than its share: the frame
// before is already slowed by the load, and so is the work.)
static double work_rate = 0.0;

double runner_add_work(double percent, double previous_ms) {
  if (!(percent > 0.0) || !(previous_ms > 0.0) || previous_ms > 60000.0) return 0.0;
  if (work_rate <= 0.0) work_rate = work_rate_quickest();
  uint64_t n = (uint64_t)(work_rate * previous_ms * percent / 100.0);
  double t = runner_seconds();
  work_iterations(n);
  double ms = (runner_seconds() - t) * 1000.0;
  if (ms > 0.05 && n > 0) work_rate = (double)n / ms;
  return ms;
}

// ---------------------------------------------------------------------------
// Passes

bool runner_runs_pass_done(runner_runs* r, const std::vector<runner_frame>& frames, double now) {
  bool warm_up = runner_runs_warming_up(*r);
  r->passes_flown++;
  if (warm_up) return true;
  r->timed.push_back(frames);
  int32_t n = (int32_t)r->timed.size();
  char text[160];
#ifndef _WIN32
  if (r->plan.turns.on) {
    if (turn_write(r->plan.turns.out_fd, "done\n")) return true;
    turns_end(r, std::string("cannot write on descriptor ") + std::to_string(r->plan.turns.out_fd) + ": " +
                     strerror(errno));
    return false;
  }
#endif
  if (!r->plan.auto_runs) {
    if (n < r->plan.runs) return true;
    snprintf(text, sizeof text, "the %d runs asked for were flown", n);
    r->ended_by = text;
    return false;
  }
  if (intervals_narrow(*r)) {
    snprintf(text, sizeof text, "after %d runs every mode's 95 %% interval was within +-%g %%", n,
             r->plan.ci_percent);
  } else if (n >= r->plan.max_runs) {
    snprintf(text, sizeof text, "--max-runs %d reached before every interval was within +-%g %%", n,
             r->plan.ci_percent);
  } else if (now - r->timed_start >= r->plan.max_seconds) {
    snprintf(text, sizeof text,
             "--max-seconds %g reached after %d runs before every interval was within +-%g %%",
             r->plan.max_seconds, n, r->plan.ci_percent);
  } else {
    return true;
  }
  r->ended_by = text;
  return false;
}

int runner_runs_option(const char* name, const char* value, runner_runs_plan* plan,
                       runner_instruments* instruments, char* error, size_t error_size) {
  long long n = 0;
  double x = 0.0;
  const char* wants = nullptr;
  if (strcmp(name, "--warmup") == 0) {
    if (value && runner_parse_count(value, 100, &n)) {
      plan->warmup_passes = (int32_t)n;
      return 1;
    }
    wants = "--warmup wants a pass count from 0 to 100";
  } else if (strcmp(name, "--runs") == 0) {
    if (runner_parse_runs(value, plan)) return 1;
    wants = "--runs wants a count from 1 to 1000 or auto";
  } else if (strcmp(name, "--ci") == 0) {
    if (value && runner_parse_number(value, 0.01, 50.0, &x)) {
      plan->ci_percent = x;
      return 1;
    }
    wants = "--ci wants a percentage from 0.01 to 50";
  } else if (strcmp(name, "--max-runs") == 0) {
    if (value && runner_parse_count(value, 1000, &n) && n >= (long long)RUNNER_CI_MIN_RUNS) {
      plan->max_runs = (int32_t)n;
      return 1;
    }
    wants = "--max-runs wants a count from 6 (the fewest runs an interval needs) to 1000";
  } else if (strcmp(name, "--max-seconds") == 0) {
    if (value && runner_parse_number(value, 1.0, 86400.0, &x)) {
      plan->max_seconds = x;
      return 1;
    }
    wants = "--max-seconds wants seconds from 1 to 86400";
  } else if (strcmp(name, "--add-work") == 0) {
    if (value && runner_parse_number(value, 0.0, 1000.0, &x)) {
      plan->add_work_percent = x;
      return 1;
    }
    wants = "--add-work wants a percentage from 0 to 1000";
  } else if (strcmp(name, "--gpu-time") == 0) {
    if (value && (strcmp(value, "on") == 0 || strcmp(value, "off") == 0)) {
      instruments->gpu_time = strcmp(value, "on") == 0;
      return 1;
    }
    wants = "--gpu-time wants on or off";
  } else if (strcmp(name, "--gl-errors") == 0) {
    if (value && (strcmp(value, "callback") == 0 || strcmp(value, "poll") == 0)) {
      instruments->gl_error_callback = strcmp(value, "callback") == 0;
      return 1;
    }
    wants = "--gl-errors wants callback or poll";
  } else {
    return -1;
  }
  snprintf(error, error_size, "%s", wants);
  return 0;
}

void runner_runs_add_options(std::vector<cli_option>* table) {
  static const char* const names[] = {"warmup",      "runs",     "ci",        "max-runs",
                                      "max-seconds", "gpu-time", "gl-errors", "add-work"};
  int id = RUNNER_RUNS_OPTION_ID;
  for (const char* name : names) table->push_back({name, CLI_VALUE, id++});
}

const char* runner_runs_usage(void) {
  return "  --warmup N          passes flown before timing, not reported (default 1)\n"
         "  --runs N|auto       timed runs (default 3); auto: until every mode's 95 % interval\n"
         "                      is within --ci PERCENT (default 1), 10 runs at least, or\n"
         "                      --max-runs N (default 30) or --max-seconds S (default 300)\n"
         "                      ends them\n"
         "  --gpu-time on|off   GPU time per frame from timer queries (default on)\n"
         "  --gl-errors callback|poll\n"
         "                      count GL errors with a debug-output callback, or with\n"
         "                      glGetError once per frame (default callback)\n"
         "  --add-work PERCENT  busy work on the main thread in every frame, PERCENT % of the\n"
         "                      frame before it, inside the frame's time: a copy of the program\n"
         "                      about that much slower, to check a comparison (default 0)\n";
}

std::string runner_runs_requested(const runner_runs_plan& plan) {
  return plan.auto_runs ? "auto" : std::to_string(plan.runs);
}
