// boxfield_runner: the box-field program on the headless backend (a real Mesa
// context without a display), flown by a script for a fixed number of
// frames. It runs box_field_main itself, the program's own loop and frame
// code, and drives it through box_field_hook:
//   - input: the script's key and mouse events go into the headless message
//     queue before each frame's pump; the run ends with WM_QUIT after the
//     script's last frame;
//   - clock: by default every reading of clock_now advances 1/64 s, so the
//     flight, the overlay text ("FPS: 64") and the pictures do not depend on
//     the machine; --real-clock leaves the program on the real clock;
//   - timing: each frame ends with glFinish before it is timed, so a frame
//     time is the whole of the GL work of that frame; the time from main to
//     the first finished frame is the start-up figure;
//   - own work: pump_messages, camera_update and draw_fps_overlay are timed
//     around each call (the link wraps those symbols, see tools/CMakeLists.txt);
//     the overlay's figure includes its own GL calls, so it is an upper bound;
//     open_gl_window is timed the same way, to split the start-up;
//   - pictures: chosen frames are read back before end_frame and saved as
//     PNG, or compared with reference pictures under a tolerance.
// Depends on boxfield_core, the toolkit, the headless backend and libpng.
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>

#include <string>
#include <vector>

#include "boxfield/box_field.h"
#include "boxfield/fps_overlay.h"
#include "glyphs/builtin_font.h"
#include "glyphs/cell_font.h"
#include "glyphs/cell_glyphs.h"
#include "shell/clock.h"
#include "shell/fpu.h"
#include "shell/gl.h"
#include "shell/platform_headless.h"
#include "shell/window.h"
#include "runner/runner_args.h"
#include "runner/runner_compare.h"
#include "runner/runner_image.h"
#include "runner/runner_script.h"
#include "runner/runner_stats.h"

// ---------------------------------------------------------------------------
// Options

struct runner_options {
  int32_t width = 1280;
  int32_t height = 720;
  std::string script_label = "tour short";
  std::string script_text;
  std::string out_dir = "runner-out";
  std::string validate_dir;  // empty: save the shots instead of comparing
  int32_t tolerance = 24;
  int64_t max_differing = 0;
  bool real_clock = false;
};

static void runner_usage(FILE* out) {
  fprintf(out,
          "usage: boxfield_runner [options]\n"
          "  --size WxH          surface size in pixels (default 1280x720)\n"
          "  --tour NAME         built-in flight: %s (default short)\n"
          "  --script FILE       flight script file (format: runner/runner_script.h)\n"
          "  --print-tour NAME   print a built-in flight and exit\n"
          "  --out DIR           screenshots, diff pictures and report.json (default runner-out)\n"
          "  --validate DIR      compare the script's shots with DIR/<name>.png instead of saving them\n"
          "  --tolerance N       per-channel difference a pixel may have (default 24)\n"
          "  --max-differing N   pixels per shot allowed beyond the tolerance (default 0)\n"
          "  --real-clock        run the program on the real clock (default: 1/64 s per reading)\n"
          "  --compare BASE.json NEW.json [--threshold PERCENT] [--force]\n"
          "                      compare two reports' frame times; exit 1 when a median regressed\n",
          runner_tour_names());
}

static bool runner_read_text(const char* path, std::string* out) {
  FILE* f = fopen(path, "rb");
  if (!f) return false;
  char buffer[4096];
  size_t n;
  out->clear();
  while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) {
    out->append(buffer, n);
    if (out->size() > (1u << 20)) {
      fclose(f);
      return false;
    }
  }
  bool ok = !ferror(f);
  fclose(f);
  return ok;
}

