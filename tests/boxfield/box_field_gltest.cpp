// The whole program on real Mesa through the headless backend: box_field_main
// with scripted input, frames read back just before they are presented.
// Solid mode: coloured boxes on white; wire mode: edges coloured by index on
// black; the overlay's bars where they belong; M toggles once per press; E
// draws polygons as lines while held; Q and Escape end the loop; taps
// shorter than a frame count once; a zero-sized display is fatal (status 1).
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "boxfield/box_field.h"
#include "boxfield/fps_overlay.h"
#include "font/font_registry.h"
#include "shell/clock.h"
#include "shell/error_log.h"
#include "shell/gl.h"
#include "shell/platform_headless.h"
#include "shell/window.h"
#include "support/temp_files.h"

namespace {

const int32_t W = 320, H = 240;

struct rgb {
  int r, g, b;
};

struct frame_picture {
  int32_t width = 0, height = 0;
  std::vector<unsigned char> pixels;  // RGB, bottom row first as GL reads them
  // Colour at (x, y) with y measured downward from the top, like the overlay.
  rgb at(int32_t x, int32_t y) const {
    size_t i = ((size_t)(height - 1 - y) * width + x) * 3;
    return {pixels[i], pixels[i + 1], pixels[i + 2]};
  }
};

frame_picture read_frame() {
  frame_picture p;
  p.width = screen_width;
  p.height = screen_height;
  p.pixels.resize((size_t)p.width * p.height * 3);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, p.width, p.height, GL_RGB, GL_UNSIGNED_BYTE, p.pixels.data());
  return p;
}

// A run of box_field_main: script(frame) is called before the pump of each
// frame (frame 1 right after start-up) to post input; after frame `last` the
// run ends with WM_QUIT. The clock advances 1/128 s per reading, so every
// rate is 128 and every bar full height.
struct program_run {
  static program_run* current;
  std::function<void(int32_t)> script;
  std::function<void(int32_t)> inspect;  // called after each frame is drawn
  int32_t last = 0;
  int32_t frames = 0;
  int32_t started = 0;
  std::vector<bool> solid_by_frame;

  static int64_t readings;
  static double clock(void) { return (double)(readings++) / 128.0; }

  static void hook(box_field_stage stage) {
    program_run* r = current;
    if (stage == BOX_FIELD_STARTED) {
      r->started++;
      if (r->script) r->script(1);
      return;
    }
    if (stage != BOX_FIELD_FRAME_DRAWN) return;
    r->frames++;
    r->solid_by_frame.push_back(solid_mode);
    if (r->inspect) r->inspect(r->frames);
    if (r->frames >= r->last) {
      headless_post_message(WM_QUIT, 0, 0);
    } else if (r->script) {
      r->script(r->frames + 1);
    }
  }

  int run(int32_t width, int32_t height) {
    current = this;
    readings = 0;
    headless_set_display_size(width, height);
    headless_reset_input();
    clock_now = clock;
    box_field_hook = hook;
    int result = box_field_main("test");
    box_field_hook = nullptr;
    clock_reset(0);
    return result;
  }
};
program_run* program_run::current = nullptr;
int64_t program_run::readings = 0;

bool near(rgb c, int r, int g, int b, int tolerance) {
  return abs(c.r - r) <= tolerance && abs(c.g - g) <= tolerance && abs(c.b - b) <= tolerance;
}

// Share of the picture's pixels (below the overlay) matching a predicate.
double share(const frame_picture& p, const std::function<bool(rgb)>& test) {
  int64_t hits = 0, total = 0;
  for (int32_t y = 130; y < p.height; y++) {
    for (int32_t x = 0; x < p.width; x++, total++) hits += test(p.at(x, y)) ? 1 : 0;
  }
  return (double)hits / (double)total;
}

