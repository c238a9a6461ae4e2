// Box emitters compiled into a display list on real Mesa: the replay leaves
// the current normal and texture coordinate of the last face, and a solid
// box seen from inside its depth range covers the view.
#include "geometry/boxes.h"

#include <gtest/gtest.h>

#include "shell/gl.h"
#include "support/headless_gl.h"

TEST(BoxesGl, DisplayListReplayLeavesLastNormalAndTexCoord) {
  ASSERT_TRUE(headless_gl_open(32, 32));
  GLuint list = glGenLists(1);
  glNewList(list, GL_COMPILE);
  glBegin(GL_QUADS);
  emit_cube_textured(-0.5, -0.5, -3, 1);
  glEnd();
  glEndList();
  glNormal3f(0, 0, 1);
  glTexCoord2f(0.5f, 0.5f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glColor3f(1, 0, 0);
  glCallList(list);
  GLfloat n[3], t[4];
  glGetFloatv(GL_CURRENT_NORMAL, n);
  glGetFloatv(GL_CURRENT_TEXTURE_COORDS, t);
  EXPECT_EQ(n[0], 1.0f);
  EXPECT_EQ(n[1], 0.0f);
  EXPECT_EQ(n[2], 0.0f);
  EXPECT_EQ(t[0], 0.0f);
  EXPECT_EQ(t[1], 1.0f);
  // The cube from z = -3 to -2 in front of the eye fills the centre red.
  unsigned char px[3];
  glReadPixels(16, 16, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, px);
  EXPECT_EQ(px[0], 255);
  EXPECT_EQ(px[1], 0);
  glDeleteLists(list, 1);
  EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}
