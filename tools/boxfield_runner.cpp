// boxfield_runner: the box-field program on the headless backend (a real Mesa
// context without a display), flown by a script for a fixed number of
// frames. It runs box_field_main itself, the program's own loop and frame
// code, through the timed run shared with the program's benchmark mode
// (boxfield/box_field_bench.h):
//   - input: the script's key and mouse events go into the headless message
//     queue before each frame's pump; the run ends with WM_QUIT after the
//     script's last frame;
//   - clock: by default every reading of clock_now advances 1/64 s, so the
//     flight, the overlay text ("FPS: 64") and the pictures do not depend on
//     the machine; --real-clock leaves the program on the real clock;
//   - timing: each frame ends with glFinish (--frame-end) before it is
//     timed, so a frame time is the whole of the GL work of that frame; the
//     time from main to the first finished frame is the start-up figure;
//   - own work: pump_messages, camera_update and draw_fps_overlay are timed
//     around each call (the link wraps those symbols, see tools/CMakeLists.txt);
//     the overlay's figure includes its own GL calls, so it is an upper bound;
//     open_gl_window is timed the same way, to split the start-up;
//   - pictures: chosen frames are read back before end_frame and saved as
//     PNG, or compared with reference pictures under a tolerance;
//   - results: summary on standard output, report.json, frametimes.png and
//     optionally a CSV file of frame times.
// --ab and --bisect run other commands' flights (runner/runner_ab.h,
// runner/runner_bisect.h).
// Depends on boxfield_bench, boxfield_core, the toolkit, the headless backend
// and the runner library.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "boxfield/box_field.h"
#include "boxfield/box_field_bench.h"
#include "boxfield/box_field_runner_options.h"
#include "boxfield/box_field_tours.h"
#include "glyphs/builtin_font.h"
#include "glyphs/cell_font.h"
#include "glyphs/cell_glyphs.h"
#include "history/history_commands.h"
#include "history/history_store.h"
#include "runner/runner_ab.h"
#include "runner/runner_args.h"
#include "runner/runner_bisect.h"
#include "runner/runner_compare.h"
#include "runner/runner_image.h"
#include "runner/runner_plot.h"
#include "runner/runner_report.h"
#include "runner/runner_runs.h"
#include "runner/runner_script.h"
#include "runner/runner_session.h"
#include "shell/clock.h"
#include "shell/fpu.h"
#include "shell/gl.h"
#include "shell/platform_headless.h"
#include "shell/window.h"
#include "util/cli_options.h"
#include "util/file_replace.h"

// ---------------------------------------------------------------------------
// Options (read by boxfield/box_field_runner_options.h)

static void runner_script_help(FILE* out) {
  fputs(
      "Flight scripts: one event per line, \"<frame> <action> [arguments]\"; '#' starts a comment.\n"
      "Frames count from 1, the first frame drawn.\n"
      "  N down KEY       key down; KEY is a letter or digit, CTRL, SHIFT, ESC, SPACE,\n"
      "                   or a virtual-key code 0x01..0xFE\n"
      "  N up KEY         key up\n"
      "  N move DX DY     from frame N on, the mouse is held at the centre + (DX, DY),\n"
      "                   which turns the view at a steady rate (\"move 0 0\" stops)\n"
      "  N shot NAME      frame N is saved as NAME.png (letters, digits, _ and -)\n"
      "  N end            frame N is the last one (exactly one end per script)\n"
      "A key of frame N shows from frame N + 1 on, a mouse move already in frame N.\n"
      "The program: W/S forward and back, A/D sideways, M solid/wire, E polygons as lines.\n"
      "See a built-in tour with --print-tour NAME.\n",
      out);
}

// The flight: a built-in tour or a script file. False after a line on
// standard error.
static bool runner_flight(const box_field_runner_options& o, std::string* label, std::string* text) {
  if (o.script_file.empty()) {
    *text = box_field_tour(o.tour.c_str());
    *label = "tour " + o.tour;
    return true;
  }
  if (!runner_read_script_file(o.script_file.c_str(), text)) {
    fprintf(stderr, "boxfield_runner: cannot read script %s (or it is over 1 MiB)\n", o.script_file.c_str());
    return false;
  }
  *label = "script " + o.script_file;
  return true;
}

// ---------------------------------------------------------------------------
// Clock and input

// Readings of the fixed clock: each one advances this much.
static const double RUNNER_CLOCK_STEP = 1.0 / 64.0;
static int64_t runner_clock_readings = 0;

static double runner_fixed_clock(void) { return (double)(runner_clock_readings++) * RUNNER_CLOCK_STEP; }

