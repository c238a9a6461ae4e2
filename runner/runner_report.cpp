// Summary, JSON report and CSV file of timed runs (see runner_report.h).
#include "runner/runner_report.h"

#include <math.h>
#include <string.h>

#include <algorithm>
#include <nlohmann/json.hpp>

#include "util/file_replace.h"

using ordered_json = nlohmann::ordered_json;

static double median_of(std::vector<double> v) {
  if (v.empty()) return 0.0;
  std::sort(v.begin(), v.end());
  size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2.0;
}

void runner_report_summarise(runner_report* r) {
  r->modes.clear();
  for (size_t m = 0; m < r->mode_names.size(); m++) {
    runner_mode_figures f;
    f.name = r->mode_names[m];
    for (const std::vector<runner_frame>& run : r->runs) {
      std::vector<double> ms, gpu, cpu;
      for (const runner_frame& fr : run) {
        if (fr.mode != (int32_t)m) continue;
        f.gl_errors += fr.gl_errors;
        if (fr.setup) continue;
        ms.push_back(fr.ms);
        if (fr.gpu_ms >= 0.0) gpu.push_back(fr.gpu_ms);
        if (fr.cpu_ms >= 0.0) cpu.push_back(fr.cpu_ms);
      }
      if (ms.empty()) continue;
      f.frames += ms.size();
      f.run_summaries.push_back(runner_summarise(ms.data(), ms.size()));
      f.run_medians_ms.push_back(f.run_summaries.back().median_ms);
      f.runs_ms.push_back(ms);
      f.gpu_ms.push_back(gpu);
      f.cpu_ms.push_back(cpu);
    }
    // --runs auto stopped on the interval for looking after every run: that
    // is the one reported.
    f.spread =
        runner_spread_of(f.run_medians_ms.data(), f.run_medians_ms.size(), r->runs_requested == "auto");
    if (!f.run_summaries.empty()) {
      std::vector<double> p90, p99, low, gpu, cpu;
      f.has_p90 = f.has_p99 = true;
      f.has_gpu = f.has_cpu = true;
      for (size_t i = 0; i < f.run_summaries.size(); i++) {
        const runner_summary& s = f.run_summaries[i];
        f.has_p90 = f.has_p90 && s.has_p90;
        f.has_p99 = f.has_p99 && s.has_p99;
        p90.push_back(s.p90_ms);
        p99.push_back(s.p99_ms);
        low.push_back(s.low_1pct_fps);
        // Medians only where every frame of the run was measured.
        f.has_gpu = f.has_gpu && f.gpu_ms[i].size() == f.runs_ms[i].size();
        f.has_cpu = f.has_cpu && f.cpu_ms[i].size() == f.runs_ms[i].size();
        gpu.push_back(median_of(f.gpu_ms[i]));
        cpu.push_back(median_of(f.cpu_ms[i]));
      }
      f.p90_ms = median_of(p90);
      f.p99_ms = median_of(p99);
      f.low_1pct_fps = median_of(low);
      f.gpu_median_ms = f.has_gpu ? median_of(gpu) : 0.0;
      f.cpu_median_ms = f.has_cpu ? median_of(cpu) : 0.0;
    }
    r->modes.push_back(f);
  }
}

size_t runner_report_frames(const runner_report& r) {
  size_t n = 0;
  for (const auto& run : r.runs) n += run.size();
  return n;
}

const runner_mode_figures* runner_report_mode(const runner_report& r, const char* name) {
  for (const runner_mode_figures& m : r.modes) {
    if (m.name == name) return &m;
  }
  return nullptr;
}

// The own work's pieces added up.
static double own_work_total(const runner_report& r) {
  double total = 0.0;
  for (const runner_timing& p : r.own_work) total += p.ms;
  return total;
}

// The name of a frame's mode ("" for an index the report has no name for).
static std::string mode_name(const runner_report& r, int32_t mode) {
  return mode >= 0 && (size_t)mode < r.mode_names.size() ? r.mode_names[(size_t)mode] : std::string();
}

// ---------------------------------------------------------------------------
// Printed summary

// A figure with three decimals, or "n/a".
static std::string figure(bool has, double v, const char* format = "%.3f") {
  if (!has || !isfinite(v)) return "n/a";
  char text[64];
  snprintf(text, sizeof text, format, v);
  return text;
}

