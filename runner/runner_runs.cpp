// Warm-up and repeated runs (see runner_runs.h).
#include "runner/runner_runs.h"

#include <stdio.h>
#include <string.h>

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

bool runner_runs_pass_done(runner_runs* r, const std::vector<runner_frame>& frames, double now) {
  bool warm_up = runner_runs_warming_up(*r);
  r->passes_flown++;
  if (warm_up) return true;
  r->timed.push_back(frames);
  int32_t n = (int32_t)r->timed.size();
  char text[160];
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
  static const char* const names[] = {"warmup",      "runs",     "ci",       "max-runs",
                                      "max-seconds", "gpu-time", "gl-errors"};
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
         "                      glGetError once per frame (default callback)\n";
}

std::string runner_runs_requested(const runner_runs_plan& plan) {
  return plan.auto_runs ? "auto" : std::to_string(plan.runs);
}