TEST(box_field_main, FromOutsideSolidOnWhiteThenWireOnBlackWithTheGraph) {
  frame_picture solid, wire;
  program_run run;
  run.last = 6;
  run.script = [](int32_t frame) {
    if (frame == 1) headless_mouse_move(W / 2, H / 2, 0);
    if (frame == 3) headless_key_down('M');  // pressed at frame 4
  };
  run.inspect = [&](int32_t frame) {
    if (frame == 3) solid = read_frame();
    if (frame == 6) wire = read_frame();
  };
  EXPECT_EQ(run.run(W, H), 0);
  ASSERT_EQ(run.frames, 6);
  EXPECT_EQ(run.solid_by_frame, std::vector<bool>({true, true, true, false, false, false}));

  // Seen from outside, the field fills the middle of the view; the corner
  // is background: white in solid mode, black in wire mode (the clear
  // colour of a mode applies from the frame after the switch on).
  EXPECT_TRUE(near(solid.at(W - 2, H - 2), 255, 255, 255, 8));
  EXPECT_TRUE(near(wire.at(W - 2, H - 2), 0, 0, 0, 8));
  rgb middle = solid.at(W / 2, H / 2);
  EXPECT_FALSE(near(middle, 255, 255, 255, 24)) << middle.r << "," << middle.g << "," << middle.b;
  // Solid boxes carry their position colours: a good part of the picture
  // is neither white nor grey.
  double coloured = share(solid, [](rgb c) { return abs(c.r - c.g) > 24 || abs(c.g - c.b) > 24; });
  EXPECT_GT(coloured, 0.05);

  // The graph after six frames of rate 128: the six newest columns are full
  // bars from the line below the text down 100 pixels. Each adds green 0.5
  // with (GL_ONE, GL_ONE_MINUS_SRC_COLOR), so whatever lies behind, the
  // green channel is at least 128 there; older columns hold zero samples
  // and add nothing above the base line.
  int32_t top = current_line_height;
  for (int32_t x = 96; x <= 99; x++) {
    for (int32_t y : {top + 1, top + 50, top + 98}) EXPECT_GE(wire.at(x, y).g, 124) << x << "," << y;
    EXPECT_LT(wire.at(x, top + 103).g, 100) << x;
  }
  for (int32_t x : {60, 90, 103}) EXPECT_LT(wire.at(x, top + 50).g, 100) << x;
  // The text "FPS: 128" in 0x4040C0 on the line above the bars, on black.
  int text_pixels = 0;
  for (int32_t y = 0; y < top; y++) {
    for (int32_t x = 0; x < 60; x++) text_pixels += near(wire.at(x, y), 0x40, 0x40, 0xC0, 40) ? 1 : 0;
  }
  EXPECT_GT(text_pixels, 10);
}

TEST(box_field_main, InsideTheFieldEDrawsLinesAndEdgesFollowTheIndexColours) {
  frame_picture wire;
  std::vector<int32_t> polygon_modes;
  program_run run;
  run.last = 40;
  run.script = [](int32_t frame) {
    if (frame == 1) headless_mouse_move(W / 2, H / 2, 0);
    if (frame == 2) headless_key_down('W');
    if (frame == 2) headless_key_down(VK_CONTROL);  // boosted flight into the field
    if (frame == 32) headless_key_up(VK_CONTROL);
    if (frame == 33) headless_key_down('E');  // in key_state at frames 34 and 35
    if (frame == 35) headless_key_up('E');
    if (frame == 36) headless_key_down('M');  // wire mode from frame 37
  };
  run.inspect = [&](int32_t frame) {
    GLint mode[2] = {0, 0};
    glGetIntegerv(GL_POLYGON_MODE, mode);
    polygon_modes.push_back(mode[0]);
    if (frame == 40) wire = read_frame();
  };
  run.run(W, H);
  ASSERT_EQ(run.frames, 40);
  for (int32_t f = 1; f <= 40; f++) {
    EXPECT_EQ(polygon_modes[f - 1], f == 34 || f == 35 ? GL_LINE : GL_FILL) << "frame " << f;
  }

  // Wire mode from inside: edges everywhere, mostly blue (nine boxes in
  // ten), some red (multiples of 10), a few green (multiples of 100).
  auto blue = [](rgb c) { return c.b > 100 && c.r < 60 && c.g < 60; };
  auto red = [](rgb c) { return c.r > 100 && c.g < 60 && c.b < 60; };
  auto green = [](rgb c) { return c.g > 100 && c.r < 60 && c.b < 60; };
  EXPECT_GT(share(wire, blue), 2 * share(wire, red));
  EXPECT_GT(share(wire, red), share(wire, green));
  EXPECT_GT(share(wire, green), 0.0);
  EXPECT_GT(share(wire, blue), 0.05);
}