static void runner_key(int32_t vk, bool down) {
  if (down) {
    headless_key_down((uint8_t)vk);
  } else {
    headless_key_up((uint8_t)vk);
  }
}

static void runner_mouse(int32_t x, int32_t y) { headless_mouse_move(x, y, 0); }

// ---------------------------------------------------------------------------
// Own work: the wrapped calls of the frame loop

struct runner_own_work {
  double pump_s, camera_s, overlay_s, window_s;
  int64_t pumps, cameras, overlays;
};
static runner_own_work own_work = {};

extern "C" {
int32_t __real__Z13pump_messagesv(void);
void __real__Z13camera_updated(double r);
void __real__Z16draw_fps_overlayiid(int32_t x, int32_t y, double rate);
int32_t __real__Z14open_gl_windowiiPKc(int32_t width, int32_t height, const char* title);

int32_t __wrap__Z14open_gl_windowiiPKc(int32_t width, int32_t height, const char* title) {
  double t = runner_seconds();
  int32_t result = __real__Z14open_gl_windowiiPKc(width, height, title);
  own_work.window_s += runner_seconds() - t;
  return result;
}

int32_t __wrap__Z13pump_messagesv(void) {
  double t = runner_seconds();
  int32_t result = __real__Z13pump_messagesv();
  own_work.pump_s += runner_seconds() - t;
  own_work.pumps++;
  return result;
}

void __wrap__Z13camera_updated(double r) {
  double t = runner_seconds();
  __real__Z13camera_updated(r);
  own_work.camera_s += runner_seconds() - t;
  own_work.cameras++;
}

void __wrap__Z16draw_fps_overlayiid(int32_t x, int32_t y, double rate) {
  double t = runner_seconds();
  __real__Z16draw_fps_overlayiid(x, y, rate);
  own_work.overlay_s += runner_seconds() - t;
  own_work.overlays++;
}
}

// ---------------------------------------------------------------------------
// Start-up pieces, timed on their own after the run

// Times a list compile in the given mode, finished with glFinish.
static double runner_time_compile(bool solid) {
  bool saved_mode = solid_mode;
  uint32_t saved_list = field_list;
  solid_mode = solid;
  glFinish();
  double t = runner_seconds();
  box_field_build_list();
  glFinish();
  double ms = (runner_seconds() - t) * 1000.0;
  glDeleteLists(field_list, 1);
  field_list = saved_list;
  solid_mode = saved_mode;
  return ms;
}

static void runner_time_pieces(box_field_pieces* t) {
  t->list_compile_solid = runner_time_compile(true);
  t->list_compile_wire = runner_time_compile(false);
  double g = runner_seconds();
  box* saved_boxes = field_boxes;
  box_field_generate();
  t->field_generation = (runner_seconds() - g) * 1000.0;
  free(field_boxes);
  field_boxes = saved_boxes;
  double fstart = runner_seconds();
  load_cell_font(builtin_font_cells, BUILTIN_FONT_CELLS_LENGTH, make_glyph_style(6.0f, 6.0f),
                 "runner timing");
  t->font_build = (runner_seconds() - fstart) * 1000.0;
}

// ---------------------------------------------------------------------------
// Comparison picture: the two reports' frame times overlaid, drawn on a
// headless surface of the reports' size (at least 960x540, at most 1920x1080).

static int runner_plot_compared(const char* path, const runner_read_figures& base, const char* base_name,
                                const runner_read_figures& next, const char* next_name, char* error,
                                size_t error_size) {
  // Without EGL the picture is skipped, not the process ended.
  if (!headless_gl_available()) {
    snprintf(error, error_size, "no EGL display for desktop OpenGL on this machine");
    return 0;
  }
  int32_t w = base.width < 960 ? 960 : base.width > 1920 ? 1920 : base.width;
  int32_t h = base.height < 540 ? 540 : base.height > 1080 ? 1080 : base.height;
  headless_set_display_size(w, h);
  if (!open_gl_window(w, h, "boxfield_runner compare")) {
    snprintf(error, error_size, "no headless GL context");
    return 0;
  }
  // Each report's own modes, by the names it gives them.
  auto plotted = [](const std::string& label, const runner_read_figures& f) {
    runner_plot_run run;
    run.label = label;
    for (const runner_read_mode& m : f.modes) run.modes.push_back({m.name, m.frame_times_ms});
    return run;
  };
  runner_plot_run a = plotted(std::string("base: ") + base_name, base);
  runner_plot_run b = plotted(std::string("new: ") + next_name, next);
  char title[600];
  snprintf(title, sizeof title, "%s, %dx%d: base against new", next.script.c_str(), next.width, next.height);
  runner_image picture = runner_plot_frametimes(title, a, &b);
  std::string why;
  if (!runner_write_png(path, picture, &why)) {
    snprintf(error, error_size, "cannot write %s: %s", path, why.c_str());
    return 0;
  }
  return 1;
}

