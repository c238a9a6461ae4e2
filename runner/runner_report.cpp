// Summary, JSON report and CSV file of a timed flight (see runner_report.h).
#include "runner/runner_report.h"

#include <math.h>

#include "util/file_replace.h"

void runner_report_take_session(runner_report* r, const runner_session& s) {
  r->frames = s.frames;
  runner_session_mode_times(s, &r->solid_ms, &r->wire_ms);
  r->solid = runner_summarise(r->solid_ms.data(), r->solid_ms.size());
  r->wire = runner_summarise(r->wire_ms.data(), r->wire_ms.size());
  runner_session_mode_errors(s, &r->gl_errors_solid, &r->gl_errors_wire);
}

// ---------------------------------------------------------------------------
// Printed summary

static void print_mode(FILE* out, const char* mode, const runner_summary& s) {
  if (s.count == 0) {
    fprintf(out, "  %-5s  no steady frames\n", mode);
    return;
  }
  fprintf(out, "  %-5s  %5zu frames  median %7.3f ms  p90 %7.3f ms  p99 %7.3f ms  1%% low %7.1f fps\n", mode,
          s.count, s.median_ms, s.p90_ms, s.p99_ms, s.low_1pct_fps);
}

void runner_report_print(FILE* out, const runner_report& r) {
  fprintf(out, "%s: %s, %zu frames, each ending with %s\n", r.tool.c_str(), r.script.c_str(), r.frames.size(),
          r.frame_end.c_str());
  fprintf(out, "  GL vendor   %s\n  GL renderer %s\n  GL version  %s\n", r.gl_vendor.c_str(),
          r.gl_renderer.c_str(), r.gl_version.c_str());
  if (!r.egl.empty()) fprintf(out, "  EGL         %s\n", r.egl.c_str());
  fprintf(out, "  surface     %dx%d; clock %s\n", r.width, r.height, r.clock.c_str());
  if (!r.swap_interval.empty()) fprintf(out, "  swap interval %s\n", r.swap_interval.c_str());
  fprintf(out, "frame times (frames that compiled the display list left out):\n");
  print_mode(out, "solid", r.solid);
  print_mode(out, "wire", r.wire);
  fprintf(out, "GL errors: solid %lld, wire %lld (%s)\n", (long long)r.gl_errors_solid,
          (long long)r.gl_errors_wire, r.gl_error_check.c_str());
  if (r.has_startup) {
    const runner_startup& t = r.startup;
    fprintf(out,
            "start-up: %.1f ms from main to the first finished frame = %.1f ms before the loop "
            "(%.1f ms of it opening the window and GL context) + %.1f ms first frame\n",
            t.to_first_frame, t.before_loop, t.window_and_context, t.first_frame);
  }
  if (r.has_pieces) {
    const runner_startup& t = r.startup;
    fprintf(out, "  timed apart: list compile %.1f ms solid, %.1f ms wire; font %.2f ms; field %.2f ms\n",
            t.list_compile_solid, t.list_compile_wire, t.font_build, t.field_generation);
  }
  if (r.has_own_work) {
    fprintf(out,
            "own work per frame: pump %.2f us, camera %.2f us, overlay %.2f us (with its GL calls); total "
            "%.2f us\n",
            r.pump_us, r.camera_us, r.overlay_us, r.pump_us + r.camera_us + r.overlay_us);
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
}

// ---------------------------------------------------------------------------
// JSON

std::string runner_json_quote(const std::string& s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += (char)c;
    } else if (c < 0x20) {
      char escape[8];
      snprintf(escape, sizeof escape, "\\u%04x", c);
      out += escape;
    } else {
      out += (char)c;
    }
  }
  return out + "\"";
}

// A number JSON can hold: non-finite values (which JSON has no spelling
// for) become null.
static void json_number(FILE* f, const char* format, double v) {
  if (isfinite(v)) {
    fprintf(f, format, v);
  } else {
    fputs("null", f);
  }
}

static void json_summary(FILE* f, const runner_summary& s) {
  fprintf(f, "{\"frames\": %zu, \"mean_ms\": ", s.count);
  json_number(f, "%.4f", s.mean_ms);
  fputs(", \"median_ms\": ", f);
  json_number(f, "%.4f", s.median_ms);
  fputs(", \"p90_ms\": ", f);
  json_number(f, "%.4f", s.p90_ms);
  fputs(", \"p99_ms\": ", f);
  json_number(f, "%.4f", s.p99_ms);
  fputs(", \"max_ms\": ", f);
  json_number(f, "%.4f", s.max_ms);
  fputs(", \"low_1pct_fps\": ", f);
  json_number(f, "%.2f", s.low_1pct_fps);
  fputc('}', f);
}

static void json_times(FILE* f, const std::vector<double>& ms) {
  fputc('[', f);
  for (size_t i = 0; i < ms.size(); i++) {
    if (i) fputs(", ", f);
    json_number(f, "%.4f", ms[i]);
  }
  fputc(']', f);
}

