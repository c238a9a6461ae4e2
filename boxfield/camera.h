// Free-flight camera of the box-field test: a point with a damped velocity,
// keyboard thrust along the view, a direct vertical speed, a boost key and
// mouse-look measured from the screen centre. The arithmetic (camera_step)
// needs no GL and no window; camera_update feeds it the shell's key, mouse
// and screen globals and puts the cursor back, camera_apply_view multiplies
// the view onto the GL matrices. Depends on shell (input globals, cursor) and GL.
#pragma once

#include <stdint.h>

struct cam_vec3 {
  double x, y, z;
};

// Longest frame time used for motion, in seconds.
constexpr double MAX_STEP = 0.05;
// Share of the velocity removed per frame is min(DAMPING_RATE * dt, 1).
constexpr double DAMPING_RATE = 10.0;
// Thrust gain: the speed a held movement key settles at, units per second.
constexpr double CRUISE_SPEED = 5.0;
// Vertical velocity set while R (up) or F (down) is held, units per second.
constexpr double VERTICAL_SPEED = 5.0;
// With Ctrl the position moves by an extra BOOST_FACTOR * dt * velocity.
constexpr double BOOST_FACTOR = 10.0;
// Mouse-look scale, radians per pixel.
constexpr double MOUSE_SENSITIVITY = 0.005;

// Eye position in world units.
extern cam_vec3 cam_pos;
// Velocity in world units per second.
extern cam_vec3 cam_vel;
// Turn about the world y axis in radians; positive looks toward +x; inside (-2pi, 2pi).
extern double cam_yaw;
// Tilt about the x axis in radians; positive looks down; inside [-pi/2, pi/2].
extern double cam_pitch;

// Start state: at (0, 0, 1.5 * field_size), at rest, looking along -z.
void camera_place(double field_size);

// Steps 1 to 8 of a frame: clamps the frame time r, damps, applies the keys of
// keys (bit 7 = down) and the offset of the mouse at (pointer_x, pointer_y)
// from the centre of a width x height screen, and moves the position.
void camera_step(double r, const uint8_t* keys, int32_t pointer_x, int32_t pointer_y, int32_t width,
                 int32_t height);

// One frame with the raw frame time r: camera_step on the shell's input and
// screen globals, then the cursor back to the centre of the screen.
void camera_update(double r);

// Pushes the projection matrix and rotates it by pitch and yaw, then
// translates the modelview matrix by minus the position. The caller pops the
// projection matrix after drawing.
void camera_apply_view(void);
