// boxfield_bare: the box field's GL work alone, the reference the program's
// frame times are measured against. The same field (box_field_generate),
// the same display list with its glow (box_field_build_list), the same GL
// state and the same views: the camera flies the runner's script with the
// same fixed step (1/64 s a frame), key and mouse timing, and every frame
// ends with glFinish. Left out: the shell's loop and message pump, the
// frame-rate overlay (unless --overlay), the runner's hook and
// eglSwapBuffers; the GL state the overlay leaves is set instead. Prints the
// runner's frame-time summary per mode (list-building frames left out) and
// can write it as JSON in the runner's report layout. Compare with
// boxfield_runner's medians through bench/boxfield_instruments.sh.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "boxfield/box_field.h"
#include "boxfield/box_field_tours.h"
#include "boxfield/camera.h"
#include "boxfield/fps_overlay.h"
#include "glyphs/builtin_font.h"
#include "glyphs/cell_font.h"
#include "glyphs/cell_glyphs.h"
#include "runner/runner_args.h"
#include "runner/runner_script.h"
#include "runner/runner_stats.h"
#include "shell/fpu.h"
#include "shell/gl.h"
#include "shell/platform_headless.h"
#include "shell/view.h"
#include "shell/window.h"
#include "util/cli_options.h"
#include "util/file_replace.h"

static double bare_seconds(void) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return (double)t.tv_sec + (double)t.tv_nsec * 1e-9;
}

// Sections of a frame timed by --profile.
enum { BARE_SECTIONS = 4 };
static const char* const bare_section_names[BARE_SECTIONS] = {"view and list (boxes, glow)", "overlay",
                                                              "eglSwapBuffers", "clear"};
static bool profile = false;
static double section_start = 0.0;
static double section_ms[BARE_SECTIONS];
static std::vector<double> sections[2][BARE_SECTIONS];

// With --profile, finishes the GL work so far and charges it to a section.
static void section_end(int section) {
  if (!profile) return;
  glFinish();
  double now = bare_seconds();
  section_ms[section] = (now - section_start) * 1000.0;
  section_start = now;
}

static void bare_usage(FILE* out) {
  fprintf(out,
          "Usage: boxfield_bare [options]\n"
          "  -h, --help      this text;  --version  the version\n"
          "  --size WxH      surface size (default 1280x720)\n"
          "  --tour NAME     built-in flight of boxfield_runner: %s (default bench)\n"
          "  --script FILE   flight script file (format: runner/runner_script.h)\n"
          "  --report FILE   also write the summary as JSON in boxfield_runner's report layout\n"
          "  --overlay       draw the program's frame-rate overlay too (to measure its share)\n"
          "  --profile       also time each part of the frame apart (each ends with glFinish),\n"
          "                  including the program's eglSwapBuffers\n",
          box_field_tour_names());
  fputs(cli_convention_help, out);
}

// One mode's figures in the runner's report layout.
static nlohmann::json bare_json_mode(const runner_summary& s) {
  return {{"frames", s.count},  {"mean_ms", s.mean_ms}, {"median_ms", s.median_ms},      {"p90_ms", s.p90_ms},
          {"p99_ms", s.p99_ms}, {"max_ms", s.max_ms},   {"low_1pct_fps", s.low_1pct_fps}};
}

enum { OPT_VERSION = CLI_FIRST_ID, OPT_SIZE, OPT_TOUR, OPT_SCRIPT, OPT_REPORT, OPT_OVERLAY, OPT_PROFILE };

static const cli_option bare_option_table[] = {
    {"help", CLI_NO_VALUE, CLI_HELP},       {"version", CLI_NO_VALUE, OPT_VERSION},
    {"size", CLI_VALUE, OPT_SIZE},          {"tour", CLI_VALUE, OPT_TOUR},
    {"script", CLI_VALUE, OPT_SCRIPT},      {"report", CLI_VALUE, OPT_REPORT},
    {"overlay", CLI_NO_VALUE, OPT_OVERLAY}, {"profile", CLI_NO_VALUE, OPT_PROFILE},
};

