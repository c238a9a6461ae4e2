// 2D primitives against the recording GL layer: colour placement after
// glBegin, corner orders, the top byte of packed colours, the lighting guard
// and the mouse marker's integer and float arithmetic.
#include "geometry/shapes_2d.h"

#include <gtest/gtest.h>

#include <vector>

#include "shell/window.h"
#include "support/gl_recorder.h"

using calls_t = std::vector<gl_call>;

TEST(Shapes2d, PointLineAndRectangleStreams) {
  gl_recorder_reset();
  draw_point_2d(1.5, -2, 0x7F00FF10);  // top byte ignored
  EXPECT_EQ(gl_recorder_calls(),
            (calls_t{gl_call_of("glBegin", {GL_POINTS}), gl_call_of("glColor3ub", {0, 0xFF, 0x10}),
                     gl_call_of("glVertex2d", {1.5, -2}), gl_call_of("glEnd", {})}));

  gl_recorder_reset();
  emit_line_2d(1, 2, 3, 4, 0x010203);
  EXPECT_EQ(gl_recorder_calls(),
            (calls_t{gl_call_of("glColor3ub", {1, 2, 3}), gl_call_of("glVertex2d", {1, 2}),
                     gl_call_of("glVertex2d", {3, 4})}));

  gl_recorder_reset();
  draw_rect_2d(10, 20, 5, -3, 0xFFFFFFFF);
  EXPECT_EQ(gl_recorder_calls(),
            (calls_t{gl_call_of("glBegin", {GL_QUADS}), gl_call_of("glColor3ub", {255, 255, 255}),
                     gl_call_of("glVertex2d", {10, 20}), gl_call_of("glVertex2d", {15, 20}),
                     gl_call_of("glVertex2d", {15, 17}), gl_call_of("glVertex2d", {10, 17}),
                     gl_call_of("glEnd", {})}));

  gl_recorder_reset();
  emit_rect_2d(0, 0, 0, 2, 0x800000);  // w = 0 still sends four corners
  EXPECT_EQ(gl_recorder_calls(),
            (calls_t{gl_call_of("glColor3ub", {128, 0, 0}), gl_call_of("glVertex2d", {0, 0}),
                     gl_call_of("glVertex2d", {0, 0}), gl_call_of("glVertex2d", {0, 2}),
                     gl_call_of("glVertex2d", {0, 2})}));

  gl_recorder_reset();
  draw_rect_outline_2d(1, 1, 2, 2, 0x000080);
  EXPECT_EQ(
      gl_recorder_calls(),
      (calls_t{gl_call_of("glBegin", {GL_LINE_LOOP}), gl_call_of("glColor3ub", {0, 0, 128}),
               gl_call_of("glVertex2d", {1, 1}), gl_call_of("glVertex2d", {3, 1}),
               gl_call_of("glVertex2d", {3, 3}), gl_call_of("glVertex2d", {1, 3}), gl_call_of("glEnd", {})}));
  // The colour stays current after the call.
  EXPECT_EQ(gl_recorder_value(GL_CURRENT_COLOR), (std::vector<double>{0, 0, 128 / 255.0, 1}));
}

TEST(Shapes2d, LineLightingGuard) {
  const calls_t body = {gl_call_of("glBegin", {GL_LINES}), gl_call_of("glColor3ub", {0x11, 0x22, 0x33}),
                        gl_call_of("glVertex2d", {0, 0}), gl_call_of("glVertex2d", {5, 5}),
                        gl_call_of("glEnd", {})};
  for (bool lit : {true, false}) {
    gl_recorder_reset();
    gl_recorder_set_enabled(GL_LIGHTING, lit);
    draw_line_2d(0, 0, 5, 5, 0x112233);
    calls_t want = {gl_call_of("glIsEnabled", {GL_LIGHTING}), gl_call_of("glDisable", {GL_LIGHTING})};
    want.insert(want.end(), body.begin(), body.end());
    if (lit) want.push_back(gl_call_of("glEnable", {GL_LIGHTING}));
    EXPECT_EQ(gl_recorder_calls(), want) << "lighting on entry: " << lit;
    EXPECT_EQ(gl_recorder_enabled(GL_LIGHTING), lit);
  }
}

TEST(Shapes2d, MouseMarker) {
  int32_t saved_w = screen_width, saved_x = mouse_x, saved_y = mouse_y;
  mouse_x = 100;
  mouse_y = 50;
  screen_width = 1280;  // d1 = 6, d2 = 12
  gl_recorder_reset();
  gl_recorder_set_enabled(GL_LIGHTING, true);
  draw_mouse_marker();
  const float sx = 100.1f, sy = 50.1f;
  EXPECT_EQ(gl_recorder_calls(),
            (calls_t{gl_call_of("glIsEnabled", {GL_LIGHTING}), gl_call_of("glDisable", {GL_LIGHTING}),
                     gl_call_of("glBegin", {GL_LINES}), gl_call_of("glColor3f", {1, 1, 1}),
                     gl_call_of("glVertex2f", {sx, sy}), gl_call_of("glVertex2f", {106, sy}),
                     gl_call_of("glVertex2f", {sx, sy}), gl_call_of("glVertex2f", {sx, 56}),
                     gl_call_of("glVertex2f", {sx, sy}), gl_call_of("glVertex2f", {112, 62}),
                     gl_call_of("glEnd", {}), gl_call_of("glEnable", {GL_LIGHTING})}));

  // Below 100 pixels both offsets truncate to 0: the lines end at the mouse
  // position itself, 0.1 pixel up and left of their start.
  screen_width = 99;
  gl_recorder_reset();
  draw_mouse_marker();
  calls_t verts = gl_recorder_calls_named({"glVertex2f"});
  ASSERT_EQ(verts.size(), 6u);
  EXPECT_EQ(verts[1], gl_call_of("glVertex2f", {100, sy}));
  EXPECT_EQ(verts[3], gl_call_of("glVertex2f", {sx, 50}));
  EXPECT_EQ(verts[5], gl_call_of("glVertex2f", {100, 50}));
  EXPECT_EQ(gl_recorder_count("glEnable"), 0);
  screen_width = saved_w;
  mouse_x = saved_x;
  mouse_y = saved_y;
}
