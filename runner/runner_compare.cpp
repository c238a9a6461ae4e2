// Report comparison (see runner_compare.h). The JSON reader builds a small
// tree of the whole text with bounds checks on every read and a nesting
// limit, then the report's fields are taken from it by name.
#include "runner/runner_compare.h"

#include <math.h>
#include <stdarg.h>
#include <stdlib.h>
#include <string.h>

#include "runner/runner_args.h"

// ---------------------------------------------------------------------------
// JSON

enum runner_json_type {
  RUNNER_JSON_NULL,
  RUNNER_JSON_BOOL,
  RUNNER_JSON_NUMBER,
  RUNNER_JSON_STRING,
  RUNNER_JSON_ARRAY,
  RUNNER_JSON_OBJECT
};

struct runner_json {
  runner_json_type type = RUNNER_JSON_NULL;
  double number = 0.0;
  std::string text;                // string value
  std::vector<std::string> keys;   // object member names, in order
  std::vector<runner_json> items;  // array items, or object member values
};

// Deepest nesting of arrays and objects accepted.
static const int RUNNER_JSON_DEPTH = 32;

struct runner_json_reader {
  const char* p;
  const char* end;
  const char* start;
  char* error;
  size_t error_size;
  bool failed;
};

static int runner_json_fail(runner_json_reader* r, const char* what) {
  if (!r->failed && r->error_size > 0) {
    snprintf(r->error, r->error_size, "not a valid report: %s at byte %lu", what,
             (unsigned long)(r->p - r->start));
  }
  r->failed = true;
  return 0;
}

static void runner_json_blanks(runner_json_reader* r) {
  while (r->p < r->end && (*r->p == ' ' || *r->p == '\t' || *r->p == '\n' || *r->p == '\r')) r->p++;
}

static bool runner_json_literal(runner_json_reader* r, const char* word) {
  size_t n = strlen(word);
  if ((size_t)(r->end - r->p) < n || memcmp(r->p, word, n) != 0) return false;
  r->p += n;
  return true;
}

static int runner_json_hex4(runner_json_reader* r, unsigned* out) {
  if (r->end - r->p < 4) return runner_json_fail(r, "truncated \\u escape");
  unsigned v = 0;
  for (int i = 0; i < 4; i++) {
    char c = r->p[i];
    unsigned d = (c >= '0' && c <= '9')   ? (unsigned)(c - '0')
                 : (c >= 'a' && c <= 'f') ? (unsigned)(c - 'a' + 10)
                 : (c >= 'A' && c <= 'F') ? (unsigned)(c - 'A' + 10)
                                          : 16u;
    if (d == 16u) return runner_json_fail(r, "bad \\u escape");
    v = v * 16u + d;
  }
  r->p += 4;
  *out = v;
  return 1;
}