// Returns 0 to run, 1 to exit with success, 2 for a usage error.
static int runner_parse_options(int argc, char** argv, runner_options* o) {
  const char* tour = "short";
  const char* script_file = nullptr;
  for (int i = 1; i < argc; i++) {
    const char* a = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    long long n = 0;
    if (strcmp(a, "--help") == 0 || strcmp(a, "-h") == 0) {
      runner_usage(stdout);
      return 1;
    } else if (strcmp(a, "--real-clock") == 0) {
      o->real_clock = true;
      continue;
    }
    if (!value) {
      fprintf(stderr, "boxfield_runner: %s needs a value\n", a);
      return 2;
    }
    i++;
    if (strcmp(a, "--size") == 0) {
      if (!runner_parse_size(value, 16, 16, &o->width, &o->height)) {
        fprintf(stderr, "boxfield_runner: --size wants WxH, each from 16 to 8192\n");
        return 2;
      }
    } else if (strcmp(a, "--tour") == 0) {
      tour = value;
      script_file = nullptr;
    } else if (strcmp(a, "--script") == 0) {
      script_file = value;
    } else if (strcmp(a, "--print-tour") == 0) {
      const char* text = runner_builtin_tour(value);
      if (!text) {
        fprintf(stderr, "boxfield_runner: no tour '%s' (tours: %s)\n", value, runner_tour_names());
        return 2;
      }
      fputs(text, stdout);
      return 1;
    } else if (strcmp(a, "--out") == 0) {
      o->out_dir = value;
    } else if (strcmp(a, "--validate") == 0) {
      o->validate_dir = value;
    } else if (strcmp(a, "--tolerance") == 0) {
      if (!runner_parse_count(value, 255, &n)) {
        fprintf(stderr, "boxfield_runner: --tolerance wants 0 to 255\n");
        return 2;
      }
      o->tolerance = (int32_t)n;
    } else if (strcmp(a, "--max-differing") == 0) {
      if (!runner_parse_count(value, 1LL << 40, &n)) {
        fprintf(stderr, "boxfield_runner: --max-differing wants a pixel count\n");
        return 2;
      }
      o->max_differing = n;
    } else {
      fprintf(stderr, "boxfield_runner: unknown option %s\n", a);
      runner_usage(stderr);
      return 2;
    }
  }
  if (script_file) {
    if (!runner_read_text(script_file, &o->script_text)) {
      fprintf(stderr, "boxfield_runner: cannot read script %s (or it is over 1 MiB)\n", script_file);
      return 2;
    }
    o->script_label = std::string("script ") + script_file;
  } else {
    const char* text = runner_builtin_tour(tour);
    if (!text) {
      fprintf(stderr, "boxfield_runner: no tour '%s' (tours: %s)\n", tour, runner_tour_names());
      return 2;
    }
    o->script_text = text;
    o->script_label = std::string("tour ") + tour;
  }
  return 0;
}

// ---------------------------------------------------------------------------
// Clocks

static double runner_seconds(void) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return (double)t.tv_sec + (double)t.tv_nsec * 1e-9;
}

// Readings of the fixed clock: each one advances this much.
static const double RUNNER_CLOCK_STEP = 1.0 / 64.0;
static int64_t runner_clock_readings = 0;

static double runner_fixed_clock(void) { return (double)(runner_clock_readings++) * RUNNER_CLOCK_STEP; }

// ---------------------------------------------------------------------------
// Own work: the wrapped calls of the frame loop

struct runner_own_work {
  double pump_s, camera_s, overlay_s, window_s;
  int64_t pumps, cameras, overlays;
};
static runner_own_work own_work = {};

extern "C" {
int32_t __real__Z13pump_messagesv(void);
void __real__Z13camera_updated(double r);
void __real__Z16draw_fps_overlayiid(int32_t x, int32_t y, double rate);
int32_t __real__Z14open_gl_windowiiPKc(int32_t width, int32_t height, const char* title);

int32_t __wrap__Z14open_gl_windowiiPKc(int32_t width, int32_t height, const char* title) {
  double t = runner_seconds();
  int32_t result = __real__Z14open_gl_windowiiPKc(width, height, title);
  own_work.window_s += runner_seconds() - t;
  return result;
}

int32_t __wrap__Z13pump_messagesv(void) {
  double t = runner_seconds();
  int32_t result = __real__Z13pump_messagesv();
  own_work.pump_s += runner_seconds() - t;
  own_work.pumps++;
  return result;
}

void __wrap__Z13camera_updated(double r) {
  double t = runner_seconds();
  __real__Z13camera_updated(r);
  own_work.camera_s += runner_seconds() - t;
  own_work.cameras++;
}

void __wrap__Z16draw_fps_overlayiid(int32_t x, int32_t y, double rate) {
  double t = runner_seconds();
  __real__Z16draw_fps_overlayiid(x, y, rate);
  own_work.overlay_s += runner_seconds() - t;
  own_work.overlays++;
}
}

// ---------------------------------------------------------------------------
// The run

