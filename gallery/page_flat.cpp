// The gallery's flat pages (see page_flat.h). Depends on geometry/shapes_2d,
// geometry/palette, geometry/screen_effect, gallery/gallery_ui, the shell's
// mouse position and screen size, and GL (the scissor box that keeps each
// blur to its column).
#include "gallery/page_flat.h"

#include <math.h>
#include <stdio.h>
#include <stdlib.h>

#include "font/font_registry.h"
#include "gallery/gallery_ui.h"
#include "geometry/palette.h"
#include "geometry/screen_effect.h"
#include "geometry/shapes_2d.h"
#include "shell/gl.h"
#include "shell/window.h"
#include "text/text_draw.h"

static const int32_t LABEL_RGB = 0x9fb0d0;
static const int32_t TEXT_RGB = 0xf2f2f2;
static const double PI = 3.14159265358979323846;

const float BLUR_PAGE_RADII[4] = {0.0f, 2.0f, 6.0f, 16.0f};

int32_t blur_level_count(float radius) {
  int32_t n = 0;
  for (float r = radius; r >= 1.0f; r = r * 0.5f) n++;
  return n;
}

// ---------------------------------------------------------------------------
// Shapes

static int32_t rgb_of(double r, double g, double b) {
  return ((int32_t)(r * 255.0) << 16) | ((int32_t)(g * 255.0) << 8) | (int32_t)(b * 255.0);
}

