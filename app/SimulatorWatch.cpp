// The main dialog's side of the simulator's watch: what the station core
// found (SimulatorSide.h) told on the message line and in the LAN log.
// Timed by the clock's millisecond timer, driven by the frame steps: nothing
// runs beside the window's thread.

#include "Clock.h"
#include "QMP0001_02_RtLan.h"
#include "TavrionDlg.h"
#include "TextFunctions.h"

namespace {

const char kFrozenText[] = "Simulator data unchanged for more than 5 s";

}  // namespace

void CTavrionDlg::WatchSegment() {
  const SimulatorSide::SegmentChange change = m_simulator.WatchSegment(m_clock.ReadMilliseconds());
  if (change.lost) {
    TellSegmentLost();
  }
  if (change.attachedAgain) {
    TellAttachedAgain();
  }
}

bool CTavrionDlg::ReadSimulatorBlock() {
  bool lost = false;
  if (m_simulator.ReadBlock(&lost)) {
    return true;
  }
  if (lost) {
    TellSegmentLost();
  }
  return false;
}

void CTavrionDlg::TellSegmentLost() {
  m_link.DropWatchdog();
  ClearCondition(MessageLine::kDataFrozen);
  ClearCondition(MessageLine::kDatagramsHeld);
  char text[DialogValues::kMessageSize];
  SafeFormat(text, sizeof text,
             "Simulator segment \"%s\" %s: nothing is sent until the simulator's segment "
             "is there again",
             m_simulator.Name(), m_simulator.LostWhat());
  RaiseCondition(MessageLine::kSegmentLost, text);
  SafeFormat(text, sizeof text, "Segment %s %s", m_simulator.Name(), m_simulator.LostWhat());
  LogEvent(text);
}

void CTavrionDlg::TellAttachedAgain() {
  ClearCondition(MessageLine::kSegmentLost);
  char text[DialogValues::kMessageSize];
  SafeFormat(text, sizeof text, "Attached again to the simulator's segment \"%s\"",
             m_simulator.Name());
  ShowMessage(text);
  LogEvent(text);
  SetCaption();  // the caption shows the record's new address
}

void CTavrionDlg::WatchSimulatorData() {
  switch (m_simulator.WatchData(m_clock.ReadMilliseconds())) {
    case SimulatorSide::DataChange::kFrozen:
      // Still sent: a paused simulator freezes its record too. Told once.
      RaiseCondition(MessageLine::kDataFrozen, kFrozenText);
      LogEvent(kFrozenText);
      break;
    case SimulatorSide::DataChange::kMovingAgain:
      ClearCondition(MessageLine::kDataFrozen);
      break;
    case SimulatorSide::DataChange::kNone:
      break;
  }
}

void CTavrionDlg::LogEvent(const char* text) {
  m_link.Log(text);
}