std::string runner_result_line(const runner_mode_figures& m) {
  const runner_spread& s = m.spread;
  bool timed = s.runs > 0;
  return "RESULT mode=" + m.name + " median_ms=" + figure(timed, s.median_ms) +
         " ci_low_ms=" + figure(s.has_ci, s.ci_low_ms) + " ci_high_ms=" + figure(s.has_ci, s.ci_high_ms) +
         " cv_percent=" + figure(s.has_cv, s.cv_percent, "%.2f") + " runs=" + std::to_string(s.runs) +
         " frames=" + std::to_string(m.frames);
}

static void print_mode(FILE* out, const runner_mode_figures& m) {
  const runner_spread& s = m.spread;
  if (s.runs == 0) {
    fprintf(out, "  %-5s  no steady frames\n", m.name.c_str());
    return;
  }
  char interval[96];
  if (s.has_ci) {
    snprintf(interval, sizeof interval, "%.3f .. %.3f ms", s.ci_low_ms, s.ci_high_ms);
  } else {
    snprintf(interval, sizeof interval, "n/a (%zu runs needed)", RUNNER_CI_MIN_RUNS);
  }
  fprintf(out,
          "  %-5s  %zu frames in %zu runs; median of run medians %.3f ms, 95 %% interval %s, "
          "run-to-run CV %s %%\n",
          m.name.c_str(), m.frames, s.runs, s.median_ms, interval,
          figure(s.has_cv, s.cv_percent, "%.2f").c_str());
  fprintf(out, "         p90 %s ms  p99 %s ms  1%% low %s fps  GPU %s ms  CPU %s ms (medians)\n",
          figure(m.has_p90, m.p90_ms).c_str(), figure(m.has_p99, m.p99_ms).c_str(),
          figure(m.has_p99, m.low_1pct_fps, "%.1f").c_str(), figure(m.has_gpu, m.gpu_median_ms).c_str(),
          figure(m.has_cpu, m.cpu_median_ms).c_str());
  for (size_t i = 0; i < m.run_summaries.size(); i++) {
    const runner_summary& r = m.run_summaries[i];
    fprintf(out, "         run %zu: %zu frames, median %.3f ms, IQR %.3f ms\n", i + 1, r.count, r.median_ms,
            r.iqr_ms);
  }
}

void runner_report_print(FILE* out, const runner_report& r) {
  fprintf(out,
          "%s: %s, %zu timed runs of %zu frames in all after %d warm-up pass%s, each frame ending with %s\n",
          r.tool.c_str(), r.script.c_str(), r.runs.size(), runner_report_frames(r), r.warmup_passes,
          r.warmup_passes == 1 ? "" : "es", r.frame_end.c_str());
  fprintf(out, "  runs        %s requested; %s\n", r.runs_requested.c_str(), r.runs_ended_by.c_str());
  fprintf(out, "  GL vendor   %s\n  GL renderer %s\n  GL version  %s\n", r.env.gl_vendor.c_str(),
          r.env.gl_renderer.c_str(), r.env.gl_version.c_str());
  if (!r.env.egl.empty()) fprintf(out, "  EGL         %s\n", r.env.egl.c_str());
  fprintf(out, "  surface     %dx%d; clock %s\n", r.width, r.height, r.clock.c_str());
  if (r.add_work_percent > 0.0)
    fprintf(out, "  added work  %g %% of the frame before, in every frame (--add-work)\n",
            r.add_work_percent);
  if (!r.env.swap_interval_requested.empty())
    fprintf(out, "  swap interval %s requested, %s\n", r.env.swap_interval_requested.c_str(),
            r.env.swap_interval_granted.c_str());
  fprintf(out, "  GPU time    %s\n", r.gpu_time.c_str());
  fprintf(out, "  machine     %s\n", runner_environment_short(r.env).c_str());
  fprintf(out, "frame times (%s):\n", r.setup_note.c_str());
  for (const runner_mode_figures& m : r.modes) print_mode(out, m);
  fprintf(out, "GL errors:");
  for (size_t i = 0; i < r.modes.size(); i++)
    fprintf(out, "%s %s %lld", i ? "," : "", r.modes[i].name.c_str(), (long long)r.modes[i].gl_errors);
  fprintf(out, " (%s)\n", r.gl_error_check.c_str());
  if (r.has_startup) {
    const runner_startup& t = r.startup;
    fprintf(out,
            "start-up: %.1f ms from main to the first finished frame = %.1f ms before the loop "
            "(%.1f ms of it opening the window and GL context) + %.1f ms first frame\n",
            t.to_first_frame, t.before_loop, t.window_and_context, t.first_frame);
  }
  if (r.has_startup && !r.startup_pieces.empty()) {
    if (!r.startup_pieces_line.empty()) {
      fprintf(out, "%s\n", r.startup_pieces_line.c_str());
    } else {
      fprintf(out, "  timed apart:");
      for (size_t i = 0; i < r.startup_pieces.size(); i++) {
        const runner_timing& p = r.startup_pieces[i];
        fprintf(out, "%s %s %.2f ms%s", i ? ";" : "", p.name.c_str(), p.ms, p.note.c_str());
      }
      fprintf(out, "\n");
    }
  }
  if (!r.own_work.empty()) {
    fprintf(out, "own work per frame:");
    for (size_t i = 0; i < r.own_work.size(); i++) {
      const runner_timing& p = r.own_work[i];
      fprintf(out, "%s %s %.4f ms%s", i ? "," : "", p.name.c_str(), p.ms, p.note.c_str());
    }
    fprintf(out, "; total %.4f ms\n", own_work_total(r));
  }
  for (const runner_shot& s : r.shots) {
    if (s.compared) {
      fprintf(out, "%s frame %d vs %s: %s\n", s.passed ? "same" : "DIFFERS", s.frame, s.file.c_str(),
              s.message.c_str());
    } else if (s.passed) {
      fprintf(out, "screenshot frame %d: %s\n", s.frame, s.file.c_str());
    } else {
      fprintf(out, "screenshot frame %d: %s\n", s.frame, s.message.c_str());
    }
  }
  for (const runner_mode_figures& m : r.modes) fprintf(out, "%s\n", runner_result_line(m).c_str());
}

