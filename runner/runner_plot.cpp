// Frame-time picture (see runner_plot.h).
#include "runner/runner_plot.h"

#include <math.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>

#include "font/font_registry.h"
#include "geometry/shapes_2d.h"
#include "glyphs/builtin_font.h"
#include "glyphs/cell_font.h"
#include "glyphs/cell_glyphs.h"
#include "runner/runner_readback.h"
#include "runner/runner_stats.h"
#include "shell/gl.h"
#include "shell/view.h"
#include "shell/window.h"
#include "text/text_draw.h"

static const char plot_font_name[] = "runner plot";

// Colours: background, panel, grid, axis text, and one per run.
static const int32_t background_rgb = 0x14181E;
static const int32_t panel_rgb = 0x1E242C;
static const int32_t grid_rgb = 0x3A424E;
static const int32_t text_rgb = 0xE0E4EA;
static const int32_t run_rgb[2] = {0x4FC3F7, 0xFFA040};
static const int32_t median_rgb[2] = {0x9BE7FF, 0xFFD080};

std::string runner_plot_title(const std::string& renderer, int width, int height, const char* frame_end) {
  char size[64];
  snprintf(size, sizeof size, ", %dx%d, frame end %s", width, height, frame_end ? frame_end : "?");
  return renderer + size;
}

// ---------------------------------------------------------------------------
// Scale

// A round step (1, 2 or 5 times a power of ten) of at least range / ticks
// (below it only where that would overflow), for a finite range of at least
// RUNNER_PLOT_MIN_TOP_MS.
static double round_step(double range, int ticks) {
  double raw = range / ticks;
  double power = pow(10.0, floor(log10(raw)));
  double f = raw / power;
  double step = (f <= 1.0 ? 1.0 : f <= 2.0 ? 2.0 : f <= 5.0 ? 5.0 : 10.0) * power;
  return isfinite(step) ? step : power;  // past the largest double: the power itself
}

runner_plot_scale runner_plot_choose_scale(double slowest_ms, int ticks) {
  ticks = std::min(std::max(ticks, 1), RUNNER_PLOT_MAX_STEPS - 1);
  double top =
      isfinite(slowest_ms) && slowest_ms > RUNNER_PLOT_MIN_TOP_MS ? slowest_ms : RUNNER_PLOT_MIN_TOP_MS;
  runner_plot_scale scale;
  scale.step_ms = round_step(top, ticks);
  // Whole steps up to the slowest frame; a step more when rounding fell
  // short of it. Near the largest double the product overflows: the top is
  // then the slowest frame itself.
  scale.steps = std::max(1, std::min((int)ceil(top / scale.step_ms), RUNNER_PLOT_MAX_STEPS));
  scale.top_ms = scale.steps * scale.step_ms;
  if (scale.top_ms < top && scale.steps < RUNNER_PLOT_MAX_STEPS) scale.top_ms = ++scale.steps * scale.step_ms;
  if (!isfinite(scale.top_ms) || scale.top_ms < top) {
    scale.top_ms = top;
    scale.steps = std::max(1, std::min((int)floor(top / scale.step_ms), RUNNER_PLOT_MAX_STEPS));
  }
  return scale;
}

// ---------------------------------------------------------------------------
// Drawing

struct plot_box {
  double x, y, w, h;  // panel in pixels (top-left origin)
  double y_max;       // ms at the top edge
  size_t frames;      // frames along the x axis
};

static double plot_y(const plot_box& b, double ms) {
  double v = ms > 0.0 ? std::min(ms, b.y_max) : 0.0;  // NaN at 0
  return b.y + b.h - v / b.y_max * b.h;
}

static double plot_x(const plot_box& b, size_t i) {
  return b.frames <= 1 ? b.x : b.x + (double)i / (double)(b.frames - 1) * b.w;
}

// A horizontal dashed line across the panel at ms.
static void dashed_line(const plot_box& b, double ms, int32_t rgb) {
  double y = plot_y(b, ms);
  glBegin(GL_LINES);
  for (double x = b.x; x < b.x + b.w; x += 8.0) emit_line_2d(x, y, std::min(x + 5.0, b.x + b.w), y, rgb);
  glEnd();
}

