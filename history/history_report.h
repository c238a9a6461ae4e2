// A run's report as the history keeps it: the figures of each mode and the
// record of what it measured on, read from the report's JSON text (schema
// version 2 and later) with nlohmann-json. The text itself is kept too, so
// nothing in the report is lost. Depends on the C++ standard library and
// nlohmann-json (in the source file only).
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

// Oldest report schema the history takes.
constexpr int32_t HISTORY_OLDEST_REPORT_SCHEMA = 2;

// One mode's figures; NaN where the report has none (too few runs or frames).
struct history_mode_figures {
  std::string mode;
  int64_t frames = 0, runs = 0;
  double median_ms, ci_low_ms, ci_high_ms, cv_percent, p90_ms, p99_ms, low_1pct_fps, gpu_median_ms,
      cpu_median_ms;
  std::vector<double> run_medians_ms;
};

// What a run measured on and what it found.
struct history_record {
  int32_t schema_version = 0;
  // What was measured: these, with the machine and the mode, name a series.
  int32_t width = 0, height = 0;
  std::string script, frame_end, clock, gl_renderer;
  // The machine record.
  std::string machine_id;  // history_machine_id of the fields below
  std::string cpu_model, os, kernel, window_system, egl, gl_vendor, gl_version, driver_version,
      driver_settings;
  int64_t logical_cores = 0;
  std::string program, program_version, source_revision, compiler, build_type, run_utc;
  std::string gpu_time, gl_error_check, runs_requested;
  std::vector<history_mode_figures> modes;
  std::string report_key;  // history_report_key of the text
  std::string text;        // the report itself
};

// Reads a report's text. False with a one-line reason (no file name) when it
// is not JSON, not a report, older than HISTORY_OLDEST_REPORT_SCHEMA or
// lacks a field the history needs.
bool history_read_report(const std::string& text, history_record* out, std::string* why);

// The machine's stable id: 16 hex digits of a hash of its processor, its
// usable processors and its OS name (what stays when drivers and kernels
// are updated). Shown short: its first 8.
std::string history_machine_id(const std::string& cpu_model, int64_t logical_cores, const std::string& os);

// A key of the report's text (16 hex digits), so one report is recorded once.
std::string history_report_key(const std::string& text);