// ---------------------------------------------------------------------------
// JSON

// A time rounded to 0.1 microseconds; null when not finite or not had.
static ordered_json ms_value(double v, bool has = true) {
  if (!has || !isfinite(v)) return nullptr;
  return round(v * 1e4) / 1e4;
}

static ordered_json ms_list(const std::vector<double>& v) {
  ordered_json a = ordered_json::array();
  for (double x : v) a.push_back(ms_value(x));
  return a;
}

static ordered_json environment_json(const runner_report& r) {
  const runner_environment& e = r.env;
  ordered_json j;
  j["cpu_model"] = e.cpu_model;
  j["logical_cores"] = e.logical_cores;
  j["affinity_cpus"] = e.affinity_cpus;
  j["cpu_limit"] = e.cpu_limit > 0.0 ? ordered_json(round(e.cpu_limit * 1e4) / 1e4) : ordered_json(nullptr);
  j["usable_cpus"] = e.usable_cpus;
  j["os"] = e.os;
  j["kernel"] = e.kernel;
  j["window_system"] = e.window_system;
  j["egl"] = e.egl.empty() ? ordered_json(nullptr) : ordered_json(e.egl);
  j["gl_vendor"] = e.gl_vendor;
  j["gl_renderer"] = e.gl_renderer;
  j["gl_version"] = e.gl_version;
  j["driver_version"] = e.driver_version;
  j["driver_settings"] = e.driver_settings;
  j["swap_interval_requested"] =
      e.swap_interval_requested.empty() ? ordered_json(nullptr) : ordered_json(e.swap_interval_requested);
  j["swap_interval_granted"] =
      e.swap_interval_granted.empty() ? ordered_json(nullptr) : ordered_json(e.swap_interval_granted);
  j["surface"] = {{"width", e.surface_width}, {"height", e.surface_height}};
  j["program"] = e.program;
  j["program_version"] = e.program_version;
  j["source_revision"] = e.source_revision;
  j["compiler"] = e.compiler;
  j["build_type"] = e.build_type;
  j["utc_time"] = e.utc_time;
  return j;
}

