// Text markup preprocessing: Greek names, ^/_ scripts and layout codes,
// rewritten in place within a buffer of known size. Depends on util/helpers
// (ascii_lower, char_code).
//
// Every pass first finds the text's end by stepping over escapes whole, then
// edits with moves of the whole remaining text (escape payloads may hold zero
// bytes, so a move never stops at the first zero). Each edit checks that the
// grown text and its terminating zero still fit before it moves anything.
#include "text/text_markup.h"

#include <stdlib.h>
#include <string.h>

#include "util/helpers.h"

namespace {

const int GLYPH_ESCAPE = 2;
const int LAYOUT_ESCAPE = 5;
const size_t GLYPH_ESCAPE_LEN = 3;
const size_t LAYOUT_ESCAPE_LEN = 6;
const int LAYOUT_COLOUR = 0;
const int LAYOUT_TAB = 1;
const int LAYOUT_SCRIPT = 2;

const char* const GREEK_NAMES[24] = {"alpha", "beta",    "gamma",   "delta", "epsilon", "zeta",
                                     "eta",   "theta",   "iota",    "kappa", "lambda",  "mu",
                                     "nu",    "xi",      "omicron", "pi",    "rho",     "sigma",
                                     "tau",   "upsilon", "phi",     "chi",   "psi",     "omega"};
const int GREEK_FIRST_CODE = 256;
const int GREEK_CAPITAL_OFFSET = 24;

struct greek_variant {
  const char* name;
  int code;
};
const greek_variant GREEK_VARIANTS[5] = {
    {"vardelta", 304}, {"varzeta", 305}, {"vartheta", 306}, {"varphi", 307}, {"varomega", 308}};

const char* const LAYOUT_CODE_NAMES[2] = {"col", "tab"};

int last_complete = 1;

// A text in a buffer: text[end] is its terminating zero, end < size.
struct markup_text {
  char* text;
  size_t size;
  size_t end;
  int out_of_room;
};

int byte_at(const markup_text* m, size_t i) { return char_code(m->text[i]); }

// Bytes an escape starting with byte b spans, or 1 for any other byte.
size_t step_of(int b) {
  if (b == GLYPH_ESCAPE) return GLYPH_ESCAPE_LEN;
  if (b == LAYOUT_ESCAPE) return LAYOUT_ESCAPE_LEN;
  return 1;
}

// Finds the terminating zero, stepping over escapes whole, within size.
// Returns 0 (and leaves end unset) when there is none there.
int find_end(markup_text* m) {
  size_t i = 0;
  while (i < m->size) {
    int b = byte_at(m, i);
    if (b == 0) {
      m->end = i;
      return 1;
    }
    i += step_of(b);
  }
  return 0;
}

// Replaces the `old_len` bytes at pos with the `new_len` bytes of with,
// moving the rest of the text (terminator included). Refuses, changing
// nothing, when the grown text would not fit in the buffer.
int splice(markup_text* m, size_t pos, size_t old_len, const unsigned char* with, size_t new_len) {
  if (new_len > old_len && m->end + (new_len - old_len) >= m->size) {
    m->out_of_room = 1;
    return 0;
  }
  memmove(m->text + pos + new_len, m->text + pos + old_len, m->end + 1 - (pos + old_len));
  memcpy(m->text + pos, with, new_len);
  m->end = m->end + new_len - old_len;
  return 1;
}

// 1 when the text at pos starts with name (lower case), ignoring letter case.
int matches_at(const markup_text* m, size_t pos, const char* name) {
  for (size_t k = 0; name[k]; ++k) {
    if (pos + k >= m->end || ascii_lower(m->text[pos + k]) != name[k]) return 0;
  }
  return 1;
}

void glyph_escape_bytes(unsigned char out[3], int code) {
  out[0] = (unsigned char)GLYPH_ESCAPE;
  out[1] = (unsigned char)(code / 256);
  out[2] = (unsigned char)(code % 256);
}

void layout_escape_bytes(unsigned char out[6], int kind, uint32_t payload) {
  out[0] = (unsigned char)LAYOUT_ESCAPE;
  out[1] = (unsigned char)kind;
  for (int k = 0; k < 4; ++k) out[2 + k] = (unsigned char)(payload >> (8 * k));
}

// ---------------------------------------------------------------------------
// Greek names

void greek_pass(markup_text* m) {
  size_t i = 0;
  while (i < m->end) {
    int b = byte_at(m, i);
    if (b == GLYPH_ESCAPE || b == LAYOUT_ESCAPE) {
      i += step_of(b);
      continue;
    }
    int code = 0;
    size_t len = 0;
    for (int n = 0; n < 24 && !code; ++n) {
      if (matches_at(m, i, GREEK_NAMES[n])) {
        code = GREEK_FIRST_CODE + n + (b < 'a' ? GREEK_CAPITAL_OFFSET : 0);
        len = strlen(GREEK_NAMES[n]);
      }
    }
    for (int n = 0; n < 5 && !code; ++n) {
      if (matches_at(m, i, GREEK_VARIANTS[n].name)) {
        code = GREEK_VARIANTS[n].code;
        len = strlen(GREEK_VARIANTS[n].name);
      }
    }
    if (!code) {
      ++i;
      continue;
    }
    unsigned char escape[GLYPH_ESCAPE_LEN];
    glyph_escape_bytes(escape, code);
    if (!splice(m, i, len, escape, GLYPH_ESCAPE_LEN)) return;
    i += GLYPH_ESCAPE_LEN;
  }
}

// ---------------------------------------------------------------------------
// Scripts

int is_letter(int b) { return (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z'); }
int is_digit(int b) { return b >= '0' && b <= '9'; }

// A double truncated towards zero and kept to its low 16 bits.
int16_t truncate_to_16_bits(double v) {
  if (!(v > -2147483648.0)) v = -2147483648.0;  // also catches NaN
  if (v > 2147483647.0) v = 2147483647.0;
  return (int16_t)(uint16_t)(uint32_t)(int32_t)v;
}

struct script_level {
  int16_t scale;
  int16_t raise;
};

void script_escape_bytes(unsigned char out[6], script_level level) {
  uint32_t payload = (uint32_t)(uint16_t)level.scale | ((uint32_t)(uint16_t)level.raise << 16);
  layout_escape_bytes(out, LAYOUT_SCRIPT, payload);
}

// End (exclusive) of the argument of a script whose argument starts at
// `start`, within [start, stop); sets *braced for a {…} argument, whose end
// is then the index of its closing brace. Returns start when there is none
// (no byte left, or a "{" without its "}").
size_t script_argument_end(const markup_text* m, size_t start, size_t stop, int* braced) {
  *braced = 0;
  if (start >= stop) return start;
  int b = byte_at(m, start);
  size_t i = start;
  if (is_letter(b)) {
    while (i < stop && is_letter(byte_at(m, i))) ++i;
    return i;
  }
  if (is_digit(b)) {
    while (i < stop && is_digit(byte_at(m, i))) ++i;
    return i;
  }
  if (b == GLYPH_ESCAPE) {
    while (i < stop && byte_at(m, i) == GLYPH_ESCAPE) i += GLYPH_ESCAPE_LEN;
    return i;
  }
  if (b == '{') {
    int depth = 1;
    i = start + 1;
    while (i < stop) {
      int c = byte_at(m, i);
      if (c == '{') ++depth;
      if (c == '}' && --depth == 0) {
        *braced = 1;
        return i;
      }
      i += step_of(c);
    }
    return start;
  }
  return start + step_of(b);  // one byte, or a layout escape whole
}

// One braced level of the script pass: its part of the text ends at `stop`
// (which moves on by whatever the conversion inserts), with the budget left
// and the escapes of its scripts.
struct script_frame {
  size_t stop;
  size_t first_stop;  // stop when the level began
  int32_t levels;     // budget; negative: no limit
  script_level outer, up, down;
};

script_frame make_frame(size_t stop, int32_t levels, script_level outer) {
  int s = outer.scale;
  double inner_scale = 0.7 * s;
  if (inner_scale < 128.0) inner_scale = 128.0;
  int16_t s_inner = truncate_to_16_bits(inner_scale);
  double lowering = (double)0.5f * (double)(s - s_inner);
  script_frame f;
  f.stop = stop;
  f.first_stop = stop;
  f.levels = levels;
  f.outer = outer;
  f.up = script_level{s_inner, truncate_to_16_bits(outer.raise + (double)0.3f * s - lowering)};
  f.down = script_level{s_inner, truncate_to_16_bits(outer.raise - (double)0.3f * s - lowering)};
  return f;
}

// Converts the scripts of the whole text. Braced arguments are converted in
// place at the next level, kept on an explicit stack rather than the call
// stack: a level is entered only at a "{" of the text, so the stack never
// holds more levels than the text has braces, whatever the budget.
void scripts_pass(markup_text* m, int32_t levels, script_level outer) {
  if (levels == 0) return;
  size_t braces = 0;
  for (size_t k = 0; k < m->end; ++k) braces += m->text[k] == '{';
  script_frame* frames = (script_frame*)malloc((braces + 1) * sizeof(script_frame));
  if (!frames) {
    m->out_of_room = 1;
    return;
  }
  size_t depth = 0;
  frames[0] = make_frame(m->end, levels, outer);
  size_t i = 0;
  while (!m->out_of_room) {
    script_frame* f = &frames[depth];
    if (i >= f->stop) {
      if (depth == 0) break;
      // The level's closing escape follows its content; the enclosing level
      // grows by what this one inserted.
      i = f->stop + LAYOUT_ESCAPE_LEN;
      frames[depth - 1].stop += f->stop - f->first_stop;
      --depth;
      continue;
    }
    int b = byte_at(m, i);
    if (b != '^' && b != '_') {
      i += step_of(b);
      continue;
    }
    int braced = 0;
    size_t arg_end = script_argument_end(m, i + 1, f->stop, &braced);
    if (arg_end == i + 1) {  // trailing ^, or an unmatched {: plain text
      ++i;
      continue;
    }
    script_level inner = b == '^' ? f->up : f->down;
    unsigned char open[LAYOUT_ESCAPE_LEN], close[LAYOUT_ESCAPE_LEN];
    script_escape_bytes(open, inner);
    script_escape_bytes(close, f->outer);
    size_t marker_len = braced ? 2 : 1;  // ^ or ^{
    size_t closer_len = braced ? 1 : 0;  // } or nothing
    size_t growth = 2 * LAYOUT_ESCAPE_LEN - marker_len - closer_len;
    if (m->end + growth >= m->size) {
      m->out_of_room = 1;
      break;
    }
    splice(m, i, marker_len, open, LAYOUT_ESCAPE_LEN);
    size_t content_begin = i + LAYOUT_ESCAPE_LEN;
    size_t content_end = arg_end + LAYOUT_ESCAPE_LEN - marker_len;
    splice(m, content_end, closer_len, close, LAYOUT_ESCAPE_LEN);
    f->stop += growth;
    int32_t inner_levels = f->levels > 0 ? f->levels - 1 : f->levels;
    if (braced && inner_levels != 0 && depth < braces) {
      frames[++depth] = make_frame(content_end, inner_levels, inner);
      i = content_begin;
      continue;
    }
    i = content_end + LAYOUT_ESCAPE_LEN;
  }
  free(frames);
}

// ---------------------------------------------------------------------------
// Layout codes

void codes_pass(markup_text* m) {
  size_t i = 0;
  while (i < m->end) {
    int b = byte_at(m, i);
    if (b == GLYPH_ESCAPE || b == LAYOUT_ESCAPE) {
      i += step_of(b);
      continue;
    }
    int kind = -1;
    for (int k = 0; k < 2 && kind < 0; ++k) {
      if (b == '#' && matches_at(m, i + 1, LAYOUT_CODE_NAMES[k]) && i + 4 < m->end && m->text[i + 4] == '=') {
        kind = k == 0 ? LAYOUT_COLOUR : LAYOUT_TAB;
      }
    }
    if (kind < 0) {
      ++i;
      continue;
    }
    // Every byte up to "#" counts as a digit (the number wraps at 32 bits);
    // an escape ends the number so that it is never taken apart.
    size_t j = i + 5;
    uint32_t number = 0;
    while (j < m->end) {
      int c = byte_at(m, j);
      if (c == '#' || c == GLYPH_ESCAPE || c == LAYOUT_ESCAPE) break;
      number = number * 10u + (uint32_t)(c - 48);
      ++j;
    }
    if (j < m->end && m->text[j] == '#') ++j;
    unsigned char escape[LAYOUT_ESCAPE_LEN];
    layout_escape_bytes(escape, kind, number);
    if (!splice(m, i, j - i, escape, LAYOUT_ESCAPE_LEN)) return;
    i += LAYOUT_ESCAPE_LEN;
  }
}

// Sets up m for a pass over text; 0 when the text has no end in its buffer.
int begin_pass(markup_text* m, char* text, size_t size) {
  m->text = text;
  m->size = size;
  m->end = 0;
  m->out_of_room = 0;
  return text && find_end(m);
}

}  // namespace

char* substitute_greek_names(char* text, size_t size) {
  markup_text m;
  last_complete = 0;
  if (!begin_pass(&m, text, size)) return text;
  greek_pass(&m);
  last_complete = !m.out_of_room;
  return text;
}

int32_t apply_scripts(char* text, size_t size, int32_t levels, int16_t raise, int16_t scale) {
  markup_text m;
  last_complete = 0;
  if (!begin_pass(&m, text, size)) return 0;
  scripts_pass(&m, levels, script_level{scale, raise});
  last_complete = !m.out_of_room;
  return last_complete;
}

char* apply_markup_codes(char* text, size_t size) {
  markup_text m;
  last_complete = 0;
  if (!begin_pass(&m, text, size)) return text;
  codes_pass(&m);
  last_complete = !m.out_of_room;
  return text;
}

char* prepare_text(char* text, size_t size, int32_t levels) {
  substitute_greek_names(text, size);
  int greek_complete = last_complete;
  apply_scripts(text, size, levels, 0, 256);
  last_complete = greek_complete && last_complete;
  return text;
}

int text_markup_last_complete(void) { return last_complete; }
