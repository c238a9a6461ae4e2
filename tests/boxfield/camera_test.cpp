// Camera arithmetic without GL: thrust and damping, the step clamp, mouse-look
// with its wrap and clamp, the vertical override and the boost.
#include "boxfield/camera.h"

#include <gtest/gtest.h>
#include <math.h>
#include <string.h>

namespace {

const double PI = 3.14159265358979323846;
const int32_t W = 1280, H = 720;

struct camera_fixture : ::testing::Test {
  uint8_t keys[256];
  void SetUp() override {
    memset(keys, 0, sizeof keys);
    camera_place(10.0);
  }
  void hold(int key) { keys[key] = 0x80; }
  // A frame with the mouse resting at the centre.
  void frame(double r) { camera_step(r, keys, W / 2, H / 2, W, H); }
};

TEST_F(camera_fixture, PlacedOutsideTheFieldAtRest) {
  EXPECT_EQ(cam_pos.x, 0.0);
  EXPECT_EQ(cam_pos.y, 0.0);
  EXPECT_EQ(cam_pos.z, 15.0);
  EXPECT_EQ(cam_vel.z, 0.0);
  EXPECT_EQ(cam_yaw, 0.0);
  EXPECT_EQ(cam_pitch, 0.0);
}

TEST_F(camera_fixture, OneFrameOfThrustFromRestFollowsTheViewDirection) {
  // Looking at yaw 0.3, pitch 0.2: forward = (sin y cos p, -sin p, -cos y cos p).
  cam_yaw = 0.3;
  cam_pitch = 0.2;
  hold('W');
  frame(1.0 / 60.0);
  double speed = 5.0 / 6.0;
  EXPECT_NEAR(cam_vel.x, sin(0.3) * cos(0.2) * speed, 1e-12);
  EXPECT_NEAR(cam_vel.y, -sin(0.2) * speed, 1e-12);
  EXPECT_NEAR(cam_vel.z, -cos(0.3) * cos(0.2) * speed, 1e-12);
  EXPECT_NEAR(cam_pos.z, 15.0 - cos(0.3) * cos(0.2) * speed / 60.0, 1e-12);
}

TEST_F(camera_fixture, HeldKeysSettleAtCruiseSpeed) {
  hold('W');
  for (int i = 0; i < 600; i++) frame(1.0 / 60.0);
  EXPECT_NEAR(cam_vel.z, -5.0, 1e-9);
  EXPECT_NEAR(cam_vel.x, 0.0, 1e-12);

  // W with A: a diagonal at 5 * sqrt(2).
  hold('A');
  for (int i = 0; i < 600; i++) frame(1.0 / 60.0);
  EXPECT_NEAR(hypot(cam_vel.x, cam_vel.z), 5.0 * sqrt(2.0), 1e-9);
  EXPECT_LT(cam_vel.x, 0.0);

  // Opposite keys cancel: the velocity decays to nothing.
  hold('S');
  hold('D');
  for (int i = 0; i < 600; i++) frame(1.0 / 60.0);
  EXPECT_NEAR(hypot(cam_vel.x, cam_vel.z), 0.0, 1e-9);
}

TEST_F(camera_fixture, StrafeIsHorizontalWhateverThePitch) {
  cam_pitch = 1.0;
  hold('D');
  frame(1.0 / 60.0);
  EXPECT_EQ(cam_vel.y, 0.0);
  EXPECT_NEAR(cam_vel.x, 5.0 / 6.0, 1e-12);
}

TEST_F(camera_fixture, LongFramesMoveNoFartherThanTheStepLimit) {
  cam_vel = {1.0, 2.0, 3.0};
  hold('W');
  frame(0.2);
  cam_vec3 pos_long = cam_pos, vel_long = cam_vel;

  SetUp();
  cam_vel = {1.0, 2.0, 3.0};
  hold('W');
  frame(0.05);
  EXPECT_EQ(cam_pos.x, pos_long.x);
  EXPECT_EQ(cam_pos.y, pos_long.y);
  EXPECT_EQ(cam_pos.z, pos_long.z);
  EXPECT_EQ(cam_vel.z, vel_long.z);
}

TEST_F(camera_fixture, ZeroAndNegativeFramesChangeNothing) {
  cam_vel = {1.0, -2.0, 3.0};
  hold('W');
  hold('D');
  hold(0x11);
  for (double r : {0.0, -4294967.296}) {
    frame(r);
    EXPECT_EQ(cam_vel.x, 1.0);
    EXPECT_EQ(cam_vel.y, -2.0);
    EXPECT_EQ(cam_vel.z, 3.0);
    EXPECT_EQ(cam_pos.x, 0.0);
    EXPECT_EQ(cam_pos.z, 15.0);
  }
}

TEST_F(camera_fixture, MouseOffsetFromTheCentreTurnsTheView) {
  camera_step(1.0 / 60.0, keys, W / 2 + 100, H / 2, W, H);
  EXPECT_NEAR(cam_yaw, 0.5, 1e-15);
  EXPECT_EQ(cam_pitch, 0.0);
  camera_step(1.0 / 60.0, keys, W / 2, H / 2 - 40, W, H);
  EXPECT_NEAR(cam_yaw, 0.5, 1e-15);
  EXPECT_NEAR(cam_pitch, -0.2, 1e-15);

  // A 0.5 rad turn toward +x: W now thrusts along (sin 0.5, ., -cos 0.5).
  cam_pitch = 0.0;
  hold('W');
  frame(1.0 / 60.0);
  EXPECT_GT(cam_vel.x, 0.0);
  EXPECT_NEAR(cam_vel.x / -cam_vel.z, tan(0.5), 1e-12);
}

TEST_F(camera_fixture, OddScreenSizesUseTruncatedHalves) {
  // 1281 / 2 = 640: a mouse at 640 is the centre.
  camera_step(0.01, keys, 640, 360, 1281, 721);
  EXPECT_EQ(cam_yaw, 0.0);
  EXPECT_EQ(cam_pitch, 0.0);
}

TEST_F(camera_fixture, PitchStopsAtStraightUpAndDown) {
  camera_step(0.01, keys, W / 2, H / 2 + 1000, W, H);
  EXPECT_EQ(cam_pitch, PI / 2.0);
  camera_step(0.01, keys, W / 2, H / 2 + 10, W, H);
  EXPECT_EQ(cam_pitch, PI / 2.0);
  camera_step(0.01, keys, W / 2, H / 2 - 5000, W, H);
  EXPECT_EQ(cam_pitch, -PI / 2.0);
}

TEST_F(camera_fixture, YawWrapsInsideTwoPiKeepingItsSign) {
  double expected = 0.0;
  for (int i = 0; i < 50; i++) {
    camera_step(0.01, keys, W / 2 + 600, H / 2, W, H);
    expected += 3.0;
    EXPECT_GT(cam_yaw, -2.0 * PI);
    EXPECT_LT(cam_yaw, 2.0 * PI);
    EXPECT_GE(cam_yaw, 0.0);
  }
  EXPECT_NEAR(cam_yaw, fmod(expected, 2.0 * PI), 1e-9);
  for (int i = 0; i < 100; i++) {
    camera_step(0.01, keys, W / 2 - 600, H / 2, W, H);
    EXPECT_GT(cam_yaw, -2.0 * PI);
    EXPECT_LT(cam_yaw, 2.0 * PI);
  }
  EXPECT_LE(cam_yaw, 0.0);
}

TEST_F(camera_fixture, VerticalKeysOverrideAndRWinsOverF) {
  cam_pitch = -0.7;  // W would push upward
  hold('W');
  hold('F');
  frame(1.0 / 60.0);
  EXPECT_EQ(cam_vel.y, -5.0);
  hold('R');
  frame(1.0 / 60.0);
  EXPECT_EQ(cam_vel.y, 5.0);
}

TEST_F(camera_fixture, BoostMovesElevenTimesTheVelocity) {
  hold('W');
  hold(0x11);
  for (int i = 0; i < 600; i++) frame(1.0 / 60.0);
  double z0 = cam_pos.z;
  frame(1.0 / 60.0);
  EXPECT_NEAR((z0 - cam_pos.z) * 60.0, 55.0, 1e-6);

  // The boost scales the vertical override as well.
  memset(keys, 0, sizeof keys);
  hold('R');
  hold(0x11);
  double y0 = cam_pos.y;
  frame(1.0 / 60.0);
  EXPECT_NEAR((cam_pos.y - y0) * 60.0, 55.0, 1e-9);
}

}  // namespace
