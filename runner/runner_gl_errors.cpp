// GL error counting through debug output or glGetError (see
// runner_gl_errors.h).
#include "runner/runner_gl_errors.h"

#include <string.h>

#ifndef _WIN32
// The GL library exports glDebugMessageCallback (core since 4.3, KHR_debug);
// Windows finds both entry points through wglGetProcAddress. Elsewhere the
// ARB entry point is not looked for: without KHR_debug errors are counted
// with glGetError.
#define GL_GLEXT_PROTOTYPES 1
#endif
#include "shell/gl.h"

#ifndef APIENTRY
#define APIENTRY
#endif

// Names and values shared by GL_KHR_debug and GL_ARB_debug_output.
static const GLenum debug_output = 0x92E0;              // GL_DEBUG_OUTPUT (KHR only)
static const GLenum debug_output_synchronous = 0x8242;  // GL_DEBUG_OUTPUT_SYNCHRONOUS
static const GLenum debug_type_error = 0x824C;          // GL_DEBUG_TYPE_ERROR

typedef void(APIENTRY* debug_proc)(GLenum source, GLenum type, GLuint id, GLenum severity, GLsizei length,
                                   const char* message, const void* user);
typedef void(APIENTRY* debug_callback_fn)(debug_proc callback, const void* user);

static int64_t errors_seen = 0;
static debug_callback_fn installed = nullptr;

static void APIENTRY count_message(GLenum source, GLenum type, GLuint id, GLenum severity, GLsizei length,
                                   const char* message, const void* user) {
  if (type == debug_type_error) errors_seen++;
}

// Whether the extension string lists name as a whole word.
static bool has_extension(const char* name) {
  const char* all = (const char*)glGetString(GL_EXTENSIONS);
  if (!all) return false;
  size_t n = strlen(name);
  for (const char* p = strstr(all, name); p; p = strstr(p + 1, name)) {
    bool starts = p == all || p[-1] == ' ';
    bool ends = p[n] == 0 || p[n] == ' ';
    if (starts && ends) return true;
  }
  return false;
}

static debug_callback_fn gl_entry(const char* name) {
#ifdef _WIN32
  return (debug_callback_fn)(void*)wglGetProcAddress(name);
#else
  if (strcmp(name, "glDebugMessageCallback") == 0) return (debug_callback_fn)(void*)&glDebugMessageCallback;
  return nullptr;
#endif
}

const char* runner_gl_errors_begin(bool use_callback) {
  errors_seen = 0;
  installed = nullptr;
  while (glGetError() != GL_NO_ERROR) {
  }
  const char* method = "glGetError per frame";
  if (use_callback && has_extension("GL_KHR_debug")) {
    installed = gl_entry("glDebugMessageCallback");
    if (installed) method = "GL_KHR_debug callback";
  }
  if (use_callback && !installed && has_extension("GL_ARB_debug_output")) {
    installed = gl_entry("glDebugMessageCallbackARB");
    if (installed) method = "GL_ARB_debug_output callback";
  }
  if (installed) {
    installed(count_message, nullptr);
    // Outside a debug context the output starts disabled (KHR); the ARB
    // extension has no such switch and reports the error as it is raised.
    if (strcmp(method, "GL_KHR_debug callback") == 0) glEnable(debug_output);
    glEnable(debug_output_synchronous);
    while (glGetError() != GL_NO_ERROR) {
    }
  }
  return method;
}

int64_t runner_gl_errors_take(void) {
  if (!installed) {
    // Each call returns one error flag and clears it; a bounded loop, since
    // a lost context can return GL_CONTEXT_LOST for ever.
    for (int i = 0; i < 64 && glGetError() != GL_NO_ERROR; i++) errors_seen++;
  }
  int64_t n = errors_seen;
  errors_seen = 0;
  return n;
}

void runner_gl_errors_end(void) {
  if (installed) {
    installed(nullptr, nullptr);
    installed = nullptr;
  }
}