TEST(box_field_main, HoldingMTogglesOncePerPress) {
  program_run run;
  run.last = 14;
  run.script = [](int32_t frame) {
    if (frame == 2) headless_key_down('M');  // held over frames 3..7
    if (frame == 7) headless_key_up('M');
    if (frame == 9) headless_key_down('M');   // again from frame 10
    if (frame == 10) headless_key_down('M');  // autorepeat: still one press
    if (frame == 12) headless_key_up('M');
  };
  run.run(160, 120);
  std::vector<bool> expected = {true,  true,  false, false, false, false, false,
                                false, false, true,  true,  true,  true,  true};
  EXPECT_EQ(run.solid_by_frame, expected);
}

TEST(box_field_main, QAndEscapeEndTheLoopBeforeTheNextFrame) {
  for (uint8_t key : {(uint8_t)'Q', (uint8_t)VK_ESCAPE}) {
    program_run run;
    run.last = 50;
    run.script = [key](int32_t frame) {
      if (frame == 4) headless_key_down(key);  // in key_state at the pump of frame 5
    };
    EXPECT_EQ(run.run(160, 120), 0);
    EXPECT_EQ(run.frames, 4) << "key " << (int)key;
  }
}

TEST(box_field_main, TapsShorterThanAFrameCountOnce) {
  // Down and up posted before the same pump, as a normal tap arrives at a
  // few frames per second: M switches once, E draws one frame in lines.
  std::vector<int32_t> polygon_modes;
  program_run run;
  run.last = 10;
  run.script = [](int32_t frame) {
    if (frame == 3 || frame == 6) {
      uint8_t key = frame == 3 ? 'M' : 'E';
      headless_key_down(key);
      headless_key_up(key);
    }
  };
  run.inspect = [&](int32_t) {
    GLint mode[2] = {0, 0};
    glGetIntegerv(GL_POLYGON_MODE, mode);
    polygon_modes.push_back(mode[0]);
  };
  run.run(160, 120);
  EXPECT_EQ(run.solid_by_frame,
            std::vector<bool>({true, true, true, false, false, false, false, false, false, false}));
  ASSERT_EQ(polygon_modes.size(), 10u);
  for (int32_t f = 1; f <= 10; f++)
    EXPECT_EQ(polygon_modes[f - 1], f == 7 ? GL_LINE : GL_FILL) << "frame " << f;

  // A tap of Q or Escape ends the loop at the next pump, as a held key does.
  for (uint8_t key : {(uint8_t)'Q', (uint8_t)VK_ESCAPE}) {
    program_run quit;
    quit.last = 50;
    quit.script = [key](int32_t frame) {
      if (frame == 4) {
        headless_key_down(key);
        headless_key_up(key);
      }
    };
    EXPECT_EQ(quit.run(160, 120), 0);
    EXPECT_EQ(quit.frames, 4) << "key " << (int)key;
  }
}

TEST(box_field_main, NoDisplayIsFatalWithANonZeroStatus) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  program_run run;
  run.last = 5;
  // The child logs into the working directory; run it in a fresh one. The
  // child runs this body again in a new process: it takes the parent's
  // folder from the environment.
  const char* inherited = getenv("BF_NO_DISPLAY_DIR");
  std::string dir = inherited ? inherited : temp_path("no_display");
  if (!inherited) {
    ASSERT_EQ(mkdir(dir.c_str(), 0700), 0);
    setenv("BF_NO_DISPLAY_DIR", dir.c_str(), 1);
  }
  EXPECT_EXIT(
      {
        if (chdir(dir.c_str()) != 0) exit(9);
        run.run(0, 0);
        fprintf(stderr, "returned, started %d\n", run.started);
        exit(0);
      },
      testing::ExitedWithCode(FATAL_EXIT_STATUS),
      "Oh sod it: Can't open the headless display: its size is 0x0\\.");
  std::string log = dir + "/graphics_error.log";
  std::ifstream in(log);
  std::string line;
  ASSERT_TRUE((bool)std::getline(in, line));
  EXPECT_NE(line.find("Can't open the headless display"), std::string::npos) << line;
  remove(log.c_str());
  rmdir(dir.c_str());
  unsetenv("BF_NO_DISPLAY_DIR");
}

}  // namespace
