// Reports read for the history (see history_report.h).
#include "history/history_report.h"

#include <math.h>
#include <stdio.h>

#include <nlohmann/json.hpp>

using nlohmann::json;

// 64-bit FNV-1a, as 16 hex digits.
static std::string fnv_hex(const std::string& text) {
  uint64_t h = 0xcbf29ce484222325ull;
  for (unsigned char c : text) {
    h ^= c;
    h *= 0x100000001b3ull;
  }
  char out[17];
  snprintf(out, sizeof out, "%016llx", (unsigned long long)h);
  return out;
}

std::string history_machine_id(const std::string& cpu_model, int64_t logical_cores, const std::string& os) {
  return fnv_hex(cpu_model + "\n" + std::to_string(logical_cores) + "\n" + os);
}

std::string history_report_key(const std::string& text) { return fnv_hex(text); }

// A string field ("" when absent or null); false when it is another type.
static bool text_field(const json& j, const char* key, std::string* out) {
  out->clear();
  auto it = j.find(key);
  if (it == j.end() || it->is_null()) return true;
  if (!it->is_string()) return false;
  *out = it->get<std::string>();
  return true;
}

static double number_field(const json& j, const char* key) {
  auto it = j.find(key);
  if (it == j.end() || !it->is_number()) return NAN;
  return it->get<double>();
}

static int64_t count_field(const json& j, const char* key) {
  auto it = j.find(key);
  if (it == j.end() || !it->is_number_integer()) return 0;
  return it->get<int64_t>();
}

bool history_read_report(const std::string& text, history_record* r, std::string* why) {
  json j = json::parse(text, nullptr, false);
  if (j.is_discarded() || !j.is_object()) {
    *why = "not a JSON report";
    return false;
  }
  auto version = j.find("schema_version");
  if (version == j.end() || !version->is_number_integer()) {
    *why = "not a report (no schema_version)";
    return false;
  }
  r->schema_version = (int32_t)version->get<int64_t>();
  if (r->schema_version < HISTORY_OLDEST_REPORT_SCHEMA) {
    char line[160];
    snprintf(line, sizeof line, "report schema version %d is older than the history takes (%d and later)",
             r->schema_version, HISTORY_OLDEST_REPORT_SCHEMA);
    *why = line;
    return false;
  }
  auto env = j.find("environment");
  auto modes = j.find("modes");
  auto surface = j.find("surface");
  if (env == j.end() || !env->is_object() || modes == j.end() || !modes->is_object() || surface == j.end() ||
      !surface->is_object()) {
    *why = "not a report (no environment, modes or surface)";
    return false;
  }
  bool texts_ok =
      text_field(j, "script", &r->script) && text_field(j, "frame_end", &r->frame_end) &&
      text_field(j, "clock", &r->clock) && text_field(j, "gpu_time", &r->gpu_time) &&
      text_field(*env, "gl_renderer", &r->gl_renderer) && text_field(*env, "cpu_model", &r->cpu_model) &&
      text_field(*env, "os", &r->os) && text_field(*env, "kernel", &r->kernel) &&
      text_field(*env, "window_system", &r->window_system) && text_field(*env, "egl", &r->egl) &&
      text_field(*env, "gl_vendor", &r->gl_vendor) && text_field(*env, "gl_version", &r->gl_version) &&
      text_field(*env, "driver_version", &r->driver_version) &&
      text_field(*env, "driver_settings", &r->driver_settings) && text_field(*env, "program", &r->program) &&
      text_field(*env, "program_version", &r->program_version) &&
      text_field(*env, "source_revision", &r->source_revision) &&
      text_field(*env, "compiler", &r->compiler) && text_field(*env, "build_type", &r->build_type) &&
      text_field(*env, "utc_time", &r->run_utc);
  if (!texts_ok) {
    *why = "a field of the report that should be text is not";
    return false;
  }
  auto runs = j.find("runs");
  if (runs != j.end() && runs->is_object()) text_field(*runs, "requested", &r->runs_requested);
  auto errors = j.find("gl_errors");
  if (errors != j.end() && errors->is_object()) text_field(*errors, "check", &r->gl_error_check);
  r->width = (int32_t)count_field(*surface, "width");
  r->height = (int32_t)count_field(*surface, "height");
  r->logical_cores = count_field(*env, "logical_cores");
  if (r->run_utc.empty()) {
    *why = "the report's environment has no utc_time";
    return false;
  }
  r->modes.clear();
  for (auto m = modes->begin(); m != modes->end(); ++m) {
    if (!m.value().is_object()) {
      *why = "mode '" + m.key() + "' of the report is not an object";
      return false;
    }
    const json& f = m.value();
    history_mode_figures out;
    out.mode = m.key();
    out.frames = count_field(f, "frames");
    out.runs = count_field(f, "runs");
    out.median_ms = number_field(f, "median_ms");
    out.ci_low_ms = number_field(f, "ci_low_ms");
    out.ci_high_ms = number_field(f, "ci_high_ms");
    out.cv_percent = number_field(f, "cv_percent");
    out.p90_ms = number_field(f, "p90_ms");
    out.p99_ms = number_field(f, "p99_ms");
    out.low_1pct_fps = number_field(f, "low_1pct_fps");
    out.gpu_median_ms = number_field(f, "gpu_median_ms");
    out.cpu_median_ms = number_field(f, "cpu_median_ms");
    auto each = f.find("run_figures");
    if (each != f.end() && each->is_array()) {
      for (const json& one : *each)
        if (one.is_object()) out.run_medians_ms.push_back(number_field(one, "median_ms"));
    }
    r->modes.push_back(out);
  }
  r->machine_id = history_machine_id(r->cpu_model, r->logical_cores, r->os);
  r->report_key = history_report_key(text);
  r->text = text;
  return true;
}
