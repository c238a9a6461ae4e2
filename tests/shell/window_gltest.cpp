// The window on real Mesa through the headless backend: what open_gl_window
// asks of the platform and in which order, the GL state it leaves, the
// message pump's key and mouse semantics, and the frame swap and clear.
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "shell/gl.h"
#include "shell/platform.h"
#include "shell/platform_headless.h"
#include "shell/window.h"
#include "support/headless_gl.h"

namespace {

std::string call_log() { return headless_get_record()->call_log; }

void expect_matrix(GLenum which, const float expected[16]) {
  float m[16];
  glGetFloatv(which, m);
  for (int i = 0; i < 16; i++) EXPECT_FLOAT_EQ(m[i], expected[i]) << "entry " << i;
}

// Reads one pixel as 0xRRGGBB.
uint32_t pixel_at(int x, int y) {
  unsigned char rgba[4] = {0, 0, 0, 0};
  glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
  return (uint32_t)rgba[0] << 16 | (uint32_t)rgba[1] << 8 | rgba[2];
}

void draw_quad(float z) {
  glBegin(GL_QUADS);
  glVertex3f(-1, -1, z);
  glVertex3f(1, -1, z);
  glVertex3f(1, 1, z);
  glVertex3f(-1, 1, z);
  glEnd();
}

// Puts the mouse globals back to their start values.
void reset_mouse() {
  mouse_x = mouse_y = 0;
  mouse_buttons = 0;
  mouse_wait_release = 1;
  mouse_buttons_accepted = 0;
}

}  // namespace

// ---------------------------------------------------------------------------
// Opening

