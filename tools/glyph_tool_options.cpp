// glyph_tool's command line (see glyph_tool_options.h).
#include "tools/glyph_tool_options.h"

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "util/cli_options.h"

// ---------------------------------------------------------------------------
// Values

// Parses "A" or "A<sep>B" into two floats (B = A when absent).
static int parse_pair(const char* text, char sep, float* a, float* b) {
  char* end = nullptr;
  double first = strtod(text, &end);
  if (end == text) return 0;
  double second = first;
  if (*end == sep) {
    const char* rest = end + 1;
    second = strtod(rest, &end);
    if (end == rest) return 0;
  }
  if (*end != '\0') return 0;
  *a = (float)first;
  *b = (float)second;
  return 1;
}

static int parse_float(const char* text, float* out) {
  char* end = nullptr;
  double value = strtod(text, &end);
  if (end == text || *end != '\0') return 0;
  *out = (float)value;
  return 1;
}

static int parse_int(const char* text, int low, int high, int* out) {
  char* end = nullptr;
  errno = 0;
  long value = strtol(text, &end, 10);
  if (end == text || *end != '\0' || errno || value < low || value > high) return 0;
  *out = (int)value;
  return 1;
}

static int finite_value(float v) { return v == v && v - v == 0.0f; }

// ---------------------------------------------------------------------------
// Options

enum {
  OPT_VERSION = CLI_FIRST_ID,
  OPT_CELL,
  OPT_STROKE,
  OPT_CURVE,
  OPT_DOT,
  OPT_SAMPLES,
  OPT_DIRECT,
  OPT_COLUMNS,
  OPT_ZOOM,
  OPT_LABEL_CELL,
  OPT_GRID,
  OPT_CODES,
};

static const cli_option glyph_tool_option_table[] = {
    {"help", CLI_NO_VALUE, CLI_HELP},
    {"version", CLI_NO_VALUE, OPT_VERSION},
    {"cell", CLI_VALUE, OPT_CELL},
    {"stroke", CLI_VALUE, OPT_STROKE},
    {"curve", CLI_VALUE, OPT_CURVE},
    {"dot", CLI_VALUE, OPT_DOT},
    {"samples", CLI_VALUE, OPT_SAMPLES},
    {"direct", CLI_NO_VALUE, OPT_DIRECT},
    {"columns", CLI_VALUE, OPT_COLUMNS},
    {"zoom", CLI_VALUE, OPT_ZOOM},
    {"label-cell", CLI_VALUE, OPT_LABEL_CELL},
    {"grid", CLI_NO_VALUE, OPT_GRID},
    {"codes", CLI_VALUE, OPT_CODES},
};

// One option's value into o; false with p->error set.
static bool glyph_tool_option(cli_parser* p, int id, const char* value, glyph_tool_options* o) {
  switch (id) {
    case OPT_CELL:
      if (!parse_pair(value, 'x', &o->style.cell_width, &o->style.cell_height) ||
          !glyph_style_usable(o->style))
        return cli_refuse(p, "--cell %s: the cell size must be 1 to 255 pixels, as W or WxH", value);
      return true;
    case OPT_STROKE:
      if (!parse_pair(value, ',', &o->style.stroke_x, &o->style.stroke_y) ||
          !finite_value(o->style.stroke_x) || !finite_value(o->style.stroke_y))
        return cli_refuse(p, "--stroke %s: expected a number or two numbers X,Y", value);
      return true;
    case OPT_CURVE: {
      float x, y;
      if (!parse_pair(value, ',', &x, &y) || !(x >= 0 && x < 1) || !(y >= 0 && y < 1))
        return cli_refuse(p, "--curve %s: each value must be at least 0 and below 1", value);
      o->style.curve_x = x;
      o->style.curve_y = y;
      return true;
    }
    case OPT_DOT: {
      float d;
      if (!parse_float(value, &d) || !finite_value(d))
        return cli_refuse(p, "--dot %s: expected a number", value);
      o->style.dot_scale = d;
      return true;
    }
    case OPT_SAMPLES:
      if (!parse_int(value, 0, GLYPH_MAX_SAMPLES, &o->style.samples))
        return cli_refuse(p, "--samples %s: expected a whole number from 0 to 46340", value);
      return true;
    case OPT_COLUMNS:
      if (!parse_int(value, 1, 512, &o->columns))
        return cli_refuse(p, "--columns %s: expected 1 to 512", value);
      return true;
    case OPT_ZOOM:
      if (!parse_int(value, 1, 16, &o->zoom)) return cli_refuse(p, "--zoom %s: expected 1 to 16", value);
      return true;
    case OPT_LABEL_CELL:
      if (!parse_int(value, 2, 16, &o->label_cell))
        return cli_refuse(p, "--label-cell %s: expected 2 to 16", value);
      return true;
    case OPT_CODES: {
      int a = 0, b = 0;
      char tail = 0;
      if (sscanf(value, "%d-%d%c", &a, &b, &tail) != 2 || a < 0 || b < a || b >= MAX_GLYPHS)
        return cli_refuse(p, "--codes %s: expected A-B with 0 <= A <= B <= 511", value);
      o->first = a;
      o->last = b;
      return true;
    }
    case OPT_DIRECT:
      o->direct = 1;
      return true;
    case OPT_GRID:
      o->grid = 1;
      return true;
    default:
      return cli_refuse(p, "unhandled option");
  }
}

// The command's files: false with p->error set unless there are exactly
// as many as it takes.
static bool glyph_tool_files(cli_parser* p, const glyph_tool_options* o) {
  const std::string& command = o->args[0];
  size_t files = 2;
  const char* names = "IN and OUT";
  if (command == "export-builtin") {
    files = 1;
    names = "only OUT";
  } else if (command == "specimen") {
    names = "IN and OUT.png";
  } else if (command != "convert" && command != "render") {
    return cli_refuse(p, "unknown command %s", command.c_str());
  }
  if (o->args.size() < files + 1) return cli_refuse(p, "%s needs %s", command.c_str(), names);
  if (o->args.size() > files + 1)
    return cli_refuse(p, "%s: unexpected argument '%s' (it takes %s)", command.c_str(),
                      o->args[files + 1].c_str(), names);
  return true;
}

bool glyph_tool_parse_options(const std::vector<std::string>& args, glyph_tool_options* o,
                              std::string* error) {
  cli_parser p;
  cli_begin(&p, args, glyph_tool_option_table,
            sizeof glyph_tool_option_table / sizeof glyph_tool_option_table[0]);
  bool ok = true;
  for (;;) {
    const char* value = nullptr;
    int id = cli_next(&p, &value);
    if (id == CLI_END) break;
    if (id == CLI_ERROR) {
      ok = false;
      break;
    }
    if (id == CLI_HELP) {
      o->help = true;
    } else if (id == OPT_VERSION) {
      o->version = true;
    } else if (id == CLI_OPERAND) {
      if (o->args.empty() && strcmp(value, "help") == 0) o->help = true;
      o->args.push_back(value);
    } else if (!glyph_tool_option(&p, id, value, o)) {
      ok = false;
      break;
    }
  }
  if (ok && !o->help && !o->version) {
    ok = o->args.empty() ? cli_refuse(&p, "no command given") : glyph_tool_files(&p, o);
  }
  if (!ok) *error = p.error;
  return ok;
}
