// Report comparison (see runner_compare.h). The reader follows the parse
// events of nlohmann-json and keeps only the fields a comparison needs, so
// no tree of the whole text is built.
#include "runner/runner_compare.h"

#include <errno.h>
#include <math.h>
#include <stdarg.h>
#include <stdlib.h>
#include <string.h>

#include <filesystem>

#include <nlohmann/json.hpp>

#include "runner/runner_report.h"
#include "util/file_replace.h"

static int report_fail(char* error, size_t error_size, const char* format, ...) {
  if (error_size == 0) return 0;
  va_list args;
  va_start(args, format);
  vsnprintf(error, error_size, format, args);
  va_end(args);
  return 0;
}

// ---------------------------------------------------------------------------
// Reading

// Most modes kept.
static const size_t REPORT_MODES = 16;

// A value's kind as the reader sees it.
enum value_kind { VALUE_NUMBER, VALUE_NULL, VALUE_STRING, VALUE_OTHER };

// Members the reader takes, by the object they are in.
static const char* const TOP_MEMBERS[] = {"schema_version",
                                          "program",
                                          "frame_end",
                                          "clock",
                                          "script",
                                          "surface",
                                          "environment",
                                          "gl",
                                          "runs",
                                          "modes",
                                          "frame_times_ms",
                                          "gpu_time",
                                          "gl_errors",
                                          "add_work_percent",
                                          "egl_frames_swapped"};
static const char* const MODE_MEMBERS[] = {"frames", "median_ms",    "p90_ms",
                                           "p99_ms", "low_1pct_fps", "run_figures"};

template <size_t N>
static bool listed(const char* const (&names)[N], const std::string& k) {
  for (const char* n : names) {
    if (k == n) return true;
  }
  return false;
}

struct report_reader : nlohmann::json_sax<nlohmann::json> {
  struct level {
    bool array;
    std::string key;                 // the current member's name (objects)
    size_t index;                    // the current item's index (arrays)
    std::vector<std::string> taken;  // members of this object the reader took so far
  };
  runner_read_figures* out;
  std::vector<level> levels;
  std::string message;  // what was wrong, when the reader stopped the parse
  bool has_schema = false, has_program = false, has_frame_end = false, has_clock = false;
  bool has_script = false, has_width = false, has_height = false, has_renderer = false, has_modes = false;

  explicit report_reader(runner_read_figures* o) : out(o) {}

  // The name (objects) or "" (arrays) of level i's current member.
  const std::string& key_at(size_t i) const { return levels[i].key; }
  bool is(size_t i, const char* name) const {
    return i < levels.size() && !levels[i].array && levels[i].key == name;
  }

  bool fail(const std::string& what) {
    message = what;
    return false;
  }

  std::string path() const {
    std::string p;
    for (const level& l : levels) {
      if (l.array) {
        p += "[" + std::to_string(l.index) + "]";
      } else {
        p += (p.empty() ? "" : ".") + l.key;
      }
    }
    return p;
  }

  runner_read_mode* mode(const std::string& name) {
    for (runner_read_mode& m : out->modes) {
      if (m.name == name) return &m;
    }
    if (out->modes.size() >= REPORT_MODES || name.size() > 64) return nullptr;
    out->modes.emplace_back();
    out->modes.back().name = name;
    return &out->modes.back();
  }

  // Whether the member k of the innermost object is one the reader takes.
  bool takes(const std::string& k) const {
    size_t d = levels.size();
    if (d == 1) return listed(TOP_MEMBERS, k);
    if (d == 2) {
      if (is(0, "modes") || is(0, "frame_times_ms")) return true;
      if (is(0, "surface")) return k == "width" || k == "height";
      if (is(0, "environment"))
        return k == "driver_settings" || k == "driver_version" || k == "source_revision" ||
               k == "cpu_model" || k == "usable_cpus" || k == "cpu_limit";
      if (is(0, "gl")) return k == "renderer";
      if (is(0, "runs")) return k == "warmup_passes" || k == "ended_by";
      if (is(0, "gl_errors")) return k == "check";
      return false;
    }
    if (d == 3 && is(0, "modes") && !levels[1].array) return listed(MODE_MEMBERS, k);
    return d == 5 && is(0, "modes") && is(2, "run_figures") && levels[3].array &&
           (k == "median_ms" || k == "gpu_median_ms" || k == "cpu_median_ms");
  }