static void runner_utf8(std::string* s, unsigned c) {
  if (c < 0x80) {
    s->push_back((char)c);
  } else if (c < 0x800) {
    s->push_back((char)(0xC0 | (c >> 6)));
    s->push_back((char)(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    s->push_back((char)(0xE0 | (c >> 12)));
    s->push_back((char)(0x80 | ((c >> 6) & 0x3F)));
    s->push_back((char)(0x80 | (c & 0x3F)));
  } else {
    s->push_back((char)(0xF0 | (c >> 18)));
    s->push_back((char)(0x80 | ((c >> 12) & 0x3F)));
    s->push_back((char)(0x80 | ((c >> 6) & 0x3F)));
    s->push_back((char)(0x80 | (c & 0x3F)));
  }
}

// A string, the reader on its opening quote.
static int runner_json_string(runner_json_reader* r, std::string* out) {
  r->p++;
  out->clear();
  for (;;) {
    if (r->p >= r->end) return runner_json_fail(r, "unterminated string");
    unsigned char c = (unsigned char)*r->p++;
    if (c == '"') return 1;
    if (c < 0x20) return runner_json_fail(r, "control character in a string");
    if (c != '\\') {
      out->push_back((char)c);
      continue;
    }
    if (r->p >= r->end) return runner_json_fail(r, "unterminated string");
    char e = *r->p++;
    switch (e) {
      case '"':
        out->push_back('"');
        break;
      case '\\':
        out->push_back('\\');
        break;
      case '/':
        out->push_back('/');
        break;
      case 'b':
        out->push_back('\b');
        break;
      case 'f':
        out->push_back('\f');
        break;
      case 'n':
        out->push_back('\n');
        break;
      case 'r':
        out->push_back('\r');
        break;
      case 't':
        out->push_back('\t');
        break;
      case 'u': {
        unsigned u = 0;
        if (!runner_json_hex4(r, &u)) return 0;
        if (u >= 0xD800 && u < 0xDC00) {
          unsigned low = 0;
          if (!runner_json_literal(r, "\\u") || !runner_json_hex4(r, &low) || low < 0xDC00 || low >= 0xE000) {
            return runner_json_fail(r, "unpaired surrogate in a string");
          }
          u = 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00);
        } else if (u >= 0xDC00 && u < 0xE000) {
          return runner_json_fail(r, "unpaired surrogate in a string");
        }
        runner_utf8(out, u);
        break;
      }
      default:
        return runner_json_fail(r, "bad escape in a string");
    }
  }
}

// A number in JSON's grammar, finite once converted.
static int runner_json_number(runner_json_reader* r, double* out) {
  const char* s = r->p;
  const char* q = s;
  if (q < r->end && *q == '-') q++;
  if (q >= r->end || *q < '0' || *q > '9') return runner_json_fail(r, "bad value");
  if (*q == '0') {
    q++;
  } else {
    while (q < r->end && *q >= '0' && *q <= '9') q++;
  }
  if (q < r->end && *q == '.') {
    q++;
    if (q >= r->end || *q < '0' || *q > '9') return runner_json_fail(r, "bad number");
    while (q < r->end && *q >= '0' && *q <= '9') q++;
  }
  if (q < r->end && (*q == 'e' || *q == 'E')) {
    q++;
    if (q < r->end && (*q == '+' || *q == '-')) q++;
    if (q >= r->end || *q < '0' || *q > '9') return runner_json_fail(r, "bad number");
    while (q < r->end && *q >= '0' && *q <= '9') q++;
  }
  char copy[64];
  size_t n = (size_t)(q - s);
  if (n >= sizeof copy) return runner_json_fail(r, "number longer than 63 characters");
  memcpy(copy, s, n);
  copy[n] = 0;
  double v = strtod(copy, nullptr);
  if (!isfinite(v)) return runner_json_fail(r, "number out of range");
  r->p = q;
  *out = v;
  return 1;
}

static int runner_json_value(runner_json_reader* r, runner_json* out, int depth) {
  runner_json_blanks(r);
  if (r->p >= r->end) return runner_json_fail(r, "text ends where a value should be");
  char c = *r->p;
  if (c == '{' || c == '[') {
    if (depth >= RUNNER_JSON_DEPTH) return runner_json_fail(r, "nesting too deep");
    bool object = c == '{';
    out->type = object ? RUNNER_JSON_OBJECT : RUNNER_JSON_ARRAY;
    r->p++;
    runner_json_blanks(r);
    if (r->p < r->end && *r->p == (object ? '}' : ']')) {
      r->p++;
      return 1;
    }
    for (;;) {
      runner_json_blanks(r);
      if (object) {
        if (r->p >= r->end || *r->p != '"') return runner_json_fail(r, "member name expected");
        std::string key;
        if (!runner_json_string(r, &key)) return 0;
        runner_json_blanks(r);
        if (r->p >= r->end || *r->p != ':') return runner_json_fail(r, "':' expected");
        r->p++;
        out->keys.push_back(key);
      }
      out->items.emplace_back();
      if (!runner_json_value(r, &out->items.back(), depth + 1)) return 0;
      runner_json_blanks(r);
      if (r->p >= r->end) return runner_json_fail(r, object ? "unterminated object" : "unterminated array");
      if (*r->p == ',') {
        r->p++;
        continue;
      }
      if (*r->p == (object ? '}' : ']')) {
        r->p++;
        return 1;
      }
      return runner_json_fail(r, object ? "',' or '}' expected" : "',' or ']' expected");
    }
  }
  if (c == '"') {
    out->type = RUNNER_JSON_STRING;
    return runner_json_string(r, &out->text);
  }
  if (runner_json_literal(r, "true") || runner_json_literal(r, "false")) {
    out->type = RUNNER_JSON_BOOL;
    return 1;
  }
  if (runner_json_literal(r, "null")) {
    out->type = RUNNER_JSON_NULL;
    return 1;
  }
  out->type = RUNNER_JSON_NUMBER;
  return runner_json_number(r, &out->number);
}

// A member of an object by name, or null.
static const runner_json* runner_json_member(const runner_json* object, const char* name) {
  if (!object || object->type != RUNNER_JSON_OBJECT) return nullptr;
  for (size_t i = 0; i < object->keys.size(); i++) {
    if (object->keys[i] == name) return &object->items[i];
  }
  return nullptr;
}

// ---------------------------------------------------------------------------
// Reports

static int runner_report_fail(char* error, size_t error_size, const char* format, ...) {
  if (error_size == 0) return 0;
  va_list args;
  va_start(args, format);
  vsnprintf(error, error_size, format, args);
  va_end(args);
  return 0;
}

// A finite number from 0 up at object.name, or 0 with a message.
static int runner_report_number(const runner_json* object, const char* path, const char* name, double* out,
                                char* error, size_t error_size) {
  const runner_json* v = runner_json_member(object, name);
  if (!v) return runner_report_fail(error, error_size, "no %s.%s", path, name);
  if (v->type != RUNNER_JSON_NUMBER || v->number < 0.0) {
    return runner_report_fail(error, error_size, "%s.%s is not a number from 0 up", path, name);
  }
  *out = v->number;
  return 1;
}

static int runner_report_mode_fields(const runner_json* modes, const char* name, runner_read_mode* out,
                                     char* error, size_t error_size) {
  const runner_json* m = runner_json_member(modes, name);
  char path[32];
  snprintf(path, sizeof path, "modes.%s", name);
  if (!m || m->type != RUNNER_JSON_OBJECT) return runner_report_fail(error, error_size, "no %s object", path);
  double frames = 0.0;
  if (!runner_report_number(m, path, "frames", &frames, error, error_size) ||
      !runner_report_number(m, path, "median_ms", &out->median_ms, error, error_size) ||
      !runner_report_number(m, path, "p90_ms", &out->p90_ms, error, error_size) ||
      !runner_report_number(m, path, "p99_ms", &out->p99_ms, error, error_size) ||
      !runner_report_number(m, path, "low_1pct_fps", &out->low_1pct_fps, error, error_size)) {
    return 0;
  }
  if (frames != floor(frames) || frames > 1e15) {
    return runner_report_fail(error, error_size, "%s.frames is not a whole number", path);
  }
  out->frames = (int64_t)frames;
  return 1;
}

static int runner_report_frame_times(const runner_json* times, const char* name, runner_read_mode* out,
                                     char* error, size_t error_size) {
  const runner_json* list = runner_json_member(times, name);
  if (!list) return 1;
  if (list->type != RUNNER_JSON_ARRAY) {
    return runner_report_fail(error, error_size, "frame_times_ms.%s is not an array", name);
  }
  out->frame_times_ms.reserve(list->items.size());
  for (size_t i = 0; i < list->items.size(); i++) {
    const runner_json& v = list->items[i];
    if (v.type != RUNNER_JSON_NUMBER || v.number < 0.0) {
      return runner_report_fail(error, error_size, "frame_times_ms.%s[%lu] is not a number from 0 up", name,
                                (unsigned long)i);
    }
    out->frame_times_ms.push_back(v.number);
  }
  return 1;
}

int runner_parse_report(const char* text, size_t length, runner_read_figures* out, char* error,
                        size_t error_size) {
  if (error_size > 0) error[0] = 0;
  *out = runner_read_figures();
  runner_json root;
  runner_json_reader r = {text, text + length, text, error, error_size, false};
  if (!runner_json_value(&r, &root, 0)) return 0;
  runner_json_blanks(&r);
  if (r.p != r.end) return runner_json_fail(&r, "text after the report");
  if (root.type != RUNNER_JSON_OBJECT)
    return runner_report_fail(error, error_size, "the report is not an object");

  const runner_json* surface = runner_json_member(&root, "surface");
  if (!surface || surface->type != RUNNER_JSON_OBJECT)
    return runner_report_fail(error, error_size, "no surface object");
  double w = 0.0, h = 0.0;
  if (!runner_report_number(surface, "surface", "width", &w, error, error_size) ||
      !runner_report_number(surface, "surface", "height", &h, error, error_size)) {
    return 0;
  }
  if (w != floor(w) || h != floor(h) || w < 1.0 || h < 1.0 || w > 65536.0 || h > 65536.0) {
    return runner_report_fail(error, error_size, "surface size is not whole numbers from 1 to 65536");
  }
  out->width = (int32_t)w;
  out->height = (int32_t)h;

  const runner_json* script = runner_json_member(&root, "script");
  if (!script || script->type != RUNNER_JSON_STRING)
    return runner_report_fail(error, error_size, "no script string");
  out->script = script->text;

  const runner_json* modes = runner_json_member(&root, "modes");
  if (!modes || modes->type != RUNNER_JSON_OBJECT)
    return runner_report_fail(error, error_size, "no modes object");
  if (!runner_report_mode_fields(modes, "solid", &out->solid, error, error_size) ||
      !runner_report_mode_fields(modes, "wire", &out->wire, error, error_size)) {
    return 0;
  }

  const runner_json* times = runner_json_member(&root, "frame_times_ms");
  if (times) {
    if (times->type != RUNNER_JSON_OBJECT)
      return runner_report_fail(error, error_size, "frame_times_ms is not an object");
    out->has_frame_times = true;
    if (!runner_report_frame_times(times, "solid", &out->solid, error, error_size) ||
        !runner_report_frame_times(times, "wire", &out->wire, error, error_size)) {
      return 0;
    }
  }
  return 1;
}

int runner_read_report(const char* path, runner_read_figures* out, char* error, size_t error_size) {
  FILE* f = fopen(path, "rb");
  if (!f) return runner_report_fail(error, error_size, "%s: cannot open it", path);
  std::string text;
  char buffer[65536];
  size_t n;
  bool too_big = false;
  while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) {
    if (text.size() + n > RUNNER_REPORT_MAX_BYTES) {
      too_big = true;
      break;
    }
    text.append(buffer, n);
  }
  bool read_error = ferror(f) != 0;
  fclose(f);
  if (read_error) return runner_report_fail(error, error_size, "%s: cannot read it", path);
  if (too_big) {
    return runner_report_fail(error, error_size, "%s: larger than %lu MiB", path,
                              (unsigned long)(RUNNER_REPORT_MAX_BYTES >> 20));
  }
  char inner[384];
  if (!runner_parse_report(text.data(), text.size(), out, inner, sizeof inner)) {
    return runner_report_fail(error, error_size, "%s: %s", path, inner);
  }
  return 1;
}

