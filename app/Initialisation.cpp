// The main dialog's start-up and Connect.

#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>

#include "BoxText.h"
#include "FileNames.h"
#include "QMP0001_02_RtLan.h"
#include "RealTimeLoop.h"
#include "TavrionDlg.h"
#include "TextFunctions.h"
#include "ValueText.h"
#include "VisualShm.h"

namespace {

const char kOffsetsFileName[] = "Offsets.dat";
const char kStartAirport[] = "EGLL";
const char kNoAirportText[] = "No Airport";
const char kAirportDataBaseCaption[] = "InitialiseAirportDataBase";
// "3 lines with <what> (first at line 5)", or empty when there were none.
void DescribeSkippedLines(char (&text)[DialogValues::kMessageSize], int count, int firstLine,
                          const char* what) {
  text[0] = '\0';
  if (count > 0) {
    SafeFormat(text, sizeof text, "%d line%s with %s (%s %d)", count, count == 1 ? "" : "s", what,
               count == 1 ? "line" : "first at line", firstLine);
  }
}

// The address boxes by their place, for the message that refuses one.
const char* const kAddressBoxNames[] = {"first", "second", "third", "fourth"};

}  // namespace

bool CTavrionDlg::OnInitDialog() {
  m_initialising = true;
  Initialise();
  m_initialising = false;
  if (m_endRequested) {
    // Closed while a start-up message box was up: Initialise has now
    // returned, so nothing of it uses what the close-down releases.
    ShutDown();
    m_controls.EndDialog(m_endResult);
  }
  return true;
}

bool CTavrionDlg::Initialise() {
  m_values.portValue = m_port;
  ShowStartingFigures();
  Push();
  InitialiseVariables();
  if (!InitialiseSharedMemory()) {
    Tell(m_simulator.ErrorText(), kShmFailureCaption, kMessageBoxOk);
    if (!m_settings.connect) {
      // Nothing can run without the record: leave Connect off so that the
      // operator can only close the window.
      m_controls.EnableControl(IDC_CONNECT, false);
      return false;
    }
    // Nobody is there to close it: wait for the simulator's segment as for
    // one lost while running, checked once a second once frames run.
    m_simulator.WaitForSegment();
    char text[DialogValues::kMessageSize];
    SafeFormat(text, sizeof text,
               "Simulator segment \"%s\" is not usable: nothing is sent until the simulator's "
               "segment is there",
               m_simulator.Name());
    RaiseCondition(MessageLine::kSegmentLost, text);
  }
  m_loop = std::make_unique<RealTimeLoop>(this, m_settings.frameRate, m_clock, m_pump);
  m_loop->SetBusyWait(m_settings.busyWait);
  if (m_settings.finalPollMicroseconds > 0) {
    m_loop->SetWakeAhead(static_cast<std::int64_t>(m_settings.finalPollMicroseconds) * 1000, true);
  } else {
    m_loop->SetWakeAhead(RTLoop::kDeadlineWakeAheadNanoseconds, false);
  }
  DisplayInitialIp();
  ShowHostAddress();
  ShowGivenDestination();
  LoadStatusBitmaps();
  SetCaption();
  m_controls.SetSliderPosition(IDC_DATUM_SLIDER, 50);
  m_view.SetAglBlend(true);
  m_aglChecked = true;
  m_view.ForgetSimulatorView();
  m_shownViewMode = ViewForward;
  m_view.SetSlew(false);
  InitialiseAirportDataBase();
  m_simulator.WriteAirportIdent(kStartAirport);
  return true;
}

void CTavrionDlg::ShowGivenDestination() {
  if (!m_settings.destinationGiven) {
    return;
  }
  for (int i = 0; i < 4; ++i) {
    m_values.ipOctets[i] = m_settings.destination[i];
  }
  Push();
  ReadDestinationAddress();
}

