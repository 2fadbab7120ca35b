#include "AirportTrims.h"

#include "TextFunctions.h"

AirportTrims::AirportTrims() : m_airportIndex(kNoAirport), m_lastAirport(), m_edited(0.0) {}

void AirportTrims::Restart() {
  m_edited = 0.0;
  m_airportIndex = kNoAirport;
  for (char& c : m_lastAirport) {
    c = '\0';
  }
}

bool AirportTrims::Follow(const char* ident, double* offset) {
  if (SameIgnoringSpaces(m_lastAirport, ident)) {
    return false;
  }
  AirportRecord airport;
  if (!m_airports.FindAirport(ident, airport)) {
    // The airport last found is forgotten, so that its return is looked up
    // and becomes the trim's target again.
    m_airportIndex = kNoAirport;
    m_lastAirport[0] = '\0';
    return false;
  }
  m_airportIndex = m_airports.GetCurrentIndex();
  m_edited = airport.datumOffset;
  SafeCopy(m_lastAirport, ident, AirportRecord::kIdentSize);
  *offset = m_edited;
  return true;
}

void AirportTrims::Trim(const char* ident, double inForce, double offset) {
  if (m_airportIndex == kNoAirport) {
    // Starting from the offset in force, so that the camera does not jump.
    // Before the first send nothing is reported, and the trim moves the
    // camera alone.
    const int slot = m_airports.AddAirport(ident, "", inForce);
    if (slot != kNoAirport) {
      m_airportIndex = slot;
      SafeCopy(m_lastAirport, ident, AirportRecord::kIdentSize);
    }
  }
  m_edited = offset;
}

void AirportTrims::Keep(double offset) {
  if (m_airportIndex != kNoAirport) {
    m_airports.SetDatumOffset(m_airportIndex, offset);
  }
}
