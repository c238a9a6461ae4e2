// The timed run shared by boxfield_runner and the benchmark mode, on real
// Mesa: both ways of feeding the script (posted to the backend's queue
// before the pump, laid over the key state after it) switch modes on the
// same frame; the frames that compiled the display list are left out of the
// timed ones; GL errors count for the mode of the frame they were raised
// in; the frame-time picture is written at the surface's size; warm-up and
// timed passes fly the same frames; GPU and CPU time are there; shots,
// progress lines and GPU read-backs never count in a frame's time.
#include <gtest/gtest.h>

#include <string>

#include "boxfield/box_field.h"
#include "boxfield/box_field_bench.h"
#include "boxfield/fps_overlay.h"
#include "runner/runner_image.h"
#include "runner/runner_report.h"
#include "shell/clock.h"
#include "shell/gl.h"
#include "shell/platform_headless.h"
#include "support/temp_files.h"

namespace {

int64_t readings = 0;
double fixed_clock(void) { return (double)(readings++) / 64.0; }

void queue_key(int32_t vk, bool down) {
  if (down) {
    headless_key_down((uint8_t)vk);
  } else {
    headless_key_up((uint8_t)vk);
  }
}
void queue_mouse(int32_t x, int32_t y) { headless_mouse_move(x, y, 0); }

void raise_error(void) { glEnable(0xDEAD); }
// The held mouse, posted before the pumps of frames 5 to 8 (wire frames),
// with an error each time.
void queue_mouse_with_error(int32_t x, int32_t y) {
  raise_error();
  queue_mouse(x, y);
}

// M pressed in frame 3 and let go in frame 4: frames 1-3 solid, 4-8 wire.
const char script_text[] = "3 down M\n4 up M\n5 move 4 0\n8 end\n";

runner_report run(bool through_queue, void (*started)(void), std::string* plot,
                  void (*mouse)(int32_t x, int32_t y) = queue_mouse, box_field_bench_options o = {}) {
  o.tool = "test";
  o.script_label = "test script";
  char error[128];
  if (o.script.events.empty()) {
    EXPECT_EQ(runner_parse_script(script_text, &o.script, error, sizeof error), 1) << error;
  }
  o.out_dir = temp_path("bench_run");
  EXPECT_EQ(system(("mkdir -p " + o.out_dir).c_str()), 0);
  o.key = through_queue ? queue_key : nullptr;
  o.mouse = through_queue ? mouse : nullptr;
  o.started = started;
  readings = 0;
  headless_set_display_size(200, 120);
  headless_reset_input();
  clock_now = fixed_clock;
  box_field_bench_begin(o);
  box_field_main("test");
  runner_report r;
  box_field_bench_finish(&r, plot);
  clock_reset(0);
  // Later tests in this process expect no pending GL error (the deliberate
  // ones still set the error flag) and an empty frame-rate history.
  while (glGetError() != GL_NO_ERROR) {
  }
  for (double& rate : fps_history) rate = 0.0;
  return r;
}

// One run at a time unless a test asks for more.
box_field_bench_options one_run(void) {
  box_field_bench_options o;
  o.runs.warmup_passes = 0;
  o.runs.runs = 1;
  o.progress = false;
  return o;
}

std::string modes_of(const std::vector<runner_frame>& frames) {
  std::string s;
  for (const runner_frame& f : frames)
    s +=
        f.setup ? (f.mode == BOX_FIELD_MODE_SOLID ? 'S' : 'W') : (f.mode == BOX_FIELD_MODE_SOLID ? 's' : 'w');
  return s;
}

int64_t errors_of(const runner_report& r, const char* mode) { return runner_report_mode(r, mode)->gl_errors; }

TEST(box_field_bench, BothInputPathsSwitchOnTheSameFrame) {
  std::string plot;
  runner_report queued = run(true, nullptr, &plot, queue_mouse, one_run());
  runner_report laid = run(false, nullptr, &plot, queue_mouse, one_run());
  // Upper case: the frame compiled the display list (left out of the times).
  ASSERT_EQ(queued.runs.size(), 1u);
  EXPECT_EQ(modes_of(queued.runs[0]), "SssWwwww");
  EXPECT_EQ(modes_of(laid.runs[0]), "SssWwwww");
  EXPECT_EQ(runner_report_mode(queued, "solid")->frames, 2u);
  EXPECT_EQ(runner_report_mode(queued, "wire")->frames, 4u);
  EXPECT_EQ(queued.frame_end, "finish");
  EXPECT_EQ(errors_of(queued, "solid") + errors_of(queued, "wire"), 0);
}

TEST(box_field_bench, WarmUpAndRunsFlyTheSameFramesEachTime) {
  for (bool queue : {true, false}) {
    box_field_bench_options o = one_run();
    o.runs.warmup_passes = 2;
    o.runs.runs = 3;
    std::string plot;
    runner_report r = run(queue, nullptr, &plot, queue_mouse, o);
    // Each pass starts as the program does: solid mode, list built anew.
    ASSERT_EQ(r.runs.size(), 3u) << queue;
    for (const auto& frames : r.runs) EXPECT_EQ(modes_of(frames), "SssWwwww") << queue;
    EXPECT_EQ(box_field_bench_frames_drawn(), 40);
    EXPECT_TRUE(box_field_bench_complete());
    EXPECT_EQ(r.warmup_passes, 2);
    EXPECT_EQ(r.runs_requested, "3");
    EXPECT_EQ(runner_report_mode(r, "wire")->run_medians_ms.size(), 3u);
  }
}

TEST(box_field_bench, OnlyFramesThatBuildAListAreLeftOut) {
  // Wire from frame 4, solid again from frame 7: the first run ends in
  // solid mode, so the second keeps its list and times its first frame.
  for (int32_t warmup : {0, 1}) {
    box_field_bench_options o = one_run();
    o.runs.warmup_passes = warmup;
    o.runs.runs = 2;
    char error[128];
    ASSERT_EQ(
        runner_parse_script("3 down M\n4 up M\n6 down M\n7 up M\n8 end\n", &o.script, error, sizeof error), 1)
        << error;
    std::string plot;
    runner_report r = run(true, nullptr, &plot, queue_mouse, o);
    ASSERT_EQ(r.runs.size(), 2u);
    // The context's first frame builds the solid list, in the warm-up when
    // there is one.
    EXPECT_EQ(modes_of(r.runs[0]), warmup ? "sssWwwSs" : "SssWwwSs") << warmup;
    EXPECT_EQ(modes_of(r.runs[1]), "sssWwwSs") << warmup;
    EXPECT_EQ(runner_report_mode(r, "solid")->frames, warmup ? 8u : 7u);
    EXPECT_EQ(runner_report_mode(r, "wire")->frames, 4u);
  }
}

TEST(box_field_bench, GpuAndCpuTimeOfEveryTimedFrame) {
  std::string plot;
  runner_report r = run(true, nullptr, &plot, queue_mouse, one_run());
  // Mesa offers timer queries; with glFinish ending each frame, the GPU
  // cannot have worked longer than the frame took.
  EXPECT_EQ(r.gpu_time.rfind("GL_ARB_timer_query", 0), 0u) << r.gpu_time;
  for (const runner_frame& f : r.runs[0]) {
    if (&f == &r.runs[0][0]) continue;  // the context's first frame is not bracketed
    EXPECT_GE(f.gpu_ms, 0.0);
    EXPECT_LE(f.gpu_ms, f.ms) << (&f - &r.runs[0][0]);
    EXPECT_GE(f.cpu_ms, 0.0);
  }
  EXPECT_TRUE(runner_report_mode(r, "solid")->has_gpu);
  EXPECT_TRUE(runner_report_mode(r, "wire")->has_cpu);
  box_field_bench_options off = one_run();
  off.instruments.gpu_time = false;
  r = run(true, nullptr, &plot, queue_mouse, off);
  EXPECT_LT(r.runs[0][1].gpu_ms, 0.0);
  EXPECT_FALSE(runner_report_mode(r, "solid")->has_gpu);
}

// A clock that moves only when an instrument runs: any instrument counted
// in a frame would give that frame 1000 s.
double test_now = 0.0;
double test_clock(void) { return test_now; }
std::string instruments_seen;
void slow_instrument(const char* what) {
  test_now += 1000.0;
  if (instruments_seen.find(what) == std::string::npos) instruments_seen += std::string(what) + ";";
}

TEST(box_field_bench, InstrumentsNeverCountInAFrame) {
  // Read back every frame, or only when the GPU timer's ring is full (as
  // when the GPU runs behind): from then on every frame waits for it.
  for (bool read_each_frame : {true, false}) {
    for (runner_frame_end end : {RUNNER_FRAME_END_FINISH, RUNNER_FRAME_END_SWAP}) {
      SCOPED_TRACE(::testing::Message()
                   << runner_frame_end_name(end) << (read_each_frame ? "" : ", ring full"));
      box_field_bench_options o = one_run();
      o.gpu_read_each_frame = read_each_frame;
      char error[128];
      ASSERT_EQ(runner_parse_script("3 down M\n4 up M\n2 shot early\n6 shot late\n8 end\n", &o.script, error,
                                    sizeof error),
                1)
          << error;
      o.runs.warmup_passes = 1;
      o.runs.runs = 2;
      o.progress = true;
      o.frame_end = end;
      o.seconds = test_clock;
      o.instrument_hook = slow_instrument;
      instruments_seen.clear();
      std::string plot;
      runner_report r = run(true, nullptr, &plot, queue_mouse, o);
      for (const char* what : {"progress;", "shot;"})
        EXPECT_NE(instruments_seen.find(what), std::string::npos);
      EXPECT_EQ(instruments_seen.find("gpu read-back;") != std::string::npos, read_each_frame)
          << instruments_seen;
      if (!read_each_frame) {
        EXPECT_NE(instruments_seen.find("gpu wait;"), std::string::npos) << instruments_seen;
      }
      EXPECT_EQ(r.shots.size(), 2u);  // in the first timed run only
      ASSERT_EQ(r.runs.size(), 2u);
      for (const auto& frames : r.runs) {
        for (const runner_frame& f : frames) {
          EXPECT_EQ(f.ms, 0.0);
          // Every frame's GPU time arrives, however late it was read.
          EXPECT_GE(f.gpu_ms, 0.0);
        }
      }
    }
  }
}

TEST(box_field_bench, ErrorsCountForTheModeAndThePictureIsWritten) {
  std::string plot;
  runner_report r = run(true, raise_error, &plot, queue_mouse_with_error, one_run());
  EXPECT_EQ(errors_of(r, "solid"), 1);
  EXPECT_EQ(errors_of(r, "wire"), 4);
  EXPECT_EQ(r.gl_error_check, "GL_KHR_debug callback");
  ASSERT_FALSE(plot.empty());
  runner_image picture;
  char error[256];
  ASSERT_EQ(runner_read_png(plot.c_str(), &picture, error, sizeof error), 1) << error;
  EXPECT_EQ(picture.width, 200);
  EXPECT_EQ(picture.height, 120);
}

}  // namespace
