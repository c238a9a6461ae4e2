// Timed, scripted runs of the box-field program (see box_field_bench.h).
#include "boxfield/box_field_bench.h"

#include <string.h>

#include <vector>

#include "boxfield/box_field.h"
#include "boxfield/camera.h"
#include "runner/runner_gl_errors.h"
#include "runner/runner_gpu_timer.h"
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
static double c_last = 0.0;    // process CPU seconds at t_last
static double c_paused = 0.0;  // CPU seconds spent on shots and progress since c_last
static runner_runs runs;
static int64_t frames_drawn = 0;
static int64_t lists_seen = 0;  // field_lists_built at the end of the frame before
static double first_frame_ms = 0.0;
// --add-work: the work added to the frame being timed, and the previous
// frame's time without its added work (what the next frame's work is a
// share of, so the work does not feed on itself).
static double added_ms = 0.0, own_previous_ms = 0.0;
static bool complete = false;
static bool gpu_on = false;
static std::string gpu_how;
// GPU times by pass and frame (filled as the queries' results come in).
static std::vector<std::vector<double>> gpu_by_pass;
// Keys the script holds down (queue input), released between passes.
static uint8_t queued_down[256];
static std::string error_check;
static int64_t frame_errors = 0;
static std::string gl_vendor, gl_renderer, gl_version;

// Scripted keys laid over key_state after each pump: keys of frame n show
// from frame n + 1 on, as keys posted before frame n's pump do.
static uint8_t scripted_down[256];
static std::vector<std::pair<int32_t, bool>> keys_pending;

static void hold_key(int32_t vk, bool down) { keys_pending.push_back({vk, down}); }

// Keys for a backend queue, remembered so a pass can release them.
static void queue_key(int32_t vk, bool down) {
  queued_down[vk & 255] = down ? 1 : 0;
  options.key(vk, down);
}

// The clock frames are timed with (a test may hand in its own).
static double seconds_now(void) { return options.seconds ? options.seconds() : runner_seconds(); }

static void instrument(const char* what) {
  if (options.instrument_hook) options.instrument_hook(what);
}

static void gpu_done(int64_t tag, double ms, void*) {
  size_t pass = (size_t)(tag >> 32), frame = (size_t)(tag & 0xffffffff);
  if (pass >= gpu_by_pass.size()) gpu_by_pass.resize(pass + 1);
  std::vector<double>& v = gpu_by_pass[pass];
  if (frame >= v.size()) v.resize(frame + 1, -1.0);
  v[frame] = ms;
}

// Starts the GPU query of the next frame (0-based index in the pass).
static bool gpu_active = false;  // a query brackets the frame being drawn
static void gpu_frame_begin(int32_t index) {
  if (!gpu_on) return;
  runner_gpu_timer_frame_begin(((int64_t)runs.passes_flown << 32) | (int64_t)index);
  gpu_active = true;
}

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
  runner_image im = runner_read_surface(screen_width, screen_height);
  runner_shot shot = runner_shot_take(e.name, e.frame, im, options.shots, options.out_dir);
  if (!shot.passed) failures++;
  shots.push_back(shot);
  instrument("shot");
}

// ---------------------------------------------------------------------------
// The hook

// Input of frame n for a backend queue: keys and the held mouse, posted
// before frame n's pump.
static void post_input(int32_t n) {
  runner_session_events(&session, n, queue_key);
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
  double cpu = runner_cpu_seconds();
  double ms = (now - t_last - paused_s) * 1000.0;
  int64_t errors = runner_gl_errors_take() + frame_errors;
  frame_errors = 0;
  // Only a frame that built a display list did setup work: a pass that
  // starts in the mode the previous one ended in keeps its list.
  bool built = field_lists_built != lists_seen;
  lists_seen = field_lists_built;
  runner_session_record(&session, ms, solid_mode ? BOX_FIELD_MODE_SOLID : BOX_FIELD_MODE_WIRE, built, errors);
  session.frames.back().cpu_ms = cpu >= 0.0 && c_last >= 0.0 ? (cpu - c_last - c_paused) * 1000.0 : -1.0;
  own_previous_ms = ms - added_ms;
  added_ms = 0.0;
  frames_drawn++;
  if (frames_drawn == 1) {
    t_first_frame = now;
    first_frame_ms = ms;
  }
  t_last = now;
  paused_s = 0.0;
  c_last = cpu;
  c_paused = 0.0;
}