static ordered_json mode_json(const runner_mode_figures& m) {
  const runner_spread& s = m.spread;
  bool timed = s.runs > 0;
  ordered_json j;
  j["frames"] = m.frames;
  j["runs"] = s.runs;
  j["median_ms"] = ms_value(s.median_ms, timed);
  j["ci_low_ms"] = ms_value(s.ci_low_ms, s.has_ci);
  j["ci_high_ms"] = ms_value(s.ci_high_ms, s.has_ci);
  j["cv_percent"] = s.has_cv ? ordered_json(round(s.cv_percent * 1e4) / 1e4) : ordered_json(nullptr);
  j["p90_ms"] = ms_value(m.p90_ms, timed && m.has_p90);
  j["p99_ms"] = ms_value(m.p99_ms, timed && m.has_p99);
  j["low_1pct_fps"] =
      timed && m.has_p99 ? ordered_json(round(m.low_1pct_fps * 100.0) / 100.0) : ordered_json(nullptr);
  j["gpu_median_ms"] = ms_value(m.gpu_median_ms, timed && m.has_gpu);
  j["cpu_median_ms"] = ms_value(m.cpu_median_ms, timed && m.has_cpu);
  ordered_json runs = ordered_json::array();
  for (size_t i = 0; i < m.run_summaries.size(); i++) {
    const runner_summary& r = m.run_summaries[i];
    ordered_json one;
    one["frames"] = r.count;
    one["median_ms"] = ms_value(r.median_ms);
    one["q1_ms"] = ms_value(r.q1_ms);
    one["q3_ms"] = ms_value(r.q3_ms);
    one["iqr_ms"] = ms_value(r.iqr_ms);
    one["p90_ms"] = ms_value(r.p90_ms, r.has_p90);
    one["p99_ms"] = ms_value(r.p99_ms, r.has_p99);
    one["low_1pct_fps"] =
        r.has_p99 ? ordered_json(round(r.low_1pct_fps * 100.0) / 100.0) : ordered_json(nullptr);
    bool gpu = i < m.gpu_ms.size() && m.gpu_ms[i].size() == r.count;
    bool cpu = i < m.cpu_ms.size() && m.cpu_ms[i].size() == r.count;
    one["gpu_median_ms"] = ms_value(gpu ? median_of(m.gpu_ms[i]) : 0.0, gpu);
    one["cpu_median_ms"] = ms_value(cpu ? median_of(m.cpu_ms[i]) : 0.0, cpu);
    runs.push_back(one);
  }
  j["run_figures"] = runs;
  return j;
}

std::string runner_report_json(const runner_report& r) {
  ordered_json j;
  j["schema_version"] = RUNNER_SCHEMA_VERSION;
  j["program"] = r.tool;
  j["version"] = r.env.program_version;
  j["frame_end"] = r.frame_end;
  j["clock"] = r.clock;
  j["add_work_percent"] = r.add_work_percent;
  j["script"] = r.script;
  j["surface"] = {{"width", r.width}, {"height", r.height}};
  j["gl"] = {{"vendor", r.env.gl_vendor}, {"renderer", r.env.gl_renderer}, {"version", r.env.gl_version}};
  j["environment"] = environment_json(r);
  ordered_json runs;
  runs["requested"] = r.runs_requested;
  runs["count"] = r.runs.size();
  runs["warmup_passes"] = r.warmup_passes;
  runs["ended_by"] = r.runs_ended_by;
  runs["ci_target_percent"] =
      r.runs_requested == "auto" ? ordered_json(r.ci_target_percent) : ordered_json(nullptr);
  j["runs"] = runs;
  j["gpu_time"] = r.gpu_time;
  j["frames"] = runner_report_frames(r);
  ordered_json modes = ordered_json::object();
  for (const runner_mode_figures& m : r.modes) modes[m.name] = mode_json(m);
  j["modes"] = modes;
  ordered_json errors = ordered_json::object();
  for (const runner_mode_figures& m : r.modes) errors[m.name] = m.gl_errors;
  errors["check"] = r.gl_error_check;
  j["gl_errors"] = errors;
  if (r.egl_frames_swapped >= 0) j["egl_frames_swapped"] = r.egl_frames_swapped;
  // Every timed frame, per mode and run, and the GPU and CPU times beside.
  const char* series[3] = {"frame_times_ms", "gpu_times_ms", "cpu_times_ms"};
  for (int k = 0; k < 3; k++) {
    ordered_json all = ordered_json::object();
    for (const runner_mode_figures& m : r.modes) {
      const std::vector<std::vector<double>>& src = k == 0 ? m.runs_ms : k == 1 ? m.gpu_ms : m.cpu_ms;
      ordered_json list = ordered_json::array();
      for (const auto& run : src) list.push_back(ms_list(run));
      all[m.name] = list;
    }
    j[series[k]] = all;
  }
  ordered_json built = ordered_json::array();
  for (size_t run = 0; run < r.runs.size(); run++) {
    for (size_t i = 0; i < r.runs[run].size(); i++) {
      const runner_frame& f = r.runs[run][i];
      if (!f.setup) continue;
      built.push_back(
          {{"run", run + 1}, {"frame", i + 1}, {"mode", mode_name(r, f.mode)}, {"time_ms", ms_value(f.ms)}});
    }
  }
  j[r.setup_frames_key] = built;
  if (r.has_startup) {
    const runner_startup& t = r.startup;
    ordered_json s;
    s["to_first_frame_ms"] = ms_value(t.to_first_frame);
    s["before_loop_ms"] = ms_value(t.before_loop);
    s["window_and_context_ms"] = ms_value(t.window_and_context);
    s["first_frame_ms"] = ms_value(t.first_frame);
    for (const runner_timing& p : r.startup_pieces) s[p.key] = ms_value(p.ms);
    j["startup"] = s;
  }
  if (!r.own_work.empty()) {
    ordered_json w;
    for (const runner_timing& p : r.own_work) w[p.key] = ms_value(p.ms);
    w["total_ms"] = ms_value(own_work_total(r));
    j["own_work_per_frame"] = w;
  }
  ordered_json shots = ordered_json::array();
  for (const runner_shot& s : r.shots) {
    shots.push_back({{"name", s.name},
                     {"frame", s.frame},
                     {"file", s.file},
                     {"compared", s.compared != 0},
                     {"passed", s.passed != 0},
                     {"message", s.message}});
  }
  j["shots"] = shots;
  try {
    // Invalid UTF-8 in a name becomes U+FFFD; the numbers are written by
    // the library's own formatting, which no C locale changes.
    return j.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
  } catch (const std::exception&) {
    return std::string();
  }
}