void CTavrionDlg::InitialiseVariables() {
  // The owned objects are null from construction; Initialise runs once.
  m_running = false;
  m_frameCount = -1;
  m_displayDivider = 0;
  m_view.Restart();  // counter 1509, forward view, map height, altitude and heading offset 0
  m_controls.CheckControl(IDC_FORWARD_VIEW, true);
  m_controls.CheckControl(IDC_MAP_VIEW, false);
  m_controls.CheckControl(IDC_LEFT_WINDOW_VIEW, false);
  m_controls.CheckControl(IDC_RIGHT_WINDOW_VIEW, false);
  m_link.Restart();  // the lamp idle, the watchdog run out
  m_shownLinkStatus = LinkIdle;
  m_trims.Restart();  // no airport, offset 0
}

void CTavrionDlg::ShowStartingFigures() {
  SafeFormat(m_values.frameText, DialogValues::kTextSize, "%d", 0);
  SafeFormat(m_values.altitudeText, DialogValues::kTextSize, "%5.1f", 0.0);
  SafeFormat(m_values.datumText, DialogValues::kTextSize, "%3.1f", 0.0);
  SafeCopy(m_values.airportText, kNoAirportText, DialogValues::kTextSize);
}

void CTavrionDlg::ShowHostAddress() {
  // The operator sees the default destination before Connect and may type
  // another one over it. Without an address the boxes stay 0.
  const std::uint32_t host = QMP0001_02_RtLan::FindOwnAddress();
  if (host == 0) {
    return;
  }
  unsigned char bytes[4];
  std::memcpy(bytes, &host, sizeof bytes);
  for (int i = 0; i < 4; ++i) {
    m_values.ipOctets[i] = bytes[i];
  }
  Platform::FormatDottedAddress(host, m_hostIpText, kHostIpTextSize);
  Push();
  ReadDestinationAddress();
}

bool CTavrionDlg::InitialiseSharedMemory() {
  return m_simulator.Attach();
}

void CTavrionDlg::InitialiseAirportDataBase() {
  char fileName[kNameSize];
  Platform::FileInFolder(m_workingFolder, kOffsetsFileName, fileName, kNameSize);
  if (!m_trims.Load(fileName)) {
    Tell(m_trims.Table().GetErrorText(), kAirportDataBaseCaption, kMessageBoxExclamation);
    return;
  }
  TellOffsetsFileReport();
}

void CTavrionDlg::TellOffsetsFileReport() {
  const OffsetsReadReport& report = m_trims.Table().GetReadReport();
  if (report.recordsNotKept > 0) {
    // Told before any trim: Save will refuse, and why.
    char text[DialogValues::kMessageSize];
    SafeFormat(text, sizeof text,
               "%s holds %d airports; the table keeps %d.\n"
               "Save will not overwrite the file, so that none of its airports is lost.",
               kOffsetsFileName, report.records, report.records - report.recordsNotKept);
    Tell(text, kAirportDataBaseCaption, kMessageBoxExclamation);
  }
  if (report.notOffsetsFile) {
    char text[DialogValues::kMessageSize];
    SafeFormat(text, sizeof text,
               "%s is not an offsets file.\n"
               "Save will not overwrite it.",
               kOffsetsFileName);
    Tell(text, kAirportDataBaseCaption, kMessageBoxExclamation);
  }
  const struct {
    int count;
    int firstLine;
    const char* what;
  } skipped[] = {
      {report.badOffsetLines, report.firstBadOffsetLine,
       "an offset that is not a finite number or too large"},
      {report.shortLines, report.firstShortLine, "fewer than three fields"},
      {report.notANumberLines, report.firstNotANumberLine, "an offset that is not a number"},
      {report.longIdentLines, report.firstLongIdentLine, "an identifier over 4 characters"},
      {report.notTextLines, report.firstNotTextLine, "bytes that are not text"},
  };
  char text[DialogValues::kMessageSize];
  int length = SafeFormat(text, sizeof text, "%s: skipped ", kOffsetsFileName);
  const int heading = length;
  for (const auto& kind : skipped) {
    char part[DialogValues::kMessageSize];
    DescribeSkippedLines(part, kind.count, kind.firstLine, kind.what);
    if (part[0] == '\0') continue;
    const int added = SafeFormat(text + length, static_cast<int>(sizeof text) - length, "%s%s",
                                 length > heading ? "; " : "", part);
    if (added < 0) {
      text[length] = '\0';  // the line is full: what is told stays whole
      break;
    }
    length += added;
  }
  if (length > heading) {
    Report(text, kAirportDataBaseCaption);
  }
}

