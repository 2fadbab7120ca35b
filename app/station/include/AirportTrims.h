#pragma once
// The airport table and the operator's trims of it: the airport the
// simulator reports is looked up when it changes, and its datum offset is
// the one in force; a trim goes to that airport, which gets a record of its
// own on its first trim when the table has none. Save writes the table back.
// Nothing of a window: the station shows the offsets and tells the results.

#include "AirportManager.h"

class AirportTrims {
 public:
  // The airport index while the reported airport is not in the table (or
  // none was reported yet): a trim then has no record to go to until one is made.
  static constexpr int kNoAirport = -1;

  AirportTrims();

  // Start-up: the offsets file; false when it cannot be read (the reason in
  // Table().GetErrorText()), and the table stays empty.
  bool Load(const char* fileName) { return m_airports.ReadOffsetsFile(fileName); }

  // The simulator's airport as reported now. True when it changed to an
  // airport of the table: its offset is then the one in force (`offset`). An
  // airport not in the table leaves the offset in force as it was, but it is
  // no longer the trim's target.
  bool Follow(const char* ident, double* offset);
  // A trim to `offset` of the reported airport `ident`; `inForce` is the
  // offset the camera uses now, the one a new record starts from.
  void Trim(const char* ident, double inForce, double offset);
  // The offset in force is now `offset`: kept in the target airport's record.
  void Keep(double offset);
  // The offset the trims start from: the airport's, or the last trim's.
  double GetEdited() const { return m_edited; }
  int GetAirportIndex() const { return m_airportIndex; }
  // Start-up values: no airport, offset 0.
  void Restart();

  AirportManager& Table() { return m_airports; }
  const AirportManager& Table() const { return m_airports; }

 private:
  AirportManager m_airports;
  int m_airportIndex;
  char m_lastAirport[AirportRecord::kIdentSize];
  double m_edited;
};
