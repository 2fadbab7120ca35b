#pragma once
// Reads one ViewSync datagram as a Google Earth receiver gets it: nine
// numbers, each followed by a comma (counter, latitude, longitude, altitude,
// heading, tilt, roll, time start, time end), then optionally a planet name.
// Strict: anything else is malformed, with a reason a person can act on.

#include <cstddef>
#include <cstdint>

#include "ViewSync.h"

// The values of one well-formed datagram.
struct ReceivedCamera {
  int counter = 0;
  double latitude = 0.0;
  double longitude = 0.0;
  double altitude = 0.0;
  double heading = 0.0;
  double tilt = 0.0;
  double roll = 0.0;
  std::int64_t timeStart = 0;
  std::int64_t timeEnd = 0;
  // Empty when the datagram has no tenth field.
  char planet[16] = {};
};

// The station formats its datagram into kViewSyncTextSize bytes, so its
// text never exceeds one less.
constexpr std::size_t kViewSyncMaxLength = kViewSyncTextSize - 1;
constexpr int kParseReasonSize = 96;

// Parses length bytes of data (no terminator needed; bytes after length are
// never read). True with camera filled when the datagram is well formed;
// false with the reason in reason (always terminated, cut to reasonSize - 1)
// and camera in an unspecified state otherwise. Numbers are read with "." as
// the decimal separator whatever the process locale.
bool ParseViewSync(const char* data, std::size_t length, ReceivedCamera& camera, char* reason,
                   int reasonSize);