  // After a value: the next item of an array.
  void advance() {
    if (!levels.empty() && levels.back().array) levels.back().index++;
  }

  bool number_at_least_zero(double v, double* target) {
    if (!isfinite(v) || v < 0.0) return fail(path() + " is not a number from 0 up");
    *target = v;
    return true;
  }

  // A median: a time above 0 (null only where the caller allows it).
  bool median(value_kind kind, double v, double* target) {
    if (kind != VALUE_NUMBER || !isfinite(v) || v <= 0.0) {
      char was[48];
      snprintf(was, sizeof was,
               kind == VALUE_NULL     ? "null"
               : kind == VALUE_NUMBER ? "%g"
                                      : "not a number",
               v);
      return fail(path() + " is " + was + ", not a time above 0");
    }
    *target = v;
    return true;
  }

  bool whole(value_kind kind, double v, double low, runner_read_fact* fact) {
    if (kind != VALUE_NUMBER || v != floor(v) || v < low || v > 1e9)
      return fail(path() + " is not a whole number from " + std::to_string((int)low) + " up");
    fact->present = true;
    fact->text = std::to_string((long long)v);
    return true;
  }

  bool text(value_kind kind, const std::string* t, runner_read_fact* fact) {
    if (kind != VALUE_STRING) return fail(path() + " is not a string");
    fact->present = true;
    fact->text = *t;
    return true;
  }