bool runner_report_write_json(const char* path, const runner_report& r) {
  // Replaced whole or not at all; the same bytes (LF line ends) on every system.
  file_replace out;
  if (!file_replace_begin(&out, path, nullptr)) return false;
  FILE* f = out.stream;
  fprintf(
      f,
      "{\n  \"program\": \"boxfield\",\n  \"version\": %s,\n  \"frame_end\": %s,\n  \"gl\": {\"vendor\": %s",
      runner_json_quote(BF_VERSION).c_str(), runner_json_quote(r.frame_end).c_str(),
      runner_json_quote(r.gl_vendor).c_str());
  fprintf(f, ", \"renderer\": %s, \"version\": %s},\n", runner_json_quote(r.gl_renderer).c_str(),
          runner_json_quote(r.gl_version).c_str());
  fprintf(f, "  \"surface\": {\"width\": %d, \"height\": %d},\n  \"clock\": %s,\n  \"script\": %s,\n",
          r.width, r.height, runner_json_quote(r.clock).c_str(), runner_json_quote(r.script).c_str());
  if (!r.swap_interval.empty())
    fprintf(f, "  \"swap_interval\": %s,\n", runner_json_quote(r.swap_interval).c_str());
  fprintf(f, "  \"frames\": %zu,\n  \"modes\": {\n    \"solid\": ", r.frames.size());
  json_summary(f, r.solid);
  fprintf(f, ",\n    \"wire\": ");
  json_summary(f, r.wire);
  fprintf(f, "\n  },\n  \"gl_errors\": {\"solid\": %lld, \"wire\": %lld, \"check\": %s},\n",
          (long long)r.gl_errors_solid, (long long)r.gl_errors_wire,
          runner_json_quote(r.gl_error_check).c_str());
  fprintf(f, "  \"frame_times_ms\": {\"solid\": ");
  json_times(f, r.solid_ms);
  fprintf(f, ", \"wire\": ");
  json_times(f, r.wire_ms);
  fprintf(f, "},\n  \"list_build_frames\": [");
  bool first = true;
  for (size_t i = 0; i < r.frames.size(); i++) {
    if (!r.frames[i].list_built) continue;
    fprintf(f, "%s{\"frame\": %zu, \"mode\": \"%s\", \"ms\": ", first ? "" : ", ", i + 1,
            r.frames[i].solid ? "solid" : "wire");
    json_number(f, "%.4f", r.frames[i].ms);
    fputc('}', f);
    first = false;
  }
  fprintf(f, "],\n");
  if (r.has_startup) {
    const runner_startup& t = r.startup;
    fprintf(
        f,
        "  \"startup_ms\": {\"to_first_frame\": %.3f, \"before_loop\": %.3f, \"window_and_context\": %.3f, "
        "\"first_frame\": %.3f",
        t.to_first_frame, t.before_loop, t.window_and_context, t.first_frame);
    if (r.has_pieces) {
      fprintf(f,
              ", \"font_build\": %.3f, \"field_generation\": %.3f, \"list_compile_solid\": %.3f, "
              "\"list_compile_wire\": %.3f",
              t.font_build, t.field_generation, t.list_compile_solid, t.list_compile_wire);
    }
    fprintf(f, "},\n");
  }
  if (r.has_own_work) {
    fprintf(f,
            "  \"own_work_us_per_frame\": {\"pump_messages\": %.3f, \"camera_update\": %.3f, "
            "\"draw_fps_overlay\": %.3f, \"total\": %.3f},\n",
            r.pump_us, r.camera_us, r.overlay_us, r.pump_us + r.camera_us + r.overlay_us);
  }
  for (const auto& field : r.extra) {
    fprintf(f, "  %s: %s,\n", runner_json_quote(field.first).c_str(), field.second.c_str());
  }
  fprintf(f, "  \"shots\": [");
  for (size_t i = 0; i < r.shots.size(); i++) {
    const runner_shot& s = r.shots[i];
    fprintf(f,
            "%s\n    {\"name\": %s, \"frame\": %d, \"file\": %s, \"compared\": %s, \"passed\": %s, "
            "\"message\": %s}",
            i ? "," : "", runner_json_quote(s.name).c_str(), s.frame, runner_json_quote(s.file).c_str(),
            s.compared ? "true" : "false", s.passed ? "true" : "false", runner_json_quote(s.message).c_str());
  }
  fprintf(f, "%s]\n}\n", r.shots.empty() ? "" : "\n  ");
  return file_replace_commit(&out, nullptr);
}

bool runner_report_write_csv(const char* path, const runner_report& r) {
  // Replaced whole or not at all; the same bytes (LF line ends) on every system.
  file_replace out;
  if (!file_replace_begin(&out, path, nullptr)) return false;
  FILE* f = out.stream;
  fputs("frame,mode,ms\n", f);
  for (size_t i = 0; i < r.frames.size(); i++) {
    if (r.frames[i].list_built) continue;
    fprintf(f, "%zu,%s,%.4f\n", i + 1, r.frames[i].solid ? "solid" : "wire", r.frames[i].ms);
  }
  return file_replace_commit(&out, nullptr);
}