struct runner_shot {
  std::string name;
  int32_t frame;
  std::string file;     // saved picture, or the reference compared with
  int compared;         // 1 when compared with a reference
  int passed;           // comparison within limits
  std::string message;  // what differed
};

struct runner_frame {
  double ms;        // from the end of the previous frame to glFinish of this one
  bool solid;       // mode the frame was drawn in
  bool list_built;  // the display list was compiled in this frame
};

static runner_options options;
static runner_script script;
static size_t next_event = 0;
static int32_t frames_drawn = 0;
static int32_t mouse_dx = 0, mouse_dy = 0;
static bool mouse_held = false;
static double t_main = 0.0, t_started = 0.0, t_first_frame = 0.0, t_last = 0.0;
static std::vector<runner_frame> frames;
static std::vector<runner_shot> shots;
static bool previous_solid = true;
static int32_t failures = 0;
static std::string gl_vendor, gl_renderer, gl_version;

// Posts the script's events of frame n, and the held mouse offset.
static void runner_post_events(int32_t n) {
  while (next_event < script.events.size() && script.events[next_event].frame <= n) {
    const runner_event& e = script.events[next_event++];
    if (e.action == RUNNER_KEY_DOWN) headless_key_down((uint8_t)e.key);
    if (e.action == RUNNER_KEY_UP) headless_key_up((uint8_t)e.key);
    if (e.action == RUNNER_MOVE) {
      mouse_dx = e.dx;
      mouse_dy = e.dy;
      mouse_held = true;
    }
  }
  if (mouse_held) {
    headless_mouse_move(screen_width / 2 + mouse_dx, screen_height / 2 + mouse_dy, 0);
    if (mouse_dx == 0 && mouse_dy == 0) mouse_held = false;
  }
}

static runner_image runner_read_frame(void) {
  runner_image im = {screen_width, screen_height, {}};
  std::vector<uint8_t> rows((size_t)screen_width * screen_height * 3);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, screen_width, screen_height, GL_RGB, GL_UNSIGNED_BYTE, rows.data());
  im.rgb.resize(rows.size());
  size_t stride = (size_t)screen_width * 3;
  for (int32_t y = 0; y < screen_height; y++) {
    memcpy(&im.rgb[(size_t)y * stride], &rows[(size_t)(screen_height - 1 - y) * stride], stride);
  }
  return im;
}

static void runner_take_shot(const runner_event& e) {
  runner_shot shot = {e.name, e.frame, "", 0, 1, ""};
  runner_image im = runner_read_frame();
  if (options.validate_dir.empty()) {
    shot.file = options.out_dir + "/" + e.name + ".png";
    if (!runner_write_png(shot.file.c_str(), im)) {
      shot.passed = 0;
      shot.message = "cannot write " + shot.file;
      failures++;
    }
  } else {
    shot.compared = 1;
    shot.file = options.validate_dir + "/" + e.name + ".png";
    runner_image reference;
    char error[512];
    if (!runner_read_png(shot.file.c_str(), &reference, error, sizeof error)) {
      shot.passed = 0;
      shot.message = error;
    } else {
      runner_compare_result r = runner_compare_images(im, reference, options.tolerance);
      char text[1024];
      if (!r.same_size) {
        snprintf(text, sizeof text, "size %dx%d, reference %dx%d", im.width, im.height, reference.width,
                 reference.height);
        shot.passed = 0;
        shot.message = text;
      } else if (r.differing > options.max_differing) {
        shot.passed = 0;
        int used =
            snprintf(text, sizeof text,
                     "%lld pixels differ by more than %d (largest difference %d) inside x %d..%d, y %d..%d;",
                     (long long)r.differing, options.tolerance, r.max_channel_diff, r.min_x, r.max_x, r.min_y,
                     r.max_y);
        for (const runner_pixel_diff& d : r.samples) {
          if (used < 0 || (size_t)used >= sizeof text) break;
          used += snprintf(text + used, sizeof text - (size_t)used, " (%d,%d) %d,%d,%d vs %d,%d,%d", d.x, d.y,
                           d.got[0], d.got[1], d.got[2], d.expected[0], d.expected[1], d.expected[2]);
        }
        shot.message = text;
        std::string got_path = options.out_dir + "/" + e.name + ".got.png";
        std::string diff_path = options.out_dir + "/" + e.name + ".diff.png";
        runner_write_png(got_path.c_str(), im);
        runner_write_png(diff_path.c_str(), runner_diff_image(im, reference, options.tolerance));
        shot.message += " (saved " + got_path + " and " + diff_path + ")";
      } else {
        snprintf(text, sizeof text, "%lld pixels beyond the tolerance, largest difference %d",
                 (long long)r.differing, r.max_channel_diff);
        shot.message = text;
      }
    }
    if (!shot.passed) failures++;
  }
  shots.push_back(shot);
}