TEST(OpenGlWindow, AsksThePlatformInOrderAndLeavesTheGlState) {
  ASSERT_TRUE(headless_gl_open(32, 32));  // any earlier window is replaced below
  headless_clear_record();
  int32_t cursor_before = headless_get_record()->cursor_counter;

  ASSERT_EQ(open_gl_window(320, 240, "OpenGL test [Orvandel 2009]"), 1);
  const headless_record* r = headless_get_record();

  // The display is switched only once the context works; the window is
  // shown last and the cursor hidden after it.
  EXPECT_EQ(call_log(),
            "register_class create_window get_dc choose_pixel_format set_pixel_format create_context "
            "make_current change_display_mode show_window show_cursor");
  EXPECT_STREQ(r->class_name, "OpenGL WinClass");
  EXPECT_EQ(r->class_style, 0x23u);
  EXPECT_STREQ(r->window_title, "OpenGL test [Orvandel 2009]");
  EXPECT_EQ(r->window_style, 0x86000000u);
  EXPECT_EQ(r->window_x, 0);
  EXPECT_EQ(r->window_y, 0);
  EXPECT_EQ(r->window_width, 320);
  EXPECT_EQ(r->window_height, 240);
  EXPECT_EQ(r->pixel_format.nSize, 40);
  EXPECT_EQ(r->pixel_format.nVersion, 1);
  EXPECT_EQ(r->pixel_format.dwFlags, 0x25u);
  EXPECT_EQ(r->pixel_format.cColorBits, 24);
  EXPECT_EQ(r->pixel_format.cAlphaBits, 8);
  EXPECT_EQ(r->pixel_format.cDepthBits, 32);
  EXPECT_EQ(r->pixel_format.cStencilBits, 0);
  EXPECT_EQ(r->display_mode_width, 320);
  EXPECT_EQ(r->display_mode_height, 240);
  EXPECT_EQ(r->cursor_counter, cursor_before - 1);
  EXPECT_EQ(screen_width, 320);
  EXPECT_EQ(screen_height, 240);

  GLint depth_bits = 0, alpha_bits = 0, red_bits = 0;
  glGetIntegerv(GL_DEPTH_BITS, &depth_bits);
  glGetIntegerv(GL_ALPHA_BITS, &alpha_bits);
  glGetIntegerv(GL_RED_BITS, &red_bits);
  EXPECT_GE(depth_bits, 24);
  EXPECT_EQ(alpha_bits, 8);
  EXPECT_EQ(red_bits, 8);

  float clear[4] = {1, 1, 1, 1};
  glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
  for (float c : clear) EXPECT_EQ(c, 0.0f);
  GLfloat clear_depth = 0;
  glGetFloatv(GL_DEPTH_CLEAR_VALUE, &clear_depth);
  EXPECT_EQ(clear_depth, 1.0f);
  GLint value = 0;
  glGetIntegerv(GL_DEPTH_FUNC, &value);
  EXPECT_EQ(value, GL_LEQUAL);
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  glGetIntegerv(GL_SHADE_MODEL, &value);
  EXPECT_EQ(value, GL_SMOOTH);
  glGetIntegerv(GL_MATRIX_MODE, &value);
  EXPECT_EQ(value, GL_MODELVIEW);
  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(viewport[0], 0);
  EXPECT_EQ(viewport[1], 0);
  EXPECT_EQ(viewport[2], 320);
  EXPECT_EQ(viewport[3], 240);
  // 4:3 with 90 degrees: half-extents 1 and 0.75; near 0.1, far 1000.
  const float projection[16] = {1,
                                0,
                                0,
                                0,
                                0,
                                1.0f / 0.75f,
                                0,
                                0,
                                0,
                                0,
                                (1000.0f + 0.1f) / (0.1f - 1000.0f),
                                -1,
                                0,
                                0,
                                2.0f * 0.1f * 1000.0f / (0.1f - 1000.0f),
                                0};
  expect_matrix(GL_PROJECTION_MATRIX, projection);
  EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

TEST(OpenGlWindow, ZeroWidthTakesTheDisplaySize) {
  ASSERT_TRUE(headless_gl_open(32, 32));
  headless_set_display_size(800, 600);
  headless_clear_record();
  ASSERT_EQ(open_gl_window(0, 0, "display"), 1);
  EXPECT_EQ(headless_get_record()->window_width, 800);
  EXPECT_EQ(headless_get_record()->window_height, 600);
  EXPECT_EQ(screen_width, 800);
  EXPECT_EQ(screen_height, 600);
  headless_set_display_size(1024, 768);
}

TEST(OpenGlWindow, ZeroHeightWithAWidthCreatesNothing) {
  ASSERT_TRUE(headless_gl_open(32, 32));
  headless_clear_record();
  key_state['A'] = 0x80;
  EXPECT_EQ(open_gl_window(640, 0, "no height"), 0);
  EXPECT_EQ(call_log(), "");
  EXPECT_EQ(key_state['A'], 0x80);  // returned before the arrays were touched
  key_state['A'] = 0;
}

TEST(OpenGlWindow, NoDisplayReturnsZero) {
  ASSERT_TRUE(headless_gl_open(32, 32));
  headless_set_display_size(0, 0);
  headless_clear_record();
  EXPECT_EQ(open_gl_window(0, 0, "no display"), 0);
  EXPECT_EQ(call_log(), "");
  headless_set_display_size(1024, 768);
}

// ---------------------------------------------------------------------------
// Keyboard

TEST(PumpMessages, KeyStateIsTheSnapshotOfThePreviousPump) {
  ASSERT_TRUE(headless_gl_open(64, 64));
  pump_messages();
  pump_messages();  // both arrays empty
  headless_key_down('W');

  // The snapshot comes before this frame's messages are taken.
  EXPECT_EQ(pump_messages(), 0);
  EXPECT_EQ(key_state['W'] & 0x80, 0);

  EXPECT_EQ(pump_messages(), 0);  // pressed this frame
  EXPECT_NE(key_state['W'] & 0x80, 0);
  EXPECT_EQ(prev_key_state['W'] & 0x80, 0);

  EXPECT_EQ(pump_messages(), 0);  // held: down in both, not pressed again
  EXPECT_NE(key_state['W'] & 0x80, 0);
  EXPECT_NE(prev_key_state['W'] & 0x80, 0);

  headless_key_up('W');
  pump_messages();
  EXPECT_NE(key_state['W'] & 0x80, 0);
  pump_messages();
  EXPECT_EQ(key_state['W'] & 0x80, 0);
  EXPECT_NE(prev_key_state['W'] & 0x80, 0);
}

TEST(PumpMessages, ATapWithinOnePumpReadsDownForOneSnapshot) {
  ASSERT_TRUE(headless_gl_open(64, 64));
  pump_messages();
  pump_messages();
  // Down and up taken by the same pump: the platform's snapshot after it
  // shows the key up, the latch makes it one press.
  headless_key_down('M');
  headless_key_up('M');
  pump_messages();
  EXPECT_EQ(key_state['M'] & 0x80, 0);
  pump_messages();
  EXPECT_NE(key_state['M'] & 0x80, 0);
  EXPECT_EQ(prev_key_state['M'] & 0x80, 0);
  pump_messages();
  EXPECT_EQ(key_state['M'] & 0x80, 0);
  EXPECT_NE(prev_key_state['M'] & 0x80, 0);
  pump_messages();
  EXPECT_EQ(prev_key_state['M'] & 0x80, 0);

  // A held key's autorepeat and release in one pump is no new press: the
  // key reads up from the next snapshot on, as without the latch.
  headless_key_down('A');
  pump_messages();
  pump_messages();
  ASSERT_NE(key_state['A'] & 0x80, 0);
  headless_key_down('A');
  headless_key_up('A');
  pump_messages();
  EXPECT_NE(key_state['A'] & 0x80, 0);
  pump_messages();
  EXPECT_EQ(key_state['A'] & 0x80, 0);

  // Two taps in one pump still make one down snapshot, then up.
  headless_key_down(VK_ESCAPE);
  headless_key_up(VK_ESCAPE);
  headless_key_down(VK_ESCAPE);
  headless_key_up(VK_ESCAPE);
  pump_messages();
  pump_messages();
  EXPECT_NE(key_state[VK_ESCAPE] & 0x80, 0);
  pump_messages();
  EXPECT_EQ(key_state[VK_ESCAPE] & 0x80, 0);
}

TEST(PumpMessages, SidedModifiersSetTheGenericKey) {
  ASSERT_TRUE(headless_gl_open(64, 64));
  headless_key_down(VK_RCONTROL);
  headless_key_down(VK_LSHIFT);
  pump_messages();
  pump_messages();
  EXPECT_NE(key_state[VK_CONTROL] & 0x80, 0);
  EXPECT_NE(key_state[VK_RCONTROL] & 0x80, 0);
  EXPECT_EQ(key_state[VK_LCONTROL] & 0x80, 0);
  EXPECT_NE(key_state[VK_SHIFT] & 0x80, 0);
  EXPECT_NE(key_state[VK_LSHIFT] & 0x80, 0);
  EXPECT_EQ(key_state[VK_RSHIFT] & 0x80, 0);
  headless_key_up(VK_RCONTROL);
  headless_key_up(VK_LSHIFT);
  pump_messages();
  pump_messages();
  EXPECT_EQ(key_state[VK_CONTROL] & 0x80, 0);
  EXPECT_EQ(key_state[VK_SHIFT] & 0x80, 0);
}

TEST(PumpMessages, QuitReturnsNonZeroAndLeavesTheRestQueued) {
  ASSERT_TRUE(headless_gl_open(64, 64));
  headless_key_down('Q');
  headless_post_message(WM_QUIT, 0, 0);
  headless_key_down('E');
  EXPECT_NE(pump_messages(), 0);
  EXPECT_EQ(headless_queue_length(), 1);
  EXPECT_EQ(pump_messages(), 0);
  EXPECT_EQ(headless_queue_length(), 0);
}

// ---------------------------------------------------------------------------
// Mouse

TEST(PumpMessages, ButtonsHeldAtStartWaitForARelease) {
  ASSERT_TRUE(headless_gl_open(64, 64));
  reset_mouse();
  headless_mouse_button(WM_LBUTTONDOWN, 10, 20, MK_LBUTTON);
  pump_messages();
  EXPECT_EQ(mouse_x, 10);
  EXPECT_EQ(mouse_y, 20);
  EXPECT_EQ(mouse_buttons, 1);
  EXPECT_EQ(mouse_buttons_accepted, 0);

  headless_mouse_move(11, 21, MK_LBUTTON | MK_SHIFT);  // only the two button bits count
  pump_messages();
  EXPECT_EQ(mouse_buttons, 1);
  EXPECT_EQ(mouse_buttons_accepted, 0);
  EXPECT_EQ(mouse_wait_release, 1);

  headless_mouse_button(WM_LBUTTONUP, 12, 22, 0);
  pump_messages();
  EXPECT_EQ(mouse_wait_release, 0);
  EXPECT_EQ(mouse_buttons_accepted, 0);

  headless_mouse_button(WM_RBUTTONDOWN, 13, 23, MK_RBUTTON);
  pump_messages();
  EXPECT_EQ(mouse_buttons, 2);
  EXPECT_EQ(mouse_buttons_accepted, 2);
  EXPECT_EQ(mouse_wait_release, 0);
}

TEST(PumpMessages, MouseCoordinatesAreUnsigned16BitAndOtherButtonsIgnored) {
  ASSERT_TRUE(headless_gl_open(64, 64));
  reset_mouse();
  headless_post_message(WM_MOUSEMOVE, 0, MAKELPARAM(0xFFFF, 0xFFFE));
  pump_messages();
  EXPECT_EQ(mouse_x, 65535);
  EXPECT_EQ(mouse_y, 65534);
  // Middle-button messages (0x207 and above) go to the default procedure.
  headless_post_message(WM_MBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 6));
  headless_post_message(WM_MOUSEWHEEL, MK_LBUTTON, MAKELPARAM(5, 6));
  pump_messages();
  EXPECT_EQ(mouse_x, 65535);
  EXPECT_EQ(mouse_buttons, 0);
}

