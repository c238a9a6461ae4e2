// Free-flight camera (see camera.h). The update is split so that its
// arithmetic runs without GL or a window: camera_step reads only its
// arguments, camera_update adds the shell's globals and the cursor warp.
#include "boxfield/camera.h"

#include <math.h>

#include "shell/gl.h"
#include "shell/platform.h"
#include "shell/window.h"

cam_vec3 cam_pos = {0.0, 0.0, 0.0};
cam_vec3 cam_vel = {0.0, 0.0, 0.0};
double cam_yaw = 0.0;
double cam_pitch = 0.0;

static const double CAMERA_PI = 3.14159265358979323846;

static bool camera_key_down(const uint8_t* keys, int key) { return (keys[key] & 0x80) != 0; }

void camera_place(double field_size) {
  cam_pos.x = 0.0;
  cam_pos.y = 0.0;
  cam_pos.z = 1.5 * field_size;
  cam_vel.x = 0.0;
  cam_vel.y = 0.0;
  cam_vel.z = 0.0;
  cam_yaw = 0.0;
  cam_pitch = 0.0;
}

void camera_step(double r, const uint8_t* keys, int32_t pointer_x, int32_t pointer_y, int32_t width,
                 int32_t height) {
  // A negative frame time (a wrapped millisecond clock) would run the motion
  // backwards and turn damping into acceleration; it counts as no time.
  double dt = r > MAX_STEP ? MAX_STEP : r;
  if (!(dt > 0.0)) dt = 0.0;
  double g = DAMPING_RATE * dt;
  if (g > 1.0) g = 1.0;

  cam_vel.x = cam_vel.x - g * cam_vel.x;
  cam_vel.y = cam_vel.y - g * cam_vel.y;
  cam_vel.z = cam_vel.z - g * cam_vel.z;

  double a = g * CRUISE_SPEED;
  double sin_yaw = sin(cam_yaw), cos_yaw = cos(cam_yaw);
  double sin_pitch = sin(cam_pitch), cos_pitch = cos(cam_pitch);
  if (camera_key_down(keys, 'W')) {
    cam_vel.z -= cos_yaw * cos_pitch * a;
    cam_vel.x += sin_yaw * cos_pitch * a;
    cam_vel.y -= sin_pitch * a;
  }
  if (camera_key_down(keys, 'A')) {
    cam_vel.x -= cos_yaw * a;
    cam_vel.z -= sin_yaw * a;
  }
  if (camera_key_down(keys, 'S')) {
    cam_vel.z += cos_yaw * cos_pitch * a;
    cam_vel.x -= sin_yaw * cos_pitch * a;
    cam_vel.y += sin_pitch * a;
  }
  if (camera_key_down(keys, 'D')) {
    cam_vel.x += cos_yaw * a;
    cam_vel.z += sin_yaw * a;
  }

  if (camera_key_down(keys, 'R')) {
    cam_vel.y = VERTICAL_SPEED;
  } else if (camera_key_down(keys, 'F')) {
    cam_vel.y = -VERTICAL_SPEED;
  }

  if (camera_key_down(keys, VK_CONTROL)) {
    cam_pos.x += BOOST_FACTOR * dt * cam_vel.x;
    cam_pos.y += BOOST_FACTOR * dt * cam_vel.y;
    cam_pos.z += BOOST_FACTOR * dt * cam_vel.z;
  }
  cam_pos.x += dt * cam_vel.x;
  cam_pos.y += dt * cam_vel.y;
  cam_pos.z += dt * cam_vel.z;

  // Mouse offsets from the centre, with the halves truncated like the cursor
  // position the previous frame put back.
  cam_yaw += MOUSE_SENSITIVITY * (double)(pointer_x - width / 2);
  cam_yaw = fmod(cam_yaw, 2.0 * CAMERA_PI);
  cam_pitch += MOUSE_SENSITIVITY * (double)(pointer_y - height / 2);
  if (cam_pitch > CAMERA_PI / 2.0) cam_pitch = CAMERA_PI / 2.0;
  if (cam_pitch < -CAMERA_PI / 2.0) cam_pitch = -CAMERA_PI / 2.0;
}

void camera_update(double r) {
  camera_step(r, key_state, mouse_x, mouse_y, screen_width, screen_height);
  // The window covers the screen from its origin, so this is the client
  // centre: the next frame measures the mouse from here.
  platform_set_cursor_pos(screen_width / 2, screen_height / 2);
}

void camera_apply_view(void) {
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glRotatef((float)(cam_pitch * 180.0 / CAMERA_PI), 1.0f, 0.0f, 0.0f);
  glRotatef((float)(cam_yaw * 180.0 / CAMERA_PI), 0.0f, 1.0f, 0.0f);
  glMatrixMode(GL_MODELVIEW);
  glTranslatef((float)-cam_pos.x, (float)-cam_pos.y, (float)-cam_pos.z);
}