static void runner_hook(box_field_stage stage) {
  if (stage == BOX_FIELD_STARTED) {
    t_started = runner_seconds();
    gl_vendor = (const char*)glGetString(GL_VENDOR);
    gl_renderer = (const char*)glGetString(GL_RENDERER);
    gl_version = (const char*)glGetString(GL_VERSION);
    runner_post_events(1);
    t_last = runner_seconds();
    return;
  }
  glFinish();
  double now = runner_seconds();
  frames_drawn++;
  if (frames_drawn == 1) t_first_frame = now;
  runner_frame f = {(now - t_last) * 1000.0, solid_mode, frames_drawn == 1 || solid_mode != previous_solid};
  previous_solid = solid_mode;
  frames.push_back(f);

  for (const runner_event& e : script.events) {
    if (e.frame == frames_drawn && e.action == RUNNER_SHOT) runner_take_shot(e);
  }
  if (frames_drawn >= script.last_frame) {
    headless_post_message(WM_QUIT, 0, 0);
  } else {
    runner_post_events(frames_drawn + 1);
  }
  t_last = runner_seconds();
}

// ---------------------------------------------------------------------------
// Report

static void runner_json_string(FILE* f, const std::string& s) {
  fputc('"', f);
  for (unsigned char c : s) {
    if (c == '"' || c == '\\') {
      fprintf(f, "\\%c", c);
    } else if (c < 0x20) {
      fprintf(f, "\\u%04x", c);
    } else {
      fputc(c, f);
    }
  }
  fputc('"', f);
}

static void runner_json_summary(FILE* f, const runner_summary& s) {
  fprintf(f,
          "{\"frames\": %zu, \"mean_ms\": %.4f, \"median_ms\": %.4f, \"p90_ms\": %.4f, \"p99_ms\": %.4f, "
          "\"max_ms\": %.4f, \"low_1pct_fps\": %.2f}",
          s.count, s.mean_ms, s.median_ms, s.p90_ms, s.p99_ms, s.max_ms, s.low_1pct_fps);
}

struct runner_timings {
  runner_summary solid, wire;
  double startup_ms, window_ms, first_frame_ms, to_first_frame_ms;
  double compile_solid_ms, compile_wire_ms, generate_ms, font_ms;
  double pump_us, camera_us, overlay_us;
};

static void runner_print_summary(const char* mode, const runner_summary& s) {
  if (s.count == 0) {
    printf("  %-5s  no steady frames\n", mode);
    return;
  }
  printf("  %-5s  %5zu frames  median %7.3f ms  p90 %7.3f ms  p99 %7.3f ms  1%% low %7.1f fps\n", mode,
         s.count, s.median_ms, s.p90_ms, s.p99_ms, s.low_1pct_fps);
}

