// Timed, scripted runs of the box-field program (see box_field_bench.h).
#include "boxfield/box_field_bench.h"

#include <string.h>

#include <vector>

#include "boxfield/box_field.h"
#include "runner/runner_gl_errors.h"
#include "runner/runner_image.h"
#include "runner/runner_plot.h"
#include "runner/runner_progress.h"
#include "runner/runner_readback.h"
#include "shell/gl.h"
#include "shell/platform.h"
#include "shell/window.h"

// ---------------------------------------------------------------------------
// State of the run

static box_field_bench_options options;
static runner_session session;
static runner_progress progress;
static std::vector<runner_shot> shots;
static int32_t failures = 0;
static double t_begin = 0.0, t_started = 0.0, t_first_frame = 0.0;
static double t_last = 0.0;    // end of the previous frame's timing
static double paused_s = 0.0;  // time spent on shots and progress since t_last
static std::string error_check;
static int64_t frame_errors = 0;
static std::string gl_vendor, gl_renderer, gl_version;

// Scripted keys laid over key_state after each pump: keys of frame n show
// from frame n + 1 on, as keys posted before frame n's pump do.
static uint8_t scripted_down[256];
static std::vector<std::pair<int32_t, bool>> keys_pending;

static void hold_key(int32_t vk, bool down) { keys_pending.push_back({vk, down}); }

static std::string gl_string(GLenum name) {
  const char* s = (const char*)glGetString(name);
  return s ? s : "";
}

static std::string out_path(const std::string& file) {
  return options.out_dir.empty() ? file : options.out_dir + "/" + file;
}

// ---------------------------------------------------------------------------
// Shots

static void take_shot(const runner_event& e) {
  runner_shot shot = {e.name, e.frame, "", 0, 1, ""};
  runner_image im = runner_read_surface(screen_width, screen_height);
  if (options.validate_dir.empty()) {
    shot.file = out_path(std::string(e.name) + ".png");
    if (!runner_write_png(shot.file.c_str(), im)) {
      shot.passed = 0;
      shot.message = "cannot write " + shot.file;
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
      char text[512];
      if (!r.same_size) {
        snprintf(text, sizeof text, "size %dx%d, reference %dx%d", im.width, im.height, reference.width,
                 reference.height);
        shot.passed = 0;
        shot.message = text;
      } else if (r.differing > options.max_differing) {
        shot.passed = 0;
        snprintf(text, sizeof text,
                 "%lld pixels differ by more than %d (largest difference %d) inside x %d..%d, y %d..%d",
                 (long long)r.differing, options.tolerance, r.max_channel_diff, r.min_x, r.max_x, r.min_y,
                 r.max_y);
        shot.message = text;
        // The differing pixels, one per line, as the summary prints them.
        for (const runner_pixel_diff& d : r.samples) {
          snprintf(text, sizeof text, "\n  (%d, %d) got %d,%d,%d expected %d,%d,%d", d.x, d.y, d.got[0],
                   d.got[1], d.got[2], d.expected[0], d.expected[1], d.expected[2]);
          shot.message += text;
        }
        std::string got_path = out_path(std::string(e.name) + ".got.png");
        std::string diff_path = out_path(std::string(e.name) + ".diff.png");
        runner_write_png(got_path.c_str(), im);
        runner_write_png(diff_path.c_str(), runner_diff_image(im, reference, options.tolerance));
        shot.message += "\n  saved " + got_path + " and " + diff_path;
      } else {
        snprintf(text, sizeof text, "%lld pixels beyond the tolerance, largest difference %d",
                 (long long)r.differing, r.max_channel_diff);
        shot.message = text;
      }
    }
  }
  if (!shot.passed) failures++;
  shots.push_back(shot);
}

// ---------------------------------------------------------------------------
// The hook

// Input of frame n for a backend queue: keys and the held mouse, posted
// before frame n's pump.
static void post_input(int32_t n) {
  runner_session_events(&session, n, options.key);
  if (session.mouse_held && options.mouse) {
    options.mouse(screen_width / 2 + session.mouse_dx, screen_height / 2 + session.mouse_dy);
    if (session.mouse_dx == 0 && session.mouse_dy == 0) session.mouse_held = false;
  }
}

// Input of frame n laid over what the pump left.
static void lay_over_input(int32_t n) {
  for (const auto& k : keys_pending) scripted_down[k.first & 255] = k.second ? 1 : 0;
  keys_pending.clear();
  runner_session_events(&session, n, hold_key);
  for (int vk = 0; vk < 256; vk++) {
    if (scripted_down[vk]) key_state[vk] |= 0x80;
  }
  mouse_x = screen_width / 2 + session.mouse_dx;
  mouse_y = screen_height / 2 + session.mouse_dy;
}

