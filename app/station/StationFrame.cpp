// The frame step: the simulator's block read, the camera worked out and sent,
// and the watches of the simulator's side that the frames drive.

#include <cstdint>

#include "Clock.h"
#include "Station.h"
#include "TextFunctions.h"
#include "ValueText.h"

namespace {

// Counters that run for the life of the station step on without overflow.
int Next(int value) {
  return static_cast<int>(static_cast<unsigned int>(value) + 1u);
}

const char kFrozenText[] = "Simulator data unchanged for more than 5 s";

}  // namespace

void Station::FrameStep() {
  m_lastStepSent = false;
  // Frames need a segment, or one lost that is being waited for.
  if (!m_running || m_shuttingDown || (m_simulator.Record() == nullptr && !m_simulator.IsLost())) {
    return;
  }
  const std::uint32_t now = m_clock.ReadMilliseconds();
  WatchSegment(now);
  WatchFirstWrite();
  UpdateRate(now);
  if (m_frameCount == -1) {
    Emit(StationEvent::kDestinationLocked);  // fixed once datagrams may leave
  }
  m_frameCount = Next(m_frameCount);
  if (++m_displayDivider > 10) {
    m_displayDivider = 0;
  }
  if (m_displayDivider == 1) {
    RefreshFigures();
  }
  // At 30 datagrams a second every second step sends, at 60 each one.
  const bool sends = m_settings.sendRate == kFastSendRate || m_frameCount % 2 != 0;
  if (sends && !m_simulator.IsLost() && !m_simulator.IsUnwritten()) {
    SendViewSync();
    m_lastStepSent = true;
    m_link.KeepCounter(m_view.Camera().counter, m_clock.ReadMilliseconds());
    TellCounterFile();
  }
}

bool Station::NextStepSends() const {
  if (!m_running || m_shuttingDown || m_simulator.IsLost() || m_simulator.Record() == nullptr) {
    return false;
  }
  return m_settings.sendRate == kFastSendRate || Next(m_frameCount) % 2 != 0;
}

void Station::RefreshFigures() {
  UpdateLinkStatus();
  Emit(StationEvent::kFigures);
}

void Station::UpdateRate(std::uint32_t now) {
  const int sent = m_link.GetSent();
  if (!m_rateStarted) {
    m_rateStarted = true;
    m_rateSince = now;
    m_rateSent = sent;
    return;
  }
  const std::uint32_t elapsed = now - m_rateSince;
  if (elapsed < 1000) {
    return;
  }
  m_rate =
      static_cast<double>(static_cast<unsigned int>(sent) - static_cast<unsigned int>(m_rateSent)) *
      1000.0 / static_cast<double>(elapsed);
  m_rateSince = now;
  m_rateSent = sent;
}

void Station::SendViewSync() {
  if (!ReadSimulatorBlock()) {
    return;
  }
  WatchSimulatorData();
  UpdateAirport();
  ViewSyncCamera& camera = m_view.Camera();
  const int counter = camera.counter;
  camera.counter = ViewSyncCounter::Next(counter);
  m_view.Compute(m_simulator.Block());
  ShowViewSelection();
  // A receiver cannot read "nan", place a camera off the globe or read a text
  // cut short: such a frame is held back and counted, and the link watchdog
  // runs down as for a failed send.
  const DatagramLink::Sent sent = m_link.Send(camera, m_destination);
  TellDestination();
  TellHeld(sent);
  if (sent != DatagramLink::Sent::kHeld) {
    m_altitudeShown = camera.altitude;
  }
  if (sent != DatagramLink::Sent::kLeft) {
    camera.counter = counter;  // a counter is used only by a datagram that left
  } else if (camera.counter < counter) {
    TellCounterStartedOver();  // it has come round from the largest int
  }
}

void Station::UpdateAirport() {
  // The simulator may fill all eight bytes of the field: take it out bounded.
  char ident[kAirportIdentTextSize];
  CopyFieldText(ident, sizeof ident, m_simulator.Block().airportIdent);
  double offset = 0.0;
  if (m_trims.Follow(ident, &offset)) {
    ApplyDatumOffset(offset);
  }
}

void Station::ShowViewSelection() {
  if (m_view.GetViewMode() != m_shownViewMode) {
    m_shownViewMode = m_view.GetViewMode();
    Emit(StationEvent::kViewShown);
  }
}

void Station::TellHeld(DatagramLink::Sent sent) {
  if (sent == DatagramLink::Sent::kHeld) {
    if (!m_messageLine.Holds(MessageLine::kDatagramsHeld)) {
      m_heldBefore = m_link.GetHeld() - 1;
      RaiseCondition(MessageLine::kDatagramsHeld,
                     "Datagrams held back: the simulator's values are not finite or off the globe");
    }
    return;
  }
  if (m_messageLine.Holds(MessageLine::kDatagramsHeld)) {
    ClearCondition(MessageLine::kDatagramsHeld);
    char text[MessageLine::kTextSize];
    const int held = m_link.GetHeld() - m_heldBefore;
    SafeFormat(text, sizeof text, "Datagrams sent again after %d held back", held);
    ShowMessage(text);
  }
}

