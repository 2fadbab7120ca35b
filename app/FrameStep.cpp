// The frame step: the simulator's block read, the camera worked out and sent.

#include <climits>
#include <cstdint>

#include "Clock.h"
#include "TavrionDlg.h"
#include "TextFunctions.h"

namespace {

// Counters that run for the life of the station step on without overflow.
int Next(int value) {
  return static_cast<int>(static_cast<unsigned int>(value) + 1u);
}

}  // namespace

double CTavrionDlg::WrapHeading(double heading) {
  return StationCamera::WrapHeading(heading);
}

void CTavrionDlg::FrameStep() {
  // Frames need a segment, or one lost that is being waited for.
  if (!m_running || m_shuttingDown || (m_simulator.Record() == nullptr && !m_simulator.IsLost())) {
    return;
  }
  WatchSegment();
  if (m_frameCount == -1) {
    // The address is fixed once datagrams may leave.
    for (int id = IDC_IP1; id <= IDC_IP4; ++id) {
      m_controls.EnableControl(id, false);
    }
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
    m_link.KeepCounter(m_view.Camera().counter, m_clock.ReadMilliseconds());
  }
  Push();
}

void CTavrionDlg::RefreshFigures() {
  UpdateLinkStatus();
  SafeFormat(m_values.frameText, DialogValues::kTextSize, "%d", m_frameCount);
  SafeFormat(m_values.altitudeText, DialogValues::kTextSize, "%5.1f", m_altitudeShown);
  CopyFieldText(m_values.airportText, DialogValues::kTextSize, m_simulator.Block().airportIdent);
}

void CTavrionDlg::SendViewSync() {
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

void CTavrionDlg::UpdateAirport() {
  // The simulator may fill all eight bytes of the field: take it out bounded.
  char ident[kAirportIdentTextSize];
  CopyFieldText(ident, sizeof ident, m_simulator.Block().airportIdent);
  double offset = 0.0;
  if (m_trims.Follow(ident, &offset)) {
    ApplyDatumOffset(offset);
  }
}

void CTavrionDlg::ShowViewSelection() {
  if (m_view.GetViewMode() != m_shownViewMode) {
    static const int kViewBoxes[] = {IDC_FORWARD_VIEW,      IDC_MAP_VIEW, IDC_LEFT_WINDOW_VIEW,
                                     IDC_RIGHT_WINDOW_VIEW, IDC_FWD_R,    IDC_FWD_L};
    for (int id : kViewBoxes) {
      m_controls.CheckControl(id, false);
    }
    switch (m_view.GetViewMode()) {
      case ViewForward:
        m_controls.CheckControl(IDC_FORWARD_VIEW, true);
        break;
      case ViewFwdL:
        m_controls.CheckControl(IDC_FWD_L, true);
        break;
      case ViewFwdR:
        m_controls.CheckControl(IDC_FWD_R, true);
        break;
      case ViewMap:
        m_controls.CheckControl(IDC_MAP_VIEW, true);
        break;
      case ViewRightWindow:
        m_controls.CheckControl(IDC_RIGHT_WINDOW_VIEW, true);
        break;
      case ViewLeftWindow:
        m_controls.CheckControl(IDC_LEFT_WINDOW_VIEW, true);
        break;
      default:
        break;  // the simulator's window views show no box
    }
    Push();
  }
  m_shownViewMode = m_view.GetViewMode();
}