  bool value(value_kind kind, double number, const std::string* text_value) {
    size_t d = levels.size();
    bool ok = true;
    if (d == 1) {
      const std::string& k = key_at(0);
      if (k == "schema_version") {
        if (kind != VALUE_NUMBER || number != floor(number) || fabs(number) > 1e6)
          return fail("schema_version is not a whole number");
        out->schema_version = (int32_t)number;
        has_schema = true;
      } else if (k == "program" || k == "frame_end" || k == "clock" || k == "script") {
        if (kind != VALUE_STRING) return fail(k + " is not a string");
        (k == "program"     ? out->program
         : k == "frame_end" ? out->frame_end
         : k == "clock"     ? out->clock
                            : out->script) = *text_value;
        (k == "program"     ? has_program
         : k == "frame_end" ? has_frame_end
         : k == "clock"     ? has_clock
                            : has_script) = true;
      } else if (k == "gpu_time") {
        // How GPU time was measured, or "off ..." / "unavailable: ..." when
        // no timer queries ran.
        if (kind != VALUE_STRING) return fail("gpu_time is not a string");
        bool off = text_value->rfind("off", 0) == 0 || text_value->rfind("unavailable", 0) == 0;
        out->timer_queries = {true, off ? "off" : "on"};
      } else if (k == "egl_frames_swapped") {
        runner_read_fact swapped;
        if (!whole(kind, number, 0.0, &swapped)) return false;
        out->egl_swap = {true, number > 0.0 ? "on" : "off"};
      } else if (k == "add_work_percent") {
        if (kind != VALUE_NUMBER) return fail("add_work_percent is not a number");
        ok = number_at_least_zero(number, &out->add_work_percent);
      }
    } else if (d == 2 && is(0, "surface") && (is(1, "width") || is(1, "height"))) {
      if (kind != VALUE_NUMBER || number != floor(number) || number < 1.0 || number > 65536.0)
        return fail("surface size is not whole numbers from 1 to 65536");
      (is(1, "width") ? out->width : out->height) = (int32_t)number;
      (is(1, "width") ? has_width : has_height) = true;
    } else if (d == 2 && is(0, "environment")) {
      if (is(1, "driver_settings") || is(1, "driver_version") || is(1, "source_revision")) {
        if (kind != VALUE_STRING) return fail(path() + " is not a string");
        (is(1, "driver_settings")  ? out->driver_settings
         : is(1, "driver_version") ? out->driver_version
                                   : out->source_revision) = *text_value;
      } else if (is(1, "cpu_model")) {
        ok = text(kind, text_value, &out->cpu_model);
      } else if (is(1, "usable_cpus")) {
        ok = whole(kind, number, 0.0, &out->usable_cpus);
      } else if (is(1, "cpu_limit")) {
        if (kind == VALUE_NULL) {
          out->cpu_limit = {true, "none"};
        } else if (kind != VALUE_NUMBER || !isfinite(number) || number <= 0.0) {
          return fail("environment.cpu_limit is not a number above 0 or null");
        } else {
          char limit[40];
          snprintf(limit, sizeof limit, "%g", number);
          out->cpu_limit = {true, limit};
        }
      }
    } else if (d == 2 && is(0, "runs") && is(1, "warmup_passes")) {
      ok = whole(kind, number, 0.0, &out->warmup_passes);
    } else if (d == 2 && is(0, "runs") && is(1, "ended_by")) {
      if (kind != VALUE_STRING) return fail("runs.ended_by is not a string");
      out->runs_ended_by = *text_value;
    } else if (d == 2 && is(0, "gl_errors") && is(1, "check")) {
      ok = text(kind, text_value, &out->gl_error_check);
    } else if (d == 2 && is(0, "gl") && is(1, "renderer")) {
      if (kind != VALUE_STRING) return fail("gl.renderer is not a string");
      out->gl_renderer = *text_value;
      has_renderer = true;
    } else if (d == 3 && is(0, "modes") && !levels[1].array) {
      runner_read_mode* m = mode(key_at(1));
      if (!m) return fail("more than 16 modes, or a mode name over 64 bytes");
      const std::string& k = key_at(2);
      double* target = k == "p90_ms"         ? &m->p90_ms
                       : k == "p99_ms"       ? &m->p99_ms
                       : k == "low_1pct_fps" ? &m->low_1pct_fps
                                             : nullptr;
      if (k == "frames") {
        if (kind != VALUE_NUMBER || number != floor(number) || number < 0.0 || number > 1e15)
          return fail(path() + " is not a whole number");
        m->frames = (int64_t)number;
      } else if (k == "median_ms") {
        // null: a mode without timed frames (checked against frames below).
        if (kind == VALUE_NULL) {
          m->median_ms = NAN;
        } else {
          ok = median(kind, number, &m->median_ms);
        }
      } else if (target) {
        if (kind == VALUE_NULL) {
          *target = NAN;
        } else if (kind != VALUE_NUMBER) {
          return fail(path() + " is not a number");
        } else {
          ok = number_at_least_zero(number, target);
        }
      }
    } else if (d == 5 && is(0, "modes") && is(2, "run_figures") && levels[3].array &&
               (is(4, "median_ms") || is(4, "gpu_median_ms") || is(4, "cpu_median_ms"))) {
      runner_read_mode* m = mode(key_at(1));
      if (!m) return fail("more than 16 modes");
      size_t i = levels[3].index;
      if (is(4, "median_ms")) {
        if (m->run_medians_ms.size() <= i) m->run_medians_ms.resize(i + 1, NAN);
        // Every run listed had frames in the mode, so it has a median.
        ok = median(kind, number, &m->run_medians_ms[i]);
      } else {
        // GPU and CPU medians: null where the run could not measure them.
        std::vector<double>& each = is(4, "gpu_median_ms") ? m->run_gpu_median_ms : m->run_cpu_median_ms;
        if (each.size() <= i) each.resize(i + 1, NAN);
        if (kind == VALUE_NUMBER) {
          ok = number_at_least_zero(number, &each[i]);
        } else if (kind != VALUE_NULL) {
          return fail(path() + " is not a number");
        }
      }
    } else if (d == 4 && is(0, "frame_times_ms") && levels[2].array && levels[3].array) {
      runner_read_mode* m = mode(key_at(1));
      if (!m) return fail("more than 16 modes");
      if (kind == VALUE_NULL) {
        // A frame the clock could not time (written as null): left out.
      } else if (kind != VALUE_NUMBER || !isfinite(number) || number < 0.0) {
        return fail(path() + " is not a number from 0 up");
      } else {
        m->frame_times_ms.push_back(number);
      }
    }
    return ok;
  }

