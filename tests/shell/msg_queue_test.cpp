// The message queue of the SDL and headless backends: first in, first out,
// refusal when full, and a key state that follows the messages taken (not
// the ones posted), with sided modifiers and mouse buttons as Windows keeps
// them.
#include "shell/msg_queue.h"

#include <gtest/gtest.h>

namespace {

uint8_t key(uint8_t vk) {
  uint8_t state[256];
  msg_queue_key_state(state);
  return state[vk];
}

void take_all() {
  MSG msg;
  while (msg_queue_take(&msg)) {
  }
}

}  // namespace

TEST(MsgQueue, FirstInFirstOutAndFullRefused) {
  msg_queue_clear();
  MSG msg;
  EXPECT_EQ(msg_queue_peek(&msg), 0);
  EXPECT_EQ(msg_queue_take(&msg), 0);
  for (int i = 0; i < MSG_QUEUE_CAPACITY; i++) ASSERT_EQ(msg_queue_post(nullptr, WM_USER, (WPARAM)i, 0), 1);
  EXPECT_EQ(msg_queue_post(nullptr, WM_USER, 99999, 0), 0);
  ASSERT_EQ(msg_queue_peek(&msg), 1);
  EXPECT_EQ(msg.wParam, 0u);
  EXPECT_EQ(msg_queue_length(), MSG_QUEUE_CAPACITY);
  for (int i = 0; i < MSG_QUEUE_CAPACITY; i++) {
    ASSERT_EQ(msg_queue_take(&msg), 1);
    ASSERT_EQ(msg.wParam, (WPARAM)i);
  }
  // After wrapping round, order still holds.
  msg_queue_post(nullptr, WM_USER, 1, 10);
  msg_queue_post(nullptr, WM_USER + 1, 2, 20);
  ASSERT_EQ(msg_queue_take(&msg), 1);
  EXPECT_EQ(msg.message, (UINT)WM_USER);
  EXPECT_EQ(msg.lParam, 10);
  ASSERT_EQ(msg_queue_take(&msg), 1);
  EXPECT_EQ(msg.message, (UINT)WM_USER + 1);
  EXPECT_EQ(msg_queue_length(), 0);
}

TEST(MsgQueue, KeyStateFollowsTakenMessagesOnly) {
  msg_queue_clear();
  msg_queue_post(nullptr, WM_KEYDOWN, 'A', msg_queue_key_lparam(0, 0, 'A'));
  EXPECT_EQ(key('A'), 0);  // posted, not yet taken
  MSG msg;
  msg_queue_peek(&msg);
  EXPECT_EQ(key('A'), 0);  // peeking takes nothing
  take_all();
  EXPECT_EQ(key('A'), 0x81);                                                  // down, toggled
  msg_queue_post(nullptr, WM_KEYDOWN, 'A', msg_queue_key_lparam(0, 0, 'A'));  // auto-repeat
  take_all();
  EXPECT_EQ(key('A'), 0x81);  // a repeat does not toggle again
  msg_queue_post(nullptr, WM_KEYUP, 'A', msg_queue_key_lparam(0, 1, 'A'));
  take_all();
  EXPECT_EQ(key('A'), 0x01);
  msg_queue_clear();
  EXPECT_EQ(key('A'), 0);
}

TEST(MsgQueue, SidedModifiersKeepTheGenericKeyDownWhileEitherSideIs) {
  msg_queue_clear();
  msg_queue_post(nullptr, WM_KEYDOWN, VK_SHIFT, msg_queue_key_lparam(0, 0, VK_SHIFT));
  msg_queue_post(nullptr, WM_KEYDOWN, VK_SHIFT, msg_queue_key_lparam(1, 0, VK_SHIFT));
  msg_queue_post(nullptr, WM_KEYUP, VK_SHIFT, msg_queue_key_lparam(0, 1, VK_SHIFT));
  msg_queue_post(nullptr, WM_SYSKEYDOWN, VK_MENU, msg_queue_key_lparam(1, 0, VK_MENU));
  take_all();
  EXPECT_EQ(key(VK_LSHIFT) & 0x80, 0);
  EXPECT_NE(key(VK_RSHIFT) & 0x80, 0);
  EXPECT_NE(key(VK_SHIFT) & 0x80, 0);
  EXPECT_NE(key(VK_RMENU) & 0x80, 0);
  EXPECT_NE(key(VK_MENU) & 0x80, 0);
  EXPECT_EQ(key(VK_LMENU) & 0x80, 0);
  msg_queue_post(nullptr, WM_KEYUP, VK_SHIFT, msg_queue_key_lparam(1, 1, VK_SHIFT));
  take_all();
  EXPECT_EQ(key(VK_SHIFT) & 0x80, 0);
}

TEST(MsgQueue, ButtonMessagesSetTheButtonKeys) {
  msg_queue_clear();
  msg_queue_post(nullptr, WM_LBUTTONDOWN, MK_LBUTTON, 0);
  msg_queue_post(nullptr, WM_RBUTTONDOWN, MK_LBUTTON | MK_RBUTTON, 0);
  take_all();
  EXPECT_NE(key(VK_LBUTTON) & 0x80, 0);
  EXPECT_NE(key(VK_RBUTTON) & 0x80, 0);
  msg_queue_post(nullptr, WM_LBUTTONUP, MK_RBUTTON, 0);
  take_all();
  EXPECT_EQ(key(VK_LBUTTON) & 0x80, 0);
  EXPECT_NE(key(VK_RBUTTON) & 0x80, 0);
  msg_queue_clear();
}

TEST(MsgQueue, KeyUpParameterCarriesTransitionBits) {
  LPARAM down = msg_queue_key_lparam(1, 0, VK_CONTROL);
  LPARAM up = msg_queue_key_lparam(1, 1, VK_CONTROL);
  EXPECT_EQ(down & 0xFFFF, 1);
  EXPECT_EQ((down >> 16) & 0xFF, 0x1D);
  EXPECT_NE(down & ((LPARAM)1 << 24), 0);
  EXPECT_EQ((uintptr_t)up & 0xC0000000u, 0xC0000000u);
  EXPECT_EQ((uintptr_t)down & 0xC0000000u, 0u);
}
