// Recorded GL streams of the box-field program: the display list in both
// modes (order, colours, the glow at the end), one frame's calls around the
// list (polygon mode, view, mode toggle, clear colour, projection pop,
// end_frame), and the frame-rate graph's bars.
#include <gtest/gtest.h>
#include <math.h>
#include <string.h>

#include <vector>

#include "boxfield/box_field.h"
#include "boxfield/camera.h"
#include "boxfield/fps_overlay.h"
#include "font/font_registry.h"
#include "geometry/screen_effect.h"
#include "glyphs/builtin_font.h"
#include "glyphs/cell_font.h"
#include "glyphs/cell_glyphs.h"
#include "shell/clock.h"
#include "shell/window.h"
#include "tests/support/gl_recorder.h"

namespace {

const double PI = 3.14159265358979323846;

// The world box of record i, written out from the field's definition.
void world_box(int32_t i, double e[6]) {
  double s = pow(10000.0, 1.0 / 3.0);
  const box& b = field_boxes[i];
  e[0] = s * b.pos_x - s / 2;
  e[1] = e[0] + b.size_x;
  e[2] = s * b.pos_y - s / 2;
  e[3] = e[2] + b.size_y;
  e[4] = s * b.pos_z - s / 2;
  e[5] = e[4] + b.size_z;
}

bool on_box(const gl_call& v, const double e[6]) {
  return v.args.size() == 3 && (v.args[0] == e[0] || v.args[0] == e[1]) &&
         (v.args[1] == e[2] || v.args[1] == e[3]) && (v.args[2] == e[4] || v.args[2] == e[5]);
}

struct list_fixture : ::testing::Test {
  static void SetUpTestSuite() {
    if (!field_boxes) {
      random_set_state(1);
      ASSERT_EQ(box_field_generate(), 1);
    }
  }
  void SetUp() override {
    gl_recorder_reset();
    screen_width = 1000;
    screen_height = 700;
  }
  // Builds the list in a mode and returns the calls, checking the frame of
  // glGenLists, glNewList ... glEndList around them.
  std::vector<gl_call> build(bool solid) {
    solid_mode = solid;
    gl_recorder_clear_calls();
    box_field_build_list();
    std::vector<gl_call> calls = gl_recorder_calls();
    EXPECT_GE(calls.size(), 4u);
    EXPECT_EQ(calls[0], gl_call_of("glGenLists", {1, (double)field_list}));
    EXPECT_EQ(calls[1], gl_call_of("glNewList", {(double)field_list, GL_COMPILE}));
    EXPECT_EQ(calls.back(), gl_call_of("glEndList", {}));
    return calls;
  }
};

// Walks one glBegin/glEnd block of boxes from position *at: for each box from
// 9999 down, the colour calls before its vertices and a check that its
// vertices (per_box of them) lie on that box.
struct box_block {
  std::vector<std::vector<gl_call>> colours;  // indexed by box
};

box_block walk_boxes(const std::vector<gl_call>& calls, size_t* at, int per_box) {
  box_block block;
  block.colours.resize(BOX_COUNT);
  for (int32_t i = BOX_COUNT - 1; i >= 0; i--) {
    double e[6];
    world_box(i, e);
    int vertices = 0;
    while (*at < calls.size() && vertices < per_box) {
      const gl_call& c = calls[*at];
      if (c.name == "glColor3f") {
        EXPECT_EQ(vertices, 0) << "colour inside box " << i;
        block.colours[i].push_back(c);
      } else if (c.name == "glVertex3d") {
        if (!on_box(c, e)) {
          ADD_FAILURE() << "vertex " << gl_call_text(c) << " not on box " << i;
          return block;
        }
        vertices++;
      } else if (c.name != "glNormal3f") {
        ADD_FAILURE() << "unexpected " << gl_call_text(c) << " in box " << i;
        return block;
      }
      (*at)++;
    }
    if (vertices != per_box) {
      ADD_FAILURE() << "box " << i << " has " << vertices << " vertices";
      return block;
    }
  }
  return block;
}

TEST_F(list_fixture, WireModeBlackBoxesThenEdgesColouredByIndex) {
  std::vector<gl_call> calls = build(false);
  size_t at = 2;
  EXPECT_EQ(calls[at++], gl_call_of("glBegin", {GL_QUADS}));
  EXPECT_EQ(calls[at++], gl_call_of("glColor3f", {0, 0, 0}));
  box_block quads = walk_boxes(calls, &at, 24);
  for (int32_t i = 0; i < BOX_COUNT; i++) ASSERT_TRUE(quads.colours[i].empty()) << "box " << i << " coloured";
  EXPECT_EQ(calls[at++], gl_call_of("glEnd", {}));

  EXPECT_EQ(calls[at++], gl_call_of("glBegin", {GL_LINES}));
  EXPECT_EQ(calls[at++], gl_call_of("glColor3f", {0, 0, 1}));
  box_block lines = walk_boxes(calls, &at, 24);
  EXPECT_EQ(calls[at++], gl_call_of("glEnd", {}));
  EXPECT_EQ(at + 1, calls.size());

  const gl_call red = gl_call_of("glColor3f", {1, 0, 0});
  const gl_call green = gl_call_of("glColor3f", {0, 1, 0});
  const gl_call blue = gl_call_of("glColor3f", {0, 0, 1});
  using colours = std::vector<gl_call>;
  EXPECT_EQ(lines.colours[9999], colours({blue}));
  for (int32_t i = 9991; i <= 9998; i++) EXPECT_EQ(lines.colours[i], colours()) << i;
  EXPECT_EQ(lines.colours[9990], colours({red}));
  EXPECT_EQ(lines.colours[9989], colours({blue}));
  EXPECT_EQ(lines.colours[9900], colours({red, green}));
  EXPECT_EQ(lines.colours[10], colours({red}));
  EXPECT_EQ(lines.colours[1], colours());
  EXPECT_EQ(lines.colours[0], colours({red, green}));

  // The colour in force for each box's edges.
  gl_call current = blue;
  std::vector<gl_call> effective(BOX_COUNT);
  for (int32_t i = BOX_COUNT - 1; i >= 0; i--) {
    if (!lines.colours[i].empty()) current = lines.colours[i].back();
    effective[i] = current;
  }
  EXPECT_EQ(effective[0], green);
  EXPECT_EQ(effective[9990], red);
  EXPECT_EQ(effective[9999], blue);
  EXPECT_EQ(effective[5555], blue);
  EXPECT_EQ(effective[4200], green);
}

TEST_F(list_fixture, SolidModeColoursByPositionAndEndsWithTheGlow) {
  screen_bloom(12.0f);  // the glow makes its textures at its first call
  std::vector<gl_call> calls = build(true);
  size_t at = 2;
  EXPECT_EQ(calls[at++], gl_call_of("glBegin", {GL_QUADS}));
  EXPECT_EQ(calls[at++], gl_call_of("glColor3f", {0, 0, 0}));
  box_block quads = walk_boxes(calls, &at, 24);
  for (int32_t i : {9999, 5000, 0}) {
    const box& b = field_boxes[i];
    ASSERT_EQ(quads.colours[i].size(), 1u) << i;
    // Single-precision colours. Stored through volatile floats: GCC 12 at
    // -O2 drops the rounding of a double -> float -> double pair here.
    volatile float r = (float)b.pos_x, g = (float)b.pos_y, bl = (float)b.pos_z;
    EXPECT_EQ(quads.colours[i][0], gl_call_of("glColor3f", {r, g, bl}));
  }
  EXPECT_EQ(calls[at++], gl_call_of("glEnd", {}));

  // The rest, up to glEndList, is the glow with radius 1000 / 80 = 12
  // (integer division), exactly as screen_bloom(12) records it.
  std::vector<gl_call> tail(calls.begin() + (long)at, calls.end() - 1);
  gl_recorder_clear_calls();
  screen_bloom(12.0f);
  std::vector<gl_call> glow = gl_recorder_calls();
  ASSERT_FALSE(glow.empty());
  EXPECT_EQ(tail, glow);
  gl_recorder_clear_calls();
  screen_bloom(13.0f);
  EXPECT_NE(tail, gl_recorder_calls());
}

// ---------------------------------------------------------------------------
// One frame around the list

struct frame_fixture : list_fixture {
  static double fake_time;
  static double fake_clock(void) { return fake_time; }
  void SetUp() override {
    list_fixture::SetUp();
    if (font_find("normal") == nullptr) {
      load_cell_font(builtin_font_cells, BUILTIN_FONT_CELLS_LENGTH, make_glyph_style(6.0f, 6.0f), "normal");
    }
    memset(key_state, 0, sizeof key_state);
    memset(prev_key_state, 0, sizeof prev_key_state);
    mouse_x = screen_width / 2;
    mouse_y = screen_height / 2;
    clock_now = fake_clock;
    start_time = 10.0;
    run_time = 0.0;
    fake_time = 10.0;
    camera_place(pow(10000.0, 1.0 / 3.0));
    solid_mode = true;
    field_list = 0;
    box_field_frame();  // builds the solid list
    gl_recorder_clear_calls();
  }
  void TearDown() override { clock_reset(0); }
  // The calls of one frame, fake_time advanced by dt first.
  std::vector<gl_call> frame(double dt) {
    fake_time += dt;
    gl_recorder_clear_calls();
    box_field_frame();
    return gl_recorder_calls();
  }
};
double frame_fixture::fake_time = 0.0;

// Index of the first call named name at or after from; calls.size() if none.
size_t find_call(const std::vector<gl_call>& calls, const char* name, size_t from = 0) {
  for (size_t i = from; i < calls.size(); i++) {
    if (calls[i].name == name) return i;
  }
  return calls.size();
}

TEST_F(frame_fixture, CallsAroundTheListInOrder) {
  cam_yaw = 0.25;
  cam_pitch = -0.5;
  cam_pos = {1.0, 2.0, 3.0};
  uint32_t list = field_list;
  std::vector<gl_call> calls = frame(0.0);  // no motion: the view uses the values above
  ASSERT_GE(calls.size(), 10u);
  std::vector<gl_call> head(calls.begin(), calls.begin() + 9);
  std::vector<gl_call> expected = {
      gl_call_of("glPolygonMode", {GL_FRONT_AND_BACK, GL_FILL}),
      gl_call_of("glMatrixMode", {GL_PROJECTION}),
      gl_call_of("glPushMatrix", {}),
      gl_call_of("glRotatef", {(float)(-0.5 * 180.0 / PI), 1, 0, 0}),
      gl_call_of("glRotatef", {(float)(0.25 * 180.0 / PI), 0, 1, 0}),
      gl_call_of("glMatrixMode", {GL_MODELVIEW}),
      gl_call_of("glTranslatef", {-1.0f, -2.0f, -3.0f}),
      gl_call_of("glClearColor", {1, 1, 1, 0}),
      gl_call_of("glCallList", {(double)list}),
  };
  EXPECT_EQ(head, expected);

  std::vector<gl_call> tail(calls.end() - 5, calls.end());
  std::vector<gl_call> expected_tail = {gl_call_of("glMatrixMode", {GL_PROJECTION}),
                                        gl_call_of("glPopMatrix", {}),
                                        gl_call_of("glMatrixMode", {GL_MODELVIEW}),
                                        gl_call_of("glClear", {0x4100}), gl_call_of("glLoadIdentity", {})};
  EXPECT_EQ(tail, expected_tail);
  EXPECT_EQ(gl_recorder_count("glNewList"), 0);
}

TEST_F(frame_fixture, HoldingEDrawsLines) {
  key_state['E'] = 0x80;
  std::vector<gl_call> calls = frame(0.01);
  EXPECT_EQ(calls[0], gl_call_of("glPolygonMode", {GL_FRONT_AND_BACK, GL_LINE}));
  key_state['E'] = 0;
  calls = frame(0.01);
  EXPECT_EQ(calls[0], gl_call_of("glPolygonMode", {GL_FRONT_AND_BACK, GL_FILL}));
}

TEST_F(frame_fixture, MPressTogglesOnceAndRebuildsInTheSameFrame) {
  uint32_t solid_list = field_list;
  key_state['M'] = 0x80;  // pressed this frame: down now, up before
  std::vector<gl_call> calls = frame(0.01);
  EXPECT_FALSE(solid_mode);
  size_t del = find_call(calls, "glDeleteLists");
  ASSERT_LT(del, calls.size());
  EXPECT_EQ(calls[del], gl_call_of("glDeleteLists", {(double)solid_list, 1}));
  size_t clear = find_call(calls, "glClearColor");
  EXPECT_EQ(calls[clear], gl_call_of("glClearColor", {0, 0, 0, 0}));
  size_t gen = find_call(calls, "glGenLists");
  size_t call = find_call(calls, "glCallList");
  EXPECT_LT(del, clear);
  EXPECT_LT(clear, gen);
  EXPECT_LT(gen, call);
  EXPECT_EQ(calls[call], gl_call_of("glCallList", {(double)field_list}));

  // Held: no second toggle.
  memcpy(prev_key_state, key_state, sizeof key_state);
  calls = frame(0.01);
  EXPECT_FALSE(solid_mode);
  EXPECT_EQ(find_call(calls, "glDeleteLists"), calls.size());

  // Released, then pressed again: back to solid.
  key_state['M'] = 0;
  memcpy(prev_key_state, key_state, sizeof key_state);
  frame(0.01);
  key_state['M'] = 0x80;
  calls = frame(0.01);
  EXPECT_TRUE(solid_mode);
  EXPECT_EQ(calls[find_call(calls, "glClearColor")], gl_call_of("glClearColor", {1, 1, 1, 0}));
}

// The bars: after the overlay's glBegin(GL_LINES), one colour and two
// vertices per sample, oldest first.
std::vector<gl_call> bar_calls(const std::vector<gl_call>& calls) {
  size_t begin = calls.size();
  for (size_t i = 0; i < calls.size(); i++) {
    if (calls[i] == gl_call_of("glBegin", {GL_LINES})) begin = i;
  }
  EXPECT_LT(begin, calls.size());
  if (begin == calls.size()) return {};
  size_t end = find_call(calls, "glEnd", begin);
  return std::vector<gl_call>(calls.begin() + (long)begin + 1, calls.begin() + (long)end);
}

TEST_F(frame_fixture, GraphBarsStandOnTheBaseLineBelowTheText) {
  for (int k = 0; k < FPS_HISTORY_LENGTH; k++) fps_history_push(0.0);
  fps_history_push(250.0);  // second newest after the next call
  gl_recorder_clear_calls();
  draw_fps_overlay(10, 20, 59.9);
  std::vector<gl_call> calls = gl_recorder_calls();
  std::vector<gl_call> bars = bar_calls(calls);
  ASSERT_EQ(bars.size(), 300u);
  float top = (float)(20 + current_line_height);
  // Oldest (a zero rate): column 11, zero height, darkest red.
  EXPECT_EQ(bars[0], gl_call_of("glColor3f", {0.5f, 0, 0}));
  EXPECT_EQ(bars[1], gl_call_of("glVertex2f", {11, top + 100}));
  EXPECT_EQ(bars[2], gl_call_of("glVertex2f", {11, top + 100}));
  // 250: column 109, full height, green.
  EXPECT_EQ(bars[294], gl_call_of("glColor3f", {0, 0.5f, 0}));
  EXPECT_EQ(bars[295], gl_call_of("glVertex2f", {109, top + 100}));
  EXPECT_EQ(bars[296], gl_call_of("glVertex2f", {109, top}));
  // Newest, 59.9: column 110, 59.9 pixels tall, yellow.
  EXPECT_EQ(bars[297], gl_call_of("glColor3f", {0.5f, 0.5f, 0}));
  EXPECT_EQ(bars[298], gl_call_of("glVertex2f", {110, top + 100}));
  EXPECT_EQ(bars[299],
            gl_call_of("glVertex2f", {110, (float)((double)(20 + current_line_height) + (100.0 - 59.9))}));

  // Around the bars, after the text: overlay mode, blending on with the
  // screen-like function, lighting and depth test off; afterwards blending
  // off and overlay mode left.
  size_t begin = calls.size();
  for (size_t i = 0; i < calls.size(); i++) {
    if (calls[i] == gl_call_of("glBegin", {GL_LINES})) begin = i;
  }
  ASSERT_GE(begin, 12u);
  std::vector<gl_call> before(calls.begin() + (long)begin - 12, calls.begin() + (long)begin);
  std::vector<gl_call> expected_before = {
      gl_call_of("glPushMatrix", {}),
      gl_call_of("glLoadIdentity", {}),
      gl_call_of("glMatrixMode", {GL_PROJECTION}),
      gl_call_of("glPushMatrix", {}),
      gl_call_of("glLoadIdentity", {}),
      gl_call_of("glOrtho", {0, 1000, 700, 0, 350, -350}),
      gl_call_of("glDisable", {GL_DEPTH_TEST}),
      gl_call_of("glMatrixMode", {GL_MODELVIEW}),
      gl_call_of("glEnable", {GL_BLEND}),
      gl_call_of("glDisable", {GL_LIGHTING}),
      gl_call_of("glDisable", {GL_DEPTH_TEST}),
      gl_call_of("glBlendFunc", {GL_ONE, GL_ONE_MINUS_SRC_COLOR}),
  };
  EXPECT_EQ(before, expected_before);
  size_t end = begin + 1 + bars.size();
  ASSERT_EQ(end + 7, calls.size());
  std::vector<gl_call> after(calls.begin() + (long)end, calls.end());
  std::vector<gl_call> expected_after = {
      gl_call_of("glEnd", {}),
      gl_call_of("glDisable", {GL_BLEND}),
      gl_call_of("glMatrixMode", {GL_PROJECTION}),
      gl_call_of("glPopMatrix", {}),
      gl_call_of("glMatrixMode", {GL_MODELVIEW}),
      gl_call_of("glPopMatrix", {}),
      gl_call_of("glEnable", {GL_DEPTH_TEST}),
  };
  EXPECT_EQ(after, expected_after);
}

TEST_F(frame_fixture, ZeroLengthFrameDrawsAFullGreenBar) {
  std::vector<gl_call> calls = frame(0.0);
  std::vector<gl_call> bars = bar_calls(calls);
  ASSERT_EQ(bars.size(), 300u);
  float top = (float)current_line_height;
  EXPECT_EQ(bars[297], gl_call_of("glColor3f", {0, 0.5f, 0}));
  EXPECT_EQ(bars[299], gl_call_of("glVertex2f", {100, top}));
  EXPECT_TRUE(isinf(fps_history[0]));
}

}  // namespace
