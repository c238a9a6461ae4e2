// GL error counting for the runners and the benchmark mode. Where the
// context offers GL_KHR_debug (or GL_ARB_debug_output) a debug-output
// callback counts every message of the error type as the driver raises it;
// otherwise glGetError is drained once per frame. Needs a current GL
// context. Depends on shell/gl.h.
#pragma once

#include <stdint.h>

// Starts counting on the current context, with a debug-output callback when
// use_callback is true and the context offers one. Returns how errors are
// counted ("GL_KHR_debug callback", "GL_ARB_debug_output callback" or
// "glGetError per frame").
const char* runner_gl_errors_begin(bool use_callback);

// Errors seen since the previous call (or since runner_gl_errors_begin);
// call once per frame. In glGetError mode this drains the error flags.
int64_t runner_gl_errors_take(void);

// Removes the callback; errors are no longer counted.
void runner_gl_errors_end(void);