void draw_shapes_page(double t) {
  const int32_t w = screen_width, h = screen_height;
  const int32_t top = gallery_bar_height + gallery_px(8);
  // Three columns: points, lines, rectangles.
  const int32_t margin = gallery_px(16);
  const int32_t col0 = (w - 3 * margin) * 26 / 100, col1 = (w - 3 * margin) * 30 / 100,
                col2 = w - 3 * margin - col0 - col1;
  const int32_t x0 = margin, x1 = x0 + col0 + margin, x2 = x1 + col1 + margin;

  // Each label wraps within its column; the drawings start below the
  // tallest.
  static const char* const LABELS[3] = {"draw_point_2d, one pixel each", "emit_line_2d batch, draw_line_2d",
                                        "draw_rect_2d, draw_rect_outline_2d"};
  const int32_t label_x[3] = {x0, x1, x2}, label_right[3] = {x0 + col0, x1 + col1, x2 + col2};
  int32_t label_h = 0;
  for (int i = 0; i < 3; i++) {
    int32_t lw = 0, lh = 0;
    gallery_text_box(gallery_font_small, label_x[i], label_right[i], LABELS[i], &lw, &lh);
    if (lh > label_h) label_h = lh;
    gallery_text_wrapped(gallery_font_small, label_x[i], top, label_right[i], LABELS[i], LABEL_RGB);
  }
  const int32_t area = top + label_h + gallery_px(8);
  const int32_t area_h = (h - gallery_footer_height - area) / 2 - gallery_px(24);

  gallery_report(x0, area, col0, area_h, 0, "points");
  gallery_report(x1, area, col1, area_h, 0, "lines");
  gallery_report(x2, area, col2, area_h, 0, "rectangles");
  gallery_begin_flat();
  // Points in a grid, shaded across and down.
  const int32_t pitch = gallery_px(6);
  for (int32_t i = 0; i * pitch < col0; i++) {
    for (int32_t j = 0; j * pitch < area_h; j++) {
      draw_point_2d(x0 + 0.5 + i * pitch, area + 0.5 + j * pitch,
                    rgb_of(0.35 + 0.65 * i * pitch / col0, 0.35 + 0.65 * j * pitch / area_h, 1.0));
    }
  }

  // A fan of lines sent in one GL_LINES batch, and a frame of single lines.
  const double cx = x1 + col1 / 2.0, cy = area + area_h / 2.0;
  const double radius = (area_h < col1 ? area_h : col1) / 2.0 - gallery_px(4);
  glBegin(GL_LINES);
  for (int k = 0; k < 48; k++) {
    double a = 2.0 * PI * k / 48 + 0.05 * t;
    double f = (double)k / 48;
    emit_line_2d(cx, cy, cx + radius * cos(a), cy + radius * sin(a),
                 rgb_of(0.5 + 0.5 * cos(2 * PI * f), 0.5 + 0.5 * cos(2 * PI * (f - 1.0 / 3)),
                        0.5 + 0.5 * cos(2 * PI * (f - 2.0 / 3))));
  }
  glEnd();
  draw_line_2d(x1 + 0.5, area + 0.5, x1 + col1 - 0.5, area + 0.5, 0xffffff);
  draw_line_2d(x1 + 0.5, area + area_h - 0.5, x1 + col1 - 0.5, area + area_h - 0.5, 0xffffff);

  // Filled rectangles and outlines, one of them with negative extents
  // (drawn up and to the left of its corner).
  draw_rect_2d(x2, area, col2 * 0.45, area_h * 0.45, 0xd84a3a);
  draw_rect_2d(x2 + col2 * 0.25, area + area_h * 0.25, col2 * 0.45, area_h * 0.45, 0x3a8ad8);
  draw_rect_outline_2d(x2 + col2 * 0.55 + 0.5, area + 0.5, col2 * 0.4, area_h * 0.3, 0xf0d040);
  draw_rect_outline_2d(x2 + col2 - 0.5, area + area_h - 0.5, -col2 * 0.3, -area_h * 0.35, 0x60e070);
  draw_rect_2d(x2 + col2 * 0.8, area + area_h * 0.95, -col2 * 0.15, -area_h * 0.25, 0xe8e8e8);
  gallery_end_flat();

  // The palette as one batch of 256 rectangles.
  const int32_t palette_top = area + area_h + gallery_px(20);
  gallery_text(gallery_font_small, x0, palette_top,
               "emit_rect_2d batch: the 256-colour palette (16 text colours, 24 greys, 6 x 6 x 6 cube)",
               LABEL_RGB);
  const int32_t swatch_top = palette_top + gallery_px(26);
  // Square swatches in 8 rows of 32, as large as both the height and the
  // width allow (on 5:4 and 4:3 screens the width decides).
  const int32_t swatch_by_height = (h - gallery_footer_height - gallery_px(8) - swatch_top) / 8;
  const int32_t swatch_by_width = (w - 2 * x0) / 32;
  const int32_t swatch = swatch_by_height < swatch_by_width ? swatch_by_height : swatch_by_width;
  gallery_report(x0, swatch_top, 32 * swatch, 8 * swatch, 0, "palette");
  uint32_t* palette = make_palette_rgb();
  if (palette) {
    gallery_begin_flat();
    glBegin(GL_QUADS);
    for (int i = 0; i < 256; i++) {
      emit_rect_2d(x0 + (i % 32) * swatch, swatch_top + (i / 32) * swatch, swatch - 1, swatch - 1,
                   (int32_t)palette[i]);
    }
    glEnd();
    gallery_end_flat();
    free(palette);
  }

  // The mouse: guide lines through it, the marker and its position.
  gallery_line(0, mouse_y + 0.5, w, mouse_y + 0.5, 0x384460);
  gallery_line(mouse_x + 0.5, gallery_bar_height, mouse_x + 0.5, h - gallery_footer_height, 0x384460);
  gallery_begin_flat();
  draw_mouse_marker();
  gallery_end_flat();
  char where[80];
  snprintf(where, sizeof where, "draw_mouse_marker at %d, %d", (int)mouse_x, (int)mouse_y);
  font_select(gallery_font_small);
  // Below right of the mouse, turned to its left or above it where it would
  // leave the screen.
  const int32_t box_w = text_width(where), box_h = current_line_height;
  const int32_t bottom = h - gallery_footer_height;
  int32_t box_x = mouse_x + gallery_px(14), box_y = mouse_y + gallery_px(10);
  if (box_x + box_w > w) box_x = mouse_x - gallery_px(14) - box_w;
  if (box_y + box_h > bottom) box_y = mouse_y - gallery_px(10) - box_h;
  // Kept between the title bar and the footer whatever the mouse does.
  if (box_x < 0) box_x = 0;
  if (box_y + box_h > bottom) box_y = bottom - box_h;
  if (box_y < gallery_bar_height) box_y = gallery_bar_height;
  gallery_report(box_x, box_y, box_w, box_h, 1, where);
  gallery_begin_flat();
  draw_text_boxed(box_x, box_y, where, TEXT_RGB, 0x303a58);
  gallery_end_flat();
}

// ---------------------------------------------------------------------------
// Blur

