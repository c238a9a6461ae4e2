// Camera-independent view set-up on the window's GL context: viewport and
// projection that follow the window size, the perspective with its
// wide-screen rule, the pixel overlay and the smoothing set-up. Depends on
// shell/window.h (screen_width, screen_height) and OpenGL.
#pragma once

#include <stdint.h>

// When non-zero, a resize loads the pixel orthographic projection instead of
// the perspective (for 2D-only programs); 0 at start.
extern uint8_t use_2d_projection;

// Viewport, screen_width/screen_height and projection for a new client size;
// a height below 1 counts as 1. Leaves GL_MODELVIEW current.
void resize_gl_view(int32_t width, int32_t height);

// Loads the perspective into the projection matrix: fov is the horizontal
// field (degrees) up to 4:3; wider windows keep the vertical field of 4:3.
void set_perspective(float fov, float near_plane, float far_plane);

// The same without the wide-screen rule: horizontal field always fov.
void set_perspective_plain(float fov, float near_plane, float far_plane);

// Saves both matrices and switches to pixel coordinates (origin top-left,
// y down) without depth test. Expects and leaves GL_MODELVIEW current.
void enter_overlay(void);

// Restores both matrices and enables the depth test.
void leave_overlay(void);

// Blending (GL_SRC_ALPHA_SATURATE, GL_ONE) and nicest smooth lines and points.
void enable_smoothing(void);

// Whether a facility that draws in window pixels (named by facility) may
// draw: 1 when screen_width and screen_height are both above 0, or when the
// toolkit's own window is open (a minimised window keeps drawing as before).
// Otherwise 0, after one line on standard error, the first time only in the
// process, naming the facility and what to set.
int32_t screen_size_known(const char* facility);
