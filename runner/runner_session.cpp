// Timed flights: script stepping, frame records and frame ends (see
// runner_session.h).
#include "runner/runner_session.h"

#include <string.h>
#include <time.h>

#include <chrono>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

static const char* const frame_end_names[] = {"swap", "finish", "readpixels", "none"};

const char* runner_frame_end_name(runner_frame_end end) {
  unsigned i = (unsigned)end;
  return i < 4 ? frame_end_names[i] : "?";
}

bool runner_parse_frame_end(const char* text, runner_frame_end* out) {
  for (unsigned i = 0; i < 4; i++) {
    if (text && strcmp(text, frame_end_names[i]) == 0) {
      *out = (runner_frame_end)i;
      return true;
    }
  }
  return false;
}

double runner_seconds(void) {
  using clock = std::chrono::steady_clock;
  return std::chrono::duration<double>(clock::now().time_since_epoch()).count();
}

double runner_cpu_seconds(void) {
#ifdef _WIN32
  FILETIME created, ended, kernel, user;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user)) return -1.0;
  auto seconds = [](const FILETIME& t) {
    return (double)(((uint64_t)t.dwHighDateTime << 32) | t.dwLowDateTime) * 1e-7;  // 100 ns units
  };
  return seconds(kernel) + seconds(user);
#else
  struct timespec t;
  if (clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t) != 0) return -1.0;
  return (double)t.tv_sec + (double)t.tv_nsec * 1e-9;
#endif
}

void runner_session_start(runner_session* s, const runner_script& script) {
  s->script = script;
  s->next_event = 0;
  s->mouse_dx = s->mouse_dy = 0;
  s->mouse_held = false;
  s->frames.clear();
  s->frames.reserve((size_t)script.last_frame);
}

void runner_session_events(runner_session* s, int32_t frame, void (*key)(int32_t vk, bool down)) {
  const std::vector<runner_event>& events = s->script.events;
  while (s->next_event < events.size() && events[s->next_event].frame <= frame) {
    const runner_event& e = events[s->next_event++];
    if (e.action == RUNNER_KEY_DOWN && key) key(e.key, true);
    if (e.action == RUNNER_KEY_UP && key) key(e.key, false);
    if (e.action == RUNNER_MOVE) {
      s->mouse_dx = e.dx;
      s->mouse_dy = e.dy;
      s->mouse_held = true;
    }
  }
}

void runner_session_record(runner_session* s, double ms, int32_t mode, bool setup, int64_t gl_errors) {
  s->frames.push_back({ms, mode, setup, gl_errors, -1.0, -1.0});
}

int32_t runner_session_frames(const runner_session& s) { return (int32_t)s.frames.size(); }

bool runner_session_done(const runner_session& s) { return (int32_t)s.frames.size() >= s.script.last_frame; }

std::vector<double> runner_session_mode_times(const runner_session& s, int32_t mode) {
  std::vector<double> ms;
  for (const runner_frame& f : s.frames) {
    if (f.mode == mode && !f.setup) ms.push_back(f.ms);
  }
  return ms;
}

int64_t runner_session_mode_errors(const runner_session& s, int32_t mode) {
  int64_t errors = 0;
  for (const runner_frame& f : s.frames) {
    if (f.mode == mode) errors += f.gl_errors;
  }
  return errors;
}