TEST(PumpMessages, SetCursorPosMovesTheMouseLikeWindows) {
  ASSERT_TRUE(headless_gl_open(64, 64));
  headless_mouse_move(3, 4, 0);
  pump_messages();
  EXPECT_EQ(mouse_x, 3);
  platform_set_cursor_pos(32, 24);  // the camera re-centres the cursor this way
  EXPECT_EQ(headless_get_record()->cursor_x, 32);
  EXPECT_EQ(headless_get_record()->cursor_y, 24);
  pump_messages();
  EXPECT_EQ(mouse_x, 32);
  EXPECT_EQ(mouse_y, 24);
  platform_set_cursor_pos(32, 24);  // no movement, no message
  EXPECT_EQ(headless_queue_length(), 0);
}

// ---------------------------------------------------------------------------
// Sizes

TEST(PumpMessages, SizeWithZeroHeightKeepsOnePixel) {
  ASSERT_TRUE(headless_gl_open(64, 64));
  headless_post_message(WM_SIZE, SIZE_RESTORED, MAKELPARAM(200, 0));
  pump_messages();
  EXPECT_EQ(screen_width, 200);
  EXPECT_EQ(screen_height, 1);
  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(viewport[2], 200);
  EXPECT_EQ(viewport[3], 1);
}