// ---------------------------------------------------------------------------
// Comparison

int runner_reports_comparable(const runner_read_figures& base, const runner_read_figures& next, char* why,
                              size_t why_size) {
  if (base.width != next.width || base.height != next.height) {
    return runner_report_fail(why, why_size, "surfaces differ: %dx%d against %dx%d", base.width, base.height,
                              next.width, next.height);
  }
  if (base.script != next.script) {
    return runner_report_fail(why, why_size, "flights differ: \"%s\" against \"%s\"", base.script.c_str(),
                              next.script.c_str());
  }
  return 1;
}

static const char* const runner_figure_names[RUNNER_COMPARE_FIGURES] = {"median ms", "p90 ms", "p99 ms",
                                                                        "1% low fps"};

static runner_mode_comparison runner_compare_mode(const char* name, const runner_read_mode& b,
                                                  const runner_read_mode& n, double threshold) {
  runner_mode_comparison m = {};
  m.mode = name;
  m.compared = b.frames > 0 && n.frames > 0;
  const double base[RUNNER_COMPARE_FIGURES] = {b.median_ms, b.p90_ms, b.p99_ms, b.low_1pct_fps};
  const double next[RUNNER_COMPARE_FIGURES] = {n.median_ms, n.p90_ms, n.p99_ms, n.low_1pct_fps};
  double allowed = threshold / 100.0;
  for (int i = 0; i < RUNNER_COMPARE_FIGURES; i++) {
    m.base[i] = base[i];
    m.next[i] = next[i];
    m.ratio[i] = base[i] > 0.0 ? next[i] / base[i] : 0.0;
    if (!m.compared || base[i] <= 0.0) continue;
    // Times are worse when longer, the frame rate when lower.
    m.worse[i] = i < 3 ? m.ratio[i] > 1.0 + allowed : m.ratio[i] < 1.0 - allowed;
  }
  return m;
}

