// The field the program generates: the same boxes on every platform (the
// unseeded Windows-compatible generator, 60000 doubles in memory order) and
// their world extents.
#include "boxfield/box_field.h"

#include <gtest/gtest.h>
#include <math.h>
#include <string.h>

#include "boxfield/box_field_tours.h"
#include "runner/runner_script.h"
#include "shell/clock.h"

namespace {

// The Windows C runtime's rand, written out here independently of the toolkit.
struct reference_rand {
  uint32_t state = 1;
  int32_t next() {
    state = state * 214013u + 2531011u;
    return (int32_t)((state >> 16) & 0x7FFF);
  }
  double below_one() {
    double r1 = next();
    double r2 = next();
    return (r1 / 32768.0 + r2) / 32768.0;
  }
};

double fraction(int32_t low, int32_t high) { return (low / 32768.0 + high) / 32768.0; }

struct generated_field : ::testing::Test {
  static void SetUpTestSuite() {
    uint32_t saved = random_get_state();
    random_set_state(1);
    ASSERT_EQ(box_field_generate(), 1);
    random_set_state(saved);
  }
};

TEST_F(generated_field, FirstBoxComesFromTheFirstTwelveDraws) {
  // The unseeded Microsoft runtime's first values: 41, 18467, 6334, 26500,
  // 19169, 15724, 11478, 29358, 26962, 24464, 5705, 28145.
  const box& b = field_boxes[0];
  EXPECT_EQ(b.pos_x, fraction(41, 18467));
  EXPECT_EQ(b.size_x, fraction(6334, 26500));
  EXPECT_EQ(b.pos_y, fraction(19169, 15724));
  EXPECT_EQ(b.size_y, fraction(11478, 29358));
  EXPECT_EQ(b.pos_z, fraction(26962, 24464));
  EXPECT_EQ(b.size_z, fraction(5705, 28145));
  EXPECT_NEAR(b.pos_x, 0.563568, 1e-6);
}

TEST_F(generated_field, EveryValueFollowsTheSequenceInMemoryOrder) {
  reference_rand ref;
  const double* values = &field_boxes[0].pos_x;
  static_assert(sizeof(box) == 6 * sizeof(double), "box is six packed doubles");
  for (int32_t i = 0; i < BOX_COUNT * 6; i++) {
    double expected = ref.below_one();
    ASSERT_EQ(values[i], expected) << "double " << i;
    ASSERT_GE(values[i], 0.0);
    ASSERT_LT(values[i], 1.0);
  }
}

TEST_F(generated_field, FieldEdgeHoldsOneBoxPerUnitVolume) {
  EXPECT_NEAR(field_size, 21.5443469, 1e-7);
  EXPECT_NEAR(field_size * field_size * field_size, 10000.0, 1e-9);
}

TEST(box_field_bounds, LowFacesSpanTheCentredCube) {
  field_size = pow(10000.0, 1.0 / 3.0);
  double half = field_size / 2.0;
  box low = {0.0, 0.25, 0.0, 0.5, 0.0, 0.75};
  double e[6];
  box_field_bounds(&low, e);
  EXPECT_EQ(e[0], -half);
  EXPECT_EQ(e[1], -half + 0.25);
  EXPECT_EQ(e[2], -half);
  EXPECT_EQ(e[3], -half + 0.5);
  EXPECT_EQ(e[4], -half);
  EXPECT_EQ(e[5], -half + 0.75);

  box high = {0.5, 0.125, 0.75, 0.0, 0.999, 0.5};
  box_field_bounds(&high, e);
  EXPECT_NEAR(e[0], 0.0, 1e-12);
  EXPECT_NEAR(e[1], 0.125, 1e-12);
  EXPECT_NEAR(e[2], field_size * 0.25, 1e-12);
  EXPECT_EQ(e[3], e[2]);
  EXPECT_NEAR(e[4], field_size * 0.499, 1e-12);
  EXPECT_NEAR(e[5], e[4] + 0.5, 1e-12);
}

TEST(box_field_tours, BuiltInToursParse) {
  for (const char* name : {"short", "bench", "reference"}) {
    const char* text = box_field_tour(name);
    ASSERT_NE(text, nullptr) << name;
    runner_script s;
    char error[128];
    EXPECT_EQ(runner_parse_script(text, &s, error, sizeof error), 1) << name << ": " << error;
    EXPECT_NE(strstr(box_field_tour_names(), name), nullptr);
  }
  EXPECT_EQ(box_field_tour("nope"), nullptr);
}

}  // namespace
