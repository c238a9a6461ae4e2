// The bench tour flown through box_field_main as boxfield_runner flies it
// (same event timing, 1/64 s per clock reading), at a small size: the view
// is the same at any size, as the flight does not depend on it. Every frame
// must show the field rather than a box face filling the screen: in solid
// mode many colours (a face seen close up is one shade with its glow), in
// wire mode many edge pixels outside the overlay, red edges among them.
#include <gtest/gtest.h>

#include <unordered_set>
#include <vector>

#include "boxfield/box_field.h"
#include "boxfield/box_field_tours.h"
#include "runner/runner_script.h"
#include "shell/clock.h"
#include "shell/gl.h"
#include "shell/platform_headless.h"
#include "shell/window.h"

namespace {

const int32_t W = 320, H = 180;

struct tour_state {
  runner_script script;
  size_t next = 0;
  int32_t frames = 0;
  int32_t dx = 0, dy = 0;
  bool mouse_held = false;
  std::vector<int32_t> solid_colours;  // per solid frame: distinct colours
  std::vector<double> wire_edges;      // per wire frame: share of edge pixels outside the overlay
  std::vector<int32_t> wire_red;       // per wire frame: red edge pixels
  int64_t readings = 0;
};
tour_state* tour = nullptr;

double tour_clock(void) { return (double)(tour->readings++) / 64.0; }

// The runner's posting: events of frame n before frame n's pump, the mouse
// offset again before every pump while it is held.
void post_events(int32_t n) {
  while (tour->next < tour->script.events.size() && tour->script.events[tour->next].frame <= n) {
    const runner_event& e = tour->script.events[tour->next++];
    if (e.action == RUNNER_KEY_DOWN) headless_key_down((uint8_t)e.key);
    if (e.action == RUNNER_KEY_UP) headless_key_up((uint8_t)e.key);
    if (e.action == RUNNER_MOVE) {
      tour->dx = e.dx;
      tour->dy = e.dy;
      tour->mouse_held = true;
    }
  }
  if (tour->mouse_held) {
    headless_mouse_move(screen_width / 2 + tour->dx, screen_height / 2 + tour->dy, 0);
    if (tour->dx == 0 && tour->dy == 0) tour->mouse_held = false;
  }
}

void inspect_frame(void) {
  std::vector<unsigned char> rgb((size_t)W * H * 3);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, W, H, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
  if (solid_mode) {
    std::unordered_set<uint32_t> colours;
    for (size_t i = 0; i < rgb.size(); i += 3) colours.insert(rgb[i] | rgb[i + 1] << 8 | rgb[i + 2] << 16);
    tour->solid_colours.push_back((int32_t)colours.size());
    return;
  }
  // The overlay (text and bars) covers x < 102 and the top 120 rows.
  int64_t edges = 0, red = 0, counted = 0;
  for (int32_t row = 0; row < H; row++) {
    int32_t y = H - 1 - row;  // from the top
    for (int32_t x = 0; x < W; x++) {
      if (x < 102 && y < 120) continue;
      const unsigned char* p = &rgb[((size_t)row * W + x) * 3];
      counted++;
      if (p[0] + p[1] + p[2] > 60) edges++;
      if (p[0] > 100 && p[1] < 60 && p[2] < 60) red++;
    }
  }
  tour->wire_edges.push_back((double)edges / (double)counted);
  tour->wire_red.push_back((int32_t)red);
}

void tour_hook(box_field_stage stage) {
  if (stage == BOX_FIELD_STARTED) {
    post_events(1);
    return;
  }
  if (stage != BOX_FIELD_FRAME_DRAWN) return;
  tour->frames++;
  inspect_frame();
  if (tour->frames >= tour->script.last_frame) {
    headless_post_message(WM_QUIT, 0, 0);
  } else {
    post_events(tour->frames + 1);
  }
}

TEST(bench_tour, EveryFrameShowsTheField) {
  tour_state state;
  tour = &state;
  char error[256];
  ASSERT_TRUE(runner_parse_script(box_field_tour("bench"), &state.script, error, sizeof error)) << error;
  headless_set_display_size(W, H);
  headless_reset_input();
  clock_now = tour_clock;
  box_field_hook = tour_hook;
  box_field_main("bench tour test");
  box_field_hook = nullptr;
  clock_reset(0);
  tour = nullptr;

  ASSERT_EQ(state.frames, state.script.last_frame);
  // Solid mode up to the switch at frame 251 (the flight's two halves).
  ASSERT_GE(state.solid_colours.size(), 240u);
  ASSERT_GE(state.wire_edges.size(), 240u);
  // The timed frames: not frame 1 nor the first wire frame, which build the
  // display list (and the first of them is drawn over no cleared picture).
  for (size_t i = 1; i < state.solid_colours.size(); i++) {
    EXPECT_GE(state.solid_colours[i], 1000) << "solid frame " << i + 1;
  }
  for (size_t i = 1; i < state.wire_edges.size(); i++) {
    EXPECT_GE(state.wire_edges[i], 0.10) << "wire frame " << i + 1 + state.solid_colours.size();
    EXPECT_GE(state.wire_red[i], 50) << "wire frame " << i + 1 + state.solid_colours.size();
  }
}

}  // namespace
