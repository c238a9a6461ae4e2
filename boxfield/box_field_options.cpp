// The box-field program's command line (see box_field_options.h).
#include "boxfield/box_field_options.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "runner/runner_args.h"
#include "runner/runner_script.h"

std::vector<std::string> box_field_split_command_line(const char* command_line) {
  std::vector<std::string> args;
  if (!command_line) return args;
  const char* p = command_line;
  for (;;) {
    while (*p == ' ' || *p == '\t') p++;
    if (!*p) break;
    std::string arg;
    bool quoted = false;
    while (*p && (quoted || (*p != ' ' && *p != '\t'))) {
      if (*p == '\\') {
        size_t slashes = 0;
        while (*p == '\\') {
          slashes++;
          p++;
        }
        if (*p == '"') {
          // 2n backslashes and a quote: n backslashes, the quote groups;
          // 2n + 1: n backslashes and a literal quote.
          arg.append(slashes / 2, '\\');
          if (slashes % 2) {
            arg += '"';
            p++;
          }
        } else {
          arg.append(slashes, '\\');
        }
      } else if (*p == '"') {
        if (quoted && p[1] == '"') {
          arg += '"';  // "" inside quotes: a literal quote
          p += 2;
        } else {
          quoted = !quoted;
          p++;
        }
      } else {
        arg += *p++;
      }
    }
    args.push_back(arg);
  }
  return args;
}

const char* box_field_usage(void) {
  return "usage: boxfield [options]\n"
         "  (no options)          full screen at the display's size, interactive\n"
         "  --windowed WxH        a window of that client size; the display mode is left alone\n"
         "  --benchmark [TOUR]    fly a built-in tour (default bench) on the real clock,\n"
         "                        print the summary, write the report and exit\n"
         "  --script FILE         with --benchmark: fly a flight script instead of a tour\n"
         "  --report FILE         JSON report (default boxfield-report.json); frametimes.png\n"
         "                        goes beside it\n"
         "  --frame-end swap|finish|readpixels|none\n"
         "                        how each timed frame ends (default swap)\n"
         "  --results-file FILE   one CSV row per timed frame (frame,mode,ms)\n"
         "  --strict              any GL error makes the benchmark fail (exit 1)\n"
         "  --help, --version     this text, the version\n";
}

static bool refuse(char* error, size_t size, const char* format, ...) {
  va_list args;
  va_start(args, format);
  vsnprintf(error, size, format, args);
  va_end(args);
  return false;
}

bool box_field_parse_options(const std::vector<std::string>& args, box_field_options* o, char* error,
                             size_t size) {
  bool tour_given = false;
  bool needs_benchmark = false;
  const char* benchmark_only = nullptr;
  for (size_t i = 0; i < args.size(); i++) {
    const char* a = args[i].c_str();
    const char* value = i + 1 < args.size() ? args[i + 1].c_str() : nullptr;
    if (strcmp(a, "--help") == 0 || strcmp(a, "-h") == 0 || strcmp(a, "/?") == 0) {
      o->help = true;
    } else if (strcmp(a, "--version") == 0) {
      o->version = true;
    } else if (strcmp(a, "--strict") == 0) {
      o->strict = true;
      needs_benchmark = true;
      benchmark_only = "--strict";
    } else if (strcmp(a, "--benchmark") == 0) {
      o->benchmark = true;
      // An optional tour name: the next argument when it is not an option.
      if (value && value[0] != '-') {
        if (!runner_builtin_tour(value))
          return refuse(error, size, "--benchmark: no tour '%s' (tours: %s)", value, runner_tour_names());
        o->tour = value;
        tour_given = true;
        i++;
      }
    } else if (strncmp(a, "--", 2) == 0 &&
               (strcmp(a, "--windowed") == 0 || strcmp(a, "--script") == 0 || strcmp(a, "--report") == 0 ||
                strcmp(a, "--frame-end") == 0 || strcmp(a, "--results-file") == 0)) {
      if (!value) return refuse(error, size, "%s needs a value", a);
      i++;
      if (strcmp(a, "--windowed") == 0) {
        if (!runner_parse_size(value, 64, 64, &o->window_width, &o->window_height))
          return refuse(error, size, "--windowed wants WxH, each from 64 to 8192 (got '%s')", value);
        continue;
      }
      if (!*value) return refuse(error, size, "%s needs a non-empty value", a);
      needs_benchmark = true;
      benchmark_only = a;
      if (strcmp(a, "--script") == 0) {
        o->script_file = value;
      } else if (strcmp(a, "--report") == 0) {
        o->report = value;
      } else if (strcmp(a, "--results-file") == 0) {
        o->results_file = value;
      } else if (!runner_parse_frame_end(value, &o->frame_end)) {
        return refuse(error, size, "--frame-end wants swap, finish, readpixels or none (got '%s')", value);
      }
    } else if (a[0] == '-') {
      return refuse(error, size, "unknown option %s", a);
    } else {
      return refuse(error, size, "unexpected argument '%s'", a);
    }
  }
  if (o->help || o->version) return true;
  if (tour_given && !o->script_file.empty())
    return refuse(error, size, "--benchmark %s and --script both choose the flight: give one",
                  o->tour.c_str());
  if (needs_benchmark && !o->benchmark) return refuse(error, size, "%s needs --benchmark", benchmark_only);
  return true;
}
