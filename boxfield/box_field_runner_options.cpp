// boxfield_runner's command line (see box_field_runner_options.h).
#include "boxfield/box_field_runner_options.h"

#include <string.h>

#include <iterator>
#include <vector>

#include "boxfield/box_field_tours.h"
#include "runner/runner_args.h"
#include "runner/runner_runs.h"
#include "runner/runner_script.h"
#include "util/cli_options.h"

std::string box_field_runner_usage(void) {
  return std::string(
             "Usage: boxfield_runner [options]\n"
             "  --size WxH          surface size in pixels, at least 16x16 (default 1280x720; a\n"
             "                      surface has no window manager's minimum, so it may be smaller\n"
             "                      than the program's 64x64 window)\n"
             "  --tour NAME         built-in flight: ") +
         box_field_tour_names() +
         " (default short, the quick check\n"
         "                      with shots; boxfield --benchmark flies bench by default)\n"
         "  --script FILE       flight script file (format: --help-script)\n"
         "  --print-tour NAME   print a built-in flight and exit\n"
         "  --out DIR           screenshots, diff pictures, report.json and frametimes.png\n"
         "                      (default runner-out; the program's benchmark mode takes no\n"
         "                      shots and names its one report with --report FILE)\n" +
         runner_shot_usage(
             "compare the script's shots with DIR/<name>.png instead of saving them",
             "24: the\n"
             "                      field's thin lines and fog edges move by a rounding on other\n"
             "                      GL drivers; gallery_runner's flat pages keep 8)",
             "shot") +
         "  --real-clock        run the program on the real clock (default: 1/64 s per reading)\n"
         "  --frame-end swap|finish|readpixels|none\n"
         "                      how each timed frame ends (default finish: a headless surface\n"
         "                      shows nothing, so its frames are finished; the program's\n"
         "                      window swaps by default)\n"
         "  --results-file FILE one CSV row per timed frame (run,frame,mode,ms,gpu_ms,cpu_ms)\n"
         "  --strict            any GL error fails the run (exit 1)\n" +
         runner_runs_usage() +
         "  --egl-swap on|off   eglSwapBuffers on the surface after each frame (default on)\n"
         "  --help-script       the flight script format\n"
         "  -h, --help, --version  this text, the version\n"
         "  --compare BASE.json NEW.json [--threshold PERCENT] [--force] [--plot FILE]\n"
         "                      SAME, FASTER, SLOWER or UNCERTAIN per mode from the run medians\n"
         "                      (threshold default 3 %); exit 0 when every mode BASE timed is\n"
         "                      SAME or FASTER, 1 when a mode is SLOWER or missing in NEW, 4 when\n"
         "                      none is but a mode is UNCERTAIN, 2 for a usage error (a --plot\n"
         "                      FILE that cannot be written included), 3 when a report is\n"
         "                      unreadable, has unusable figures or was stopped before its runs\n"
         "                      were over, or the two measured different things (size, flight,\n"
         "                      frame end, clock, renderer, driver settings, CPU model, usable\n"
         "                      CPUs, warm-up, timer queries, GL error check, EGL swap, added\n"
         "                      work); --force compares them anyway and names each difference\n"
         "  A flight that quits (Escape or Q) before its runs are over exits 1.\n"
         "  --history DB        after the run's report is written, record it into the history DB:\n"
         "                      a file (SQLite) or a postgresql:// URL (default: $BOXFIELD_HISTORY;\n"
         "                      none when unset); exit 5 when the history was not updated\n"
         "  --history-add REPORT...  record report files (schema 2 and later) into the history\n"
         "  --history-runs      list the history's runs\n"
         "  --history-trend [--plot FILE]  each series' run medians with their intervals and change\n"
         "                      points, and their picture (default history-trend.png; needs EGL)\n"
         "  --history-changes   each change point: the runs either side, the step and its\n"
         "                      interval, what changed in the record between them\n"
         "  --history-csv FILE  every series' runs as CSV\n"
         "  --machine ID --revision REV --driver TEXT --since DATE --until DATE\n"
         "                      which runs the history options above read (ID and REV: a prefix;\n"
         "                      TEXT: within the driver version; DATE: UTC, 2026-03-01 or longer)\n"
         "  --ab --base CMD --new CMD [--pairs N|auto] [--max-seconds S] [--threshold PERCENT]\n"
         "       [--out DIR] -- FLIGHT OPTIONS\n"
         "                      A/B: the two commands (split into words as a shell does; no\n"
         "                      shell runs) fly the flight options in turns, a timed run each,\n"
         "                      a fresh process a side for every pair; a verdict per mode from\n"
         "                      the pairs' ratios NEW/BASE (--pairs default auto: looks at set\n"
         "                      pair counts until every mode is decided or --max-seconds,\n"
         "                      default 600, has passed); reports, ab.json and ab.png under\n"
         "                      --out (default ab-out). Exit 0 SAME or FASTER, 1 a mode SLOWER\n"
         "                      or MISSING, 3 refused or a side failed, 4 a mode UNCERTAIN\n"
         "  --bisect --good REV --bad REV --build CMD --run CMD [--worktrees DIR]\n"
         "       [--pairs N|auto] [--max-seconds S] [--threshold PERCENT] [--out DIR]\n"
         "       -- FLIGHT OPTIONS\n"
         "                      in a git work tree: the first revision from GOOD to BAD\n"
         "                      (first parents) that is SLOWER than GOOD in an --ab of the run\n"
         "                      commands; each revision built with CMD in its own kept\n"
         "                      worktree (--worktrees, default under the git folder), each\n"
         "                      A/B kept under --out (default bisect-out). Exit 0 found, 1\n"
         "                      failed, 3 skipped revisions left a range, 4 BAD not slower\n" +
         cli_convention_help;
}

