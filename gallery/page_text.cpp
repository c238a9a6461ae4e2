// The gallery's text pages (see page_text.h). Depends on text/text_draw,
// text/text_markup, font/font_registry, gallery/gallery_ui and GL (the blend
// function a caller keeps with blend mode 7).
#include "gallery/page_text.h"

#include <stdio.h>
#include <string.h>

#include "font/font_registry.h"
#include "gallery/gallery_ui.h"
#include "shell/gl.h"
#include "shell/window.h"
#include "text/text_draw.h"
#include "text/text_markup.h"

static const int32_t LABEL_RGB = 0x9fb0d0;
static const int32_t TEXT_RGB = 0xf2f2f2;

// ---------------------------------------------------------------------------
// Escapes

static void append_layout_escape(std::string* text, uint8_t kind, uint32_t payload) {
  text->push_back((char)5);
  text->push_back((char)kind);
  for (int i = 0; i < 4; i++) text->push_back((char)((payload >> (8 * i)) & 0xFF));
}

void append_colour_escape(std::string* text, int32_t rgb) { append_layout_escape(text, 0, (uint32_t)rgb); }

void append_tab_escape(std::string* text, int32_t x) { append_layout_escape(text, 1, (uint32_t)x); }

void append_script_escape(std::string* text, uint16_t scale, int16_t raise) {
  append_layout_escape(text, 2, (uint32_t)scale | ((uint32_t)(uint16_t)raise << 16));
}

void append_glyph_escape(std::string* text, uint16_t code) {
  text->push_back((char)2);
  text->push_back((char)(code >> 8));
  text->push_back((char)(code & 0xFF));
}

int markup_convert(const char* source, int32_t levels, char* out, size_t size) {
  if (size == 0) return 0;
  size_t n = strlen(source);
  if (n >= size) {
    memcpy(out, source, size - 1);
    out[size - 1] = 0;
    return 0;
  }
  memcpy(out, source, n + 1);
  apply_markup_codes(out, size);
  int complete = text_markup_last_complete();
  prepare_text(out, size, levels);
  return complete && text_markup_last_complete();
}

// ---------------------------------------------------------------------------
// Blend modes and escapes

struct blend_panel {
  int32_t mode;
  const char* caption;
};

static const blend_panel BLEND_PANELS[5] = {
    {1, "1 replace"}, {2, "2 darken"}, {3, "3 add (default)"}, {4, "4 alpha"}, {7, "7 keeps caller's"},
};