// The pattern every column starts from, in a box of w x h at (x, y).
static void draw_blur_pattern(int32_t x, int32_t y, int32_t w, int32_t h) {
  gallery_begin_flat();
  draw_rect_2d(x, y, w, h, 0x101820);
  glBegin(GL_QUADS);
  const int32_t cell = gallery_px(8);
  for (int32_t i = 0; (i + 1) * cell <= w; i++) {
    for (int32_t j = 0; j < 6; j++) {
      if ((i + j) % 2) emit_rect_2d(x + i * cell, y + cell + j * cell, cell, cell, 0xf0f0f0);
    }
  }
  const int32_t colours[4] = {0xff3030, 0x30e040, 0x4060ff, 0xffffff};
  for (int k = 0; k < 4; k++) {
    emit_rect_2d(x + cell + k * (w - 2 * cell) / 4, y + gallery_px(70), (w - 2 * cell) / 4 - cell,
                 gallery_px(28), colours[k]);
  }
  glEnd();
  // One-pixel lines whatever the scale: the blur's effect on the finest
  // detail.
  for (int k = 0; k < 5; k++) {
    double lx = x + gallery_px(10) + 0.5 + k * gallery_px(9);
    draw_line_2d(lx, y + gallery_px(110), lx, y + h - gallery_px(10), 0xffe040);
    double ly = y + gallery_px(110) + 0.5 + k * gallery_px(9);
    draw_line_2d(x + gallery_px(60), ly, x + w - gallery_px(10), ly, 0x40e0ff);
  }
  gallery_end_flat();
  gallery_report(x, y, w, h, 0, "blur pattern");
  gallery_text(gallery_font_normal, x + gallery_px(60), y + gallery_px(170), "Blur", 0xffffff);
  gallery_text(gallery_font_small, x + gallery_px(60), y + gallery_px(210), "1-pixel lines", 0xffc080);
}

void draw_blur_page(double t) {
  (void)t;
  const int32_t w = screen_width, h = screen_height;
  const int32_t gap = gallery_px(12), margin = gallery_px(16);
  const int32_t col_w = (w - 2 * margin - 3 * gap) / 4;
  const int32_t y = gallery_bar_height + gallery_px(40);
  const int32_t col_h = h - gallery_footer_height - margin - y;
  gallery_text(gallery_font_small, margin, gallery_bar_height + gallery_px(8),
               "One pattern, then screen_blur(radius) in each column, kept to it by a scissor box",
               LABEL_RGB);
  for (int c = 0; c < 4; c++) draw_blur_pattern(margin + c * (col_w + gap), y, col_w, col_h);
  for (int c = 0; c < 4; c++) {
    if (BLUR_PAGE_RADII[c] < 1.0f) continue;
    const int32_t x = margin + c * (col_w + gap);
    glEnable(GL_SCISSOR_TEST);
    // The scissor box counts rows from the bottom of the window.
    glScissor(x, h - (y + col_h), col_w, col_h);
    screen_blur(BLUR_PAGE_RADII[c]);
    glDisable(GL_SCISSOR_TEST);
  }
  // screen_blur leaves blending on with (ONE, ZERO): switch it off again.
  glDisable(GL_BLEND);
  for (int c = 0; c < 4; c++) {
    const int32_t x = margin + c * (col_w + gap);
    // The caption lists the offsets of the levels, halving from the radius.
    char caption[96];
    int used = snprintf(caption, sizeof caption, "radius %g:", (double)BLUR_PAGE_RADII[c]);
    if (blur_level_count(BLUR_PAGE_RADII[c]) == 0) {
      snprintf(caption + used, sizeof caption - (size_t)used, " no blur");
    } else {
      for (float r = BLUR_PAGE_RADII[c]; r >= 1.0f && used > 0 && (size_t)used < sizeof caption; r *= 0.5f)
        used += snprintf(caption + used, sizeof caption - (size_t)used, "%s %g",
                         r == BLUR_PAGE_RADII[c] ? "" : ",", (double)r);
    }
    // The caption wraps within its column (narrow columns on small screens).
    int32_t cap_w = 0, cap_h = 0;
    gallery_text_box(gallery_font_small, x + gallery_px(8), x + col_w - gallery_px(4), caption, &cap_w,
                     &cap_h);
    gallery_veil(x, y + col_h - cap_h - gallery_px(10), col_w, cap_h + gallery_px(10), 0x000000, 0.7);
    gallery_text_wrapped(gallery_font_small, x + gallery_px(8), y + col_h - cap_h - gallery_px(6),
                         x + col_w - gallery_px(4), caption, TEXT_RGB);
  }
}