void Station::TellDestination() {
  const DatagramLink::DestinationChange change = m_link.TakeDestinationChange();
  if (change == DatagramLink::DestinationChange::kNone) {
    return;
  }
  char address[StationStatus::kAddressTextSize + 8];
  Platform::FormatAddressAndPort(m_destination, m_settings.remotePort, address, sizeof address);
  char text[MessageLine::kTextSize];
  if (change == DatagramLink::DestinationChange::kFailing) {
    SafeFormat(text, sizeof text, "Destination %s fails: %s%s", address,
               m_link.DestinationFailure(),
               m_link.Receivers().Count() > 0 ? " (the receivers still get theirs)" : "");
    RaiseCondition(MessageLine::kDestinationFailing, text);
    return;
  }
  ClearCondition(MessageLine::kDestinationFailing);
  SafeFormat(text, sizeof text, "Destination %s: datagrams leave again (%d failed so far)", address,
             m_link.GetDestinationFailures());
  ShowMessage(text);
  m_link.Log(text);
}

void Station::TellCounterFile() {
  const bool failing = m_link.IsCounterFailing();
  if (failing == m_messageLine.Holds(MessageLine::kCounterNotKept)) {
    return;
  }
  char text[MessageLine::kTextSize];
  if (failing) {
    SafeFormat(text, sizeof text,
               "%s: a Google Earth that keeps running will not take this station's datagrams "
               "after a restart",
               m_link.CounterFailure());
    RaiseCondition(MessageLine::kCounterNotKept, text);
    return;
  }
  ClearCondition(MessageLine::kCounterNotKept);
  SafeFormat(text, sizeof text, "%s written again", ViewSyncCounterFile::kFileName);
  ShowMessage(text);
}

void Station::WatchFirstWrite() {
  if (!m_simulator.IsUnwritten() || !m_simulator.CheckWritten()) {
    return;
  }
  ClearCondition(MessageLine::kSegmentUnwritten);
  char text[MessageLine::kTextSize];
  SafeFormat(text, sizeof text, "The simulator writes segment \"%s\": datagrams leave",
             m_simulator.Name());
  ShowMessage(text);
  m_link.Log(text);
}

void Station::UpdateLinkStatus() {
  std::int32_t stateWord = 0;
  const bool held = m_simulator.ReadStateWord(stateWord) && stateWord == kStateWordLinkHeld;
  const int status = m_link.UpdateStatus(held, m_simulator.IsLost());
  if (status != m_shownLinkStatus) {
    m_shownLinkStatus = status;
    Emit(StationEvent::kLamp);
  }
}

void Station::TellCounterStartedOver() {
  ShowMessage(kCounterStartedOverText);
  m_link.Log(kCounterStartedOverText);
}

// --- The simulator's side, timed by the clock's millisecond timer ---------------

void Station::WatchSegment(std::uint32_t now) {
  const SimulatorSide::SegmentChange change = m_simulator.WatchSegment(now);
  if (change.lost) {
    TellSegmentLost();
  }
  if (change.attachedAgain) {
    TellAttachedAgain();
  }
}

bool Station::ReadSimulatorBlock() {
  bool lost = false;
  if (m_simulator.ReadBlock(&lost)) {
    return true;
  }
  if (lost) {
    TellSegmentLost();
  }
  return false;
}

void Station::TellSegmentLost() {
  m_link.DropWatchdog();
  char text[MessageLine::kTextSize];
  SafeFormat(text, sizeof text,
             "Simulator segment \"%s\" %s: nothing is sent until the simulator's segment "
             "is there again",
             m_simulator.Name(), m_simulator.LostWhat());
  // Raised before the lesser conditions end, so that the line goes straight
  // to it and never shows what they covered in between.
  RaiseCondition(MessageLine::kSegmentLost, text);
  ClearCondition(MessageLine::kDataFrozen);
  ClearCondition(MessageLine::kDatagramsHeld);
  SafeFormat(text, sizeof text, "Segment %s %s", m_simulator.Name(), m_simulator.LostWhat());
  m_link.Log(text);
  m_rate = 0.0;
  Emit(StationEvent::kSegment);
}

void Station::TellAttachedAgain() {
  char text[MessageLine::kTextSize];
  SafeFormat(text, sizeof text, "Attached again to the simulator's segment \"%s\"",
             m_simulator.Name());
  // The notice first, shown once the condition ends: the older notice it
  // replaces does not come back in between.
  ShowMessage(text);
  ClearCondition(MessageLine::kSegmentLost);
  m_link.Log(text);
  Emit(StationEvent::kRecordMapped);  // the record has a new address
  Emit(StationEvent::kSegment);
}

void Station::WatchSimulatorData() {
  switch (m_simulator.WatchData(m_clock.ReadMilliseconds())) {
    case SimulatorSide::DataChange::kFrozen:
      // Still sent: a paused simulator freezes its record too. Told once.
      RaiseCondition(MessageLine::kDataFrozen, kFrozenText);
      m_link.Log(kFrozenText);
      break;
    case SimulatorSide::DataChange::kMovingAgain:
      ClearCondition(MessageLine::kDataFrozen);
      break;
    case SimulatorSide::DataChange::kNone:
      break;
  }
}