// The busy work --add-work asks for, inside the frame's time.
static void add_work(void) {
  if (options.runs.add_work_percent > 0.0)
    added_ms += runner_add_work(options.runs.add_work_percent, own_previous_ms);
}

// Leaves the time and CPU time since (t, c) out of the frame being timed.
static void leave_out(double t, double c, bool swap_end) {
  double spent = seconds_now() - t, cpu_spent = runner_cpu_seconds() - c;
  if (swap_end) {
    paused_s += spent;
    c_paused += cpu_spent;
  } else {
    t_last += spent;
    c_last += cpu_spent;
  }
}

// Between passes: the program as at its start (camera, solid mode, keys),
// so that every pass flies the same frames. A pass that ended in wire mode
// gets the solid list built anew in its first frame; one that ended in
// solid mode keeps its list, and its first frame builds nothing.
static void reset_for_pass(void) {
  camera_place(field_size);
  if (!solid_mode) {
    solid_mode = true;
    if (field_list) glDeleteLists(field_list, 1);
    field_list = 0;
  }
  for (int vk = 0; vk < 256; vk++) {
    if (queued_down[vk] && options.key) options.key(vk, false);
  }
  memset(queued_down, 0, sizeof queued_down);
  memset(scripted_down, 0, sizeof scripted_down);
  keys_pending.clear();
}

// "warm-up" or "run" for the progress line of the pass being flown.
static const char* runners_label(void) { return runner_runs_warming_up(runs) ? "warm-up" : "pass"; }

static void bench_hook(box_field_stage stage) {
  const int32_t frame = runner_session_frames(session) + 1;  // the frame being drawn
  if (stage == BOX_FIELD_STARTED) {
    t_started = seconds_now();
    lists_seen = field_lists_built;
    gl_vendor = gl_string(GL_VENDOR);
    gl_renderer = gl_string(GL_RENDERER);
    gl_version = gl_string(GL_VERSION);
    error_check = runner_gl_errors_begin(options.instruments.gl_error_callback);
    if (options.started) options.started();  // its errors count with frame 1
    const char* why = "off (--gpu-time off)";
    gpu_on = options.instruments.gpu_time && runner_gpu_timer_begin(&why, gpu_done, nullptr);
    gpu_how = why;
    if (options.key) post_input(1);
    if (options.progress) runner_progress_begin(&progress, seconds_now());
    // Without warm-up passes, the first timed run waits for its turn too.
    if (!runner_runs_await_turn(&runs)) {
      complete = true;
      platform_post_quit_message(0);
    }
    runner_runs_pass_begins(&runs, seconds_now());
    t_last = seconds_now();
    c_last = runner_cpu_seconds();
    // The very first frame of the context is not bracketed: llvmpipe gives
    // a query begun before the context's first drawing a start of 0 (the
    // result is then the machine's uptime). It builds the display list and
    // is never among the timed frames.
    gpu_active = false;
    return;
  }
  if (stage == BOX_FIELD_PUMPED) {
    if (!options.key) lay_over_input(frame);
    return;
  }
  if (stage == BOX_FIELD_FRAME_DRAWN) {
    if (gpu_active) runner_gpu_timer_frame_end();
    gpu_active = false;
    if (options.frame_end == RUNNER_FRAME_END_FINISH) {
      glFinish();
    } else if (options.frame_end == RUNNER_FRAME_END_READPIXELS) {
      uint8_t pixel[4];
      glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    }
    if (options.frame_end != RUNNER_FRAME_END_SWAP) add_work();
    double now = seconds_now();
    if (options.frame_end != RUNNER_FRAME_END_SWAP) {
      end_timed_frame(now);
    } else {
      // Errors of this frame's drawing are counted with it.
      frame_errors += runner_gl_errors_take();
    }
    double cpu_now = runner_cpu_seconds();
    // Shots in the first timed run only (every pass draws the same frames).
    if (options.take_shots && runs.passes_flown == runs.plan.warmup_passes) {
      for (const runner_event& e : session.script.events) {
        if (e.frame == frame && e.action == RUNNER_SHOT) take_shot(e);
      }
    }
    // The shots' read-back is left out of every frame's time.
    leave_out(now, cpu_now, options.frame_end == RUNNER_FRAME_END_SWAP);
    return;
  }
  // BOX_FIELD_FRAME_ENDED
  if (options.frame_end == RUNNER_FRAME_END_SWAP) {
    add_work();
    end_timed_frame(seconds_now());
  }
  double t = seconds_now(), c = runner_cpu_seconds();
  if (gpu_on) {
    if (options.gpu_read_each_frame) {
      runner_gpu_timer_collect(false);  // the results that are there; never waits
      instrument("gpu read-back");
    }
    // A full ring waits for its oldest query here, outside every frame's time.
    if (runner_gpu_timer_make_room()) instrument("gpu wait");
  }
  int32_t done = runner_session_frames(session);
  if (options.progress) {
    char what[64];
    snprintf(what, sizeof what, "%s %d, frame (%s)", runners_label(), runs.passes_flown + 1,
             solid_mode ? "solid" : "wire");
    runner_progress_update(&progress, t, what, done, session.script.last_frame);
    instrument("progress");
  }
  bool quit = false;
  if (runner_session_done(session)) {
    // With turns, the next timed run waits for the controlling process
    // (the wait is left out of the next frame's time below).
    if (runner_runs_pass_done(&runs, session.frames, seconds_now()) && runner_runs_await_turn(&runs)) {
      reset_for_pass();
      runner_session_start(&session, options.script);
      runner_runs_pass_begins(&runs, seconds_now());
      done = 0;
      if (options.key) post_input(1);
    } else {
      complete = true;
      quit = true;
      platform_post_quit_message(0);
    }
  } else if (options.key) {
    post_input(done + 1);
  }
  // The next frame is timed from here.
  leave_out(t, c, options.frame_end == RUNNER_FRAME_END_SWAP);
  if (!quit) gpu_frame_begin(done);
}

