#pragma once
// The built-in demonstration flight, easy to recognise in Google Earth: lined
// up at Heathrow facing west (51.4775 N, 0.4614 W, heading 270), a take-off
// roll, a climb that turns left onto south and levels at 2,000 m above the
// ground, then the same again from the start. Along the way the airport
// field and the simulator's view selection change a few times, so that the
// station's airport look-up and view following are exercised too.
//
// The ground is taken as flat at Heathrow's elevation, so altitude is always
// the ground elevation plus the height above ground.

#include "VisimFields.h"

namespace VisimDemo {

constexpr double kStartLatitude = 51.4775;
constexpr double kStartLongitude = -0.4614;
constexpr double kStartHeading = 270.0;
constexpr double kGroundElevation = 25.0;  // m
constexpr double kEyeHeight = 5.0;         // m above ground on the runway
constexpr double kCruiseHeight = 2000.0;   // m above ground
constexpr double kLapSeconds = 302.0;      // then it starts over

// Every field but state_word, for a time in seconds since the start (any
// time: the flight repeats every kLapSeconds). time_value is the whole
// seconds into the lap.
VisimFields At(double seconds);

}  // namespace VisimDemo