runner_comparison runner_compare_reports(const runner_read_figures& base, const runner_read_figures& next,
                                         double threshold_percent) {
  runner_comparison c = {};
  c.threshold_percent = threshold_percent;
  c.modes[0] = runner_compare_mode("solid", base.solid, next.solid, threshold_percent);
  c.modes[1] = runner_compare_mode("wire", base.wire, next.wire, threshold_percent);
  c.median_regressed = c.modes[0].worse[0] || c.modes[1].worse[0];
  return c;
}

void runner_print_comparison(FILE* out, const char* base_name, const char* next_name,
                             const runner_comparison& c) {
  fprintf(out, "base %s\nnew  %s\n", base_name, next_name);
  for (const runner_mode_comparison& m : c.modes) {
    fprintf(out, "  %-12s %10s %12s %8s\n", m.mode, "base", "new", "new/base");
    if (!m.compared) {
      fprintf(out, "    not compared: a report timed no frames in this mode\n");
      continue;
    }
    for (int i = 0; i < RUNNER_COMPARE_FIGURES; i++) {
      fprintf(out, "    %-10s %10.3f %12.3f %8.3f%s\n", runner_figure_names[i], m.base[i], m.next[i],
              m.ratio[i], m.worse[i] ? (i == 0 ? "  REGRESSED" : "  worse") : "");
    }
  }
  if (c.median_regressed) {
    fprintf(out, "regression: a median frame time grew by more than %g %%\n", c.threshold_percent);
  } else {
    fprintf(out, "no median frame time grew by more than %g %%\n", c.threshold_percent);
  }
}