static void draw_panel(const plot_box& b, const char* mode, const std::vector<double>* series[2], int runs) {
  draw_rect_2d(b.x, b.y, b.w, b.h, panel_rgb);
  char text[128];
  // Grid and axis labels in ms, at least two lines of text apart: at most 5
  // steps, fewer on a low panel.
  int fit = (int)std::min(5.0, std::max(1.0, floor(b.h / (2.0 * std::max(1, (int)current_line_height)))));
  runner_plot_scale grid = runner_plot_choose_scale(b.y_max, fit);
  int lines = 0;
  while (lines < grid.steps && (lines + 1) * grid.step_ms - b.y_max <= b.y_max * 1e-9) lines++;
  glBegin(GL_LINES);
  for (int i = 0; i <= lines; i++) {
    double y = plot_y(b, i * grid.step_ms);
    emit_line_2d(b.x, y, b.x + b.w, y, grid_rgb);
  }
  glEnd();
  for (int i = 0; i <= lines; i++) {
    double v = i * grid.step_ms;
    snprintf(text, sizeof text, "%g ms", v);
    draw_text((int32_t)(b.x - text_width(text) - 6), (int32_t)(plot_y(b, v) - current_line_height / 2), 0,
              text, text_rgb);
  }
  // Frame numbers along the bottom.
  if (b.frames > 1) {
    // Whole frame steps, at most 7 labels.
    double fstep = std::max(1.0, round_step((double)(b.frames - 1), 6));
    for (int i = 0; i <= RUNNER_PLOT_MAX_STEPS && i * fstep <= (double)(b.frames - 1); i++) {
      double f = i * fstep;
      snprintf(text, sizeof text, "%.0f", f + 1.0);
      double x = plot_x(b, (size_t)f);
      draw_line_2d(x, b.y + b.h, x, b.y + b.h + 4, grid_rgb);
      draw_text((int32_t)(x - text_width(text) / 2), (int32_t)(b.y + b.h + 6), 0, text, text_rgb);
    }
  }
  snprintf(text, sizeof text, "%s: frame time (ms) of each timed frame", mode);
  draw_text((int32_t)b.x, (int32_t)(b.y - current_line_height - 4), 0, text, text_rgb);
  // The runs, each with its median (full) and p99 (dashed, from 100 frames) lines, and
  // their values at the panel's top right.
  for (int r = 0; r < runs; r++) {
    const std::vector<double>& ms = *series[r];
    if (ms.empty()) {
      snprintf(text, sizeof text, "no timed %s frames", mode);
    } else {
      glBegin(GL_LINES);
      for (size_t i = 1; i < ms.size(); i++)
        emit_line_2d(plot_x(b, i - 1), plot_y(b, ms[i - 1]), plot_x(b, i), plot_y(b, ms[i]), run_rgb[r]);
      glEnd();
      if (ms.size() == 1) draw_rect_2d(plot_x(b, 0) - 1, plot_y(b, ms[0]) - 1, 3, 3, run_rgb[r]);
      // NaN has no place in an order: sorting it is undefined.
      std::vector<double> ordered;
      for (double v : ms) {
        if (!isnan(v)) ordered.push_back(v);
      }
      runner_summary s = runner_summarise(ordered.data(), ordered.size());
      draw_line_2d(b.x, plot_y(b, s.median_ms), b.x + b.w, plot_y(b, s.median_ms), median_rgb[r]);
      // p99 only with frames enough for it; below that it is the slowest frame.
      if (s.has_p99) {
        dashed_line(b, s.p99_ms, median_rgb[r]);
        snprintf(text, sizeof text, "median %.2f ms, p99 %.2f ms", s.median_ms, s.p99_ms);
      } else {
        snprintf(text, sizeof text, "median %.2f ms, p99 n/a (%lu frames)", s.median_ms,
                 (unsigned long)s.count);
      }
    }
    int32_t x = (int32_t)(b.x + b.w) - text_width(text) - 4;
    draw_text(x, (int32_t)(b.y + 4 + r * (current_line_height + 2)), 0, text, median_rgb[r]);
  }
}

// The built-in font at a cell size that suits the surface (about 10 pixels
// a line at 360 rows, 20 at 1080), loaded once per size.
static void select_plot_font(int32_t height) {
  float cell = (float)std::min(5.0, std::max(2.5, height / 216.0));
  char name[48];
  snprintf(name, sizeof name, "%s %.2f", plot_font_name, cell);
  if (!font_find(name))
    load_cell_font(builtin_font_cells, BUILTIN_FONT_CELLS_LENGTH, make_glyph_style(cell, cell), name);
  font_select_by_name(name);
}

// What drawing a picture changes besides GL state, put back by plot_end.
struct plot_saved {
  font* previous_font;
  int32_t previous_blend;
};

