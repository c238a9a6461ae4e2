// GL error counting on real Mesa: a deliberate error is counted once, by
// the debug-output callback and by the glGetError fallback alike, and a
// count is handed out only once.
#include <gtest/gtest.h>
#include <string.h>

#include "runner/runner_gl_errors.h"
#include "shell/gl.h"
#include "support/headless_gl.h"

namespace {

// An enum glEnable does not know: GL_INVALID_ENUM.
const GLenum not_a_capability = 0xDEAD;

TEST(runner_gl_errors, CallbackCountsADeliberateErrorOnce) {
  ASSERT_TRUE(headless_gl_open(32, 32));
  const char* method = runner_gl_errors_begin(true);
  EXPECT_STREQ(method, "GL_KHR_debug callback");  // Mesa offers GL_KHR_debug
  EXPECT_EQ(runner_gl_errors_take(), 0);
  glEnable(not_a_capability);
  glEnable(not_a_capability);
  EXPECT_EQ(runner_gl_errors_take(), 2);
  EXPECT_EQ(runner_gl_errors_take(), 0);  // handed out once
  glClear(GL_COLOR_BUFFER_BIT);           // valid calls raise nothing
  EXPECT_EQ(runner_gl_errors_take(), 0);
  runner_gl_errors_end();
  while (glGetError() != GL_NO_ERROR) {
  }
}

TEST(runner_gl_errors, GetErrorFallbackCountsTheFlag) {
  ASSERT_TRUE(headless_gl_open(32, 32));
  EXPECT_STREQ(runner_gl_errors_begin(false), "glGetError per frame");
  glEnable(not_a_capability);
  EXPECT_EQ(runner_gl_errors_take(), 1);
  EXPECT_EQ(runner_gl_errors_take(), 0);  // the flag was cleared
  EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
  runner_gl_errors_end();
}

}  // namespace
