// GPU frame times from a ring of GL_TIME_ELAPSED queries (see
// runner_gpu_timer.h).
#include "runner/runner_gpu_timer.h"

#include <string.h>

#ifndef _WIN32
#define GL_GLEXT_PROTOTYPES 1
#endif
#include "shell/gl.h"

#ifndef APIENTRY
#define APIENTRY
#endif

// Names of GL 1.5 queries and GL_ARB_timer_query, which GL 1.1 headers lack.
static const GLenum time_elapsed = 0x88BF;            // GL_TIME_ELAPSED
static const GLenum query_result = 0x8866;            // GL_QUERY_RESULT
static const GLenum query_result_available = 0x8867;  // GL_QUERY_RESULT_AVAILABLE

typedef void(APIENTRY* gen_queries_fn)(GLsizei n, GLuint* ids);
typedef void(APIENTRY* delete_queries_fn)(GLsizei n, const GLuint* ids);
typedef void(APIENTRY* begin_query_fn)(GLenum target, GLuint id);
typedef void(APIENTRY* end_query_fn)(GLenum target);
typedef void(APIENTRY* get_query_object_iv_fn)(GLuint id, GLenum name, GLint* value);
typedef void(APIENTRY* get_query_object_ui64v_fn)(GLuint id, GLenum name, uint64_t* value);

struct timer_functions {
  gen_queries_fn gen_queries;
  delete_queries_fn delete_queries;
  begin_query_fn begin_query;
  end_query_fn end_query;
  get_query_object_iv_fn get_iv;
  get_query_object_ui64v_fn get_ui64v;
};

static timer_functions fn;
static bool running = false;
static GLuint ring[RUNNER_GPU_RING];
static int64_t ring_tag[RUNNER_GPU_RING];
static bool pending[RUNNER_GPU_RING];
static int next_slot = 0;  // the slot the next frame uses
static int oldest = 0;     // the oldest pending slot
static int in_flight = 0;  // pending queries
static runner_gpu_done done_fn = nullptr;
static void* done_user = nullptr;

static bool has_extension(const char* name) {
  const char* all = (const char*)glGetString(GL_EXTENSIONS);
  if (!all) return false;
  size_t n = strlen(name);
  for (const char* p = strstr(all, name); p; p = strstr(p + 1, name)) {
    if ((p == all || p[-1] == ' ') && (p[n] == 0 || p[n] == ' ')) return true;
  }
  return false;
}

static void load_functions(void) {
#ifdef _WIN32
  fn.gen_queries = (gen_queries_fn)(void*)wglGetProcAddress("glGenQueries");
  fn.delete_queries = (delete_queries_fn)(void*)wglGetProcAddress("glDeleteQueries");
  fn.begin_query = (begin_query_fn)(void*)wglGetProcAddress("glBeginQuery");
  fn.end_query = (end_query_fn)(void*)wglGetProcAddress("glEndQuery");
  fn.get_iv = (get_query_object_iv_fn)(void*)wglGetProcAddress("glGetQueryObjectiv");
  fn.get_ui64v = (get_query_object_ui64v_fn)(void*)wglGetProcAddress("glGetQueryObjectui64v");
#else
  fn.gen_queries = &glGenQueries;
  fn.delete_queries = &glDeleteQueries;
  fn.begin_query = &glBeginQuery;
  fn.end_query = &glEndQuery;
  fn.get_iv = &glGetQueryObjectiv;
  fn.get_ui64v = (get_query_object_ui64v_fn)&glGetQueryObjectui64v;
#endif
}

bool runner_gpu_timer_begin(const char** why, runner_gpu_done done, void* user) {
  running = false;
  done_fn = done;
  done_user = user;
  if (!has_extension("GL_ARB_timer_query")) {
    *why = "unavailable: the context does not offer GL_ARB_timer_query";
    return false;
  }
  load_functions();
  if (!fn.gen_queries || !fn.delete_queries || !fn.begin_query || !fn.end_query || !fn.get_iv ||
      !fn.get_ui64v) {
    *why = "unavailable: the timer-query entry points were not found";
    return false;
  }
  fn.gen_queries(RUNNER_GPU_RING, ring);
  memset(pending, 0, sizeof pending);
  next_slot = oldest = in_flight = 0;
  running = true;
  *why = "GL_ARB_timer_query, GL_TIME_ELAPSED per frame read back up to 8 frames later";
  return true;
}

// Reads the oldest pending query when its result is there (or waits for it).
static bool take_oldest(bool wait) {
  if (in_flight == 0) return false;
  GLuint q = ring[oldest];
  if (!wait) {
    GLint available = 0;
    fn.get_iv(q, query_result_available, &available);
    if (!available) return false;
  }
  uint64_t ns = 0;
  fn.get_ui64v(q, query_result, &ns);
  pending[oldest] = false;
  if (done_fn) done_fn(ring_tag[oldest], (double)ns * 1e-6, done_user);
  oldest = (oldest + 1) % RUNNER_GPU_RING;
  in_flight--;
  return true;
}

bool runner_gpu_timer_make_room(void) {
  if (!running || !pending[next_slot]) return false;
  return take_oldest(true);  // the ring is full: wait for its oldest
}

void runner_gpu_timer_frame_begin(int64_t tag) {
  if (!running) return;
  runner_gpu_timer_make_room();
  ring_tag[next_slot] = tag;
  fn.begin_query(time_elapsed, ring[next_slot]);
}

void runner_gpu_timer_frame_end(void) {
  if (!running) return;
  fn.end_query(time_elapsed);
  pending[next_slot] = true;
  next_slot = (next_slot + 1) % RUNNER_GPU_RING;
  in_flight++;
}

void runner_gpu_timer_collect(bool wait) {
  if (!running) return;
  while (take_oldest(wait)) {
  }
}

void runner_gpu_timer_end(void) {
  if (!running) return;
  runner_gpu_timer_collect(true);
  fn.delete_queries(RUNNER_GPU_RING, ring);
  running = false;
}