// The state a picture is drawn in on a w x h surface: GL state saved, a
// cleared background, the pixel overlay, the plot font for the height and
// additive text.
static plot_saved plot_begin(int32_t w, int32_t h) {
  plot_saved saved = {current_font, text_blend_mode};
  glPushAttrib(GL_ALL_ATTRIB_BITS);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  glViewport(0, 0, w, h);
  glDisable(GL_LIGHTING);
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_CULL_FACE);
  glDisable(GL_BLEND);
  glDisable(GL_LINE_SMOOTH);
  glDisable(GL_POINT_SMOOTH);
  glDisable(GL_FOG);
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  glClearColor(((background_rgb >> 16) & 255) / 255.0f, ((background_rgb >> 8) & 255) / 255.0f,
               (background_rgb & 255) / 255.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  enter_overlay();
  select_plot_font(h);
  set_text_blend_mode(4);
  return saved;
}

// Puts back what plot_begin changed and reads the picture.
static runner_image plot_end(const plot_saved& saved, int32_t w, int32_t h) {
  leave_overlay();
  set_text_blend_mode(saved.previous_blend);
  if (saved.previous_font) font_select(saved.previous_font);
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
  glPopAttrib();
  return runner_read_surface(w, h);
}

runner_image runner_plot_frametimes(const char* title, const runner_plot_run& a, const runner_plot_run* b) {
  const int32_t w = screen_width, h = screen_height;
  plot_saved saved = plot_begin(w, h);

  const int runs = b ? 2 : 1;
  const runner_plot_run* run[2] = {&a, b};
  int32_t line = current_line_height;
  draw_text(10, 8, 0, title ? title : "", text_rgb);
  // Legend: one coloured bar and label per run.
  int32_t legend_x = 10;
  for (int r = 0; r < runs; r++) {
    draw_rect_2d(legend_x, 8 + line + 6 + line / 2 - 1, 16, 3, run_rgb[r]);
    draw_text(legend_x + 20, 8 + line + 6, 0, run[r]->label.c_str(), text_rgb);
    legend_x += 20 + text_width(run[r]->label.c_str()) + 24;
  }

  // A panel per mode, one above the other, sharing the left margin for the ms labels.
  std::vector<std::string> modes;
  for (int r = 0; r < runs; r++) {
    for (const runner_plot_mode& m : run[r]->modes) {
      if (std::find(modes.begin(), modes.end(), m.name) == modes.end()) modes.push_back(m.name);
    }
  }
  const double left = 10.0 + text_width("0000 ms") + 8.0, right = 16.0;
  const double top = 8.0 + 2.0 * (line + 6) + line + 8.0;
  const double gap = 2.0 * line + 18.0;
  const double panels = (double)std::max<size_t>(modes.size(), 1);
  const double panel_h = std::max(20.0, (h - top - gap * (panels - 1.0) - line - 10.0) / panels);
  static const std::vector<double> none;
  for (size_t m = 0; m < modes.size(); m++) {
    const std::vector<double>* series[2] = {&none, &none};
    for (int r = 0; r < runs; r++) {
      for (const runner_plot_mode& pm : run[r]->modes) {
        if (pm.name == modes[m]) series[r] = &pm.ms;
      }
    }
    plot_box box = {left, top + (double)m * (panel_h + gap), std::max(20.0, w - left - right), panel_h, 0.0,
                    0};
    double top_ms = 0.0;
    for (int r = 0; r < runs; r++) {
      box.frames = std::max(box.frames, series[r]->size());
      for (double v : *series[r]) {
        if (isfinite(v)) top_ms = std::max(top_ms, v);
      }
    }
    // An empty or all-zero panel keeps a 1 ms axis.
    box.y_max = runner_plot_choose_scale(top_ms > 0.0 ? top_ms : 1.0, 4).top_ms;
    draw_panel(box, modes[m].c_str(), series, runs);
  }
  return plot_end(saved, w, h);
}

// ---------------------------------------------------------------------------
// A/B pair ratios

static const int32_t ratio_rgb = 0x4FC3F7;
static const int32_t band_rgb = 0x2E4A5E;
static const int32_t threshold_rgb = 0xFFA040;
static const int32_t one_rgb = 0xB0B8C4;

