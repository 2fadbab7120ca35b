#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>

#include "Tolerance.h"
#include "VisimDemo.h"

namespace {

constexpr double kMetresPerDegree = 6371000.0 * 3.14159265358979323846 / 180.0;

double MetresBetween(const VisimFields& a, const VisimFields& b) {
  double north = (b.latitude - a.latitude) * kMetresPerDegree;
  double east = (b.longitude - a.longitude) * kMetresPerDegree *
                std::cos(VisimDemo::kStartLatitude * 3.14159265358979323846 / 180.0);
  return std::hypot(north, east);
}

TEST(VisimDemo, StartsLinedUpAtHeathrowFacingWestAndMovesAtOnce) {
  VisimFields start = VisimDemo::At(0.0);
  EXPECT_DEGREES_NEAR(start.latitude, 51.4775);
  EXPECT_DEGREES_NEAR(start.longitude, -0.4614);
  EXPECT_DEGREES_NEAR(start.heading, 270.0);
  EXPECT_METRES_NEAR(start.heightAgl, VisimDemo::kEyeHeight);
  EXPECT_DEGREES_NEAR(start.pitch, 0.0);
  EXPECT_STREQ(start.airport, "EGLL");
  EXPECT_EQ(start.view, kSimViewForward);
  EXPECT_FALSE(start.Has(kFieldStateWord)) << "the state word is left to --set";
  EXPECT_TRUE(start.Has(kFieldLatitude) && start.Has(kFieldAirport) && start.Has(kFieldView));

  VisimFields later = VisimDemo::At(1.5);
  EXPECT_LT(later.longitude, start.longitude) << "rolling west";
  EXPECT_DEGREES_NEAR(later.latitude, start.latitude);
}

TEST(VisimDemo, FliesASmoothConsistentLapThatClimbsTurnsAndRepeats) {
  VisimFields previous = VisimDemo::At(0.0);
  double highest = 0.0;
  std::set<std::string> airports;
  std::set<int> views;
  int airportChanges = 0;
  int viewChanges = 0;
  for (double t = 0.25; t < VisimDemo::kLapSeconds; t += 0.25) {
    VisimFields now = VisimDemo::At(t);
    EXPECT_METRES_NEAR(now.altitude, VisimDemo::kGroundElevation + now.heightAgl) << t;
    EXPECT_LE(MetresBetween(previous, now), 80.0 * 0.25) << "no jump at " << t;
    EXPECT_LE(std::fabs(now.heading - previous.heading), 1.0) << t;
    EXPECT_GE(now.heightAgl, previous.heightAgl) << "it only climbs, at " << t;
    EXPECT_GE(now.heading, 180.0);
    EXPECT_LE(now.heading, 270.0);
    highest = std::fmax(highest, now.heightAgl);
    airports.insert(now.airport);
    views.insert(now.view);
    airportChanges += std::string(now.airport) != previous.airport;
    viewChanges += now.view != previous.view;
    previous = now;
  }
  EXPECT_METRES_NEAR(highest, VisimDemo::kCruiseHeight);
  EXPECT_DEGREES_NEAR(VisimDemo::At(100.0).heading, 230.0) << "turning left onto south";
  EXPECT_LT(VisimDemo::At(100.0).bank, -10.0);
  EXPECT_DEGREES_NEAR(VisimDemo::At(200.0).heading, 180.0);
  EXPECT_GE(airportChanges, 2);
  EXPECT_GE(viewChanges, 3);
  EXPECT_EQ(views.size(), 5u) << "every simulator view selection is visited";

  VisimFields again = VisimDemo::At(VisimDemo::kLapSeconds + 100.0);
  EXPECT_DEGREES_NEAR(again.latitude, VisimDemo::At(100.0).latitude);
  EXPECT_METRES_NEAR(VisimDemo::At(VisimDemo::kLapSeconds).heightAgl, VisimDemo::kEyeHeight);
}

}  // namespace
