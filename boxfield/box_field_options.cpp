// The box-field program's command line (see box_field_options.h).
#include "boxfield/box_field_options.h"

#include <string.h>

#include <iterator>
#include <vector>

#include "boxfield/box_field_tours.h"
#include "runner/runner_args.h"
#include "runner/runner_runs.h"
#include "runner/runner_script.h"
#include "util/cli_options.h"

std::string box_field_usage(void) {
  return std::string(
             "Usage: boxfield [options]\n"
             "  (no options)          full screen at the display's size, interactive\n"
             "  --size WxH            a window of that client size, at least 64x64; the display\n"
             "                        mode is left alone (--windowed WxH is the same)\n"
             "  --benchmark [TOUR]    fly a built-in tour (default bench, a flight long enough to\n"
             "                        time; boxfield_runner's default short is its quick check)\n"
             "                        on the real clock, print the summary, write the report, exit\n"
             "                        (status 1 when Escape or Q stops it before its runs are over)\n"
             "  --script FILE         with --benchmark: fly a flight script instead of a tour\n"
             "  --report FILE         JSON report (default boxfield-report.json); frametimes.png\n"
             "                        goes beside it (a window takes no shots, so there is no\n"
             "                        folder of pictures as boxfield_runner's --out DIR has)\n"
             "  --frame-end swap|finish|readpixels|none\n"
             "                        how each timed frame ends (default swap: a window shows\n"
             "                        its frames; boxfield_runner, with no display, finishes them)\n"
             "  --results-file FILE   one CSV row per timed frame (run,frame,mode,ms,gpu_ms,cpu_ms)\n"
             "  --strict              any GL error makes the benchmark fail (exit 1)\n"
             "  --history DB          record the report into the history DB after it is written: a\n"
             "                        file (SQLite) or a postgresql:// URL (default: $BOXFIELD_HISTORY;\n"
             "                        Linux only); exit 5 when the history was not updated\n"
             "  with --benchmark, as boxfield_runner takes them:\n" +
             std::string(runner_runs_usage()) + "  -h, --help, --version this text, the version\n") +
         cli_convention_help;
}

enum {
  OPT_VERSION = CLI_FIRST_ID,
  OPT_SIZE,
  OPT_WINDOWED,
  OPT_BENCHMARK,
  OPT_SCRIPT,
  OPT_REPORT,
  OPT_FRAME_END,
  OPT_RESULTS_FILE,
  OPT_STRICT,
  OPT_HISTORY,
};

static const cli_option box_field_own_options[] = {
    {"help", CLI_NO_VALUE, CLI_HELP},
    {"version", CLI_NO_VALUE, OPT_VERSION},
    {"size", CLI_VALUE, OPT_SIZE},
    {"windowed", CLI_VALUE, OPT_WINDOWED},
    {"benchmark", CLI_OPTIONAL_VALUE, OPT_BENCHMARK},
    {"script", CLI_VALUE, OPT_SCRIPT},
    {"report", CLI_VALUE, OPT_REPORT},
    {"frame-end", CLI_VALUE, OPT_FRAME_END},
    {"results-file", CLI_VALUE, OPT_RESULTS_FILE},
    {"strict", CLI_NO_VALUE, OPT_STRICT},
    {"history", CLI_VALUE, OPT_HISTORY},
};

// Reads the options into o; false with p->error set on a mistake.
static bool box_field_read_options(cli_parser* p, box_field_options* o) {
  bool tour_given = false;
  std::string benchmark_only;  // an option that needs --benchmark
  for (;;) {
    const char* value = nullptr;
    int id = cli_next(p, &value);
    switch (id) {
      case CLI_END:
        if (o->help || o->version) return true;
        if (tour_given && !o->script_file.empty())
          return cli_refuse(p, "--benchmark %s and --script both choose the flight: give one",
                            o->tour.c_str());
        if (!benchmark_only.empty() && !o->benchmark)
          return cli_refuse(p, "%s needs --benchmark", benchmark_only.c_str());
        return true;
      case CLI_ERROR:
        return false;
      case CLI_OPERAND:
        // "/?" asks for help as Windows programs are asked.
        if (strcmp(value, "/?") == 0) {
          o->help = true;
          break;
        }
        return cli_refuse(p, "unexpected argument '%s'", value);
      case CLI_HELP:
        o->help = true;
        break;
      case OPT_VERSION:
        o->version = true;
        break;
      case OPT_STRICT:
        o->strict = true;
        benchmark_only = "--strict";
        break;
      case OPT_BENCHMARK:
        o->benchmark = true;
        if (value) {
          if (!box_field_tour(value))
            return cli_refuse(p, "--benchmark: no tour '%s' (tours: %s)", value, box_field_tour_names());
          o->tour = value;
          tour_given = true;
        }
        break;
      case OPT_SIZE:
        if (!runner_parse_size(value, 64, 64, &o->window_width, &o->window_height))
          return cli_refuse(p, "--size wants WxH, each from 64 to 8192 (got '%s')", value);
        break;
      case OPT_WINDOWED:
        if (!runner_parse_size(value, 64, 64, &o->window_width, &o->window_height))
          return cli_refuse(p, "--windowed wants WxH, each from 64 to 8192 (got '%s')", value);
        break;
      case OPT_SCRIPT:
        o->script_file = value;
        benchmark_only = "--script";
        break;
      case OPT_HISTORY:
        o->history = value;
        benchmark_only = "--history";
        break;
      case OPT_REPORT:
        o->report = value;
        benchmark_only = "--report";
        break;
      case OPT_RESULTS_FILE:
        o->results_file = value;
        benchmark_only = "--results-file";
        break;
      case OPT_FRAME_END:
        if (!runner_parse_frame_end(value, &o->frame_end))
          return cli_refuse(p, "--frame-end wants swap, finish, readpixels or none (got '%s')", value);
        benchmark_only = "--frame-end";
        break;
      default: {
        // The run options, read by the runner library.
        std::string name = cli_option_name(*p, id);
        char why[160];
        int taken = runner_runs_option(name.c_str(), value, &o->runs, &o->instruments, why, sizeof why);
        if (taken < 0) return cli_refuse(p, "unhandled option %s", name.c_str());
        if (taken == 0) return cli_refuse(p, "%s (got '%s')", why, value);
        benchmark_only = name;
        break;
      }
    }
  }
}

bool box_field_parse_options(const std::vector<std::string>& args, box_field_options* o, std::string* error) {
  std::vector<cli_option> table(std::begin(box_field_own_options), std::end(box_field_own_options));
  runner_runs_add_options(&table);
  cli_parser p;
  cli_begin(&p, args, table.data(), table.size());
  bool ok = box_field_read_options(&p, o);
  if (!ok) *error = p.error;
  return ok;
}