  bool scalar(value_kind kind, double number, const std::string* t) {
    if (levels.empty()) return fail("the report is not an object");
    bool ok = value(kind, number, t);
    advance();
    return ok;
  }

  bool null() override { return scalar(VALUE_NULL, 0.0, nullptr); }
  bool boolean(bool) override { return scalar(VALUE_OTHER, 0.0, nullptr); }
  bool number_integer(number_integer_t v) override { return scalar(VALUE_NUMBER, (double)v, nullptr); }
  bool number_unsigned(number_unsigned_t v) override { return scalar(VALUE_NUMBER, (double)v, nullptr); }
  bool number_float(number_float_t v, const string_t&) override { return scalar(VALUE_NUMBER, v, nullptr); }
  bool string(string_t& v) override { return scalar(VALUE_STRING, 0.0, &v); }
  bool binary(binary_t&) override { return scalar(VALUE_OTHER, 0.0, nullptr); }

  bool open(bool array) {
    if (levels.size() >= RUNNER_REPORT_MAX_DEPTH)
      return fail("nesting deeper than " + std::to_string(RUNNER_REPORT_MAX_DEPTH));
    if (levels.empty() && array) return fail("the report is not an object");
    size_t d = levels.size();
    if (!array && d == 2 && is(0, "modes")) {
      if (!mode(key_at(1))) return fail("more than 16 modes, or a mode name over 64 bytes");
    } else if (!array && d == 1 && is(0, "modes")) {
      has_modes = true;
    } else if (!array && d == 4 && is(0, "modes") && is(2, "run_figures") && levels[3].array) {
      // A run's figures: its median must follow (NaN marks it missing).
      runner_read_mode* m = mode(key_at(1));
      size_t i = levels[3].index;
      if (m && m->run_medians_ms.size() <= i) m->run_medians_ms.resize(i + 1, NAN);
    } else if (array && d == 2 && is(0, "frame_times_ms")) {
      if (!mode(key_at(1))) return fail("more than 16 modes, or a mode name over 64 bytes");
    } else if (!array && d == 1 && is(0, "frame_times_ms")) {
      out->has_frame_times = true;
    }
    levels.push_back({array, std::string(), 0, {}});
    return true;
  }
  bool close() {
    levels.pop_back();
    advance();
    return true;
  }

  bool start_object(std::size_t) override { return open(false); }
  bool key(string_t& k) override {
    level& l = levels.back();
    l.key = k;
    if (!takes(k)) return true;
    // Only the modes' objects take more members than there are modes kept.
    if (l.taken.size() >= REPORT_MODES) return fail("more than 16 modes");
    // A member given twice: which one counts would be a guess.
    for (const std::string& t : l.taken) {
      if (t == k) return fail(path() + " is given twice");
    }
    l.taken.push_back(k);
    return true;
  }
  bool end_object() override { return close(); }
  bool start_array(std::size_t) override { return open(true); }
  bool end_array() override { return close(); }
  bool parse_error(std::size_t position, const std::string&, const nlohmann::detail::exception& e) override {
    // The library's message names the token and what was expected.
    std::string what = e.what();
    size_t colon = what.find("syntax error while parsing value - ");
    if (colon != std::string::npos) what = what.substr(colon + 35);
    message = what + " at byte " + std::to_string(position);
    return false;
  }
};