runner_image runner_plot_ratios(const char* title, const std::vector<runner_plot_ratio_mode>& modes) {
  const int32_t w = screen_width, h = screen_height;
  plot_saved saved = plot_begin(w, h);
  int32_t line = current_line_height;
  draw_text(10, 8, 0, title ? title : "", text_rgb);
  draw_text(10, 8 + line + 6, 0,
            "points: each pair's NEW/BASE in time order (beyond the scale: on its edge); band: the interval; "
            "dashed: 1 +- threshold",
            text_rgb);
  char text[160];
  const double left = 10.0 + text_width("0.000") + 8.0, right = 16.0;
  const double top = 8.0 + 2.0 * (line + 6) + line + 8.0;
  const double gap = 2.0 * line + 18.0;
  const double panels = (double)std::max<size_t>(modes.size(), 1);
  const double panel_h = std::max(20.0, (h - top - gap * (panels - 1.0) - line - 10.0) / panels);
  for (size_t m = 0; m < modes.size(); m++) {
    const runner_plot_ratio_mode& pm = modes[m];
    double t = pm.threshold_percent / 100.0;
    // The scale holds the interval, the threshold lines and every finite
    // ratio within three interquartile ranges of the quartiles; a ratio of
    // an episode beyond that sits on the panel's edge, so one outlier does
    // not flatten the rest.
    double lo = std::min(1.0 - t, pm.has_interval ? pm.low : 1.0),
           hi = std::max(1.0 + t, pm.has_interval ? pm.high : 1.0);
    std::vector<double> finite;
    for (double r : pm.ratios) {
      if (isfinite(r)) finite.push_back(r);
    }
    std::sort(finite.begin(), finite.end());
    if (!finite.empty()) {
      double q1 = finite[finite.size() / 4], q3 = finite[(finite.size() * 3) / 4];
      double fence_lo = q1 - 3.0 * (q3 - q1), fence_hi = q3 + 3.0 * (q3 - q1);
      for (double r : finite) {
        if (r >= fence_lo && r <= fence_hi) {
          lo = std::min(lo, r);
          hi = std::max(hi, r);
        }
      }
    }
    double pad = std::max(0.005, (hi - lo) * 0.08);
    lo -= pad;
    hi += pad;
    double x0 = left, y0 = top + (double)m * (panel_h + gap), pw = std::max(20.0, w - left - right);
    auto y_of = [&](double r) {
      return y0 + panel_h - (std::min(std::max(r, lo), hi) - lo) / (hi - lo) * panel_h;
    };
    size_t n = pm.ratios.size();
    auto x_of = [&](size_t i) {
      return n <= 1 ? x0 + pw / 2 : x0 + 6.0 + (double)i / (double)(n - 1) * (pw - 12.0);
    };
    draw_rect_2d(x0, y0, pw, panel_h, panel_rgb);
    if (pm.has_interval)
      draw_rect_2d(x0, y_of(pm.high), pw, std::max(1.0, y_of(pm.low) - y_of(pm.high)), band_rgb);
    draw_line_2d(x0, y_of(1.0), x0 + pw, y_of(1.0), one_rgb);
    for (double level : {1.0 - t, 1.0 + t}) {
      double y = y_of(level);
      glBegin(GL_LINES);
      for (double x = x0; x < x0 + pw; x += 8.0)
        emit_line_2d(x, y, std::min(x + 5.0, x0 + pw), y, threshold_rgb);
      glEnd();
    }
    draw_line_2d(x0, y_of(pm.ratio), x0 + pw, y_of(pm.ratio), median_rgb[0]);
    for (size_t i = 0; i < n; i++) {
      if (isfinite(pm.ratios[i])) draw_rect_2d(x_of(i) - 2, y_of(pm.ratios[i]) - 2, 5, 5, ratio_rgb);
    }
    for (double level : {lo + pad, 1.0, hi - pad}) {
      // The 1.000 label only where it clears the two ends' labels.
      if (level == 1.0 && (y_of(lo + pad) - y_of(1.0) < line || y_of(1.0) - y_of(hi - pad) < line)) continue;
      snprintf(text, sizeof text, "%.3f", level);
      draw_text((int32_t)(x0 - text_width(text) - 6), (int32_t)(y_of(level) - line / 2), 0, text, text_rgb);
    }
    if (pm.has_interval) {
      snprintf(text, sizeof text, "%s: %s, NEW/BASE %.4f (%.4f .. %.4f), %zu pairs", pm.name.c_str(),
               pm.verdict.c_str(), pm.ratio, pm.low, pm.high, n);
    } else {
      snprintf(text, sizeof text, "%s: %s, NEW/BASE %.4f (no interval), %zu pairs", pm.name.c_str(),
               pm.verdict.c_str(), pm.ratio, n);
    }
    draw_text((int32_t)x0, (int32_t)(y0 - line - 4), 0, text, text_rgb);
  }
  return plot_end(saved, w, h);
}