// Runs --compare through the runner library's comparison with the options
// as read here.
static int runner_compare(const box_field_runner_options& o) {
  runner_compare_request request;
  request.program = "boxfield_runner";
  request.base_path = o.reports[0];
  request.next_path = o.reports[1];
  request.threshold_percent = o.threshold;
  request.force = o.force;
  request.plot_path = o.plot;
  return runner_compare_main(request, stdout, stderr, runner_plot_compared);
}

// ---------------------------------------------------------------------------
// History: the trend picture, each series a panel of its run medians with
// the level of each stretch between change points overlaid, drawn with the
// frame-time picture's code on a headless surface.

static int runner_plot_history(const char* path, const std::vector<history_plot_series>& series, char* error,
                               size_t error_size) {
  if (!headless_gl_available()) {
    snprintf(error, error_size, "no EGL display for desktop OpenGL on this machine");
    return 0;
  }
  headless_set_display_size(1280, 720);
  if (!open_gl_window(1280, 720, "boxfield_runner history")) {
    snprintf(error, error_size, "no headless GL context");
    return 0;
  }
  runner_plot_run medians, levels;
  medians.label = "run medians (ms), oldest first";
  levels.label = "median between change points";
  for (const history_plot_series& s : series) {
    medians.modes.push_back({s.label, s.medians_ms});
    levels.modes.push_back({s.label, s.levels_ms});
  }
  runner_image picture = runner_plot_frametimes("history: run medians per series", medians, &levels);
  std::string why;
  if (!runner_write_png(path, picture, &why)) {
    snprintf(error, error_size, "cannot write %s: %s", path, why.c_str());
    return 0;
  }
  return 1;
}

// A/B: the pair ratios' picture on a headless surface, and the command

static int runner_plot_ab(const char* path, const char* title,
                          const std::vector<runner_plot_ratio_mode>& modes, char* error, size_t error_size) {
  if (!headless_gl_available()) {
    snprintf(error, error_size, "no EGL display for desktop OpenGL on this machine");
    return 0;
  }
  headless_set_display_size(1280, 720);
  if (!open_gl_window(1280, 720, "boxfield_runner ab")) {
    snprintf(error, error_size, "no headless GL context");
    return 0;
  }
  runner_image picture = runner_plot_ratios(title, modes);
  std::string why;
  if (!runner_write_png(path, picture, &why)) {
    snprintf(error, error_size, "cannot write %s: %s", path, why.c_str());
    return 0;
  }
  return 1;
}

// Runs --history-add and the reading options.
static int runner_history(const box_field_runner_options& o) {
  std::string target = history_target(o.history);
  if (target.empty()) {
    fputs(cli_usage_error_line("boxfield_runner", "no history: give --history DB or set BOXFIELD_HISTORY")
              .c_str(),
          stderr);
    return CLI_USAGE_STATUS;
  }
  if (o.history_command == "add")
    return history_add_reports(target, o.reports, "boxfield_runner", stdout, stderr);
  history_read_request q;
  q.target = target;
  q.view = o.history_command == "runs"    ? HISTORY_VIEW_RUNS
           : o.history_command == "trend" ? HISTORY_VIEW_TREND
           : o.history_command == "csv"   ? HISTORY_VIEW_CSV
                                          : HISTORY_VIEW_CHANGES;
  q.filter = {o.machine, o.revision, o.driver, o.since, o.until};
  q.csv_path = o.history_csv;
  q.plot_path = o.history_command == "trend" ? (o.plot.empty() ? "history-trend.png" : o.plot) : "";
  std::string refused;
  if (!file_replace_check_outputs({}, {q.csv_path, q.plot_path}, &refused)) {
    fprintf(stderr, "boxfield_runner: %s\n", refused.c_str());
    return 1;
  }
  int status = history_read_main(q, stdout, stderr, runner_plot_history);
  fflush(stdout);
  return status;
}

