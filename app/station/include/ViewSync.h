#pragma once
// The camera that one ViewSync datagram carries to Google Earth, the views it
// is worked out for, and the datagram text.

#include <cstdint>

// The camera views. Modes 3 and 7 give the same camera, and so do 4 and 6;
// they differ in the check box that shows them (3 and 4 are the simulator's
// own selection and show none).
enum ViewMode : int {
  ViewForward = 0,         // "Foward View", or simulator selection 0
  ViewFwdL = 1,            // "Fwd L", or simulator selection 3; 20 degrees left
  ViewFwdR = 2,            // "Fwd R", or simulator selection 4; 20 degrees right
  ViewLeftWindowSim = 3,   // simulator selection 1; 90 degrees left
  ViewRightWindowSim = 4,  // simulator selection 2; 90 degrees right
  ViewMap = 5,             // "Map View"; straight down from a chosen height
  ViewRightWindow = 6,     // "Right Window View"
  ViewLeftWindow = 7,      // "Left Window View"
};

// The "Connect Status" indication.
enum LinkStatus : int {
  LinkIdle = 1,  // before the first refresh after Connect: grey
  LinkUp = 2,    // datagrams leaving: green
  LinkDown = 3,  // watchdog run out: orange
  LinkHeld = 4,  // the record's state word holds 0xFFFFFF: orange
};

// The values of one datagram. Degrees and metres; tilt 0 looks straight down
// and 90 at the horizon.
struct ViewSyncCamera {
  int counter;  // raised before each datagram; starts at 1509
  double latitude;
  double longitude;
  double altitude;
  double heading;
  double tilt;
  double roll;
  std::int64_t timeStart;  // always 0
  std::int64_t timeEnd;    // the record's time value
};

constexpr int kViewSyncTextSize = 256;

// Writes the datagram text of `camera`: its nine fields in order, each
// followed by a comma, the doubles fixed-point with six decimals and "." as
// the separator whatever the locale, the two times as 64-bit decimals; no
// line end. At most size - 1 characters, always terminated. Returns the
// text's length, or -1 when it did not fit.
int FormatViewSync(const ViewSyncCamera& camera, char* text, int size);

// Every double of the camera is a finite number: the receiver can read the
// datagram ("nan" or "inf" would reach it as text otherwise).
bool IsFiniteCamera(const ViewSyncCamera& camera);

// The camera's position lies on the globe: latitude -90 to 90 and longitude
// -180 to 180 degrees, the bounds included. A receiver would otherwise get a
// camera it cannot place.
bool IsOnTheGlobe(const ViewSyncCamera& camera);