void draw_text_page(double t) {
  (void)t;
  const int32_t w = screen_width;
  int32_t y = gallery_bar_height + gallery_px(8);
  gallery_text(gallery_font_small, gallery_px(16), y,
               "set_text_blend_mode: one yellow text in each mode over a dark-to-light gradient", LABEL_RGB);
  y += gallery_px(26);
  const int32_t gap = gallery_px(10);
  const int32_t panel_w = (w - gallery_px(32) - 4 * gap) / 5;
  const int32_t panel_h = gallery_px(62);
  font_select(gallery_font_normal);
  for (int i = 0; i < 5; i++) {
    const int32_t x = gallery_px(16) + i * (panel_w + gap);
    gallery_gradient(x, y, panel_w, panel_h, 0x141c34, 0xeadcbc);
    // Mode 7 is no blend function of its own: the caller's stays in force,
    // here (ZERO, ONE_MINUS_SRC_ALPHA), which cuts the glyphs out in black.
    glBlendFunc(GL_ZERO, GL_ONE_MINUS_SRC_ALPHA);
    set_text_blend_mode(BLEND_PANELS[i].mode);
    gallery_report(x + gallery_px(12), y + gallery_px(12), text_width("Aa 123 Wg"),
                   current_line_height * 5 / 7, 1, "Aa 123 Wg");
    draw_text(x + gallery_px(12), y + gallery_px(12), 0, "Aa 123 Wg", 0xffc830);
    set_text_blend_mode(3);
    glBlendFunc(GL_ONE, GL_ZERO);
    gallery_text(gallery_font_small, x, y + panel_h + gallery_px(4), BLEND_PANELS[i].caption, TEXT_RGB);
  }
  y += panel_h + gallery_px(40);

  gallery_text(
      gallery_font_small, gallery_px(16), y,
      "Colour escapes (5, 0, rgb) change the colour mid-line; glyph escapes (2, hi, lo) reach codes from 256",
      LABEL_RGB);
  y += gallery_px(24);
  static const struct {
    const char* word;
    int32_t rgb;
  } COLOURS[] = {{"red ", 0xff4040},  {"orange ", 0xff9a30}, {"yellow ", 0xffe040}, {"green ", 0x50e060},
                 {"cyan ", 0x40e0e0}, {"blue ", 0x5a80ff},   {"violet ", 0xc070ff}, {"  ", 0xffffff}};
  std::string line = "Escapes: ";
  for (const auto& c : COLOURS) {
    append_colour_escape(&line, c.rgb);
    line += c.word;
  }
  append_colour_escape(&line, 0xffffff);
  for (uint16_t code : {256, 257, 258, 259, 303, 297}) {
    append_glyph_escape(&line, code);
    line += ' ';
  }
  gallery_text(gallery_font_greek, gallery_px(16), y, line.c_str(), TEXT_RGB);
  y += gallery_px(44);

  gallery_text(gallery_font_small, gallery_px(16), y,
               "Tab escapes (5, 1, x) start each column at an absolute x; the widths come from text_width",
               LABEL_RGB);
  y += gallery_px(24);
  const int32_t col1 = gallery_px(16), col2 = col1 + w * 30 / 100, col3 = col1 + w * 56 / 100;
  std::string row;
  row += "text";
  append_tab_escape(&row, col2);
  row += "text_width";
  append_tab_escape(&row, col3);
  row += "fixed pitch";
  gallery_text(gallery_font_normal, col1, y, row.c_str(), 0x80c8ff);
  y += gallery_px(30);
  for (const char* sample : {"Illicit", "WWWWW", "0.5 mm"}) {
    char widths[64];
    int32_t proportional = gallery_text_width(gallery_font_normal, sample);
    text_fixed_pitch = 1;
    int32_t fixed = gallery_text_width(gallery_font_normal, sample);
    text_fixed_pitch = 0;
    row.clear();
    row += sample;
    append_tab_escape(&row, col2);
    snprintf(widths, sizeof widths, "%d px", (int)proportional);
    row += widths;
    append_tab_escape(&row, col3);
    snprintf(widths, sizeof widths, "%d px", (int)fixed);
    row += widths;
    gallery_text(gallery_font_normal, col1, y, row.c_str(), TEXT_RGB);
    y += gallery_px(30);
  }
  y += gallery_px(12);

  gallery_text(gallery_font_small, gallery_px(16), y,
               "Script escapes (5, 2, scale, raise) narrow, raise and lower what follows, until the next one",
               LABEL_RGB);
  y += gallery_px(28);
  std::string scripts = "E = mc";
  append_script_escape(&scripts, 179, 38);
  scripts += "2";
  append_script_escape(&scripts, 256, 0);
  scripts += "   H";
  append_script_escape(&scripts, 179, -115);
  scripts += "2";
  append_script_escape(&scripts, 256, 0);
  scripts += "O   e";
  append_script_escape(&scripts, 179, 38);
  scripts += "x";
  append_script_escape(&scripts, 128, 66);
  scripts += "2";
  append_script_escape(&scripts, 256, 0);
  scripts += "   a";
  append_script_escape(&scripts, 179, -115);
  scripts += "n";
  append_script_escape(&scripts, 128, -194);
  scripts += "k";
  append_script_escape(&scripts, 256, 0);
  gallery_text(gallery_font_normal, gallery_px(16), y, scripts.c_str(), TEXT_RGB);
}

// ---------------------------------------------------------------------------
// Wrapping, boxes, fixed pitch

static const char* const PARAGRAPH =
    "Lines break only at spaces. At each space the pen position plus the width of the next word "
    "is tested against the right edge; past it, the space is dropped and the word starts the next "
    "line at the same x. The space is not counted, so a word may end a space past the edge. Words "
    "never split: Pneumonoultramicroscopicsilicovolcanoconiosis.";