// ---------------------------------------------------------------------------
// Begin and finish

void box_field_bench_begin(const box_field_bench_options& o) {
  options = o;
  runner_session_start(&session, o.script);
  runner_runs_start(&runs, o.runs);
  frames_drawn = 0;
  first_frame_ms = 0.0;
  added_ms = own_previous_ms = 0.0;
  complete = false;
  gpu_on = false;
  gpu_how.clear();
  gpu_by_pass.clear();
  memset(queued_down, 0, sizeof queued_down);
  c_last = c_paused = 0.0;
  shots.clear();
  failures = 0;
  t_begin = seconds_now();
  t_started = t_first_frame = t_last = 0.0;
  paused_s = 0.0;
  frame_errors = 0;
  memset(scripted_down, 0, sizeof scripted_down);
  keys_pending.clear();
  box_field_hook = bench_hook;
}

int32_t box_field_bench_finish(runner_report* r, std::string* plot_path, std::string* plot_why) {
  box_field_hook = nullptr;
  if (options.progress) runner_progress_end(&progress);
  runner_gl_errors_end();
  if (gpu_active) runner_gpu_timer_frame_end();  // a run stopped inside a frame
  gpu_active = false;
  if (gpu_on) runner_gpu_timer_end();
  r->tool = options.tool;
  r->frame_end = runner_frame_end_name(options.frame_end);
  r->width = screen_width;
  r->height = screen_height;
  r->clock = options.clock_label;
  r->add_work_percent = options.runs.add_work_percent;
  r->script = options.script_label;
  r->gl_error_check = error_check;
  r->gpu_time = gpu_how;
  runner_environment_gather(&r->env);
  r->env.gl_vendor = gl_vendor;
  r->env.gl_renderer = gl_renderer;
  r->env.gl_version = gl_version;
  r->env.driver_version = runner_driver_version(gl_version);
  r->env.window_system = platform_window_system();
  r->env.egl = options.egl;
  r->env.surface_width = screen_width;
  r->env.surface_height = screen_height;
  r->env.program = options.tool;
  r->warmup_passes = options.runs.warmup_passes;
  r->runs_requested = runner_runs_requested(options.runs);
  r->ci_target_percent = options.runs.ci_percent;
  r->runs_ended_by = complete ? runs.ended_by : RUNNER_RUNS_STOPPED_EARLY;
  r->mode_names = {"solid", "wire"};  // by box_field_mode
  // Frames that built a display list (the first, and each switch of mode).
  r->setup_note = "frames that compiled the display list left out";
  r->setup_frames_key = "list_build_frames";
  r->runs = runs.timed;
  // A run stopped early (Escape, Q) reports the frames it drew.
  if (!complete && !runner_runs_warming_up(runs) && !session.frames.empty())
    r->runs.push_back(session.frames);
  // GPU times into the timed runs' frames.
  for (size_t k = 0; k < r->runs.size(); k++) {
    size_t pass = k + (size_t)options.runs.warmup_passes;
    if (pass >= gpu_by_pass.size()) continue;
    for (size_t i = 0; i < r->runs[k].size() && i < gpu_by_pass[pass].size(); i++)
      r->runs[k][i].gpu_ms = gpu_by_pass[pass][i];
  }
  runner_report_summarise(r);
  r->shots = shots;

  plot_path->clear();
  if (!r->runs.empty()) {
    // The picture shows every timed run's frames one after another.
    runner_plot_run run;
    run.label = "this run";
    for (const runner_mode_figures& m : r->modes) {
      runner_plot_mode pm = {m.name, {}};
      for (const auto& one : m.runs_ms) pm.ms.insert(pm.ms.end(), one.begin(), one.end());
      run.modes.push_back(pm);
    }
    std::string title = runner_plot_title(gl_renderer, screen_width, screen_height, r->frame_end.c_str());
    runner_image picture = runner_plot_frametimes(title.c_str(), run, nullptr);
    std::string path = out_path("frametimes.png");
    if (runner_write_png(path.c_str(), picture, plot_why)) *plot_path = path;
  } else if (plot_why) {
    *plot_why = "no timed run to draw";
  }
  return failures;
}

