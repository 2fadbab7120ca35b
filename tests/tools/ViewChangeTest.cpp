// Which steps from one received camera to the next count as abrupt changes
// of view: the flights here are made up at the station's 30 datagrams a
// second.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "Tolerance.h"
#include "ViewChange.h"

namespace {

constexpr double kMetresPerDegree = 111194.93;  // on the 6,371 km sphere

ReceivedCamera Camera(int counter, double altitude, double heading, double north = 0.0) {
  ReceivedCamera camera;
  camera.counter = counter;
  camera.latitude = 51.4775 + north / kMetresPerDegree;
  camera.longitude = -0.461389;
  camera.altitude = altitude;
  camera.heading = heading;
  camera.tilt = 90.0;
  return camera;
}

// Follows the cameras; the counters of those that made a change.
std::vector<int> Changes(const std::vector<ReceivedCamera>& cameras) {
  ViewChangeDetector detector;
  std::vector<int> changed;
  for (const ReceivedCamera& camera : cameras) {
    if (detector.Follow(camera).Any()) changed.push_back(camera.counter);
  }
  return changed;
}

TEST(ViewChange, NormalFlightIsNeverAnAbruptChange) {
  // Two minutes flown north at 250 m/s, turning at 3 deg/s through north: a
  // climb at 30 m/s (6,000 ft/min), a push-over in 10 s into an 8,000 ft/min
  // descent (41 m/s). The simulator runs at 60 Hz beside the station, so
  // every seventh datagram takes the simulator's frame of the one before and
  // the next one catches up by two.
  std::vector<double> altitudes{500.0};
  for (int frame = 1; frame <= 7200; ++frame) {
    double t = frame / 60.0;
    double climb = t < 55.0 ? 30.0 : (t > 65.0 ? -41.0 : 30.0 - 7.1 * (t - 55.0));
    altitudes.push_back(altitudes.back() + climb / 60.0);
  }
  std::vector<ReceivedCamera> flight;
  for (int i = 0; i < 3600; ++i) {
    int frame = 2 * i - (i % 7 == 6 ? 1 : 0);
    double t = frame / 60.0;
    double heading = std::fmod(330.0 + 3.0 * t, 360.0);
    flight.push_back(
        Camera(1510 + i, altitudes[static_cast<std::size_t>(frame)], heading, 250.0 * t));
  }
  EXPECT_EQ(Changes(flight), std::vector<int>());
}

TEST(ViewChange, ATrimOfAFewMetresIsAnAltitudeJumpInLevelFlightAndInAClimb) {
  // Level on the ground, then a climb at 1.3 m a datagram (39 m/s); a 3 m
  // trim in each (down in the climb, so the camera still only drops 1.7 m),
  // and half-metre trims (one click of the spin buttons) that are not.
  std::vector<ReceivedCamera> cameras;
  double altitude = 30.0;
  for (int counter = 1510; counter < 1600; ++counter) {
    if (counter >= 1550) altitude += 1.3;
    if (counter == 1520) altitude += 3.0;
    if (counter == 1570) altitude -= 3.0;
    if (counter == 1530 || counter == 1580) altitude -= 0.5;
    cameras.push_back(Camera(counter, altitude, 270.0));
  }
  EXPECT_EQ(Changes(cameras), std::vector<int>({1520, 1570}));

  ViewChangeDetector detector;
  detector.Follow(Camera(1510, 30.0, 270.0));
  detector.Follow(Camera(1511, 30.0, 270.0));
  ViewChange trim = detector.Follow(Camera(1512, 26.5, 270.0));
  EXPECT_TRUE(trim.altitude);
  EXPECT_FALSE(trim.heading || trim.position);
  EXPECT_METRES_NEAR(trim.altitudeBefore, 30.0);
  EXPECT_METRES_NEAR(trim.altitudeStep, -3.5);
}

TEST(ViewChange, AJumpIsMarkedOnceAndTheFlightGoesOnFromIt) {
  // A trim in a 1 m-a-datagram climb, then the climb again: the camera after
  // the trim only sets the speed anew.
  ViewChangeDetector detector;
  std::vector<bool> altitudeJumps;
  const double altitudes[] = {100, 101, 102, 103, 108, 109, 110, 111};
  int counter = 1510;
  for (double altitude : altitudes) {
    altitudeJumps.push_back(detector.Follow(Camera(counter++, altitude, 90.0)).altitude);
  }
  EXPECT_EQ(altitudeJumps,
            std::vector<bool>({false, false, false, false, true, false, false, false}));
}

TEST(ViewChange, HeadingJumpsAreTurnsOfMoreThan45DegreesEitherWayRoundNorth) {
  ViewChangeDetector detector;
  detector.Follow(Camera(1510, 100.0, 270.0));
  ViewChange left = detector.Follow(Camera(1511, 100.0, 180.0));
  EXPECT_TRUE(left.heading);
  EXPECT_DEGREES_NEAR(left.turnDegrees, -90.0);
  EXPECT_DEGREES_NEAR(left.headingBefore, 270.0);
  EXPECT_FALSE(detector.Follow(Camera(1512, 100.0, 225.0)).heading) << "exactly 45";
  EXPECT_TRUE(detector.Follow(Camera(1513, 100.0, 350.0)).heading) << "125 to the right";
  EXPECT_FALSE(detector.Follow(Camera(1514, 100.0, 20.0)).heading) << "30 through north";

  EXPECT_DEGREES_NEAR(HeadingTurn(350.0, 10.0), 20.0);
  EXPECT_DEGREES_NEAR(HeadingTurn(10.0, 300.0), -70.0);
  EXPECT_DEGREES_NEAR(HeadingTurn(0.0, 360.0), 0.0);
  EXPECT_DEGREES_NEAR(HeadingTurn(370.0, -10.0), -20.0);
  EXPECT_DEGREES_NEAR(HeadingTurn(0.0, 180.0), 180.0);
  EXPECT_DEGREES_NEAR(HeadingTurn(180.0, 0.0), 180.0);
}

TEST(ViewChange, ARepositionIsAPositionJumpButLostDatagramsAreNot) {
  ViewChangeDetector detector;
  detector.Follow(Camera(1510, 100.0, 0.0, 0.0));
  // 250 m/s with ten datagrams lost: 92 m in 11 counter steps.
  ViewChange lost = detector.Follow(Camera(1521, 100.0, 0.0, 92.0));
  EXPECT_FALSE(lost.Any());
  EXPECT_NEAR(lost.distanceMetres, 92.0, 0.01);
  ViewChange moved = detector.Follow(Camera(1522, 100.0, 0.0, 5092.0));
  EXPECT_TRUE(moved.position);
  EXPECT_FALSE(moved.heading || moved.altitude);
  EXPECT_NEAR(moved.distanceMetres, 5000.0, 0.5);
}

TEST(ViewChange, ARestartedStationCountsAsOneStep) {
  // The counter goes back to 1510: the step is judged like any other, never
  // spread over a negative or huge number of steps.
  ViewChangeDetector detector;
  detector.Follow(Camera(90000, 100.0, 0.0, 0.0));
  detector.Follow(Camera(90001, 100.0, 0.0, 8.0));
  EXPECT_TRUE(detector.Follow(Camera(1510, 100.0, 0.0, 500.0)).position);
  EXPECT_FALSE(detector.Follow(Camera(1511, 100.0, 0.0, 508.0)).Any());
}

TEST(ViewChange, DistancesAreGreatCirclesAlsoAcrossTheDateLine) {
  EXPECT_NEAR(SurfaceDistance(0.0, 0.0, 1.0, 0.0), kMetresPerDegree, 0.01);
  EXPECT_NEAR(SurfaceDistance(0.0, -179.5, 0.0, 179.5), kMetresPerDegree, 0.01);
}

}  // namespace