TEST(PumpMessages, ResizedSurfaceKeepsTheContextAndFollowsTheSize) {
  ASSERT_TRUE(headless_gl_open(64, 64));
  headless_set_window_size(100, 50);
  pump_messages();
  EXPECT_EQ(screen_width, 100);
  EXPECT_EQ(screen_height, 50);
  glClearColor(0, 0, 1, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  EXPECT_EQ(pixel_at(99, 49), 0x0000FFu);
}

// ---------------------------------------------------------------------------
// Closing

// Prints the platform calls made, so a child process can show them.
void print_call_log_at_exit() { fprintf(stderr, "calls: %s\n", headless_get_record()->call_log); }

TEST(CloseGlWindow, CloseMessageRestoresTheDisplayAndExitsWithZero) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");  // the child opens its own context
  EXPECT_EXIT(
      {
        headless_gl_open(64, 64);
        headless_clear_record();
        atexit(print_call_log_at_exit);
        headless_post_message(WM_CLOSE, 0, 0);
        pump_messages();
        fprintf(stderr, "pump returned\n");
      },
      testing::ExitedWithCode(0),
      "calls: restore_display_mode make_current\\(null\\) delete_context release_dc post_quit_message\n");
}

TEST(CloseGlWindow, DestroyMessageAlsoEndsTheProcess) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        headless_gl_open(64, 64);
        headless_post_message(WM_DESTROY, 0, 0);
        pump_messages();
        fprintf(stderr, "pump returned\n");
        exit(3);
      },
      testing::ExitedWithCode(0), "");
}

// ---------------------------------------------------------------------------
// Frames

TEST(EndFrame, SwapsThenClearsToTheColourSetDuringTheFrame) {
  ASSERT_TRUE(headless_gl_open(64, 48));
  int swaps = headless_get_record()->swap_count;
  glClearColor(1, 0, 0, 1);  // set during the frame, takes effect at its end
  glMatrixMode(GL_MODELVIEW);
  glColor3f(0, 1, 0);
  draw_quad(0.0f);
  glTranslatef(1, 2, 3);
  end_frame();
  EXPECT_EQ(headless_get_record()->swap_count, swaps + 1);
  EXPECT_EQ(pixel_at(0, 0), 0xFF0000u);
  EXPECT_EQ(pixel_at(63, 47), 0xFF0000u);
  EXPECT_EQ(pixel_at(32, 24), 0xFF0000u);
  float depth = 0;
  glReadPixels(32, 24, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
  EXPECT_EQ(depth, 1.0f);
  const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  expect_matrix(GL_MODELVIEW_MATRIX, identity);
}

TEST(EndFrame, SwapFrameKeepsThePixelsAndClearBothSwapsTwice) {
  ASSERT_TRUE(headless_gl_open(64, 48));
  glClearColor(0, 0, 1, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  glDisable(GL_DEPTH_TEST);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glColor3f(0, 1, 0);
  glTranslatef(0.5f, 0, 0);
  draw_quad(0.0f);  // right quarter shifted off screen: left quarter stays blue
  int swaps = headless_get_record()->swap_count;
  swap_frame();
  EXPECT_EQ(headless_get_record()->swap_count, swaps + 1);
  EXPECT_EQ(pixel_at(60, 24), 0x00FF00u);
  EXPECT_EQ(pixel_at(2, 24), 0x0000FFu);
  const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  expect_matrix(GL_MODELVIEW_MATRIX, identity);

  glClearColor(1, 1, 1, 1);
  clear_both_buffers();
  EXPECT_EQ(headless_get_record()->swap_count, swaps + 3);
  EXPECT_EQ(pixel_at(60, 24), 0xFFFFFFu);
  glEnable(GL_DEPTH_TEST);
}
