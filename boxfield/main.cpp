// Process entry of the box-field program. On Windows, WinMain stores the
// instance handle for the window class and runs the test with the full
// command line; elsewhere main does the same with what the platform has.
// Both first switch the x87 unit to extended precision, which the toolkit's
// arithmetic relies on. Without arguments the program starts as it always
// has; the options (boxfield/box_field_options.h) choose a window size and a
// timed benchmark flight (boxfield/box_field_bench.h) whose summary goes to
// standard output and whose report files are written before the exit.
// Depends on boxfield/, the shell and the runner library.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <filesystem>
#include <string>
#include <vector>

#include "boxfield/box_field.h"
#include "boxfield/box_field_bench.h"
#include "boxfield/box_field_options.h"
#include "boxfield/box_field_tours.h"
#include "runner/runner_report.h"
#include "runner/runner_script.h"
#include "shell/fpu.h"
#include "shell/platform.h"
#include "shell/window.h"
#include "util/cli_options.h"
#include "util/file_replace.h"
#ifndef _WIN32
#include "history/history_commands.h"
#endif

// ---------------------------------------------------------------------------
// Output: standard output and error, or on Windows a message box when the
// program has neither (started from Explorer, no console).

static bool has_console = true;

#ifdef _WIN32
// A GUI program starts without a console. It writes where its standard
// handles already lead (a pipe, a file, Wine's terminal) or, started from a
// console window, attaches to that console.
static void find_console(void) {
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  if (out && out != INVALID_HANDLE_VALUE && GetFileType(out) != FILE_TYPE_UNKNOWN) return;
  if (AttachConsole(ATTACH_PARENT_PROCESS)) {
    freopen("CONOUT$", "w", stdout);
    freopen("CONOUT$", "w", stderr);
    return;
  }
  has_console = false;
}
#endif

// Text for the user: on out, or in a message box when there is no console.
static void tell(FILE* out, const std::string& text, bool is_error) {
  if (has_console) {
    fputs(text.c_str(), out);
    fflush(out);
  } else {
    platform_message_box(text.c_str(), "boxfield", is_error ? MB_ICONERROR : 0);
  }
}

// ---------------------------------------------------------------------------
// Benchmark mode

static std::string swap_interval_result;

// Closing the window ends the process from inside the loop, before any
// report is written: the run is a failure, and says so on the way out. A
// fatal error ends it there too, with its own message and nothing more.
static bool benchmark_loop_returned = false;
static void tell_closed_benchmark(void) {
  if (!benchmark_loop_returned && window_was_closed)
    tell(stderr, "boxfield: the benchmark was stopped: its window was closed\n", true);
}

static void ask_for_swap_interval(void) {
  swap_interval_result = platform_set_swap_interval(0) ? "granted" : "refused";
}