enum {
  OPT_VERSION = CLI_FIRST_ID,
  OPT_HELP_SCRIPT,
  OPT_PRINT_TOUR,
  OPT_SIZE,
  OPT_TOUR,
  OPT_SCRIPT,
  OPT_OUT,
  OPT_REAL_CLOCK,
  OPT_FRAME_END,
  OPT_RESULTS_FILE,
  OPT_STRICT,
  OPT_COMPARE,
  OPT_THRESHOLD,
  OPT_FORCE,
  OPT_PLOT,
  OPT_EGL_SWAP,
  OPT_HISTORY,
  OPT_HISTORY_ADD,
  OPT_HISTORY_RUNS,
  OPT_HISTORY_TREND,
  OPT_HISTORY_CHANGES,
  OPT_HISTORY_CSV,
  OPT_MACHINE,
  OPT_REVISION,
  OPT_DRIVER,
  OPT_SINCE,
  OPT_UNTIL,
  OPT_AB,
  OPT_BASE,
  OPT_NEW,
  OPT_PAIRS,
  OPT_BISECT,
  OPT_GOOD,
  OPT_BAD,
  OPT_BUILD,
  OPT_RUN,
  OPT_WORKTREES,
};

static const cli_option box_field_runner_own_options[] = {
    {"help", CLI_NO_VALUE, CLI_HELP},
    {"version", CLI_NO_VALUE, OPT_VERSION},
    {"help-script", CLI_NO_VALUE, OPT_HELP_SCRIPT},
    {"print-tour", CLI_VALUE, OPT_PRINT_TOUR},
    {"size", CLI_VALUE, OPT_SIZE},
    {"tour", CLI_VALUE, OPT_TOUR},
    {"script", CLI_VALUE, OPT_SCRIPT},
    {"out", CLI_VALUE, OPT_OUT},
    {"real-clock", CLI_NO_VALUE, OPT_REAL_CLOCK},
    {"frame-end", CLI_VALUE, OPT_FRAME_END},
    {"results-file", CLI_VALUE, OPT_RESULTS_FILE},
    {"strict", CLI_NO_VALUE, OPT_STRICT},
    {"compare", CLI_NO_VALUE, OPT_COMPARE},
    {"threshold", CLI_VALUE, OPT_THRESHOLD},
    {"force", CLI_NO_VALUE, OPT_FORCE},
    {"plot", CLI_VALUE, OPT_PLOT},
    {"egl-swap", CLI_VALUE, OPT_EGL_SWAP},
    {"history", CLI_VALUE, OPT_HISTORY},
    {"history-add", CLI_NO_VALUE, OPT_HISTORY_ADD},
    {"history-runs", CLI_NO_VALUE, OPT_HISTORY_RUNS},
    {"history-trend", CLI_NO_VALUE, OPT_HISTORY_TREND},
    {"history-changes", CLI_NO_VALUE, OPT_HISTORY_CHANGES},
    {"history-csv", CLI_VALUE, OPT_HISTORY_CSV},
    {"machine", CLI_VALUE, OPT_MACHINE},
    {"revision", CLI_VALUE, OPT_REVISION},
    {"driver", CLI_VALUE, OPT_DRIVER},
    {"since", CLI_VALUE, OPT_SINCE},
    {"until", CLI_VALUE, OPT_UNTIL},
    {"ab", CLI_NO_VALUE, OPT_AB},
    {"base", CLI_VALUE, OPT_BASE},
    {"new", CLI_VALUE, OPT_NEW},
    {"pairs", CLI_VALUE, OPT_PAIRS},
    {"bisect", CLI_NO_VALUE, OPT_BISECT},
    {"good", CLI_VALUE, OPT_GOOD},
    {"bad", CLI_VALUE, OPT_BAD},
    {"build", CLI_VALUE, OPT_BUILD},
    {"run", CLI_VALUE, OPT_RUN},
    {"worktrees", CLI_VALUE, OPT_WORKTREES},
};