static bool runner_write_json(const std::string& path, const runner_timings& t) {
  FILE* f = fopen(path.c_str(), "w");
  if (!f) return false;
  fprintf(f, "{\n  \"program\": \"boxfield\",\n  \"frame_end\": \"glFinish\",\n  \"gl\": {\"vendor\": ");
  runner_json_string(f, gl_vendor);
  fprintf(f, ", \"renderer\": ");
  runner_json_string(f, gl_renderer);
  fprintf(f, ", \"version\": ");
  runner_json_string(f, gl_version);
  fprintf(f, "},\n  \"egl\": {\"platform\": ");
  runner_json_string(f, headless_egl_platform());
  fprintf(f, ", \"frames_swapped\": %d", headless_get_record()->egl_swaps);
  fprintf(f, "},\n  \"surface\": {\"width\": %d, \"height\": %d},\n  \"clock\": ", screen_width,
          screen_height);
  runner_json_string(f, options.real_clock ? "real" : "fixed, 1/64 s per reading");
  fprintf(f, ",\n  \"script\": ");
  runner_json_string(f, options.script_label);
  fprintf(f, ",\n  \"frames\": %d,\n  \"modes\": {\n    \"solid\": ", frames_drawn);
  runner_json_summary(f, t.solid);
  fprintf(f, ",\n    \"wire\": ");
  runner_json_summary(f, t.wire);
  fprintf(f, "\n  },\n  \"list_build_frames\": [");
  bool first = true;
  for (size_t i = 0; i < frames.size(); i++) {
    if (!frames[i].list_built) continue;
    fprintf(f, "%s{\"frame\": %zu, \"mode\": \"%s\", \"ms\": %.4f}", first ? "" : ", ", i + 1,
            frames[i].solid ? "solid" : "wire", frames[i].ms);
    first = false;
  }
  fprintf(
      f,
      "],\n  \"startup_ms\": {\"to_first_frame\": %.3f, \"before_loop\": %.3f, \"window_and_context\": %.3f, "
      "\"first_frame\": %.3f, \"font_build\": %.3f, \"field_generation\": %.3f, \"list_compile_solid\": "
      "%.3f, "
      "\"list_compile_wire\": %.3f},\n",
      t.to_first_frame_ms, t.startup_ms, t.window_ms, t.first_frame_ms, t.font_ms, t.generate_ms,
      t.compile_solid_ms, t.compile_wire_ms);
  fprintf(f,
          "  \"own_work_us_per_frame\": {\"pump_messages\": %.3f, \"camera_update\": %.3f, "
          "\"draw_fps_overlay\": %.3f, \"total\": %.3f},\n",
          t.pump_us, t.camera_us, t.overlay_us, t.pump_us + t.camera_us + t.overlay_us);
  fprintf(f, "  \"shots\": [");
  for (size_t i = 0; i < shots.size(); i++) {
    const runner_shot& s = shots[i];
    fprintf(f, "%s\n    {\"name\": ", i ? "," : "");
    runner_json_string(f, s.name);
    fprintf(f, ", \"frame\": %d, \"file\": ", s.frame);
    runner_json_string(f, s.file);
    fprintf(f, ", \"compared\": %s, \"passed\": %s, \"message\": ", s.compared ? "true" : "false",
            s.passed ? "true" : "false");
    runner_json_string(f, s.message);
    fputc('}', f);
  }
  fprintf(f, "%s]\n}\n", shots.empty() ? "" : "\n  ");
  bool ok = !ferror(f);
  return fclose(f) == 0 && ok;
}

// Times a list compile in the given mode, finished with glFinish.
static double runner_time_compile(bool solid) {
  bool saved_mode = solid_mode;
  uint32_t saved_list = field_list;
  solid_mode = solid;
  glFinish();
  double t = runner_seconds();
  box_field_build_list();
  glFinish();
  double ms = (runner_seconds() - t) * 1000.0;
  glDeleteLists(field_list, 1);
  field_list = saved_list;
  solid_mode = saved_mode;
  return ms;
}

static bool runner_make_dir(const std::string& dir) {
  if (mkdir(dir.c_str(), 0777) == 0 || errno == EEXIST) return true;
  fprintf(stderr, "boxfield_runner: cannot create %s: %s\n", dir.c_str(), strerror(errno));
  return false;
}

