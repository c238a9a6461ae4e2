// Flight scripts (see runner_script.h): parsing with line-numbered refusals
// and reading script files.
#include "runner/runner_script.h"

#include <errno.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>

// ---------------------------------------------------------------------------
// Keys

struct runner_key_name {
  const char* name;
  int32_t code;
};

static const runner_key_name runner_named_keys[] = {
    {"CTRL", 0x11},   {"CONTROL", 0x11}, {"SHIFT", 0x10},  {"ESC", 0x1B},
    {"ESCAPE", 0x1B}, {"SPACE", 0x20},   {"RETURN", 0x0D}, {"TAB", 0x09},
};

static bool runner_same_name(const char* a, const char* b) {
  for (; *a && *b; a++, b++) {
    char ca = (*a >= 'a' && *a <= 'z') ? (char)(*a - 32) : *a;
    if (ca != *b) return false;
  }
  return *a == 0 && *b == 0;
}

int32_t runner_key_code(const char* name) {
  size_t n = strlen(name);
  if (n == 1) {
    char c = name[0];
    if (c >= 'a' && c <= 'z') c = (char)(c - 32);
    if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return c;
    return -1;
  }
  for (const runner_key_name& k : runner_named_keys) {
    if (runner_same_name(name, k.name)) return k.code;
  }
  if (n > 2 && name[0] == '0' && (name[1] == 'x' || name[1] == 'X')) {
    char* end = nullptr;
    errno = 0;
    long v = strtol(name + 2, &end, 16);
    if (errno == 0 && *end == 0 && end != name + 2 && v >= 0x01 && v <= 0xFE) return (int32_t)v;
  }
  return -1;
}

// ---------------------------------------------------------------------------
// Parsing

static int runner_fail(char* error, size_t error_size, int line, const char* format, ...) {
  if (error_size == 0) return 0;
  int used = snprintf(error, error_size, "line %d: ", line);
  if (used < 0) used = 0;
  if ((size_t)used < error_size) {
    va_list args;
    va_start(args, format);
    vsnprintf(error + used, error_size - (size_t)used, format, args);
    va_end(args);
  }
  return 0;
}

// Splits a line (modified in place) into at most max_words blank-separated
// words; returns the count, or max_words + 1 when there are more.
static int runner_split(char* line, char** words, int max_words) {
  int count = 0;
  char* p = line;
  for (;;) {
    while (*p == ' ' || *p == '\t' || *p == '\r') p++;
    if (*p == 0) return count;
    if (count == max_words) return max_words + 1;
    words[count++] = p;
    while (*p && *p != ' ' && *p != '\t' && *p != '\r') p++;
    if (*p) *p++ = 0;
  }
}

static bool runner_parse_int(const char* text, long low, long high, int32_t* out) {
  char* end = nullptr;
  errno = 0;
  long v = strtol(text, &end, 10);
  if (errno != 0 || end == text || *end != 0 || v < low || v > high) return false;
  *out = (int32_t)v;
  return true;
}

static bool runner_valid_name(const char* name) {
  size_t n = strlen(name);
  if (n == 0 || n > RUNNER_NAME_MAX) return false;
  for (size_t i = 0; i < n; i++) {
    char c = name[i];
    bool ok =
        (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
    if (!ok) return false;
  }
  return true;
}

int runner_parse_script(const char* text, runner_script* out, char* error, size_t error_size) {
  out->events.clear();
  out->last_frame = 0;
  if (error_size > 0) error[0] = 0;
  int line_number = 0;
  bool have_end = false;
  const char* p = text;
  while (*p) {
    line_number++;
    const char* eol = strchr(p, '\n');
    size_t length = eol ? (size_t)(eol - p) : strlen(p);
    char line[256];
    if (length >= sizeof line)
      return runner_fail(error, error_size, line_number, "line longer than 255 characters");
    memcpy(line, p, length);
    line[length] = 0;
    p += length + (eol ? 1 : 0);

    char* hash = strchr(line, '#');
    if (hash) *hash = 0;
    char* words[4];
    int count = runner_split(line, words, 4);
    if (count == 0) continue;
    if (count > 4) return runner_fail(error, error_size, line_number, "too many words");

    runner_event e = {};
    if (!runner_parse_int(words[0], 1, RUNNER_FRAME_MAX, &e.frame)) {
      return runner_fail(error, error_size, line_number, "frame must be a number from 1 to %d",
                         RUNNER_FRAME_MAX);
    }
    if (count < 2) return runner_fail(error, error_size, line_number, "missing action");
    const char* action = words[1];
    int arguments = count - 2;
    if (strcmp(action, "down") == 0 || strcmp(action, "up") == 0) {
      e.action = action[0] == 'd' ? RUNNER_KEY_DOWN : RUNNER_KEY_UP;
      if (arguments != 1) return runner_fail(error, error_size, line_number, "%s takes one key", action);
      e.key = runner_key_code(words[2]);
      if (e.key < 0) return runner_fail(error, error_size, line_number, "unknown key '%s'", words[2]);
    } else if (strcmp(action, "move") == 0) {
      e.action = RUNNER_MOVE;
      if (arguments != 2 || !runner_parse_int(words[2], -100000, 100000, &e.dx) ||
          !runner_parse_int(words[3], -100000, 100000, &e.dy)) {
        return runner_fail(error, error_size, line_number, "move takes two offsets from -100000 to 100000");
      }
    } else if (strcmp(action, "shot") == 0) {
      e.action = RUNNER_SHOT;
      if (arguments != 1 || !runner_valid_name(words[2])) {
        return runner_fail(error, error_size, line_number,
                           "shot takes one name of 1 to %d letters, digits, '_' or '-'",
                           (int)RUNNER_NAME_MAX);
      }
      strcpy(e.name, words[2]);
    } else if (strcmp(action, "end") == 0) {
      e.action = RUNNER_END;
      if (arguments != 0) return runner_fail(error, error_size, line_number, "end takes no arguments");
      if (have_end) return runner_fail(error, error_size, line_number, "second end");
      have_end = true;
      out->last_frame = e.frame;
    } else {
      return runner_fail(error, error_size, line_number, "unknown action '%s'", action);
    }
    out->events.push_back(e);
  }
  if (!have_end) return runner_fail(error, error_size, line_number, "no end event");
  for (const runner_event& e : out->events) {
    if (e.frame > out->last_frame) {
      out->events.clear();
      return runner_fail(error, error_size, line_number, "event at frame %d after the end at frame %d",
                         (int)e.frame, (int)out->last_frame);
    }
  }
  std::stable_sort(out->events.begin(), out->events.end(),
                   [](const runner_event& a, const runner_event& b) { return a.frame < b.frame; });
  return 1;
}

bool runner_read_script_file(const char* path, std::string* out) {
  FILE* f = fopen(path, "rb");
  if (!f) return false;
  char buffer[4096];
  size_t n;
  out->clear();
  while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) {
    out->append(buffer, n);
    if (out->size() > RUNNER_SCRIPT_MAX_BYTES) {
      fclose(f);
      return false;
    }
  }
  bool ok = !ferror(f);
  fclose(f);
  return ok;
}