void box_field_report_pieces(runner_report* r, const box_field_pieces& p) {
  r->has_startup = true;
  r->startup_pieces = {{"font", p.font_build, "font_build_ms", ""},
                       {"field", p.field_generation, "field_generation_ms", ""},
                       {"list compile solid", p.list_compile_solid, "list_compile_solid_ms", ""},
                       {"list compile wire", p.list_compile_wire, "list_compile_wire_ms", ""}};
  char line[200];
  snprintf(line, sizeof line,
           "  timed apart: list compile %.1f ms solid, %.1f ms wire; font %.2f ms; field %.2f ms",
           p.list_compile_solid, p.list_compile_wire, p.font_build, p.field_generation);
  r->startup_pieces_line = line;
}

void box_field_report_own_work(runner_report* r, double pump_ms, double camera_ms, double overlay_ms) {
  r->own_work = {{"pump", pump_ms, "pump_messages_ms", ""},
                 {"camera", camera_ms, "camera_update_ms", ""},
                 {"overlay", overlay_ms, "draw_fps_overlay_ms", " (with its GL calls)"}};
}

double box_field_bench_started_s(void) { return t_started > 0.0 ? t_started - t_begin : 0.0; }

double box_field_bench_first_frame_s(void) { return t_first_frame > 0.0 ? t_first_frame - t_begin : 0.0; }

bool box_field_bench_complete(void) { return complete; }

std::string box_field_bench_stopped_at(void) {
  if (complete) return "";
  bool warm = runner_runs_warming_up(runs);
  int32_t pass = runs.passes_flown + 1 - (warm ? 0 : runs.plan.warmup_passes);
  std::string of = warm                  ? std::to_string(runs.plan.warmup_passes)
                   : runs.plan.auto_runs ? std::string("auto")
                                         : std::to_string(runs.plan.runs);
  char text[160];
  snprintf(text, sizeof text, "at frame %d of %d in %s %d of %s", runner_session_frames(session),
           session.script.last_frame, warm ? "warm-up pass" : "timed run", pass, of.c_str());
  return text;
}

const std::string& box_field_bench_turn_error(void) { return runs.turn_error; }

int64_t box_field_bench_frames_drawn(void) { return frames_drawn; }

double box_field_bench_first_frame_ms(void) { return first_frame_ms; }
