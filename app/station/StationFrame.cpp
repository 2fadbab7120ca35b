// The frame step: the simulator's block read, the camera worked out and sent,
// and the watches of the simulator's side that the frames drive.

#include <cstdint>

#include "Clock.h"
#include "Station.h"
#include "TextFunctions.h"

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
  if (sends && !m_simulator.IsLost()) {
    SendViewSync();
    m_lastStepSent = true;
    m_link.KeepCounter(m_view.Camera().counter, m_clock.ReadMilliseconds());
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
  if (SendDatagram()) {
    m_altitudeShown = camera.altitude;
    if (camera.counter < counter) {
      TellCounterStartedOver();  // it has come round from the largest int
    }
  } else {
    camera.counter = counter;  // held back: the receiver sees no gap
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

bool Station::SendDatagram() {
  // A receiver cannot read "nan", place a camera off the globe or read a text
  // cut short: such a frame is held back and counted, and the link watchdog
  // runs down as for a failed send.
  if (m_link.Send(m_view.Camera(), m_destination)) {
    ClearCondition(MessageLine::kDatagramsHeld);
    return true;
  }
  char message[MessageLine::kTextSize];
  SafeFormat(message, sizeof message,
             "Datagram held back: the simulator's values are not finite or too large "
             "(%d held back since start-up)",
             m_link.GetHeld());
  RaiseCondition(MessageLine::kDatagramsHeld, message);
  return false;
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
