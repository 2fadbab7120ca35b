#pragma once
// One airport of the ground-datum table.

struct AirportRecord {
  static constexpr int kIdentSize = 5;  // at most 4 characters and the terminator
  static constexpr int kNameSize = 50;  // at most 49 characters and the terminator

  char ident[kIdentSize];  // ICAO identifier as read, blanks kept
  char name[kNameSize];    // airport name
  double datumOffset;      // metres the frame step adds to the camera altitude
};
