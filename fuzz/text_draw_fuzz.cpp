// Measures and draws arbitrary text (escapes included) with a font whose
// glyph widths, line height and style come from the input's first bytes. GL
// calls go to the recording GL layer, so the quad generation runs without a
// context; the recording is checked for balanced glBegin/glEnd and finite
// vertices, and measuring must leave the text as it was.
#include <math.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "font/font_registry.h"
#include "shell/window.h"
#include "support/gl_recorder.h"
#include "text/text_draw.h"

static font fuzz_font;

static void make_font(const uint8_t* b) {
  memset(&fuzz_font, 0, sizeof fuzz_font);
  fuzz_font.texture = 1;
  fuzz_font.atlas_w = 256;
  fuzz_font.atlas_h = 64 << (b[0] & 3);
  fuzz_font.line_height = b[1] ? b[1] : 1;
  for (int i = 0; i < MAX_GLYPHS; i++) {
    fuzz_font.glyph_w[i] = (i * 7 + b[2]) % 23;
    fuzz_font.glyph_x[i] = (i * 13) % 200;
    fuzz_font.glyph_y[i] = (i / 16) * 8;
  }
  fuzz_font.cell_w = (uint8_t)(fuzz_font.glyph_w['C'] + 1);
  fuzz_font.style = TEXT_STYLE_DEFAULT;
  fuzz_font.style.font = &fuzz_font;
  fuzz_font.style.spacing = (float)(b[3] & 7) / 8.0f;
  current_font = nullptr;
  font_select(&fuzz_font);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 6) return 0;
  gl_recorder_reset();
  // Any window size: without one draw_text draws nothing.
  screen_width = 640;
  screen_height = 480;
  make_font(data);
  text_fixed_pitch = data[4] & 1;
  set_text_blend_mode(data[4] >> 4);
  int32_t wrap_right = (data[5] & 1) ? (int32_t)data[5] * 4 : 0;

  // The text in a heap buffer sized to the text, its terminating zero and
  // the five bytes an escape may still claim after that zero (a layout escape
  // begun on the last byte; a glyph escape claims at most two): escape bytes
  // may be zero (glyph high byte 0, colour 0x000000, tab 0), so a zero inside
  // an escape cannot end the text, and a text cut short inside an escape is
  // read as the whole escape. Anything beyond that is caught.
  const size_t ESCAPE_OVERHANG = 5;
  size_t length = size - 6;
  char* text = (char*)calloc(length + 1 + ESCAPE_OVERHANG, 1);
  memcpy(text, data + 6, length);
  char* copy = (char*)malloc(length + 1 + ESCAPE_OVERHANG);
  memcpy(copy, text, length + 1 + ESCAPE_OVERHANG);

  const char* end = escaped_end(text);
  if (end < text || end > text + length + ESCAPE_OVERHANG) abort();
  int32_t width = text_width(text);
  int32_t prefix = text_width_prefix(text, (int32_t)(length / 2));
  if (memcmp(text, copy, length + 1 + ESCAPE_OVERHANG) != 0) abort();  // measuring restores the text
  (void)width;
  (void)prefix;

  gl_recorder_clear_calls();
  draw_text(3, 5, wrap_right, text, 0x336699);
  int open = 0;
  for (const gl_call& call : gl_recorder_calls()) {
    if (call.name == "glBegin") open++;
    if (call.name == "glEnd") open--;
    if (open < 0 || open > 1) abort();
    if (call.name.compare(0, 8, "glVertex") == 0) {
      for (double v : call.args) {
        if (!isfinite(v)) abort();
      }
    }
  }
  if (open != 0) abort();
  gl_recorder_clear_calls();
  draw_text_boxed(0, 0, text, 0xFFFFFF, 0x000000);
  free(text);
  free(copy);
  return 0;
}