// Figures a comparison can use: every mode with timed frames has its run
// medians (all of them) and a median, no mode without frames has runs, and
// some mode timed a frame.
static int usable_figures(const runner_read_figures& f, char* error, size_t error_size) {
  bool timed = false;
  for (const runner_read_mode& m : f.modes) {
    const char* name = m.name.c_str();
    for (size_t i = 0; i < m.run_medians_ms.size(); i++) {
      if (isnan(m.run_medians_ms[i]))
        return report_fail(error, error_size, "modes.%s.run_figures[%zu] has no median_ms", name, i);
    }
    if (m.frames == 0) {
      if (!m.run_medians_ms.empty()) {
        return report_fail(error, error_size, "modes.%s.run_figures lists %zu runs but modes.%s.frames is 0",
                           name, m.run_medians_ms.size(), name);
      }
      continue;
    }
    timed = true;
    if (m.run_medians_ms.empty()) {
      return report_fail(error, error_size, "modes.%s.frames is %lld but modes.%s.run_figures lists no run",
                         name, (long long)m.frames, name);
    }
    if (!(m.median_ms > 0.0))
      return report_fail(error, error_size, "modes.%s.frames is %lld but modes.%s.median_ms is missing", name,
                         (long long)m.frames, name);
  }
  if (!timed) return report_fail(error, error_size, "no mode timed a frame (modes.*.frames are all 0)");
  return 1;
}

int runner_parse_report(const char* text, size_t length, runner_read_figures* out, char* error,
                        size_t error_size) {
  if (error_size > 0) error[0] = 0;
  *out = runner_read_figures();
  report_reader reader(out);
  bool parsed = false;
  try {
    parsed = nlohmann::json::sax_parse(text, text + length, &reader);
  } catch (const std::exception& e) {
    reader.message = e.what();
  }
  if (!parsed) {
    return report_fail(error, error_size, "not a valid report: %s",
                       reader.message.empty() ? "malformed" : reader.message.c_str());
  }
  if (!reader.has_schema)
    return report_fail(error, error_size, "no schema_version (a report of an older build?)");
  if (out->schema_version != RUNNER_SCHEMA_VERSION) {
    return report_fail(error, error_size, "schema_version %d, this build reads %d", out->schema_version,
                       RUNNER_SCHEMA_VERSION);
  }
  if (!reader.has_program) return report_fail(error, error_size, "no program string");
  if (!reader.has_frame_end) return report_fail(error, error_size, "no frame_end string");
  if (!reader.has_clock) return report_fail(error, error_size, "no clock string");
  if (!reader.has_script) return report_fail(error, error_size, "no script string");
  if (!reader.has_width || !reader.has_height) return report_fail(error, error_size, "no surface size");
  if (!reader.has_renderer) return report_fail(error, error_size, "no gl.renderer string");
  if (!reader.has_modes || out->modes.empty()) return report_fail(error, error_size, "no modes object");
  return usable_figures(*out, error, error_size);
}

int runner_read_report(const char* path, runner_read_figures* out, char* error, size_t error_size) {
  FILE* f = fopen(path, "rb");
  if (!f) return report_fail(error, error_size, "%s: cannot open it: %s", path, strerror(errno));
  std::string text;
  char buffer[65536];
  size_t n;
  bool too_big = false;
  while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) {
    if (text.size() + n > RUNNER_REPORT_MAX_BYTES) {
      too_big = true;
      break;
    }
    text.append(buffer, n);
  }
  bool read_error = ferror(f) != 0;
  fclose(f);
  if (read_error) return report_fail(error, error_size, "%s: cannot read it", path);
  if (too_big) {
    return report_fail(error, error_size, "%s: larger than %lu MiB", path,
                       (unsigned long)(RUNNER_REPORT_MAX_BYTES >> 20));
  }
  char inner[384];
  if (!runner_parse_report(text.data(), text.size(), out, inner, sizeof inner)) {
    return report_fail(error, error_size, "%s: %s", path, inner);
  }
  return 1;
}

