// The frame step and the camera of every view.

#include <climits>
#include <cstdint>

#include "Clock.h"
#include "Limit.h"
#include "TavrionDlg.h"
#include "TextFunctions.h"

namespace {

constexpr double kTiltPerMetre = 0.02;  // downward tilt per metre above ground
constexpr double kMaxTiltReduction = 10.0;
constexpr double kBlendStart = 5000.0;  // height above ground where the blend starts
constexpr double kBlendSpan = 1000.0;   // plain altitude alone from 6000 m
constexpr double kSlewFraction = 0.1;   // of the remaining difference per send
constexpr double kHorizonTilt = 90.0;
constexpr double kEyePointOffset = 20.0;
constexpr double kWindowOffset = 90.0;

// Counters that run for the life of the station step on without overflow.
int Next(int value) {
  return static_cast<int>(static_cast<unsigned int>(value) + 1u);
}

}  // namespace

double CTavrionDlg::WrapHeading(double heading) {
  if (heading > 360.0) {
    heading -= 360.0;
  }
  if (heading < 0.0) {
    heading += 360.0;
  }
  return heading;
}

void CTavrionDlg::FrameStep() {
  // Frames need a segment, or one lost that is being waited for.
  if (!m_running || m_shuttingDown || (m_record == nullptr && !m_segmentLost)) {
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
  if (m_frameCount % 2 != 0 && !m_segmentLost) {
    SendViewSync();
    m_counterKeeper.Keep(m_camera.counter, m_clock.ReadMilliseconds());
  }
  Push();
}

void CTavrionDlg::RefreshFigures() {
  UpdateLinkStatus();
  SafeFormat(m_values.frameText, DialogValues::kTextSize, "%d", m_frameCount);
  SafeFormat(m_values.altitudeText, DialogValues::kTextSize, "%5.1f", m_altitudeShown);
  CopyFieldText(m_values.airportText, DialogValues::kTextSize, m_visual.airportIdent);
}

void CTavrionDlg::SendViewSync() {
  if (!ReadSimulatorBlock()) {
    return;
  }
  WatchSimulatorData();
  UpdateAirport();
  ComputeAltitude();
  const int counter = m_camera.counter;
  m_camera.counter = ViewSyncCounter::Next(counter);
  m_camera.latitude = m_visual.latitude;
  m_camera.longitude = m_visual.longitude;
  FollowSimulatorView();
  ShowViewSelection();
  m_tiltReduction = Limit(0.0, kTiltPerMetre * m_visual.heightAgl, kMaxTiltReduction);
  SetCameraForView();
  m_camera.timeEnd = static_cast<std::int64_t>(m_visual.timeValue);
  m_camera.timeStart = 0;
  if (SendDatagram()) {
    m_altitudeShown = m_camera.altitude;
    if (m_camera.counter < counter) {
      TellCounterStartedOver();  // it has come round from the largest int
    }
  } else {
    m_camera.counter = counter;  // held back: the receiver sees no gap
  }
}

void CTavrionDlg::UpdateAirport() {
  // The simulator may fill all eight bytes of the field: take it out bounded.
  char ident[kAirportIdentTextSize];
  CopyFieldText(ident, sizeof ident, m_visual.airportIdent);
  if (SameIgnoringSpaces(m_lastAirport, ident)) {
    return;
  }
  AirportRecord airport;
  if (!m_airports.FindAirport(ident, airport)) {
    // Unknown: the previous offset stays in force for the camera, but it is
    // no longer that airport's to trim. The airport last found is forgotten,
    // so that its return is looked up and becomes the trim's target again.
    m_airportIndex = kNoAirport;
    m_lastAirport[0] = '\0';
    return;
  }
  m_airportIndex = m_airports.GetCurrentIndex();
  m_datumOffsetEdit = airport.datumOffset;
  ApplyDatumOffset(m_datumOffsetEdit);
  SafeCopy(m_lastAirport, ident, AirportRecord::kIdentSize);
}

void CTavrionDlg::ComputeAltitude() {
  const double agl = m_visual.heightAgl;
  if (!m_aglBlend) {
    m_blendFactor = 1.0;
  } else if (agl >= kBlendStart) {
    m_blendFactor = (agl - kBlendStart) / kBlendSpan;
  } else {
    m_blendFactor = 0.0;
  }
  m_blendFactor = Limit(0.0, m_blendFactor, 1.0);
  m_altitude = (1.0 - m_blendFactor) * agl + m_blendFactor * m_visual.altitude;
}

void CTavrionDlg::FollowSimulatorView() {
  const int selection = m_visual.viewSelect;
  if (m_lastSimView == kAdoptSimView) {
    m_lastSimView = selection;
  }
  if (selection != m_lastSimView) {
    switch (selection) {
      case kSimViewForward:
        m_viewMode = ViewForward;
        break;
      case kSimViewLeftWindow:
        m_viewMode = ViewLeftWindowSim;
        break;
      case kSimViewRightWindow:
        m_viewMode = ViewRightWindowSim;
        break;
      case kSimViewLeftEyePoint:
        m_viewMode = ViewFwdL;
        break;
      case kSimViewRightEyePoint:
        m_viewMode = ViewFwdR;
        break;
      default:
        break;
    }
  }
  m_lastSimView = selection;
}

void CTavrionDlg::ShowViewSelection() {
  if (m_viewMode != m_shownViewMode) {
    static const int kViewBoxes[] = {IDC_FORWARD_VIEW,      IDC_MAP_VIEW, IDC_LEFT_WINDOW_VIEW,
                                     IDC_RIGHT_WINDOW_VIEW, IDC_FWD_R,    IDC_FWD_L};
    for (int id : kViewBoxes) {
      m_controls.CheckControl(id, false);
    }
    switch (m_viewMode) {
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
  m_shownViewMode = m_viewMode;
}

void CTavrionDlg::SmoothHeadingOffset(double target) {
  if (m_slew) {
    m_headingOffset += kSlewFraction * (target - m_headingOffset);
  } else {
    m_headingOffset = target;
  }
}

void CTavrionDlg::SetCameraForView() {
  const double pitch = m_visual.pitch;
  const double bank = m_visual.bank;
  double target = 0.0;
  switch (m_viewMode) {
    case ViewForward:
      target = 0.0;
      break;
    case ViewFwdL:
      target = -kEyePointOffset;
      break;
    case ViewFwdR:
      target = kEyePointOffset;
      break;
    case ViewLeftWindowSim:
    case ViewLeftWindow:
      target = -kWindowOffset;
      break;
    case ViewRightWindowSim:
    case ViewRightWindow:
      target = kWindowOffset;
      break;
    case ViewMap:
      // Straight down from the chosen height; the heading offset keeps its
      // value for the return to an eye-point view.
      m_camera.altitude = m_mapAltitude;
      m_camera.heading = m_visual.heading;
      m_camera.tilt = 0.0;
      m_camera.roll = 0.0;
      return;
    default:
      return;
  }
  SmoothHeadingOffset(target);
  m_camera.altitude = m_datumOffset + m_altitude;
  m_camera.heading = WrapHeading(m_visual.heading + m_headingOffset);
  // "0 - bank" rather than "-bank": a level aircraft rolls 0.000000, not -0.000000.
  switch (m_viewMode) {
    case ViewForward:
      m_camera.tilt = kHorizonTilt + pitch;
      m_camera.roll = 0.0 - bank;
      break;
    case ViewFwdL:
    case ViewFwdR:
      m_camera.tilt = kHorizonTilt + pitch - m_tiltReduction;
      m_camera.roll = 0.0 - bank;
      break;
    case ViewLeftWindowSim:
    case ViewLeftWindow:
      m_camera.tilt = kHorizonTilt + bank - m_tiltReduction;
      m_camera.roll = 0.0;
      break;
    default:  // right window
      m_camera.tilt = kHorizonTilt - bank - m_tiltReduction;
      m_camera.roll = 0.0;
      break;
  }
}
