// The main dialog's construction and the handlers of its controls.

#include "TavrionDlg.h"

#include <cstring>

#include "Limit.h"
#include "RealTimeLoop.h"
#include "TextFunctions.h"
#include "VisualShm.h"

namespace {

const char kTavrionDlgRevision[] = "%Z% Tavrion QM2137 TavrionDlg.cpp $Revision: 1.2 $";

}  // namespace

CTavrionDlg::CTavrionDlg(DialogControls& controls, Platform::MessagePump& pump,
                         Platform::Clock& clock, const StationSettings& settings)
    : m_controls(controls),
      m_pump(pump),
      m_clock(clock),
      m_remotePort(settings.remotePort),
      m_frameRate(settings.frameRate),
      m_busyWait(settings.busyWait),
      m_realtime(settings.realtime),
      m_schedulingText(),
      m_shm(nullptr),
      m_record(nullptr),
      m_loop(nullptr),
      m_rtLan(nullptr),
      m_rtLanOk(false),
      m_port(settings.localPort),
      m_statusBitmaps{IDB_GREY, IDB_ORANGE, IDB_GREEN},
      m_bitmapsLoaded(false),
      m_aglChecked(false),
      m_running(false),
      m_frameCount(-1),
      m_displayDivider(0),
      m_viewMode(ViewForward),
      m_lastSimView(kNoSimView),
      m_shownViewMode(ViewForward),
      m_slew(false),
      m_headingOffset(0.0),
      m_tiltReduction(0.0),
      m_aglBlend(false),
      m_blendFactor(0.0),
      m_altitude(0.0),
      m_datumOffset(0.0),
      m_datumOffsetEdit(0.0),
      m_mapAltitude(0.0),
      m_airportIndex(0),
      m_altitudeShown(0.0),
      m_linkWatchdog(0),
      m_linkStatus(LinkIdle),
      m_shownLinkStatus(LinkIdle),
      m_loopDepth(0),
      m_shuttingDown(false),
      m_shutDownPending(false),
      m_endRequested(false),
      m_endResult(IDCANCEL_RESULT) {
  (void)kTavrionDlgRevision;
  SafeCopy(m_segmentName, settings.segmentName != nullptr ? settings.segmentName : "", kNameSize);
  SafeCopy(m_workingFolder, settings.workingFolder != nullptr ? settings.workingFolder : "",
           kNameSize);
  std::memset(m_shmError, 0, sizeof m_shmError);
  std::memset(m_hostIpText, 0, sizeof m_hostIpText);
  std::memset(&m_values, 0, sizeof m_values);
  std::memset(m_destAddress, 0, sizeof m_destAddress);
  std::memset(&m_visual, 0, sizeof m_visual);
  std::memset(m_lastAirport, 0, sizeof m_lastAirport);
  std::memset(&m_camera, 0, sizeof m_camera);
  m_camera.counter = kInitialCounter;
}

CTavrionDlg::~CTavrionDlg() {
  ShutDown();
}

std::uint32_t CTavrionDlg::GetDestinationAddress() const {
  std::uint32_t address = 0;
  std::memcpy(&address, m_destAddress, sizeof address);
  return address;
}

void CTavrionDlg::Push() {
  m_controls.PushValues(m_values);
}

bool CTavrionDlg::Take() {
  return m_controls.TakeValues(m_values);
}

// --- Destination address and port ---------------------------------------------

void CTavrionDlg::OnAddressChanged() {
  ReadDestinationAddress();
}

void CTavrionDlg::ReadDestinationAddress() {
  // A box that holds no integer stops the take there; the bytes then come
  // from what the fields hold, new before that box and old from it on.
  Take();
  for (int i = 0; i < 4; ++i) {
    m_destAddress[i] = static_cast<unsigned char>(m_values.ipOctets[i] & 0xFF);
  }
}

void CTavrionDlg::OnPortChanged() {
  Take();
  m_port = m_values.portValue;
}

// --- Views ----------------------------------------------------------------------
// The handlers only set the mode; the boxes follow on the next send.

void CTavrionDlg::OnForwardView() {
  m_viewMode = ViewForward;
}
void CTavrionDlg::OnFwdL() {
  m_viewMode = ViewFwdL;
}
void CTavrionDlg::OnFwdR() {
  m_viewMode = ViewFwdR;
}
void CTavrionDlg::OnMapView() {
  m_viewMode = ViewMap;
}
void CTavrionDlg::OnRightWindowView() {
  m_viewMode = ViewRightWindow;
}
void CTavrionDlg::OnLeftWindowView() {
  m_viewMode = ViewLeftWindow;
}

void CTavrionDlg::OnSlew() {
  m_slew = !m_slew;
  m_controls.CheckControl(IDC_SLEW, m_slew);
}

void CTavrionDlg::OnAgl() {
  m_aglChecked = !m_aglChecked;
  m_controls.CheckControl(IDC_AGL, m_aglChecked);
  m_aglBlend = m_aglChecked;
}

// --- Map view altitude and datum offset -------------------------------------------

int CTavrionDlg::OnMapSliderReleased() {
  const int position = m_controls.GetSliderPosition(IDC_MAP_SLIDER);
  const int multiplier = Limit(1, position / 10, 10);
  m_mapAltitude = static_cast<double>(position * position * multiplier);
  SafeFormat(m_values.mapAltitudeText, DialogValues::kTextSize, "%5.0f",
             m_altitude + m_mapAltitude);
  Push();
  return 0;
}

int CTavrionDlg::OnDatumSpin(int positionChange) {
  // The upper arrow reports -1 and raises the offset by half a metre.
  m_datumOffsetEdit += (0.0 - positionChange) / 2.0;
  ApplyDatumOffset(m_datumOffsetEdit);
  return 0;
}

void CTavrionDlg::OnDatumSliderReleased() {
  const double d = m_controls.GetSliderPosition(IDC_DATUM_SLIDER) - 50.0;
  m_datumOffsetEdit = d * d * (d / 300.0);
  ApplyDatumOffset(m_datumOffsetEdit);
}

void CTavrionDlg::ApplyDatumOffset(double offset) {
  SafeFormat(m_values.datumText, DialogValues::kTextSize, "%3.1f", offset);
  Push();
  m_datumOffset = offset;
  m_airports.SetDatumOffset(m_airportIndex, offset);
}

bool CTavrionDlg::OnSave() {
  // A Save that cannot write leaves the file as it was; the window shows
  // nothing, the result and the airport table's text say why.
  return m_airports.WriteOffsetsFile(m_workingFolder);
}
