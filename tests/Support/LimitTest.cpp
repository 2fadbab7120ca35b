#include <gtest/gtest.h>

#include "Limit.h"

TEST(Limit, HoldsIntsInsideTheTable) {
  EXPECT_EQ(Limit(0, 25000, 19999), 19999);
  EXPECT_EQ(Limit(0, -3, 19999), 0);
  EXPECT_EQ(Limit(0, 19999, 19999), 19999);
  EXPECT_EQ(Limit(0, 5, 19999), 5);
}

TEST(Limit, HoldsFactorsBetweenZeroAndOne) {
  EXPECT_DOUBLE_EQ(Limit(0.0, 1.0, 1.0), 1.0);
  EXPECT_DOUBLE_EQ(Limit(0.0, 0.9999, 1.0), 0.9999);
  EXPECT_DOUBLE_EQ(Limit(0.0, -0.5, 1.0), 0.0);
}

TEST(Limit, ReversedLimitsTestTheUpperFirst) {
  EXPECT_DOUBLE_EQ(Limit(1.0, 0.5, 0.0), 0.0);
  EXPECT_DOUBLE_EQ(Limit(1.0, -1.0, 0.0), 1.0);
}