static int run_benchmark(box_field_options o, const char* command_line) {
  // Turns with a controlling process (an A/B) come through the environment;
  // the report then goes where that process says.
  runner_turns turns;
  char turns_error[200];
  if (runner_turns_from_environment(&turns, turns_error, sizeof turns_error) < 0) {
    tell(stderr, std::string("boxfield: ") + turns_error + "\n", true);
    return 2;
  }
  if (!turns.report_path.empty()) o.report = turns.report_path;
  box_field_bench_options b;
  b.tool = "boxfield";
  std::string text;
  if (!o.script_file.empty()) {
    if (!runner_read_script_file(o.script_file.c_str(), &text)) {
      tell(stderr, "boxfield: cannot read script " + o.script_file + " (or it is over 1 MiB)\n", true);
      return 2;
    }
    b.script_label = "script " + o.script_file;
  } else {
    text = box_field_tour(o.tour.c_str());
    b.script_label = "tour " + o.tour;
  }
  char error[256];
  if (!runner_parse_script(text.c_str(), &b.script, error, sizeof error)) {
    tell(stderr, "boxfield: " + b.script_label + ": " + error + "\n", true);
    return 2;
  }
  // The report's folder (where frametimes.png goes too) is made, and every
  // output checked, before the window opens.
#ifdef _WIN32
  if (!o.history.empty()) {
    tell(stderr,
         "boxfield: --history is not available in the Windows build (it has no SQLite or PostgreSQL)\n",
         true);
    return CLI_USAGE_STATUS;
  }
#endif
  std::string refused;
  if (!file_replace_check_outputs({}, {o.report, o.results_file}, &refused)) {
    tell(stderr, "boxfield: " + refused + "\n", true);
    return 1;
  }
  b.frame_end = o.frame_end;
  b.take_shots = false;  // the real window's pictures depend on its display
  b.out_dir = std::filesystem::u8path(o.report).parent_path().u8string();
  b.clock_label = "real";
  b.progress = has_console;
  b.started = ask_for_swap_interval;
  b.runs = o.runs;
  b.runs.turns = turns;
  b.instruments = o.instruments;

  box_field_bench_begin(b);
  window_close_status = 1;
  atexit(tell_closed_benchmark);
  box_field_main(command_line);
  benchmark_loop_returned = true;
  window_close_status = 0;
  runner_report report;
  std::string plot, plot_why;
  box_field_bench_finish(&report, &plot, &plot_why);
  report.env.swap_interval_requested = "0";
  report.env.swap_interval_granted = swap_interval_result;
  if (box_field_bench_frames_drawn() == 0) {
    tell(stderr, "boxfield: the benchmark drew no frame\n", true);
    return 1;
  }

  if (has_console) runner_report_print(stdout, report);
  runner_report_ending ending;
  ending.json_path = o.report;
  ending.csv_path = o.results_file;
  ending.plot_path = plot;
  ending.plot_place = "frametimes.png beside " + o.report;
  ending.plot_why = plot_why;
  ending.strict = o.strict;
  std::string written;
  std::vector<std::string> failed;
  int status = runner_report_finish(report, "boxfield", ending, &written, &failed);
  for (const std::string& line : failed) tell(stderr, line + "\n", true);
  if (has_console) fputs(written.c_str(), stdout);
  if (!box_field_bench_complete()) {
    tell(stderr,
         "boxfield: the benchmark was stopped " + box_field_bench_stopped_at() +
             ", before its runs were over (Escape or Q); the report holds the frames drawn so far\n",
         true);
    status = 1;
  }
  if (!box_field_bench_turn_error().empty()) {
    tell(stderr, "boxfield: turn-taking (RUNNER_TURNS) failed: " + box_field_bench_turn_error() + "\n", true);
    status = 1;
  }
#ifndef _WIN32
  // The history is updated after the run's own report is written; a history
  // that cannot be is one line and status 5 when the run itself passed.
  std::string target = history_target(o.history);
  if (!target.empty()) {
    std::string line;
    int recorded = HISTORY_NOT_UPDATED_STATUS;
    if (written.find("report: ") != std::string::npos) {
      recorded = history_record_report(target, o.report, "boxfield", &line);
    } else {
      line = "boxfield: the history was not updated: the report was not written";
    }
    tell(recorded ? stderr : stdout, line + "\n", recorded != 0);
    if (status == 0) status = recorded;
  }
#endif
  return status;
}

// ---------------------------------------------------------------------------
// The program

static int run_program(const std::vector<std::string>& args, const char* command_line) {
  if (args.empty()) {
    box_field_main(command_line);
    return 0;
  }
  box_field_options o;
  std::string error;
  if (!box_field_parse_options(args, &o, &error)) {
    tell(stderr, cli_usage_error_line("boxfield", error), true);
    return CLI_USAGE_STATUS;
  }
  if (o.help) {
    tell(stdout, box_field_usage(), false);
    return 0;
  }
  if (o.version) {
    tell(stdout, "boxfield " BF_VERSION "\n", false);
    return 0;
  }
  box_field_window_width = o.window_width;
  box_field_window_height = o.window_height;
  if (o.benchmark) return run_benchmark(o, command_line);
  box_field_main(command_line);
  return 0;
}

#ifdef _WIN32
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous_instance, LPSTR command_line, int show_mode) {
  fpu_use_extended_precision();
  app_instance = instance;
  std::vector<std::string> args = cli_split_windows_command_line(GetCommandLineA());
  if (!args.empty()) args.erase(args.begin());  // the program's own name
  if (!args.empty()) find_console();
  return run_program(args, GetCommandLineA());
}
#else
int main(int argc, char** argv) {
  fpu_use_extended_precision();
  std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + (argc > 0 ? argc : 0));
  return run_program(args, argc > 0 ? argv[0] : "");
}
#endif
