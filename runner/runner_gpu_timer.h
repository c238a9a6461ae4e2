// GPU time of frames through GL_ARB_timer_query: each frame's commands are
// bracketed by a GL_TIME_ELAPSED query from a ring, and the results are
// read a few frames later when they are available, so timing never waits
// for the GPU (only a ring that is full waits for its oldest query, and the
// caller makes room before a frame's time starts). Needs a current GL
// context. Depends on shell/gl.h.
#pragma once

#include <stddef.h>
#include <stdint.h>

// Queries in the ring: frames that may be in flight before one is waited for.
constexpr int RUNNER_GPU_RING = 8;

// Receives each finished frame's GPU time.
typedef void (*runner_gpu_done)(int64_t tag, double ms, void* user);

// Starts on the current context; false (with why set to the reason, a
// static text) when the context offers no timer queries. Results go to
// done, from runner_gpu_timer_collect, runner_gpu_timer_make_room, a
// frame_begin that finds the ring full, and runner_gpu_timer_end.
bool runner_gpu_timer_begin(const char** why, runner_gpu_done done, void* user);

// When every query of the ring is pending, waits for the oldest (handing
// it to done) so that the next frame has one; returns true when it waited.
// Call it before the next frame's time starts: the wait is the GPU
// catching up with frames already timed, not part of the next one.
bool runner_gpu_timer_make_room(void);

// Brackets one frame's commands; tag names the frame for the result. A
// ring still full (no runner_gpu_timer_make_room since the last frame)
// waits here, inside whatever time the caller is taking.
void runner_gpu_timer_frame_begin(int64_t tag);
void runner_gpu_timer_frame_end(void);

// Hands each finished query's time to done; with wait, waits for every
// query still pending.
void runner_gpu_timer_collect(bool wait);

// Waits for the pending queries (handing them to done) and deletes the ring.
void runner_gpu_timer_end(void);