static int runner_ab(const box_field_runner_options& o) {
  runner_ab_request request;
  request.program = "boxfield_runner";
  std::string why;
  if (!runner_split_words(o.ab_base.c_str(), &request.base_argv, &why)) {
    fputs(cli_usage_error_line("boxfield_runner", "--base: " + why).c_str(), stderr);
    return RUNNER_AB_USAGE;
  }
  if (!runner_split_words(o.ab_new.c_str(), &request.next_argv, &why)) {
    fputs(cli_usage_error_line("boxfield_runner", "--new: " + why).c_str(), stderr);
    return RUNNER_AB_USAGE;
  }
  request.flight_args = o.flight_args;
  request.pairs = o.ab_pairs;
  request.max_seconds = o.ab_max_seconds;
  request.threshold_percent = o.threshold;
  request.out_dir = o.out_dir;
  std::vector<std::string> next_reports;
  std::string target = history_target(o.history);
  if (!target.empty()) request.next_reports = &next_reports;
  int status = runner_ab_main(request, stdout, stderr, runner_plot_ab);
  // The history gets NEW's runs, the side under test (BASE's reports stay
  // under --out, for --history-add); a history that cannot be updated is one
  // line and status 5 when the A/B itself passed.
  if (!target.empty() && !next_reports.empty()) {
    int recorded = 0;
    for (const std::string& path : next_reports) {
      std::string line;
      recorded = history_record_report(target, path, "boxfield_runner", &line);
      if (recorded) {
        fprintf(stderr, "%s\n", line.c_str());
        break;
      }
    }
    if (!recorded)
      printf("history: %zu reports of NEW recorded into %s\n", next_reports.size(),
             history_mask(target).c_str());
    if (status == RUNNER_AB_OK) status = recorded;
  }
  return status;
}

// Runs --bisect: the runner library's bisect, each revision judged by the
// A/B above.
static int runner_bisect(const box_field_runner_options& o) {
  runner_bisect_request request;
  request.program = "boxfield_runner";
  std::string why;
  if (!runner_split_words(o.bisect_build.c_str(), &request.build_argv, &why)) {
    fputs(cli_usage_error_line("boxfield_runner", "--build: " + why).c_str(), stderr);
    return RUNNER_BISECT_STATUS_USAGE;
  }
  if (!runner_split_words(o.bisect_run.c_str(), &request.run_argv, &why)) {
    fputs(cli_usage_error_line("boxfield_runner", "--run: " + why).c_str(), stderr);
    return RUNNER_BISECT_STATUS_USAGE;
  }
  request.good = o.bisect_good;
  request.bad = o.bisect_bad;
  request.worktrees_dir = o.bisect_worktrees;
  request.flight_args = o.flight_args;
  request.pairs = o.ab_pairs;
  request.max_seconds = o.ab_max_seconds;
  request.threshold_percent = o.threshold;
  request.out_dir = o.out_dir;
  return runner_bisect_main(request, stdout, stderr, runner_bisect_ab_main(runner_plot_ab));
}

// ---------------------------------------------------------------------------
// Main

