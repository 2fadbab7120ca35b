#include "ViewChange.h"

#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kEarthRadiusMetres = 6371000.0;
constexpr std::int64_t kMostSteps = 30;  // one second of lost datagrams
// Weight of the newest step in the smoothed vertical speed.
constexpr double kSpeedWeight = 0.25;

double Radians(double degrees) {
  return degrees * kPi / 180.0;
}

}  // namespace

double HeadingTurn(double from, double to) {
  double turn = std::fmod(to - from, 360.0);
  if (turn > 180.0) turn -= 360.0;
  if (turn <= -180.0) turn += 360.0;
  return turn;
}

double SurfaceDistance(double latitude1, double longitude1, double latitude2, double longitude2) {
  // Haversine: exact on a sphere for short and long distances alike.
  double dLatitude = Radians(latitude2 - latitude1);
  double dLongitude = Radians(longitude2 - longitude1);
  double a = std::sin(dLatitude / 2) * std::sin(dLatitude / 2) +
             std::cos(Radians(latitude1)) * std::cos(Radians(latitude2)) *
                 std::sin(dLongitude / 2) * std::sin(dLongitude / 2);
  if (a > 1.0) a = 1.0;
  return 2.0 * kEarthRadiusMetres * std::asin(std::sqrt(a));
}

ViewChange ViewChangeDetector::Follow(const ReceivedCamera& camera) {
  ViewChange change;
  if (!m_hasPrevious) {
    m_hasPrevious = true;
    m_previous = camera;
    return change;
  }
  // Widened, so counters at the ends of the int range cannot overflow.
  std::int64_t steps = std::int64_t{camera.counter} - m_previous.counter;
  if (steps < 1) steps = 1;
  if (steps > kMostSteps) steps = kMostSteps;

  change.headingBefore = m_previous.heading;
  change.turnDegrees = HeadingTurn(m_previous.heading, camera.heading);
  change.heading = std::fabs(change.turnDegrees) > kHeadingJumpDegrees;

  change.altitudeBefore = m_previous.altitude;
  change.altitudeStep = camera.altitude - m_previous.altitude;
  double perStep = change.altitudeStep / static_cast<double>(steps);
  if (m_hasVerticalSpeed) {
    double expected = m_metresPerStep * static_cast<double>(steps);
    change.altitude = std::fabs(change.altitudeStep - expected) > kAltitudeJumpMetres;
  }
  if (change.altitude) {
    m_hasVerticalSpeed = false;
  } else if (m_hasVerticalSpeed) {
    m_metresPerStep += kSpeedWeight * (perStep - m_metresPerStep);
  } else {
    m_hasVerticalSpeed = true;
    m_metresPerStep = perStep;
  }

  change.distanceMetres =
      SurfaceDistance(m_previous.latitude, m_previous.longitude, camera.latitude, camera.longitude);
  change.position = change.distanceMetres > kPositionJumpMetres * static_cast<double>(steps);

  m_previous = camera;
  return change;
}
