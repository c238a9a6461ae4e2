// A program that owns its window and never set screen_width/screen_height:
// draw_text, draw_text_boxed, screen_bloom and screen_blur send no GL call
// and one line on standard error says what to set, once per process. Each
// case runs in a fresh child process (the one-time flag is process state).
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>

#include "geometry/screen_effect.h"
#include "shell/window.h"
#include "support/gl_recorder.h"
#include "text/text_draw.h"
#include "text_test_font.h"

namespace {

using namespace text_test;

// Exit status of the child: 0 when the recorded stream is as the case
// expects, otherwise the number of the failed step.
[[noreturn]] void unset_size_case(void) {
  clear_fonts();
  font_select(make_font("test"));
  gl_recorder_reset();
  screen_width = 0;
  screen_height = 0;
  draw_text(0, 0, 0, "AC", 0xFFFFFF);
  draw_text_boxed(0, 0, "AC", 0xFFFFFF, 0x000000);
  screen_bloom(8.0f);
  screen_blur(8.0f);
  if (!gl_recorder_calls().empty()) exit(1);
  // One side set is not enough.
  screen_width = 640;
  draw_text(0, 0, 0, "AC", 0xFFFFFF);
  if (!gl_recorder_calls().empty()) exit(2);
  // Both set: the text is drawn in that pixel projection.
  screen_height = 480;
  draw_text(0, 0, 0, "AC", 0xFFFFFF);
  if (gl_recorder_calls_named({"glOrtho"}) !=
      std::vector<gl_call>{gl_call_of("glOrtho", {0, 640, 480, 0, 1, -1})})
    exit(3);
  if (gl_recorder_calls_named({"glVertex2i"}).size() != 8) exit(4);
  exit(0);
}

// The toolkit's own window open and minimised to width 0: drawing goes on as
// it always did, without a message.
[[noreturn]] void own_window_case(void) {
  clear_fonts();
  font_select(make_font("test"));
  gl_recorder_reset();
  int stand_in = 0;
  gl_context = (HGLRC)&stand_in;
  screen_width = 0;
  screen_height = 1;
  draw_text(0, 0, 0, "AC", 0xFFFFFF);
  gl_context = nullptr;
  if (gl_recorder_calls_named({"glOrtho"}) !=
      std::vector<gl_call>{gl_call_of("glOrtho", {0, 0, 1, 0, 1, -1})})
    exit(1);
  exit(0);
}

size_t count_of(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) n++;
  return n;
}

TEST(ScreenSizeUnset, DrawsNothingAndSaysOnceWhatToSet) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(unset_size_case(), testing::ExitedWithCode(0), testing::Truly([](const std::string& err) {
                // The first facility is named; the message names both sizes
                // and the toolkit's own way to set them, and comes once.
                return count_of(err, "boxfield toolkit:") == 1 && count_of(err, "\n") == 1 &&
                       count_of(err, "draw_text draws nothing") == 1 &&
                       count_of(err, "screen_width x screen_height is 0 x 0") == 1 &&
                       count_of(err, "open_gl_window") == 1;
              }));
}

TEST(ScreenSizeUnset, ToolkitsOwnWindowDrawsAsBefore) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(own_window_case(), testing::ExitedWithCode(0),
              testing::Truly([](const std::string& err) { return err.empty(); }));
}

}  // namespace