std::string runner_compare_default_plot_path(const std::string& next_path) {
  // Beside NEW.json: its folder, or the current one for a bare name (or a
  // path the library cannot convert, which can throw on Windows).
  try {
    std::filesystem::path folder = std::filesystem::u8path(next_path).parent_path();
    return (folder / "compare-frametimes.png").u8string();
  } catch (const std::exception&) {
    return "compare-frametimes.png";
  }
}

const runner_read_mode* runner_read_find_mode(const runner_read_figures& f, const char* name) {
  for (const runner_read_mode& m : f.modes) {
    if (m.name == name) return &m;
  }
  return nullptr;
}

// ---------------------------------------------------------------------------
// Comparison

int runner_reports_comparable(const runner_read_figures& base, const runner_read_figures& next, char* why,
                              size_t why_size) {
  std::string d;
  auto add = [&d](const std::string& what) { d += (d.empty() ? "" : "; ") + what; };
  auto differ = [&add](const char* what, const std::string& a, const std::string& b) {
    if (a != b) add(std::string(what) + " differ: \"" + a + "\" against \"" + b + "\"");
  };
  // Facts an older report may not have: recorded on one side only is a
  // difference too, named so.
  auto fact = [&add, &differ](const char* what, const runner_read_fact& a, const runner_read_fact& b) {
    if (a.present && b.present) {
      differ(what, a.text, b.text);
    } else if (a.present != b.present) {
      add(std::string(what) + ": recorded in " + (a.present ? "BASE" : "NEW") + " only (\"" +
          (a.present ? a.text : b.text) + "\"; a report of an older build?)");
    }
  };
  differ("schema versions", std::to_string(base.schema_version), std::to_string(next.schema_version));
  differ("programs", base.program, next.program);
  differ("surfaces", std::to_string(base.width) + "x" + std::to_string(base.height),
         std::to_string(next.width) + "x" + std::to_string(next.height));
  differ("flights", base.script, next.script);
  differ("frame ends", base.frame_end, next.frame_end);
  differ("clocks", base.clock, next.clock);
  differ("GL renderers", base.gl_renderer, next.gl_renderer);
  differ("driver settings", base.driver_settings, next.driver_settings);
  fact("CPU models", base.cpu_model, next.cpu_model);
  fact("usable CPUs", base.usable_cpus, next.usable_cpus);
  fact("CPU limits", base.cpu_limit, next.cpu_limit);
  fact("warm-up passes", base.warmup_passes, next.warmup_passes);
  fact("timer queries", base.timer_queries, next.timer_queries);
  fact("GL error checks", base.gl_error_check, next.gl_error_check);
  fact("headless swaps", base.egl_swap, next.egl_swap);
  char work[2][32];
  snprintf(work[0], sizeof work[0], "%g %%", base.add_work_percent);
  snprintf(work[1], sizeof work[1], "%g %%", next.add_work_percent);
  differ("added work", work[0], work[1]);
  if (d.empty()) return 1;
  return report_fail(why, why_size, "%s", d.c_str());
}

std::string runner_add_work_note(const runner_read_figures& base, const runner_read_figures& next) {
  std::string lines;
  const runner_read_figures* side[2] = {&base, &next};
  for (int i = 0; i < 2; i++) {
    if (side[i]->add_work_percent <= 0.0) continue;
    char line[160];
    snprintf(line, sizeof line,
             "note: %s added busy work of %g %% of the frame before to every frame (--add-work)\n",
             i == 0 ? "BASE" : "NEW", side[i]->add_work_percent);
    lines += line;
  }
  return lines;
}