std::string runner_report_csv(const runner_report& r) {
  std::string out = "run,frame,mode,ms,gpu_ms,cpu_ms\n";
  for (size_t run = 0; run < r.runs.size(); run++) {
    for (size_t i = 0; i < r.runs[run].size(); i++) {
      const runner_frame& f = r.runs[run][i];
      if (f.setup) continue;
      // Whole numbers of 0.1 microseconds, so no locale's decimal point enters.
      auto fixed = [](double ms) {
        if (!(ms >= 0.0) || !isfinite(ms)) return std::string();
        long long units = llround(ms * 1e4);
        char text[40];
        snprintf(text, sizeof text, "%lld.%04lld", units / 10000, units % 10000);
        return std::string(text);
      };
      out += std::to_string(run + 1) + "," + std::to_string(i + 1) + "," + mode_name(r, f.mode) + "," +
             fixed(f.ms) + "," + fixed(f.gpu_ms) + "," + fixed(f.cpu_ms) + "\n";
    }
  }
  return out;
}

// Every file of this module is written here: replaced whole or not at all
// (util/file_replace.h).
static bool write_file(const char* path, const std::string& data, std::string* why) {
  return file_replace_write(path, data.data(), data.size(), why);
}

bool runner_report_write_json(const char* path, const runner_report& r, std::string* why) {
  std::string text = runner_report_json(r);
  if (text.empty()) {
    if (why) *why = "the report could not be made";
    return false;
  }
  return write_file(path, text, why);
}

bool runner_report_write_csv(const char* path, const runner_report& r, std::string* why) {
  return write_file(path, runner_report_csv(r), why);
}

int runner_report_finish(const runner_report& r, const char* program, const runner_report_ending& e,
                         std::string* written, std::vector<std::string>* failed) {
  const std::string tool = std::string(program) + ": ";
  size_t failures = failed->size();
  std::string why;
  if (runner_report_write_json(e.json_path.c_str(), r, &why)) {
    *written += "report: " + e.json_path + "\n";
  } else {
    failed->push_back(tool + "cannot write " + e.json_path + ": " + why);
  }
  if (!e.csv_path.empty()) {
    if (runner_report_write_csv(e.csv_path.c_str(), r, &why)) {
      *written += "results: " + e.csv_path + "\n";
    } else {
      failed->push_back(tool + "cannot write " + e.csv_path + ": " + why);
    }
  }
  if (!e.plot_path.empty()) {
    *written += "frame-time picture: " + e.plot_path + "\n";
  } else {
    failed->push_back(tool + "cannot write " + e.plot_place + ": " + e.plot_why);
  }
  if (e.failed_shots > 0) {
    failed->push_back(tool + std::to_string(e.failed_shots) + " of " + std::to_string(r.shots.size()) +
                      " shots failed");
  }
  int64_t errors = 0;
  for (const runner_mode_figures& m : r.modes) errors += m.gl_errors;
  if (e.strict && errors > 0) failed->push_back(tool + "--strict: " + std::to_string(errors) + " GL errors");
  return failed->size() > failures ? 1 : 0;
}