int main(int argc, char** argv) {
  double t_main = runner_seconds();
  fpu_use_extended_precision();
  std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + (argc > 0 ? argc : 0));
  box_field_runner_options options;
  std::string message;
  if (!box_field_runner_parse_options(args, &options, &message)) {
    fputs(cli_usage_error_line("boxfield_runner", message).c_str(), stderr);
    return CLI_USAGE_STATUS;
  }
  if (options.help) {
    fputs(box_field_runner_usage().c_str(), stdout);
    return 0;
  }
  if (options.version) {
    printf("boxfield_runner %s\n", BF_VERSION);
    return 0;
  }
  if (options.help_script) {
    runner_script_help(stdout);
    return 0;
  }
  if (!options.print_tour.empty()) {
    fputs(box_field_tour(options.print_tour.c_str()), stdout);
    return 0;
  }
  // An A/B runs two other commands' flights (runner/runner_ab.h).
  if (options.ab) return runner_ab(options);
  // A bisect builds and A/Bs revisions of a git tree (runner/runner_bisect.h).
  if (options.bisect) return runner_bisect(options);
  // Report comparison runs no flight (runner/runner_compare.h).
  if (options.compare) return runner_compare(options);
  std::string refused;
  if (!options.history_command.empty()) return runner_history(options);
  // Turns with a controlling process (an A/B) come through the environment;
  // the report then goes where that process says.
  runner_turns turns;
  char turns_error[200];
  if (runner_turns_from_environment(&turns, turns_error, sizeof turns_error) < 0) {
    fprintf(stderr, "boxfield_runner: %s\n", turns_error);
    return 2;
  }
  std::string json_path = options.out_dir + "/report.json";
  if (!turns.report_path.empty()) {
    json_path = turns.report_path;
    size_t slash = json_path.rfind('/');
    options.out_dir = slash == std::string::npos ? "." : json_path.substr(0, slash);
  }
  std::string script_label, script_text;
  if (!runner_flight(options, &script_label, &script_text)) return 2;
  box_field_bench_options b;
  b.tool = "boxfield_runner";
  b.script_label = script_label;
  char error[256];
  if (!runner_parse_script(script_text.c_str(), &b.script, error, sizeof error)) {
    fprintf(stderr, "boxfield_runner: %s: %s\n", script_label.c_str(), error);
    return 2;
  }
  // Output paths are checked before the flight.
  if (!file_replace_check_outputs({options.out_dir}, {options.results_file}, &refused)) {
    fprintf(stderr, "boxfield_runner: %s\n", refused.c_str());
    return 1;
  }
  b.frame_end = options.frame_end;
  b.out_dir = options.out_dir;
  b.shots = options.shots;
  b.clock_label = options.real_clock ? "real" : "fixed, 1/64 s per reading";
  b.key = runner_key;
  b.mouse = runner_mouse;
  b.runs = options.runs;
  b.runs.turns = turns;
  b.instruments = options.instruments;
  headless_set_egl_swap(options.instruments.egl_swap);

  headless_set_display_size(options.width, options.height);
  if (!options.real_clock) clock_now = runner_fixed_clock;
  double t_begin = runner_seconds();
  box_field_bench_begin(b);
  box_field_main("boxfield_runner");
  runner_report report;
  std::string plot;
  std::string plot_why;
  int32_t failures = box_field_bench_finish(&report, &plot, &plot_why);
  if (box_field_bench_frames_drawn() == 0) {
    fprintf(stderr, "boxfield_runner: the program drew no frame\n");
    return 1;
  }

  box_field_pieces pieces;
  runner_time_pieces(&pieces);
  box_field_report_pieces(&report, pieces);
  runner_startup& t = report.startup;
  double lead = (t_begin - t_main) * 1000.0;
  t.before_loop = lead + box_field_bench_started_s() * 1000.0;
  t.to_first_frame = lead + box_field_bench_first_frame_s() * 1000.0;
  t.window_and_context = own_work.window_s * 1000.0;
  t.first_frame = box_field_bench_first_frame_ms();
  int64_t drawn = box_field_bench_frames_drawn();
  double n = (double)drawn;
  box_field_report_own_work(&report, own_work.pump_s / n * 1e3, own_work.camera_s / n * 1e3,
                            own_work.overlay_s / n * 1e3);
  report.env.egl = headless_egl_platform();
  report.egl_frames_swapped = headless_get_record()->egl_swaps;

  runner_report_print(stdout, report);
  printf("EGL: eglSwapBuffers after %d of %lld frames%s\n", report.egl_frames_swapped, (long long)drawn,
         options.instruments.egl_swap ? "" : " (--egl-swap off)");
  if (!options.real_clock && runner_clock_readings != drawn + 1) {
    printf("note: the clock was read %lld times for %lld frames\n", (long long)runner_clock_readings,
           (long long)drawn);
  }
  runner_report_ending ending;
  ending.json_path = json_path;
  ending.csv_path = options.results_file;
  ending.plot_path = plot;
  ending.plot_place = options.out_dir + "/frametimes.png";
  ending.plot_why = plot_why;
  ending.failed_shots = failures;
  ending.strict = options.strict;
  std::string written;
  std::vector<std::string> failed;
  int status = runner_report_finish(report, "boxfield_runner", ending, &written, &failed);
  // The flight's keys quit the program (Escape or Q) before its runs were
  // over: the report holds part of them, and the run is a failure.
  if (!box_field_bench_complete()) {
    failed.push_back("boxfield_runner: the program quit " + box_field_bench_stopped_at() +
                     ", before its runs were over (Escape or Q in the flight); the report holds the "
                     "frames drawn so far");
    status = 1;
  }
  fputs(written.c_str(), stdout);
  fflush(stdout);
  for (const std::string& line : failed) fprintf(stderr, "%s\n", line.c_str());
  if (!box_field_bench_turn_error().empty()) {
    fprintf(stderr, "boxfield_runner: turn-taking (RUNNER_TURNS) failed: %s\n",
            box_field_bench_turn_error().c_str());
    status = 1;
  }
  // The history is updated after the run's own report is written; a history
  // that cannot be is one line and status 5 when the run itself passed.
  std::string target = history_target(options.history);
  if (!target.empty()) {
    std::string line;
    int recorded = HISTORY_NOT_UPDATED_STATUS;
    if (written.find("report: ") != std::string::npos) {
      recorded = history_record_report(target, ending.json_path, "boxfield_runner", &line);
    } else {
      line = "boxfield_runner: the history was not updated: the report was not written";
    }
    fprintf(recorded ? stderr : stdout, "%s\n", line.c_str());
    if (status == 0) status = recorded;
  }
  return status;
}