int main(int argc, char** argv) {
  t_main = runner_seconds();
  fpu_use_extended_precision();
  // Report comparison runs nothing: runner/runner_compare.h.
  for (int i = 1; i < argc; i++) {
    if (strcmp(argv[i], "--compare") == 0) return runner_compare_main(argc, argv, stdout, stderr);
  }
  int parsed = runner_parse_options(argc, argv, &options);
  if (parsed == 1) return 0;
  if (parsed == 2) return 2;
  char error[256];
  if (!runner_parse_script(options.script_text.c_str(), &script, error, sizeof error)) {
    fprintf(stderr, "boxfield_runner: %s: %s\n", options.script_label.c_str(), error);
    return 2;
  }
  if (!runner_make_dir(options.out_dir)) return 2;

  headless_set_display_size(options.width, options.height);
  if (!options.real_clock) clock_now = runner_fixed_clock;
  box_field_hook = runner_hook;
  box_field_main("boxfield_runner");
  box_field_hook = nullptr;
  if (frames_drawn == 0) {
    fprintf(stderr, "boxfield_runner: the program drew no frame\n");
    return 1;
  }

  // Start-up pieces timed on their own after the run.
  runner_timings t = {};
  t.compile_solid_ms = runner_time_compile(true);
  t.compile_wire_ms = runner_time_compile(false);
  double g = runner_seconds();
  box* saved_boxes = field_boxes;
  box_field_generate();
  t.generate_ms = (runner_seconds() - g) * 1000.0;
  free(field_boxes);
  field_boxes = saved_boxes;
  double fstart = runner_seconds();
  load_cell_font(builtin_font_cells, BUILTIN_FONT_CELLS_LENGTH, make_glyph_style(6.0f, 6.0f),
                 "runner timing");
  t.font_ms = (runner_seconds() - fstart) * 1000.0;

  std::vector<double> solid_ms, wire_ms;
  for (const runner_frame& f : frames) {
    if (f.list_built) continue;
    (f.solid ? solid_ms : wire_ms).push_back(f.ms);
  }
  t.solid = runner_summarise(solid_ms.data(), solid_ms.size());
  t.wire = runner_summarise(wire_ms.data(), wire_ms.size());
  t.startup_ms = (t_started - t_main) * 1000.0;
  t.window_ms = own_work.window_s * 1000.0;
  t.first_frame_ms = frames[0].ms;
  t.to_first_frame_ms = (t_first_frame - t_main) * 1000.0;
  double n = (double)frames_drawn;
  t.pump_us = own_work.pump_s / n * 1e6;
  t.camera_us = own_work.camera_s / n * 1e6;
  t.overlay_us = own_work.overlay_s / n * 1e6;

  printf("boxfield_runner: %s, %d frames, each ending with glFinish\n", options.script_label.c_str(),
         frames_drawn);
  printf("  GL vendor   %s\n  GL renderer %s\n  GL version  %s\n", gl_vendor.c_str(), gl_renderer.c_str(),
         gl_version.c_str());
  printf("  EGL         %s; eglSwapBuffers after %d of %d frames\n", headless_egl_platform(),
         headless_get_record()->egl_swaps, frames_drawn);
  printf("  surface     %dx%d; clock %s\n", screen_width, screen_height,
         options.real_clock ? "real" : "fixed at 1/64 s per reading");
  printf("frame times (frames that compiled the display list left out):\n");
  runner_print_summary("solid", t.solid);
  runner_print_summary("wire", t.wire);
  printf(
      "start-up: %.1f ms from main to the first finished frame = %.1f ms before the loop "
      "(%.1f ms of it opening the window and GL context) + %.1f ms first frame\n",
      t.to_first_frame_ms, t.startup_ms, t.window_ms, t.first_frame_ms);
  printf("  timed apart: list compile %.1f ms solid, %.1f ms wire; font %.2f ms; field %.2f ms\n",
         t.compile_solid_ms, t.compile_wire_ms, t.font_ms, t.generate_ms);
  printf(
      "own work per frame: pump %.2f us, camera %.2f us, overlay %.2f us (with its GL calls); total %.2f "
      "us\n",
      t.pump_us, t.camera_us, t.overlay_us, t.pump_us + t.camera_us + t.overlay_us);
  if (!options.real_clock && runner_clock_readings != (int64_t)frames_drawn + 1) {
    printf("note: the clock was read %lld times for %d frames\n", (long long)runner_clock_readings,
           frames_drawn);
  }
  for (const runner_shot& s : shots) {
    if (s.compared) {
      printf("%s frame %d vs %s: %s\n", s.passed ? "same" : "DIFFERS", s.frame, s.file.c_str(),
             s.message.c_str());
    } else if (s.passed) {
      printf("screenshot frame %d: %s\n", s.frame, s.file.c_str());
    } else {
      printf("screenshot frame %d: %s\n", s.frame, s.message.c_str());
    }
  }
  std::string json = options.out_dir + "/report.json";
  if (!runner_write_json(json, t)) {
    fprintf(stderr, "boxfield_runner: cannot write %s\n", json.c_str());
    return 1;
  }
  printf("report: %s\n", json.c_str());
  if (failures) {
    printf("boxfield_runner: %d of %zu shots failed\n", failures, shots.size());
    return 1;
  }
  return 0;
}
