// Window-message queue and key state for backends without a native queue.
// Depends on shell/win_types.h.
#include "shell/msg_queue.h"

#include <string.h>

static MSG queue[MSG_QUEUE_CAPACITY];
static int queue_head = 0;
static int queue_count = 0;
static uint8_t keys[256];

// Scan codes of the keys whose sides Windows tells apart.
static const uint8_t scan_left_shift = 0x2A;
static const uint8_t scan_right_shift = 0x36;
static const uint8_t scan_control = 0x1D;
static const uint8_t scan_alt = 0x38;
static const LPARAM extended_bit = (LPARAM)1 << 24;

int msg_queue_post(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (queue_count == MSG_QUEUE_CAPACITY) return 0;
  MSG* slot = &queue[(queue_head + queue_count) % MSG_QUEUE_CAPACITY];
  memset(slot, 0, sizeof *slot);
  slot->hwnd = window;
  slot->message = message;
  slot->wParam = wparam;
  slot->lParam = lparam;
  queue_count++;
  return 1;
}

int msg_queue_peek(MSG* msg) {
  if (queue_count == 0) return 0;
  *msg = queue[queue_head];
  return 1;
}

int msg_queue_length(void) { return queue_count; }

// Sets or clears bit 7 of one key, flipping the toggle bit on each press.
static void set_key(uint8_t vk, int down) {
  if (down) {
    if (!(keys[vk] & 0x80)) keys[vk] ^= 0x01;
    keys[vk] |= 0x80;
  } else {
    keys[vk] &= (uint8_t)~0x80;
  }
}

// A generic modifier (VK_SHIFT, VK_CONTROL, VK_MENU) is down while either
// side is.
static void update_generic(uint8_t generic, uint8_t left, uint8_t right) {
  int down = ((keys[left] | keys[right]) & 0x80) != 0;
  if (down)
    keys[generic] |= 0x80;
  else
    keys[generic] &= (uint8_t)~0x80;
}

static void apply_key(WPARAM wparam, LPARAM lparam, int down) {
  uint8_t vk = (uint8_t)(wparam & 0xFF);
  int extended = (lparam & extended_bit) != 0;
  uint8_t scan = (uint8_t)((lparam >> 16) & 0xFF);
  switch (vk) {
    case VK_SHIFT:
      set_key(scan == scan_right_shift ? VK_RSHIFT : VK_LSHIFT, down);
      update_generic(VK_SHIFT, VK_LSHIFT, VK_RSHIFT);
      break;
    case VK_CONTROL:
      set_key(extended ? VK_RCONTROL : VK_LCONTROL, down);
      update_generic(VK_CONTROL, VK_LCONTROL, VK_RCONTROL);
      break;
    case VK_MENU:
      set_key(extended ? VK_RMENU : VK_LMENU, down);
      update_generic(VK_MENU, VK_LMENU, VK_RMENU);
      break;
    default:
      set_key(vk, down);
      break;
  }
}

int msg_queue_take(MSG* msg) {
  if (queue_count == 0) return 0;
  *msg = queue[queue_head];
  queue_head = (queue_head + 1) % MSG_QUEUE_CAPACITY;
  queue_count--;
  switch (msg->message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      apply_key(msg->wParam, msg->lParam, 1);
      break;
    case WM_KEYUP:
    case WM_SYSKEYUP:
      apply_key(msg->wParam, msg->lParam, 0);
      break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
      set_key(VK_LBUTTON, (msg->wParam & MK_LBUTTON) != 0);
      set_key(VK_RBUTTON, (msg->wParam & MK_RBUTTON) != 0);
      set_key(VK_MBUTTON, (msg->wParam & MK_MBUTTON) != 0);
      break;
    default:
      break;
  }
  return 1;
}

void msg_queue_key_state(uint8_t state[256]) { memcpy(state, keys, sizeof keys); }

void msg_queue_clear(void) {
  queue_head = 0;
  queue_count = 0;
  memset(keys, 0, sizeof keys);
}

LPARAM msg_queue_key_lparam(int right_side, int up, uint8_t vk) {
  uint8_t scan = 0;
  int extended = 0;
  switch (vk) {
    case VK_SHIFT:
      scan = right_side ? scan_right_shift : scan_left_shift;
      break;
    case VK_CONTROL:
      scan = scan_control;
      extended = right_side;
      break;
    case VK_MENU:
      scan = scan_alt;
      extended = right_side;
      break;
    default:
      break;
  }
  LPARAM lparam = 1 | ((LPARAM)scan << 16);
  if (extended) lparam |= extended_bit;
  if (up) lparam = (LPARAM)((uintptr_t)lparam | 0xC0000000u);
  return lparam;
}