runner_comparison runner_compare_reports(const runner_read_figures& base, const runner_read_figures& next,
                                         double threshold_percent) {
  runner_comparison c = {};
  c.threshold_percent = threshold_percent;
  std::vector<std::string> names;
  for (const runner_read_mode& m : base.modes) names.push_back(m.name);
  for (const runner_read_mode& m : next.modes) {
    if (!runner_read_find_mode(base, m.name.c_str())) names.push_back(m.name);
  }
  static const runner_read_mode none;
  for (const std::string& name : names) {
    const runner_read_mode* b = runner_read_find_mode(base, name.c_str());
    const runner_read_mode* n = runner_read_find_mode(next, name.c_str());
    if (!b) b = &none;
    if (!n) n = &none;
    runner_mode_comparison m = {};
    m.mode = name;
    m.base_median_ms = b->median_ms;
    m.next_median_ms = n->median_ms;
    // A mode without frames has no run medians.
    std::vector<double> bm = b->frames > 0 ? b->run_medians_ms : std::vector<double>();
    std::vector<double> nm = n->frames > 0 ? n->run_medians_ms : std::vector<double>();
    m.base_runs = bm.size();
    m.next_runs = nm.size();
    m.ratio = runner_compare_runs(bm.data(), bm.size(), nm.data(), nm.size(), threshold_percent);
    if (m.ratio.verdict == RUNNER_SLOWER || m.ratio.verdict == RUNNER_MISSING) c.failed = true;
    if (m.ratio.verdict == RUNNER_UNCERTAIN) c.uncertain = true;
    c.modes.push_back(m);
  }
  return c;
}

void runner_print_comparison(FILE* out, const char* base_name, const char* next_name,
                             const runner_comparison& c) {
  fprintf(out, "base %s\nnew  %s\n", base_name, next_name);
  fprintf(out,
          "threshold %g %%; verdicts from the run medians (95 %% interval of new/base, Welch's t on their "
          "logarithms)\n",
          c.threshold_percent);
  fprintf(out, "  %-6s %12s %12s %9s %19s  %s\n", "mode", "base ms", "new ms", "new/base", "95 % interval",
          "verdict");
  for (const runner_mode_comparison& m : c.modes) {
    const runner_ratio& r = m.ratio;
    if (r.verdict == RUNNER_MISSING) {
      fprintf(out, "  %-6s %12.3f %12s %9s %19s  MISSING: NEW timed no frames in this mode\n", m.mode.c_str(),
              m.base_median_ms, "-", "-", "-");
      continue;
    }
    if (r.verdict == RUNNER_UNTIMED) {
      fprintf(out, "  %-6s %12s %12s %9s %19s  not compared: BASE timed no frames in this mode\n",
              m.mode.c_str(), "-", "-", "-", "-");
      continue;
    }
    char interval[40] = "-";
    if (r.has_interval) snprintf(interval, sizeof interval, "%.4f .. %.4f", r.low, r.high);
    fprintf(out, "  %-6s %12.3f %12.3f %9.4f %19s  %s", m.mode.c_str(), m.base_median_ms, m.next_median_ms,
            r.ratio, interval, runner_verdict_name(r.verdict));
    if (r.verdict == RUNNER_UNCERTAIN) {
      if (!r.has_interval) {
        fprintf(out, " (%zu and %zu runs: 2 a side at least; fly --runs 6 or --runs auto)", m.base_runs,
                m.next_runs);
      } else {
        fprintf(out, " (the interval is wider than the threshold: more runs, --runs auto, narrow it)");
      }
    }
    fputc('\n', out);
  }
  bool slower = false, missing = false;
  for (const runner_mode_comparison& m : c.modes) {
    slower = slower || m.ratio.verdict == RUNNER_SLOWER;
    missing = missing || m.ratio.verdict == RUNNER_MISSING;
  }
  if (slower || missing) {
    fprintf(out, "FAILED: %s\n",
            slower && missing ? "a mode is SLOWER and a mode is MISSING"
            : slower          ? "a mode is SLOWER beyond the threshold"
                              : "a mode timed in BASE is MISSING in NEW");
  } else if (c.uncertain) {
    fprintf(out, "undecided: no mode SLOWER or MISSING, but a mode is UNCERTAIN\n");
  } else {
    fprintf(out, "passed: every mode BASE timed is SAME or FASTER\n");
  }
}