static void runner_compare_usage(FILE* out) {
  fprintf(
      out,
      "usage: boxfield_runner --compare BASE.json NEW.json [--threshold PERCENT] [--force] [--plot FILE]\n"
      "  prints each mode's median, p90, p99 and 1 %% low of both reports with new/base;\n"
      "  exits 1 when a median grew by more than the threshold (default 5 %%);\n"
      "  --force compares reports of other sizes or flights;\n"
      "  --plot FILE: the two runs' frame times overlaid (default compare-frametimes.png\n"
      "  beside NEW.json)\n");
}

int runner_compare_main(int argc, char** argv, FILE* out, FILE* err, runner_compare_plotter plot) {
  const char* paths[2] = {nullptr, nullptr};
  int path_count = 0;
  double threshold = 5.0;
  bool force = false;
  const char* plot_path = nullptr;
  for (int i = 1; i < argc; i++) {
    const char* a = argv[i];
    if (strcmp(a, "--compare") == 0) continue;
    if (strcmp(a, "--force") == 0) {
      force = true;
    } else if (strcmp(a, "--threshold") == 0) {
      if (i + 1 >= argc || !runner_parse_number(argv[i + 1], 0.0, 1000.0, &threshold)) {
        fprintf(err, "boxfield_runner: --threshold wants a percentage from 0 to 1000\n");
        return 2;
      }
      i++;
    } else if (strcmp(a, "--plot") == 0) {
      if (i + 1 >= argc) {
        fprintf(err, "boxfield_runner: --plot wants a picture file\n");
        return 2;
      }
      plot_path = argv[++i];
    } else if (a[0] == '-' && a[1] != 0) {
      fprintf(err, "boxfield_runner: %s does not go with --compare\n", a);
      runner_compare_usage(err);
      return 2;
    } else if (path_count < 2) {
      paths[path_count++] = a;
    } else {
      fprintf(err, "boxfield_runner: unexpected argument %s: --compare takes two reports\n", a);
      return 2;
    }
  }
  if (path_count < 2) {
    fprintf(err, "boxfield_runner: --compare needs two reports, BASE.json and NEW.json\n");
    runner_compare_usage(err);
    return 2;
  }
  runner_read_figures reports[2];
  for (int i = 0; i < 2; i++) {
    char error[512];
    if (!runner_read_report(paths[i], &reports[i], error, sizeof error)) {
      fprintf(err, "boxfield_runner: %s\n", error);
      return 2;
    }
  }
  char why[512];
  if (!runner_reports_comparable(reports[0], reports[1], why, sizeof why)) {
    if (!force) {
      fprintf(err, "boxfield_runner: not comparing %s with %s: %s (--force compares them anyway)\n", paths[0],
              paths[1], why);
      return 2;
    }
    fprintf(out, "note: %s; compared because of --force\n", why);
  }
  char names[2][600];
  for (int i = 0; i < 2; i++) {
    snprintf(names[i], sizeof names[i], "%s (%s, %dx%d)", paths[i], reports[i].script.c_str(),
             reports[i].width, reports[i].height);
  }
  runner_comparison c = runner_compare_reports(reports[0], reports[1], threshold);
  runner_print_comparison(out, names[0], names[1], c);
  int status = c.median_regressed ? 1 : 0;
  if (plot && reports[0].has_frame_times && reports[1].has_frame_times) {
    std::string path;
    if (plot_path) {
      path = plot_path;
    } else {
      // Beside NEW.json: its folder, or the current one for a bare name.
      path = paths[1];
      size_t slash = path.find_last_of("/\\");
      path = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
      path += "compare-frametimes.png";
    }
    char error[512];
    if (plot(path.c_str(), reports[0], paths[0], reports[1], paths[1], error, sizeof error)) {
      fprintf(out, "frame-time picture: %s\n", path.c_str());
    } else {
      fprintf(err, "boxfield_runner: %s\n", error);
      status = 3;
    }
  } else if (plot) {
    fprintf(out, "no frame-time picture: a report lists no frame times (made before they were recorded)\n");
  }
  return status;
}
