// A window-message queue with the keyboard state that follows it, for the
// backends without a native one (SDL2, headless): messages are posted in
// Windows form, and taking a key or button message from the queue updates
// the state GetKeyboardState reports, as Windows does. Depends on
// shell/win_types.h only.
#pragma once

#include <stdint.h>

#include "shell/win_types.h"

// Messages the queue holds at most; posting to a full queue is refused.
#define MSG_QUEUE_CAPACITY 4096

// Appends a message; 0 when the queue is full.
int msg_queue_post(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// Copies the front message without removing it; 0 when empty.
int msg_queue_peek(MSG* msg);

// Removes the front message into msg and applies it to the key state; 0 when
// empty.
int msg_queue_take(MSG* msg);

// Number of queued messages.
int msg_queue_length(void);

// The key state as of the messages taken so far (bit 7 down, bit 0 toggled).
void msg_queue_key_state(uint8_t state[256]);

// Empties the queue and releases every key.
void msg_queue_clear(void);

// The lParam of a key message: repeat count 1, the scan code, the extended
// bit (right Ctrl and Alt), and for key-up the previous-state and transition
// bits. Right Shift is told from left by scan code 0x36, as on Windows.
LPARAM msg_queue_key_lparam(int right_side, int up, uint8_t vk);