int runner_compare_main(const runner_compare_request& request, FILE* out, FILE* err,
                        runner_compare_plotter plot) {
  const char* me = request.program ? request.program : "compare";
  const char* paths[2] = {request.base_path.c_str(), request.next_path.c_str()};
  double threshold = request.threshold_percent;
  bool force = request.force;
  // A picture path the user named is an output path: checked before the work.
  std::string refused;
  if (plot && !file_replace_check_outputs({}, {request.plot_path}, &refused)) {
    fprintf(err, "%s: %s\n", me, refused.c_str());
    return RUNNER_COMPARE_USAGE;
  }
  runner_read_figures reports[2];
  for (int i = 0; i < 2; i++) {
    char error[512];
    if (!runner_read_report(paths[i], &reports[i], error, sizeof error)) {
      fprintf(err, "%s: %s\n", me, error);
      return RUNNER_COMPARE_REFUSED;
    }
  }
  char why[2048] = "";
  bool differ = !runner_reports_comparable(reports[0], reports[1], why, sizeof why);
  // A flight the program quit early has figures of part of its runs.
  std::string stopped;
  for (int i = 0; i < 2; i++) {
    if (reports[i].runs_ended_by != RUNNER_RUNS_STOPPED_EARLY) continue;
    stopped += std::string(stopped.empty() ? "" : "; ") + paths[i] + " was " + RUNNER_RUNS_STOPPED_EARLY +
               " (runs.ended_by)";
  }
  if ((differ || !stopped.empty()) && !force) {
    std::string reasons = differ ? why : "";
    if (!stopped.empty()) reasons += (reasons.empty() ? "" : "; ") + stopped;
    fprintf(err, "%s: not comparing %s with %s: %s (--force compares them anyway)\n", me, paths[0], paths[1],
            reasons.c_str());
    return RUNNER_COMPARE_REFUSED;
  }
  if (differ) fprintf(out, "note: the reports differ: %s; compared because of --force\n", why);
  if (!stopped.empty()) fprintf(out, "note: %s; compared because of --force\n", stopped.c_str());
  fputs(runner_add_work_note(reports[0], reports[1]).c_str(), out);
  char names[2][600];
  for (int i = 0; i < 2; i++) {
    snprintf(names[i], sizeof names[i], "%s (%s, %s, %dx%d)", paths[i], reports[i].program.c_str(),
             reports[i].script.c_str(), reports[i].width, reports[i].height);
  }
  runner_comparison c = runner_compare_reports(reports[0], reports[1], threshold);
  runner_print_comparison(out, names[0], names[1], c);
  fflush(out);
  int status = c.failed ? RUNNER_COMPARE_FAILED : c.uncertain ? RUNNER_COMPARE_UNCERTAIN : RUNNER_COMPARE_OK;
  // The picture is an aid: whatever becomes of it, the verdict stands.
  if (plot && reports[0].has_frame_times && reports[1].has_frame_times) {
    std::string path =
        request.plot_path.empty() ? runner_compare_default_plot_path(paths[1]) : request.plot_path;
    char error[512];
    if (plot(path.c_str(), reports[0], paths[0], reports[1], paths[1], error, sizeof error)) {
      fprintf(out, "frame-time picture: %s\n", path.c_str());
    } else {
      fprintf(err, "%s: no comparison picture: %s\n", me, error);
    }
  } else if (plot) {
    fprintf(err, "%s: no comparison picture: a report lists no frame times\n", me);
  }
  return status;
}