void draw_layout_page(double t) {
  (void)t;
  const int32_t w = screen_width;
  const int32_t right = w * 56 / 100;
  int32_t y = gallery_bar_height + gallery_px(8);
  char label[160];
  snprintf(label, sizeof label, "draw_text with wrap_right = %d (the red line)", (int)right);
  gallery_text(gallery_font_small, gallery_px(16), y, label, LABEL_RGB);
  y += gallery_px(26);
  // The paragraph in the normal font where it fits above the fixed-pitch
  // rows, else (narrow screens, where it wraps into more lines) in the small
  // one.
  const int32_t bottom_rows = screen_height - gallery_footer_height - gallery_px(112);
  font* paragraph_font = gallery_font_normal;
  int32_t para_w = 0, para_h = 0;
  gallery_text_box(paragraph_font, gallery_px(16), right, PARAGRAPH, &para_w, &para_h);
  if (y + para_h > bottom_rows - gallery_px(8)) {
    paragraph_font = gallery_font_small;
    gallery_text_box(paragraph_font, gallery_px(16), right, PARAGRAPH, &para_w, &para_h);
  }
  gallery_line(right + 0.5, y - gallery_px(2), right + 0.5, y + para_h + gallery_px(4), 0xff4040);
  gallery_text_wrapped(paragraph_font, gallery_px(16), y, right, PARAGRAPH, TEXT_RGB);

  // Boxed text on the right, clear of the overlong word.
  const int32_t bx = gallery_px(16) + para_w + gallery_px(24) > right + gallery_px(24)
                         ? gallery_px(16) + para_w + gallery_px(24)
                         : right + gallery_px(24);
  int32_t by = gallery_bar_height + gallery_px(8);
  gallery_text(gallery_font_small, bx, by, "draw_text_boxed", LABEL_RGB);
  by += gallery_px(26);
  static const struct {
    const char* text;
    int32_t rgb, background;
  } BOXES[] = {{"Boxed text", 0xffffff, 0xb03030},
               {"on a filled", 0x101010, 0xf0c840},
               {"background", 0xffffff, 0x2a60c0},
               {"one line high", 0x102010, 0x70d080}};
  // The box goes through draw_rect_2d in the current projection, the text
  // through draw_text's own pixel projection: in the overlay both agree.
  font_select(gallery_font_normal);
  int32_t mode = text_blend_mode;
  set_text_blend_mode(4);
  gallery_begin_flat();
  for (const auto& b : BOXES) {
    gallery_report(bx, by, text_width(b.text), current_line_height, 1, b.text);
    draw_text_boxed(bx, by, b.text, b.rgb, b.background);
    by += gallery_px(50);
  }
  gallery_end_flat();
  set_text_blend_mode(mode);
  by += gallery_px(6);
  gallery_text(gallery_font_small, bx, by, "Line feeds go back to x:", LABEL_RGB);
  gallery_text(gallery_font_normal, bx, by + gallery_px(24), "first line\nsecond line\nthird", TEXT_RGB);

  // Fixed pitch against proportional, over the cells of current_cell_w.
  y = bottom_rows;
  font_select(gallery_font_normal);
  snprintf(label, sizeof label,
           "text_fixed_pitch = 1: every glyph centred in a cell of current_cell_w = %d pixels (shaded)",
           (int)current_cell_w);
  gallery_text(gallery_font_small, gallery_px(16), y, label, LABEL_RGB);
  y += gallery_px(26);
  static const char* const SAMPLE = "Illicit WWW 1111 mmm";
  gallery_text(gallery_font_normal, gallery_px(16), y, SAMPLE, TEXT_RGB);
  gallery_text(gallery_font_small,
               gallery_px(16) + gallery_text_width(gallery_font_normal, SAMPLE) + gallery_px(16),
               y + gallery_px(6), "proportional", LABEL_RGB);
  y += gallery_px(40);
  font_select(gallery_font_normal);
  const int32_t cell = current_cell_w;
  const int32_t n = (int32_t)strlen(SAMPLE);
  for (int32_t i = 0; i < n; i += 2)
    gallery_fill(gallery_px(16) + i * cell, y - gallery_px(2), cell, gallery_px(30), 0x2a3450);
  text_fixed_pitch = 1;
  gallery_text(gallery_font_normal, gallery_px(16), y, SAMPLE, TEXT_RGB);
  text_fixed_pitch = 0;
  gallery_text(gallery_font_small, gallery_px(16) + n * cell + gallery_px(16), y + gallery_px(6),
               "fixed pitch", LABEL_RGB);
}

// ---------------------------------------------------------------------------
// Markup

void draw_markup_page(double t) {
  (void)t;
  const int32_t w = screen_width;
  const int32_t result_x = w * 50 / 100;
  int32_t y = gallery_bar_height + gallery_px(8);
  gallery_text(gallery_font_small, gallery_px(16), y, "Source text", LABEL_RGB);
  gallery_text(gallery_font_small, result_x, y, "apply_markup_codes, prepare_text(4 levels)", LABEL_RGB);
  y += gallery_px(30);

  char tab_source[128];
  snprintf(tab_source, sizeof tab_source, "name#tab=%d#Omega#tab=%d#omega", (int)(result_x + gallery_px(110)),
           (int)(result_x + gallery_px(240)));
  const char* const sources[] = {
      "alpha beta gamma delta epsilon",
      "Gamma Delta Theta Lambda Xi Pi Sigma",
      "pi rho sigma tau phi chi psi omega",
      "E = mc^2,  H_2O,  e^{i pi} = -1",
      "e^{-x^2},  x_{i_j}^{2^k},  a_{n_{k_m}}",
      "Psi Omega varphi vartheta varomega",
      "#col=16737843#orange #col=5308240#green #col=11579647#lilac",
      tab_source,
  };
  for (const char* source : sources) {
    char converted[256];
    int complete = markup_convert(source, 4, converted, sizeof converted);
    gallery_text_wrapped(gallery_font_small, gallery_px(16), y + gallery_px(6), result_x - gallery_px(16),
                         source, 0xd8c890);
    gallery_text(gallery_font_greek, result_x, y, converted, TEXT_RGB);
    if (!complete)
      gallery_text(gallery_font_small, w - gallery_px(140), y + gallery_px(6), "(did not fit)", 0xff6060);
    y += gallery_px(54);
  }
}
