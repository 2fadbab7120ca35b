// The main dialog's construction and the handlers of its controls.

#include "TavrionDlg.h"

#include <cstdio>
#include <cstring>

#include "BoxText.h"
#include "Limit.h"
#include "QMP0001_02_RtLan.h"
#include "RealTimeLoop.h"
#include "TextFunctions.h"
#include "VisualShm.h"

namespace {

// The settings as kept: their texts point to the caller's, which need not
// outlive the dialog.
StationSettings WithoutTexts(const StationSettings& settings) {
  StationSettings kept = settings;
  kept.segmentName = "";
  kept.workingFolder = "";
  return kept;
}

}  // namespace

CTavrionDlg::CTavrionDlg(DialogControls& controls, Platform::MessagePump& pump,
                         Platform::Clock& clock, const StationSettings& settings)
    : m_controls(controls),
      m_pump(pump),
      m_clock(clock),
      m_settings(WithoutTexts(settings)),
      m_link(settings.receivers, settings.receiverCount, settings.workingFolder),
      m_simulator(settings.segmentName),
      m_port(settings.localPort),
      m_aglChecked(false),
      m_running(false),
      m_frameCount(-1),
      m_displayDivider(0),
      m_shownViewMode(ViewForward),
      m_view(),
      m_altitudeShown(0.0),
      m_shownLinkStatus(LinkIdle),
      m_loopDepth(0),
      m_initialising(false),
      m_shuttingDown(false),
      m_shutDownPending(false),
      m_endRequested(false),
      m_endResult(IDCANCEL_RESULT) {
  SafeCopy(m_workingFolder, settings.workingFolder != nullptr ? settings.workingFolder : "",
           kNameSize);
  m_link.SetSendsPerSecond(m_settings.sendRate);
  m_view.SetSendsPerSecond(m_settings.sendRate);
  std::memset(m_hostIpText, 0, sizeof m_hostIpText);
  std::memset(&m_values, 0, sizeof m_values);
  std::memset(m_destAddress, 0, sizeof m_destAddress);
  if (settings.headless) {
    m_link.EchoReceiverLines(stderr);  // nobody reads a window: tell the journal
  }
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

bool CTavrionDlg::ReadDestinationAddress() {
  Take();
  // The boxes as they read now, not the exchange's fields: a box that holds
  // no number stops the take and leaves its field with an older value, and a
  // value above 255 must never reach the wire as its low eight bits.
  int octets[4];
  for (int i = 0; i < 4; ++i) {
    char text[DialogValues::kTextSize];
    m_controls.GetControlText(IDC_IP1 + i, text, sizeof text);
    if (!ParseAddressOctet(text, octets[i])) {
      return false;
    }
  }
  for (int i = 0; i < 4; ++i) {
    m_destAddress[i] = static_cast<unsigned char>(octets[i]);
  }
  return true;
}

void CTavrionDlg::OnPortChanged() {
  Take();
  m_port = m_values.portValue;
}

// --- Views ----------------------------------------------------------------------
// The handlers only set the mode; the boxes follow on the next send.

void CTavrionDlg::OnForwardView() {
  m_view.ChooseView(ViewForward);
}
void CTavrionDlg::OnFwdL() {
  m_view.ChooseView(ViewFwdL);
}
void CTavrionDlg::OnFwdR() {
  m_view.ChooseView(ViewFwdR);
}
void CTavrionDlg::OnMapView() {
  m_view.ChooseView(ViewMap);
}
void CTavrionDlg::OnRightWindowView() {
  m_view.ChooseView(ViewRightWindow);
}
void CTavrionDlg::OnLeftWindowView() {
  m_view.ChooseView(ViewLeftWindow);
}

void CTavrionDlg::OnSlew() {
  m_view.SetSlew(!m_view.IsSlewing());
  m_controls.CheckControl(IDC_SLEW, m_view.IsSlewing());
}

void CTavrionDlg::OnAgl() {
  m_aglChecked = !m_aglChecked;
  m_controls.CheckControl(IDC_AGL, m_aglChecked);
  m_view.SetAglBlend(m_aglChecked);
}

// --- Map view altitude and datum offset -------------------------------------------

int CTavrionDlg::OnMapSliderReleased() {
  const int position = m_controls.GetSliderPosition(IDC_MAP_SLIDER);
  const int multiplier = Limit(1, position / 10, 10);
  m_view.SetMapAltitude(static_cast<double>(position * position * multiplier));
  SafeFormat(m_values.mapAltitudeText, DialogValues::kTextSize, "%5.0f",
             m_view.GetAltitude() + m_view.GetMapAltitude());
  Push();
  return 0;
}

void CTavrionDlg::ChooseView(int mode) {
  m_view.ChooseViewUntilSimulatorChanges(mode);
}

void CTavrionDlg::SetMapAltitude(double metres) {
  m_view.SetMapAltitude(metres);
  SafeFormat(m_values.mapAltitudeText, DialogValues::kTextSize, "%5.0f",
             m_view.GetAltitude() + m_view.GetMapAltitude());
  Push();
}

int CTavrionDlg::OnDatumSpin(int positionChange) {
  // The upper arrow reports -1 and raises the offset by half a metre.
  TrimDatumOffset(m_trims.GetEdited() + (0.0 - positionChange) / 2.0);
  return 0;
}

void CTavrionDlg::OnDatumSliderReleased() {
  const double d = m_controls.GetSliderPosition(IDC_DATUM_SLIDER) - 50.0;
  TrimDatumOffset(d * d * (d / 300.0));
}

void CTavrionDlg::TrimDatumOffset(double offset) {
  // To the airport the simulator reports, which gets a record first if it has none.
  char ident[kAirportIdentTextSize];
  CopyFieldText(ident, sizeof ident, m_simulator.Block().airportIdent);
  m_trims.Trim(ident, m_view.GetDatumOffset(), offset);
  ApplyDatumOffset(offset);
}

void CTavrionDlg::ApplyDatumOffset(double offset) {
  SafeFormat(m_values.datumText, DialogValues::kTextSize, "%3.1f", offset);
  Push();
  m_view.SetDatumOffset(offset);
  m_trims.Keep(offset);
}

bool CTavrionDlg::OnSave() {
  // A Save that cannot write leaves the file as it was.
  if (!m_trims.Table().WriteOffsetsFile(m_workingFolder)) {
    m_controls.ShowMessageBox(m_trims.Table().GetErrorText(), kSaveFailureCaption,
                              kMessageBoxExclamation);
    return false;
  }
  const int count = m_trims.Table().GetNumberOfAirports();
  char text[DialogValues::kMessageSize];
  SafeFormat(text, sizeof text, "Offsets saved: %d airport%s in %s", count, count == 1 ? "" : "s",
             m_trims.Table().GetWrittenFileName());
  ShowMessage(text);
  return true;
}

void CTavrionDlg::ShowMessage(const char* text) {
  m_messageLine.Notice(text);
  ShowMessageLine();
}

void CTavrionDlg::RaiseCondition(MessageLine::Condition condition, const char* text) {
  m_messageLine.Raise(condition, text);
  ShowMessageLine();
}

void CTavrionDlg::ClearCondition(MessageLine::Condition condition) {
  if (!m_messageLine.Holds(condition)) {
    return;
  }
  m_messageLine.Clear(condition);
  ShowMessageLine();
}

void CTavrionDlg::ShowMessageLine() {
  if (std::strcmp(m_values.messageText, m_messageLine.Text()) == 0) {
    return;
  }
  SafeCopy(m_values.messageText, m_messageLine.Text(), DialogValues::kMessageSize);
  Push();
}
