// The main dialog's start-up and Connect.

#include <cinttypes>
#include <cstdint>

#include "RealTimeLoop.h"
#include "TavrionDlg.h"
#include "TextFunctions.h"
#include "VisualShm.h"

namespace {

const char kInitialisationRevision[] = "%Z% Tavrion QM2137 Initialisation.cpp $Revision: 1.2 $";
const char kOffsetsFileName[] = "Offsets.dat";
const char kStartAirport[] = "EGLL";

}  // namespace

bool CTavrionDlg::OnInitDialog() {
  (void)kInitialisationRevision;
  Initialise();
  return true;
}

bool CTavrionDlg::Initialise() {
  m_values.portValue = m_port;
  Push();
  InitialiseVariables();
  if (!InitialiseSharedMemory()) {
    // Nothing can run without the record: say why, and leave Connect off so
    // that the operator can only close the window.
    m_controls.ShowMessageBox(m_shmError, kShmFailureCaption, kMessageBoxOk);
    m_controls.EnableControl(IDC_CONNECT, false);
    return false;
  }
  m_loop = new RealTimeLoop(this, m_frameRate, m_clock, m_pump);
  m_loop->SetBusyWait(m_busyWait);
  DisplayInitialIp();
  LoadStatusBitmaps();
  SetCaption();
  m_controls.SetSliderPosition(IDC_DATUM_SLIDER, 50);
  m_aglBlend = true;
  m_aglChecked = true;
  m_lastSimView = kNoSimView;
  m_shownViewMode = ViewForward;
  m_slew = false;
  InitialiseAirportDataBase();
  SafeCopy(m_record->visualBlock.airportIdent, kStartAirport, AirportRecord::kIdentSize);
  return true;
}

void CTavrionDlg::InitialiseVariables() {
  // The owned objects are null from construction; Initialise runs once.
  m_running = false;
  m_frameCount = -1;
  m_displayDivider = 0;
  m_camera.counter = kInitialCounter;
  m_mapAltitude = 0.0;
  m_viewMode = ViewForward;
  m_controls.CheckControl(IDC_FORWARD_VIEW, true);
  m_controls.CheckControl(IDC_MAP_VIEW, false);
  m_controls.CheckControl(IDC_LEFT_WINDOW_VIEW, false);
  m_controls.CheckControl(IDC_RIGHT_WINDOW_VIEW, false);
  m_linkStatus = LinkIdle;
  m_shownLinkStatus = LinkIdle;
  m_linkWatchdog = 0;
  m_datumOffsetEdit = 0.0;
  m_airportIndex = 0;
  m_altitude = 0.0;
  m_headingOffset = 0.0;
  for (char& c : m_lastAirport) {
    c = '\0';
  }
}

bool CTavrionDlg::InitialiseSharedMemory() {
  if (m_shm == nullptr) {
    m_shm = new CVisShm(m_segmentName);
  }
  if (m_shm->IsUsable()) {
    m_record = m_shm->GetRecord();
    return true;
  }
  SafeCopy(m_shmError, m_shm->GetErrorText(), kShmErrorSize);
  m_record = nullptr;
  return false;
}

void CTavrionDlg::InitialiseAirportDataBase() {
  char fileName[kNameSize];
  if (m_workingFolder[0] != '\0') {
    SafeFormat(fileName, kNameSize, "%s/%s", m_workingFolder, kOffsetsFileName);
  } else {
    SafeCopy(fileName, kOffsetsFileName, kNameSize);
  }
  if (!m_airports.ReadOffsetsFile(fileName)) {
    m_controls.ShowMessageBox(m_airports.GetErrorText(), "InitialiseAirportDataBase",
                              kMessageBoxExclamation);
  }
}

void CTavrionDlg::LoadStatusBitmaps() {
  m_bitmapsLoaded = true;
}

void CTavrionDlg::DeleteStatusBitmaps() {
  m_bitmapsLoaded = false;
}

void CTavrionDlg::SetCaption() {
  // The record's address shows which mapping this station works on.
  char caption[kNameSize];
  SafeFormat(caption, kNameSize, "TVR v3 %s %" PRIXPTR " %d", kVisualInterfaceLayoutRevision,
             reinterpret_cast<std::uintptr_t>(m_record), static_cast<int>(kVisualInterfaceSize));
  m_controls.SetCaption(caption);
}

void CTavrionDlg::OnConnect() {
  if (m_shuttingDown) {
    return;
  }
  if (m_record == nullptr) {
    m_controls.ShowMessageBox(m_shmError, kShmFailureCaption, kMessageBoxOk);
    return;
  }
  m_running = !m_running;
  if (m_rtLan == nullptr) {
    if (!InitialiseRtLan()) {
      m_running = false;
    }
    DisplayInitialIp();
    LockPort();
  }
  if (m_frameCount < 1) {
    StartLoop();
  }
}

void CTavrionDlg::LockPort() {
  m_values.portValue = m_port;
  Push();
  m_controls.EnableControl(IDC_PORT, false);
}

void CTavrionDlg::StartLoop() {
  if (m_loop == nullptr || m_shuttingDown) {
    return;
  }
  m_loop->Start();
  if (m_loopDepth == 0) {
    EnterLoopScheduling();
  }
  ++m_loopDepth;
  m_loop->Run();
  --m_loopDepth;
  if (m_loopDepth == 0) {
    LeaveLoopScheduling();
  }
  // A close-down that arrived inside Run finishes once the outermost Run has
  // returned: nothing of the loop is on the stack any more.
  if (m_loopDepth == 0 && m_shutDownPending) {
    ShutDown();
    if (m_endRequested) {
      m_controls.EndDialog(m_endResult);
    }
  }
}

void CTavrionDlg::StopLoop() {
  if (m_loop != nullptr) {
    m_loop->Stop();
  }
}