// A UTC date or time as the reports write them: "YYYY-MM-DD", optionally
// followed by "THH:MM:SSZ" or a prefix of it.
static bool is_utc_date(const char* v) {
  static const char shape[] = "dddd-dd-ddTdd:dd:ddZ";
  size_t n = strlen(v);
  if (n < 10 || n > sizeof shape - 1) return false;
  for (size_t i = 0; i < n; i++) {
    bool digit = v[i] >= '0' && v[i] <= '9';
    if (shape[i] == 'd' ? !digit : v[i] != shape[i]) return false;
  }
  return true;
}

// Reads the options into o; false with p->error set on a mistake.
static bool box_field_runner_read_options(cli_parser* p, box_field_runner_options* o) {
  bool tour_given = false;
  int flight_option = 0;     // an option of a flight, refused with --compare and before --ab's --
  int compare_option = 0;    // an option of --compare, refused without it
  int ab_option = 0;         // an option of --ab only, refused without it
  int max_seconds = 0;       // --max-seconds: --ab's cap, or a flight's
  int ab_flight_option = 0;  // a flight option that --ab wants after its --
  int bisect_option = 0;     // an option of --bisect only, refused without it
  int history_commands = 0, filter_option = 0, plot_option = 0;
  for (;;) {
    const char* value = nullptr;
    bool after_dashes = p->ended;  // operands after "--"
    int id = cli_next(p, &value);
    after_dashes = after_dashes || p->ended;
    if (id == CLI_END) break;
    if (id == CLI_ERROR) return false;
    bool history_command = id == OPT_HISTORY_ADD || id == OPT_HISTORY_RUNS || id == OPT_HISTORY_TREND ||
                           id == OPT_HISTORY_CHANGES || id == OPT_HISTORY_CSV;
    if (history_command) history_commands++;
    if (id == OPT_MACHINE || id == OPT_REVISION || id == OPT_DRIVER || id == OPT_SINCE || id == OPT_UNTIL)
      filter_option = id;
    if (id == OPT_PLOT) plot_option = id;
    bool is_max_seconds = id >= 0 && cli_option_name(*p, id) == "--max-seconds";
    if (id == OPT_THRESHOLD || id == OPT_FORCE) {
      compare_option = id;
    } else if (id == OPT_BASE || id == OPT_NEW || id == OPT_PAIRS) {
      ab_option = id;
    } else if (id >= OPT_GOOD && id <= OPT_WORKTREES) {
      bisect_option = id;
    } else if (history_command || filter_option == id || id == OPT_HISTORY || id == OPT_PLOT) {
      // history options and --plot, checked below
    } else if (id != CLI_HELP && id != OPT_VERSION && id != OPT_COMPARE && id != OPT_AB && id != OPT_BISECT &&
               id != CLI_OPERAND) {
      flight_option = id;
      // --out and --max-seconds are --ab's own too.
      if (id != OPT_OUT && !is_max_seconds) ab_flight_option = id;
    }
    if (is_max_seconds) max_seconds = id;
    if (id == OPT_OUT) o->out_given = true;
    switch (id) {
      case CLI_OPERAND:
        if (after_dashes) {
          o->flight_args.push_back(value);
        } else {
          o->reports.push_back(value);
        }
        break;
      case OPT_AB:
        o->ab = true;
        break;
      case OPT_BISECT:
        o->bisect = true;
        break;
      case OPT_GOOD:
        o->bisect_good = value;
        break;
      case OPT_BAD:
        o->bisect_bad = value;
        break;
      case OPT_BUILD:
        o->bisect_build = value;
        break;
      case OPT_RUN:
        o->bisect_run = value;
        break;
      case OPT_WORKTREES:
        o->bisect_worktrees = value;
        break;
      case OPT_BASE:
        o->ab_base = value;
        break;
      case OPT_NEW:
        o->ab_new = value;
        break;
      case OPT_PAIRS: {
        long long n = 0;
        if (strcmp(value, "auto") == 0) {
          o->ab_pairs = 0;
        } else if (runner_parse_count(value, 10000, &n) && n >= 1) {
          o->ab_pairs = (int32_t)n;
        } else {
          return cli_refuse(p, "--pairs wants a count from 1 to 10000 or auto (got '%s')", value);
        }
        break;
      }
      case CLI_HELP:
        o->help = true;
        break;
      case OPT_VERSION:
        o->version = true;
        break;
      case OPT_HELP_SCRIPT:
        o->help_script = true;
        break;
      case OPT_PRINT_TOUR:
        if (!box_field_tour(value))
          return cli_refuse(p, "no tour '%s' (tours: %s)", value, box_field_tour_names());
        o->print_tour = value;
        break;
      case OPT_SIZE:
        if (!runner_parse_size(value, 16, 16, &o->width, &o->height))
          return cli_refuse(p, "--size wants WxH, each from 16 to 8192 (got '%s')", value);
        break;
      case OPT_TOUR:
        if (!box_field_tour(value))
          return cli_refuse(p, "no tour '%s' (tours: %s)", value, box_field_tour_names());
        o->tour = value;
        tour_given = true;
        break;
      case OPT_SCRIPT:
        o->script_file = value;
        break;
      case OPT_OUT:
        o->out_dir = value;
        break;
      case OPT_REAL_CLOCK:
        o->real_clock = true;
        break;
      case OPT_FRAME_END:
        if (!runner_parse_frame_end(value, &o->frame_end))
          return cli_refuse(p, "--frame-end wants swap, finish, readpixels or none (got '%s')", value);
        break;
      case OPT_RESULTS_FILE:
        o->results_file = value;
        break;
      case OPT_STRICT:
        o->strict = true;
        break;
      case OPT_COMPARE:
        o->compare = true;
        break;
      case OPT_THRESHOLD:
        if (!runner_parse_number(value, 0.0, 99.0, &o->threshold))
          return cli_refuse(p, "--threshold wants a percentage from 0 to 99 (got '%s')", value);
        break;
      case OPT_FORCE:
        o->force = true;
        break;
      case OPT_PLOT:
        o->plot = value;
        break;
      case OPT_HISTORY:
        o->history = value;
        break;
      case OPT_HISTORY_ADD:
        o->history_command = "add";
        break;
      case OPT_HISTORY_RUNS:
        o->history_command = "runs";
        break;
      case OPT_HISTORY_TREND:
        o->history_command = "trend";
        break;
      case OPT_HISTORY_CHANGES:
        o->history_command = "changes";
        break;
      case OPT_HISTORY_CSV:
        o->history_command = "csv";
        o->history_csv = value;
        break;
      case OPT_MACHINE:
        o->machine = value;
        break;
      case OPT_REVISION:
        o->revision = value;
        break;
      case OPT_DRIVER:
        o->driver = value;
        break;
      case OPT_SINCE:
      case OPT_UNTIL:
        if (!is_utc_date(value))
          return cli_refuse(p, "%s wants a UTC date, 2026-03-01 or 2026-03-01T12:00:00Z (got '%s')",
                            cli_option_name(*p, id).c_str(), value);
        (id == OPT_SINCE ? o->since : o->until) = value;
        break;
      case OPT_EGL_SWAP:
        if (strcmp(value, "on") != 0 && strcmp(value, "off") != 0)
          return cli_refuse(p, "--egl-swap wants on or off (got '%s')", value);
        o->instruments.egl_swap = strcmp(value, "on") == 0;
        break;
      default: {
        // The shot and run options, read by the runner library.
        std::string name = cli_option_name(*p, id);
        char why[160];
        int taken = runner_shot_option(name.c_str(), value, &o->shots, why, sizeof why);
        if (taken < 0)
          taken = runner_runs_option(name.c_str(), value, &o->runs, &o->instruments, why, sizeof why);
        if (taken < 0) return cli_refuse(p, "unhandled option %s", name.c_str());
        if (taken == 0) return cli_refuse(p, "%s (got '%s')", why, value);
        break;
      }
    }
  }
  if (o->help || o->version || o->help_script || !o->print_tour.empty()) return true;
  // A bisect takes the A/B's options but its sides' commands are its own.
  if (o->bisect) {
    if (o->ab || o->compare)
      return cli_refuse(p, "--bisect does not go with %s", o->ab ? "--ab" : "--compare");
    if (!o->ab_base.empty() || !o->ab_new.empty())
      return cli_refuse(p, "%s does not go with --bisect (--run is the command of both sides)",
                        o->ab_base.empty() ? "--new" : "--base");
    if (o->bisect_good.empty() || o->bisect_bad.empty() || o->bisect_build.empty() || o->bisect_run.empty())
      return cli_refuse(p, "--bisect needs --good REV, --bad REV, --build CMD and --run CMD");
    if (ab_flight_option)
      return cli_refuse(p, "%s is a flight option: with --bisect, flight options go after --",
                        cli_option_name(*p, ab_flight_option).c_str());
    if (compare_option && compare_option != OPT_THRESHOLD)
      return cli_refuse(p, "%s does not go with --bisect", cli_option_name(*p, compare_option).c_str());
    if (plot_option) return cli_refuse(p, "--plot does not go with --bisect");
    if (!o->history.empty() || !o->history_command.empty() || filter_option)
      return cli_refuse(p, "the --history options and their filters do not go with --bisect");
    if (!o->reports.empty())
      return cli_refuse(p, "unexpected argument '%s' (flight options go after --)", o->reports[0].c_str());
    if (max_seconds) o->ab_max_seconds = o->runs.max_seconds;
    if (!o->out_given) o->out_dir = "bisect-out";
    return true;
  }
  if (bisect_option) return cli_refuse(p, "%s needs --bisect", cli_option_name(*p, bisect_option).c_str());
  if (o->ab) {
    if (o->compare) return cli_refuse(p, "--ab and --compare do not go together");
    if (o->ab_base.empty() || o->ab_new.empty()) return cli_refuse(p, "--ab needs --base CMD and --new CMD");
    if (ab_flight_option)
      return cli_refuse(p, "%s is a flight option: with --ab, flight options go after --",
                        cli_option_name(*p, ab_flight_option).c_str());
    if (compare_option && compare_option != OPT_THRESHOLD)
      return cli_refuse(p, "%s does not go with --ab", cli_option_name(*p, compare_option).c_str());
    if (plot_option) return cli_refuse(p, "--plot does not go with --ab");
    if (!o->history_command.empty() || filter_option)
      return cli_refuse(p, "the --history-... options and their filters do not go with --ab");
    if (!o->reports.empty())
      return cli_refuse(p, "unexpected argument '%s' (flight options go after --)", o->reports[0].c_str());
    if (max_seconds) o->ab_max_seconds = o->runs.max_seconds;
    if (!o->out_given) o->out_dir = "ab-out";
    return true;
  }
  if (ab_option) return cli_refuse(p, "%s needs --ab", cli_option_name(*p, ab_option).c_str());
  // Without --ab, what follows -- is operands as before.
  o->reports.insert(o->reports.end(), o->flight_args.begin(), o->flight_args.end());
  o->flight_args.clear();
  if (history_commands > 1) return cli_refuse(p, "give one of the --history-... options at a time");
  if (!o->history_command.empty()) {
    if (o->compare) return cli_refuse(p, "--compare does not go with the --history-... options");
    if (flight_option)
      return cli_refuse(p, "%s does not go with the --history-... options",
                        cli_option_name(*p, flight_option).c_str());
    if (compare_option)
      return cli_refuse(p, "%s needs --compare", cli_option_name(*p, compare_option).c_str());
    if (plot_option && o->history_command != "trend")
      return cli_refuse(p, "--plot goes with --compare or --history-trend");
    if (o->history_command == "add") {
      if (filter_option)
        return cli_refuse(p, "%s does not go with --history-add", cli_option_name(*p, filter_option).c_str());
      if (o->reports.empty()) return cli_refuse(p, "--history-add takes one or more report files");
    } else if (!o->reports.empty()) {
      return cli_refuse(p, "unexpected argument '%s'", o->reports[0].c_str());
    }
    return true;
  }
  if (filter_option)
    return cli_refuse(p, "%s goes with --history-runs, --history-trend, --history-changes or --history-csv",
                      cli_option_name(*p, filter_option).c_str());
  if (o->compare) {
    if (!o->history.empty()) return cli_refuse(p, "--history does not go with --compare");
    if (flight_option)
      return cli_refuse(p, "%s does not go with --compare", cli_option_name(*p, flight_option).c_str());
    if (o->reports.size() != 2)
      return cli_refuse(p, "--compare takes two reports, BASE.json and NEW.json (got %u)",
                        (unsigned)o->reports.size());
    return true;
  }
  if (compare_option) return cli_refuse(p, "%s needs --compare", cli_option_name(*p, compare_option).c_str());
  if (plot_option) return cli_refuse(p, "--plot needs --compare");
  if (!o->reports.empty()) return cli_refuse(p, "unexpected argument '%s'", o->reports[0].c_str());
  if (tour_given && !o->script_file.empty())
    return cli_refuse(p, "--tour and --script both choose the flight: give one");
  return true;
}

bool box_field_runner_parse_options(const std::vector<std::string>& args, box_field_runner_options* o,
                                    std::string* error) {
  std::vector<cli_option> table(std::begin(box_field_runner_own_options),
                                std::end(box_field_runner_own_options));
  runner_shot_add_options(&table);
  runner_runs_add_options(&table);
  cli_parser p;
  cli_begin(&p, args, table.data(), table.size());
  bool ok = box_field_runner_read_options(&p, o);
  if (!ok) *error = p.error;
  return ok;
}
