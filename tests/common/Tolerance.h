#pragma once
// Numbers the station works out (the camera's angles and heights, the datum
// offsets, the height blend) are compared within a tolerance named for what
// they are, never for exact equality: the same formula written another way
// may round differently in the last place and still be right.

#include <gtest/gtest.h>

#include <cmath>

namespace Tolerance {

// Angles in degrees (heading, tilt, roll, latitude, longitude) worked out
// from the simulator's record: sums and products of a few terms below 1,000.
inline constexpr double kDegrees = 1e-9;
// Heights and offsets in metres (camera altitude, datum offset, map height):
// a few terms of up to 100,000 m.
inline constexpr double kMetres = 1e-7;
// A share from 0 to 1 (the blend from height above ground to altitude).
inline constexpr double kFraction = 1e-12;
// A number read back from a datagram's text, which the station prints with
// six decimals: half a unit of the last decimal, and the rounding on top.
inline constexpr double kDatagramText = 1e-6;

}  // namespace Tolerance

// As a predicate, for searches through what was received.
inline bool DatagramValueNear(double actual, double expected) {
  return std::fabs(actual - expected) <= Tolerance::kDatagramText;
}

#define EXPECT_DEGREES_NEAR(actual, expected) EXPECT_NEAR(actual, expected, Tolerance::kDegrees)
#define EXPECT_METRES_NEAR(actual, expected) EXPECT_NEAR(actual, expected, Tolerance::kMetres)
#define EXPECT_FRACTION_NEAR(actual, expected) EXPECT_NEAR(actual, expected, Tolerance::kFraction)
#define EXPECT_DATAGRAM_VALUE_NEAR(actual, expected) \
  EXPECT_NEAR(actual, expected, Tolerance::kDatagramText)
