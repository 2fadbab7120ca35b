#pragma once
// Finds where the view a receiver shows changes abruptly from one camera to
// the next: what a recorded path marks for the engineer to look at.
//
// At 30 datagrams a second normal flight moves the camera very little per
// datagram: a 250 m/s cruise 8 m, an emergency descent of 8,000 ft/min
// 1.4 m down, a rate-one turn 0.1 degrees. Hence, per datagram (counter
// step; a counter that stands still or goes back counts as one step, lost
// datagrams count as up to 30 steps):
// - heading: a turn of more than 45 degrees (a new view without slewing);
// - altitude: more than 2 m away from where the vertical speed of the
//   datagrams before carries it (a datum trim of a few metres, a map view
//   altitude, a new airport's datum). Judging the step against the vertical
//   speed, not against zero, finds a trim in a climb too; the speed is
//   smoothed over a few datagrams, so a simulator frame that a datagram
//   takes twice does not count as a jump. Until the speed is known (the
//   second camera, and the one after a jump) a step only sets it;
// - position: more than 100 m (3 km/s: the simulator put the aircraft
//   somewhere else).

#include <cstdint>

#include "ViewSyncParser.h"

constexpr double kHeadingJumpDegrees = 45.0;
constexpr double kAltitudeJumpMetres = 2.0;
constexpr double kPositionJumpMetres = 100.0;

struct ViewChange {
  bool heading = false;
  bool altitude = false;
  bool position = false;
  double headingBefore = 0.0;
  double turnDegrees = 0.0;  // -180..180, positive to the right
  double altitudeBefore = 0.0;
  double altitudeStep = 0.0;  // metres, the whole step, positive up
  double distanceMetres = 0.0;

  bool Any() const { return heading || altitude || position; }
};

class ViewChangeDetector {
 public:
  // The change from the camera followed before to this one; none for the
  // first camera.
  ViewChange Follow(const ReceivedCamera& camera);

 private:
  bool m_hasPrevious = false;
  bool m_hasVerticalSpeed = false;
  double m_metresPerStep = 0.0;  // smoothed vertical speed, metres per counter step
  ReceivedCamera m_previous;
};

// Shortest turn from one heading to another, -180..180 degrees.
double HeadingTurn(double from, double to);

// Distance along the Earth's surface between two positions, in metres.
double SurfaceDistance(double latitude1, double longitude1, double latitude2, double longitude2);