void CTavrionDlg::Tell(const char* text, const char* caption, int style) {
  if (m_settings.connect) {
    Report(text, caption);
  } else {
    m_controls.ShowMessageBox(text, caption, style);
  }
}

void CTavrionDlg::Report(const char* text, const char* caption) {
  // One line: a box's line breaks become blanks.
  char line[DialogValues::kMessageSize];
  SafeCopy(line, text, sizeof line);
  for (char& c : line) {
    if (c == '\n') c = ' ';
  }
  ShowMessage(line);
  if (!m_settings.connect) {
    return;
  }
  if (!m_settings.headless) {
    std::fprintf(stderr, "tavrion: %s: %s\n", caption, line);
  }
  m_link.LogLines(line);  // kept until the log is opened at Connect
}

// The lamp's bitmaps are resources the window holds for its whole life:
// the start-up and the close-down have none of their own to load or release.
void CTavrionDlg::LoadStatusBitmaps() {}

void CTavrionDlg::DeleteStatusBitmaps() {}

void CTavrionDlg::SetCaption() {
  // The record's address shows which mapping this station works on.
  char caption[kNameSize];
  // Receivers fed beside the destination are counted at its end.
  const int receivers = m_link.Receivers().Count();
  char fed[32] = "";
  if (receivers > 0) {
    SafeFormat(fed, sizeof fed, " + %d receiver%s", receivers, receivers == 1 ? "" : "s");
  }
  SafeFormat(caption, kNameSize, "TVR v3 %s %" PRIXPTR " %d%s", kVisualInterfaceLayoutRevision,
             reinterpret_cast<std::uintptr_t>(m_simulator.Record()),
             static_cast<int>(kVisualInterfaceSize), fed);
  m_controls.SetCaption(caption);
}

void CTavrionDlg::OnConnect() {
  if (m_shuttingDown) {
    return;
  }
  // A segment lost while running is waited for; one never attached is not.
  if (m_simulator.Record() == nullptr && !m_simulator.IsLost()) {
    Tell(m_simulator.ErrorText(), kShmFailureCaption, kMessageBoxOk);
    return;
  }
  // Until the first frame step locks them, the boxes are what the operator
  // typed: nothing starts on an address that is not the one shown.
  if (m_frameCount == -1 && !CheckDestinationBoxes()) {
    return;
  }
  m_running = !m_running;
  if (!m_link.IsOpen()) {
    if (!InitialiseRtLan()) {
      m_running = false;
    }
    StartCounter();
    DisplayInitialIp();
    LockPort();
  } else if (!m_running) {
    m_link.FlushCounter(m_view.Camera().counter);  // paused: the file holds the last one sent
  }
  if (m_frameCount < 1) {
    StartLoop();
  }
}

bool CTavrionDlg::CheckDestinationBoxes() {
  for (int i = 0; i < 4; ++i) {
    char text[DialogValues::kTextSize];
    m_controls.GetControlText(IDC_IP1 + i, text, sizeof text);
    int octet = 0;
    if (!ParseAddressOctet(text, octet)) {
      char message[DialogValues::kMessageSize];
      SafeFormat(message, sizeof message,
                 "The %s box of the destination address holds \"%s\".\n"
                 "Each box takes a number from 0 to 255: correct it and press Connect again.",
                 kAddressBoxNames[i], text);
      Tell(message, kAddressFailureCaption, kMessageBoxExclamation);
      return false;
    }
  }
  return ReadDestinationAddress();
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
