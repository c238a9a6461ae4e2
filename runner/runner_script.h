// Flight scripts of the runners: a small text format of input events by
// frame number (a program's built-in flights are written in it too). No
// dependencies.
//
// One event per line, "<frame> <action> [arguments]"; '#' starts a comment.
// Frames count from 1, the first frame drawn. Events of frame N are posted to
// the message queue just before frame N's message pump:
//   N down <key>       key down; <key> is a letter or digit, CTRL, SHIFT,
//                      ESC, SPACE, or a virtual-key code 0x01..0xFE
//   N up <key>         key up
//   N move <dx> <dy>   from frame N on, the mouse is reported at the screen
//                      centre + (dx, dy) before every pump (the program puts
//                      the cursor back each frame, so this turns the view at
//                      a steady rate; "move 0 0" stops)
//   N shot <name>      frame N is saved as <name>.png (letters, digits, _ and -)
//   N end              frame N is the last one (exactly one end per script)
// Like the program on Windows, the key snapshot is taken before the pump's
// messages are handled: a key posted for frame N shows in key_state from
// frame N + 1 on, a mouse move already in frame N.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

enum runner_action { RUNNER_KEY_DOWN, RUNNER_KEY_UP, RUNNER_MOVE, RUNNER_SHOT, RUNNER_END };

// Longest shot name, without the terminator.
constexpr size_t RUNNER_NAME_MAX = 47;
// Largest frame number a script may use.
constexpr int32_t RUNNER_FRAME_MAX = 10000000;

struct runner_event {
  int32_t frame;                   // frame the event belongs to, 1-based
  runner_action action;            // what happens
  int32_t key;                     // virtual-key code for down and up
  int32_t dx, dy;                  // mouse offset from the screen centre for move
  char name[RUNNER_NAME_MAX + 1];  // shot name
};

struct runner_script {
  std::vector<runner_event> events;  // in frame order (stable for one frame)
  int32_t last_frame;                // frame of the end event
};

// Virtual-key code of a key name (case-insensitive), or -1 when unknown.
int32_t runner_key_code(const char* name);

// Parses a script. Returns 1 on success; otherwise 0 with a message naming
// the line in error (at most error_size bytes, terminated).
int runner_parse_script(const char* text, runner_script* out, char* error, size_t error_size);

// Reads a flight script file whole into out. Returns false when it cannot be
// read or is larger than RUNNER_SCRIPT_MAX_BYTES.
constexpr size_t RUNNER_SCRIPT_MAX_BYTES = 1u << 20;
bool runner_read_script_file(const char* path, std::string* out);
