// The operator's commands: destination and port before Connect, views, map
// height, slew, the altitude blend, trims of the current airport and Save.

#include <cmath>
#include <cstdarg>
#include <cstdio>

#include "Station.h"
#include "TextFunctions.h"
#include "VisualShm.h"

namespace {

// A datum offset a trim may set, in metres either way: well beyond any
// airport's ground level against the globe's.
constexpr double kMostDatumOffset = 10000.0;

}  // namespace

CommandResult Station::Refuse(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(m_refusal, sizeof m_refusal, format, arguments);
  va_end(arguments);
  return {false, m_refusal};
}

CommandResult Station::SetDestination(std::uint32_t address) {
  if (IsDestinationLocked()) {
    return Refuse("the destination is fixed once datagrams leave");
  }
  m_destination = address;
  return {true, ""};
}

CommandResult Station::SetLocalPort(int port) {
  if (m_link.IsOpen()) {
    return Refuse("the local port is fixed at Connect");
  }
  if (port < 1 || port > 65535) {
    return Refuse("%d is not a port from 1 to 65535", port);
  }
  m_port = port;
  return {true, ""};
}

// The view is only set here; what it became shows with the next send.
CommandResult Station::SelectView(int mode) {
  if (mode < ViewForward || mode > ViewLeftWindow) {
    return Refuse("%d is not a view", mode);
  }
  m_view.ChooseView(mode);
  return {true, ""};
}

void Station::SelectViewUntilSimulatorChanges(int mode) {
  m_view.ChooseViewUntilSimulatorChanges(mode);
}

CommandResult Station::SetMapAltitude(double metres) {
  if (!(metres >= 0.0 && metres <= kMostMapAltitude)) {
    return Refuse("the map view's height is 0 to %.0f metres", kMostMapAltitude);
  }
  m_view.SetMapAltitude(metres);
  Emit(StationEvent::kMapAltitude);
  return {true, ""};
}

void Station::SetSlew(bool slew) {
  m_view.SetSlew(slew);
  Emit(StationEvent::kSlew);
}

void Station::SetAglBlend(bool blend) {
  m_aglBlend = blend;
  m_view.SetAglBlend(blend);
  Emit(StationEvent::kAglBlend);
}

CommandResult Station::TrimStep(int steps) {
  return TrimTo(m_trims.GetEdited() + steps * kTrimStep);
}

CommandResult Station::TrimTo(double metres) {
  if (!std::isfinite(metres) || std::fabs(metres) > kMostDatumOffset) {
    return Refuse("a datum offset is a number from -%.0f to %.0f metres", kMostDatumOffset,
                  kMostDatumOffset);
  }
  // To the airport the simulator reports, which gets a record first if it has none.
  char ident[kAirportIdentTextSize];
  CopyFieldText(ident, sizeof ident, m_simulator.Block().airportIdent);
  m_trims.Trim(ident, m_view.GetDatumOffset(), metres);
  ApplyDatumOffset(metres);
  return {true, ""};
}

void Station::ApplyDatumOffset(double offset) {
  m_view.SetDatumOffset(offset);
  m_trims.Keep(offset);
  Emit(StationEvent::kDatum);
}

CommandResult Station::Save() {
  // A Save that cannot write leaves the file as it was.
  if (!m_trims.Table().WriteOffsetsFile(m_workingFolder)) {
    return Refuse("%s", m_trims.Table().GetErrorText());
  }
  const int count = m_trims.Table().GetNumberOfAirports();
  char text[MessageLine::kTextSize];
  SafeFormat(text, sizeof text, "Offsets saved: %d airport%s in %s", count, count == 1 ? "" : "s",
             m_trims.Table().GetWrittenFileName());
  ShowMessage(text);
  Emit(StationEvent::kSaved, text);
  SafeCopy(m_refusal, text, sizeof m_refusal);
  return {true, m_refusal};
}