static void end_timed_frame(double now) {
  double ms = (now - t_last - paused_s) * 1000.0;
  int64_t errors = runner_gl_errors_take() + frame_errors;
  frame_errors = 0;
  runner_session_record(&session, ms, solid_mode, errors);
  if (runner_session_frames(session) == 1) t_first_frame = now;
  t_last = now;
  paused_s = 0.0;
}

static void bench_hook(box_field_stage stage) {
  const int32_t frame = runner_session_frames(session) + 1;  // the frame being drawn
  if (stage == BOX_FIELD_STARTED) {
    t_started = runner_seconds();
    gl_vendor = gl_string(GL_VENDOR);
    gl_renderer = gl_string(GL_RENDERER);
    gl_version = gl_string(GL_VERSION);
    error_check = runner_gl_errors_begin(true);
    if (options.started) options.started();  // its errors count with frame 1
    if (options.key) post_input(1);
    if (options.progress) runner_progress_begin(&progress, runner_seconds());
    t_last = runner_seconds();
    return;
  }
  if (stage == BOX_FIELD_PUMPED) {
    if (!options.key) lay_over_input(frame);
    return;
  }
  if (stage == BOX_FIELD_FRAME_DRAWN) {
    if (options.frame_end == RUNNER_FRAME_END_FINISH) {
      glFinish();
    } else if (options.frame_end == RUNNER_FRAME_END_READPIXELS) {
      uint8_t pixel[4];
      glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    }
    double now = runner_seconds();
    if (options.frame_end != RUNNER_FRAME_END_SWAP) {
      end_timed_frame(now);
    } else {
      // Errors of this frame's drawing are counted with it.
      frame_errors += runner_gl_errors_take();
    }
    if (options.take_shots) {
      for (const runner_event& e : session.script.events) {
        if (e.frame == frame && e.action == RUNNER_SHOT) take_shot(e);
      }
    }
    // The shots' read-back is left out of every frame's time.
    double spent = runner_seconds() - now;
    if (options.frame_end != RUNNER_FRAME_END_SWAP) {
      t_last += spent;
    } else {
      paused_s += spent;
    }
    return;
  }
  // BOX_FIELD_FRAME_ENDED
  if (options.frame_end == RUNNER_FRAME_END_SWAP) end_timed_frame(runner_seconds());
  double t = runner_seconds();
  const int32_t done = runner_session_frames(session);
  if (options.progress) {
    const char* what = solid_mode ? "frame (solid)" : "frame (wire)";
    runner_progress_update(&progress, t, what, done, session.script.last_frame);
  }
  if (runner_session_done(session)) {
    platform_post_quit_message(0);
  } else if (options.key) {
    post_input(done + 1);
  }
  double after = runner_seconds();
  if (options.frame_end == RUNNER_FRAME_END_SWAP) {
    paused_s += after - t;
  } else {
    t_last += after - t;  // the next frame is timed from here
  }
}

// ---------------------------------------------------------------------------
// Begin and finish

void box_field_bench_begin(const box_field_bench_options& o) {
  options = o;
  runner_session_start(&session, o.script);
  shots.clear();
  failures = 0;
  t_begin = runner_seconds();
  t_started = t_first_frame = t_last = 0.0;
  paused_s = 0.0;
  frame_errors = 0;
  memset(scripted_down, 0, sizeof scripted_down);
  keys_pending.clear();
  box_field_hook = bench_hook;
}

int32_t box_field_bench_finish(runner_report* r, std::string* plot_path) {
  box_field_hook = nullptr;
  if (options.progress) runner_progress_end(&progress);
  runner_gl_errors_end();
  r->tool = options.tool;
  r->frame_end = runner_frame_end_name(options.frame_end);
  r->gl_vendor = gl_vendor;
  r->gl_renderer = gl_renderer;
  r->gl_version = gl_version;
  r->width = screen_width;
  r->height = screen_height;
  r->clock = options.clock_label;
  r->script = options.script_label;
  r->gl_error_check = error_check;
  // Which window system the frames were shown on (SDL's video driver).
  r->extra.emplace_back("window_system", runner_json_quote(platform_window_system()));
  runner_report_take_session(r, session);
  r->shots = shots;

  plot_path->clear();
  if (!session.frames.empty()) {
    runner_plot_run run = {"this run", r->solid_ms, r->wire_ms};
    std::string title = runner_plot_title(gl_renderer, screen_width, screen_height, r->frame_end.c_str());
    runner_image picture = runner_plot_frametimes(title.c_str(), run, nullptr);
    std::string path = out_path("frametimes.png");
    if (runner_write_png(path.c_str(), picture)) *plot_path = path;
  }
  return failures;
}

double box_field_bench_started_s(void) { return t_started > 0.0 ? t_started - t_begin : 0.0; }

double box_field_bench_first_frame_s(void) { return t_first_frame > 0.0 ? t_first_frame - t_begin : 0.0; }

bool box_field_bench_complete(void) { return runner_session_done(session); }
