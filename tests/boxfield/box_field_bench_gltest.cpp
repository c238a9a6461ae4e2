// The timed run shared by boxfield_runner and the benchmark mode, on real
// Mesa: both ways of feeding the script (posted to the backend's queue
// before the pump, laid over the key state after it) switch modes on the
// same frame; the frames that compiled the display list are left out of the
// timed ones; GL errors count for the mode of the frame they were raised
// in; the frame-time picture is written at the surface's size.
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
                  void (*mouse)(int32_t x, int32_t y) = queue_mouse) {
  box_field_bench_options o;
  o.tool = "test";
  o.script_label = "test script";
  char error[128];
  EXPECT_EQ(runner_parse_script(script_text, &o.script, error, sizeof error), 1) << error;
  o.out_dir = temp_path("bench_run");
  EXPECT_EQ(system(("mkdir -p " + o.out_dir).c_str()), 0);
  o.progress = false;
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

std::string modes_of(const runner_report& r) {
  std::string s;
  for (const runner_frame& f : r.frames) s += f.list_built ? (f.solid ? 'S' : 'W') : (f.solid ? 's' : 'w');
  return s;
}

TEST(box_field_bench, BothInputPathsSwitchOnTheSameFrame) {
  std::string plot;
  runner_report queued = run(true, nullptr, &plot);
  runner_report laid = run(false, nullptr, &plot);
  // Upper case: the frame compiled the display list (left out of the times).
  EXPECT_EQ(modes_of(queued), "SssWwwww");
  EXPECT_EQ(modes_of(laid), "SssWwwww");
  EXPECT_EQ(queued.solid_ms.size(), 2u);
  EXPECT_EQ(queued.wire_ms.size(), 4u);
  EXPECT_EQ(queued.frame_end, "finish");
  EXPECT_EQ(queued.gl_errors_solid + queued.gl_errors_wire, 0);
}

TEST(box_field_bench, ErrorsCountForTheModeAndThePictureIsWritten) {
  std::string plot;
  runner_report r = run(true, raise_error, &plot, queue_mouse_with_error);
  EXPECT_EQ(r.gl_errors_solid, 1);
  EXPECT_EQ(r.gl_errors_wire, 4);
  EXPECT_EQ(r.gl_error_check, "GL_KHR_debug callback");
  ASSERT_FALSE(plot.empty());
  runner_image picture;
  char error[256];
  ASSERT_EQ(runner_read_png(plot.c_str(), &picture, error, sizeof error), 1) << error;
  EXPECT_EQ(picture.width, 200);
  EXPECT_EQ(picture.height, 120);
}

}  // namespace