int main(int argc, char** argv) {
  fpu_use_extended_precision();
  int32_t width = 1280, height = 720;
  std::string label = "tour bench", text = box_field_tour("bench"), report;
  bool overlay = false, help = false, version = false;
  cli_parser p;
  cli_begin(&p, std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + (argc > 0 ? argc : 0)),
            bare_option_table, sizeof bare_option_table / sizeof bare_option_table[0]);
  for (bool reading = true; reading;) {
    const char* value = nullptr;
    bool ok = true;
    switch (cli_next(&p, &value)) {
      case CLI_END:
        reading = false;
        break;
      case CLI_ERROR:
        ok = false;
        break;
      case CLI_OPERAND:
        ok = cli_refuse(&p, "unexpected argument '%s'", value);
        break;
      case CLI_HELP:
        help = true;
        break;
      case OPT_VERSION:
        version = true;
        break;
      case OPT_PROFILE:
        profile = true;
        break;
      case OPT_OVERLAY:
        overlay = true;
        break;
      case OPT_SIZE:
        if (!runner_parse_size(value, 16, 16, &width, &height))
          ok = cli_refuse(&p, "--size wants WxH, each from 16 to 8192 (got '%s')", value);
        break;
      case OPT_TOUR:
        if (const char* tour = box_field_tour(value)) {
          text = tour;
          label = std::string("tour ") + value;
        } else {
          ok = cli_refuse(&p, "no tour '%s' (tours: %s)", value, box_field_tour_names());
        }
        break;
      case OPT_SCRIPT:
        if (!runner_read_script_file(value, &text)) {
          fprintf(stderr, "boxfield_bare: cannot read script %s (or it is over 1 MiB)\n", value);
          return 2;
        }
        label = std::string("script ") + value;
        break;
      case OPT_REPORT:
        report = value;
        break;
    }
    if (!ok) {
      fputs(cli_usage_error_line("boxfield_bare", p.error).c_str(), stderr);
      return CLI_USAGE_STATUS;
    }
  }
  if (help) {
    bare_usage(stdout);
    return 0;
  }
  if (version) {
    printf("boxfield_bare %s\n", BF_VERSION);
    return 0;
  }
  runner_script script;
  char error[256];
  if (!runner_parse_script(text.c_str(), &script, error, sizeof error)) {
    fprintf(stderr, "boxfield_bare: %s: %s\n", label.c_str(), error);
    return 2;
  }
  // The report's path is checked (its folder made) before the flight.
  std::string refused;
  if (!file_replace_check_outputs({}, {report}, &refused)) {
    fprintf(stderr, "boxfield_bare: %s\n", refused.c_str());
    return 1;
  }

  // The program's start-up, less the font: full-screen window of the
  // display size, the field, the camera, smoothing.
  headless_set_display_size(width, height);
  if (!open_gl_window(0, 0, "boxfield_bare")) {
    fprintf(stderr, "boxfield_bare: no GL context of %dx%d\n", width, height);
    return 1;
  }
  if (overlay) {
    load_cell_font(builtin_font_cells, BUILTIN_FONT_CELLS_LENGTH, make_glyph_style(6.0f, 6.0f), "normal");
  }
  if (!box_field_generate()) {
    fprintf(stderr, "boxfield_bare: not enough memory for the field\n");
    return 1;
  }
  camera_place(field_size);
  solid_mode = true;
  field_list = 0;
  enable_smoothing();

  // Input as the program sees it: a key event of frame n is in the key
  // snapshot from frame n + 1 on, a mouse offset already in frame n.
  uint8_t keys[256] = {0}, previous[256] = {0};
  int32_t dx = 0, dy = 0;
  size_t next = 0;
  std::vector<double> solid_ms, wire_ms;
  double last = bare_seconds();
  // --profile: each section finished with glFinish and timed on its own.
  section_start = last;
  for (int32_t frame = 1; frame <= script.last_frame; frame++) {
    memcpy(previous, keys, sizeof keys);
    // Keys of the frames before this one.
    while (next < script.events.size() && script.events[next].frame < frame) {
      const runner_event& e = script.events[next++];
      if (e.action == RUNNER_KEY_DOWN) keys[e.key & 0xFF] = 0x80;
      if (e.action == RUNNER_KEY_UP) keys[e.key & 0xFF] = 0;
    }
    for (size_t i = next; i < script.events.size() && script.events[i].frame == frame; i++) {
      if (script.events[i].action == RUNNER_MOVE) {
        dx = script.events[i].dx;
        dy = script.events[i].dy;
      }
    }

    camera_step(1.0 / 64.0, keys, width / 2 + dx, height / 2 + dy, width, height);
    glPolygonMode(GL_FRONT_AND_BACK, (keys['E'] & 0x80) ? GL_LINE : GL_FILL);
    camera_apply_view();
    bool built = field_list == 0;
    if ((keys['M'] & 0x80) && !(previous['M'] & 0x80)) {
      solid_mode = !solid_mode;
      glDeleteLists(field_list, 1);
      field_list = 0;
      built = true;
    }
    if (solid_mode) {
      glClearColor(1.0f, 1.0f, 1.0f, 0.0f);
    } else {
      glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    }
    if (field_list == 0) box_field_build_list();
    glCallList(field_list);
    section_end(0);
    if (overlay) {
      draw_fps_overlay(0, 0, 64.0);
      section_end(1);
    } else {
      // The state the program's overlay leaves for the next frame's list:
      // blending off, its blend function.
      glDisable(GL_BLEND);
      glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_COLOR);
    }
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glFinish();
    double now = bare_seconds();
    if (!built) (solid_mode ? solid_ms : wire_ms).push_back((now - last) * 1000.0);
    last = now;
    if (profile) {
      section_start = now;
      swap_frame();
      section_end(2);
    }
    // The program's frame end after the swap, timed with the next frame as
    // in the runner: cleared for the next frame.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    section_end(3);
    if (profile && !built) {
      for (int i = 0; i < BARE_SECTIONS; i++) sections[solid_mode ? 0 : 1][i].push_back(section_ms[i]);
    }
  }

  runner_summary solid = runner_summarise(solid_ms.data(), solid_ms.size());
  runner_summary wire = runner_summarise(wire_ms.data(), wire_ms.size());
  printf("boxfield_bare: %s, %d frames at %dx%d, each ending with glFinish (EGL %s)\n", label.c_str(),
         script.last_frame, width, height, headless_egl_platform());
  const runner_summary* modes[2] = {&solid, &wire};
  const char* names[2] = {"solid", "wire"};
  for (int m = 0; m < 2; m++) {
    printf("  %-5s  %5zu frames  median %7.3f ms  p90 %7.3f ms  p99 %7.3f ms  1%% low %7.1f fps\n", names[m],
           modes[m]->count, modes[m]->median_ms, modes[m]->p90_ms, modes[m]->p99_ms, modes[m]->low_1pct_fps);
  }
  for (int m = 0; profile && m < 2; m++) {
    printf("  %s sections (medians):", names[m]);
    for (int i = 0; i < BARE_SECTIONS; i++) {
      runner_summary s = runner_summarise(sections[m][i].data(), sections[m][i].size());
      printf("%s %s %.3f ms", i ? ";" : "", bare_section_names[i], s.median_ms);
    }
    printf("\n");
  }
  if (!report.empty()) {
    nlohmann::json j = {{"program", "boxfield_bare"},
                        {"frame_end", "glFinish"},
                        {"surface", {{"width", width}, {"height", height}}},
                        {"script", label},
                        {"modes", {{"solid", bare_json_mode(solid)}, {"wire", bare_json_mode(wire)}}}};
    // Names that are not UTF-8 (a script file's path) have their bytes replaced.
    std::string json = j.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
    std::string why;
    if (!file_replace_write(report.c_str(), json.data(), json.size(), &why)) {
      fprintf(stderr, "boxfield_bare: cannot write %s: %s\n", report.c_str(), why.c_str());
      return 1;
    }
  }
  return 0;
}
