// Reads arbitrary command lines with every program's option parser: the
// first byte picks the program (boxfield, boxfield_runner, gallery_runner,
// glyph_tool, or the --help/--version-only parser of gallery and
// window_demo), the rest is split into arguments at NUL bytes. Each input
// is read twice: the parsers share getopt's state, so the second reading
// must give the same result and message as the first (a state left over
// from an earlier command line would show here). A refusal is one line.
#include <stdint.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "boxfield/box_field_options.h"
#include "boxfield/box_field_runner_options.h"
#include "gallery/gallery_runner_options.h"
#include "tools/glyph_tool_options.h"
#include "util/cli_options.h"

// The parser's verdict and message, with the fields a mistake could garble.
static std::string parse(int program, const std::vector<std::string>& args) {
  std::string error;
  bool ok = false;
  std::string fields;
  switch (program) {
    case 0: {
      box_field_options o;
      ok = box_field_parse_options(args, &o, &error);
      fields = o.tour + "|" + o.script_file + "|" + o.report + "|" + std::to_string(o.window_width);
      break;
    }
    case 1: {
      box_field_runner_options o;
      ok = box_field_runner_parse_options(args, &o, &error);
      fields =
          o.tour + "|" + o.out_dir + "|" + std::to_string(o.reports.size()) + "|" + std::to_string(o.width);
      break;
    }
    case 2: {
      gallery_runner_options o;
      ok = gallery_runner_parse_options(args, &o, &error);
      fields = o.out_dir + "|" + std::to_string(o.pages.size());
      break;
    }
    case 3: {
      glyph_tool_options o;
      ok = glyph_tool_parse_options(args, &o, &error);
      if (ok && !o.help && !o.version && o.args.empty()) abort();  // a run needs its command
      fields = std::to_string(o.args.size()) + "|" + std::to_string(o.zoom);
      break;
    }
    default: {
      bool help = false, version = false;
      ok = cli_parse_help_version(args, &help, &version, &error);
      fields = std::to_string(help) + std::to_string(version);
      break;
    }
  }
  if (!ok && (error.empty() || error.find('\n') != std::string::npos)) abort();
  return std::string(ok ? "ok " : "refused ") + error + " " + fields;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > 4096) return 0;
  int program = data[0] % 5;
  std::vector<std::string> args;
  std::string arg;
  for (size_t i = 1; i < size; i++) {
    if (data[i] == 0) {
      args.push_back(arg);
      arg.clear();
    } else {
      arg += (char)data[i];
    }
  }
  if (size > 1) args.push_back(arg);
  std::string first = parse(program, args);
  if (parse(program, args) != first) abort();
  return 0;
}
