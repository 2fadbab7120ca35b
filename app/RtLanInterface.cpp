// The main dialog's use of the simulator LAN interface: bringing it up, the
// host's own address, the ViewSync datagram and the link indication.

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>

#include "FileNames.h"

#include "QMP0001_02_RtLan.h"
#include "TavrionDlg.h"
#include "TextFunctions.h"
#include "VisualShm.h"

namespace {

// The LAN interface's traffic log, in the working folder.
const char kLanLogFileName[] = "QM_RT_LAN_Log.txt";
// The log of the run before, kept for one more run.
const char kPreviousLanLogFileName[] = "QM_RT_LAN_Log.1.txt";
const char kNoHostAddressText[] =
    "Unable to acquire host IP address\nSorry\nPlease check using windows cmd ->ipconfig ";

}  // namespace

bool CTavrionDlg::InitialiseRtLan() {
  m_rtLanOk = false;
  m_rtLan = std::make_unique<QMP0001_02_RtLan>(nullptr);
  m_rtLan->SetLocalPort(m_port);
  m_rtLan->SetRemotePort(m_settings.remotePort);
  m_rtLan->SetStandalone();
  m_rtLan->SetBroadcast(m_settings.broadcast);
  char logName[kNameSize];
  Platform::FileInFolder(m_workingFolder, kLanLogFileName, logName, kNameSize);
  // The log is begun anew at each start: the one before, perhaps of a run
  // that crashed or was killed, is kept one generation.
  char previousName[kNameSize];
  Platform::FileInFolder(m_workingFolder, kPreviousLanLogFileName, previousName, kNameSize);
  if (std::rename(logName, previousName) != 0 && errno != ENOENT) {
    std::fprintf(stderr, "tavrion: %s: not kept as %s: %s\n", logName, previousName,
                 std::strerror(errno));
  }
  m_rtLan->SetLogFileName(logName);
  m_rtLan->Initialise();
  if (!m_rtLan->IsInitialised()) {
    Tell(m_rtLan->GetErrorText(), "CTavrionDlg::InitialiseRtLan", kMessageBoxOk);
    m_rtLanOk = false;
  } else {
    m_rtLanOk = true;
    // What was told before the log existed goes first.
    if (!m_untoldLog.empty()) {
      m_rtLan->LogLines(m_untoldLog.substr(0, m_untoldLog.size() - 1).c_str());
      m_untoldLog.clear();
    }
    m_receivers.LogReceivers(*m_rtLan);
  }
  // The object stays also when it failed: its sends then send nothing.
  return m_rtLanOk;
}

void CTavrionDlg::DisplayInitialIp() {
  if (m_rtLan == nullptr) {
    return;
  }
  int octets[4] = {0, 0, 0, 0};
  // An own address of 0 means the host's name did not resolve: no address.
  const bool hostKnown = m_rtLan->GetIpOctets(&octets[0], &octets[1], &octets[2], &octets[3]) &&
                         m_rtLan->GetOwnAddress() != 0;
  if (hostKnown) {
    SafeCopy(m_hostIpText, m_rtLan->GetIpText(), kHostIpTextSize);
  }
  // The boxes are the operator's: they showed the host's address (or the one
  // given on the command line) from start-up, and whatever they hold now is
  // where the datagrams go.
  if (hostKnown || GetDestinationAddress() != 0) {
    return;
  }
  for (int& octet : m_values.ipOctets) {
    octet = 0;
  }
  Push();
  Tell(kNoHostAddressText, "CTavrionDlg::DisplayInitialIp", kMessageBoxOk);
  m_controls.EnableControl(IDC_CONNECT, false);
}

bool CTavrionDlg::SendDatagram() {
  char text[kViewSyncTextSize];
  // A receiver cannot read "nan", place a camera off the globe or read a text
  // cut short: such a frame is held back and counted, and the link watchdog
  // runs down as for a failed send.
  const bool sendable = IsFiniteCamera(m_view.Camera()) && IsOnTheGlobe(m_view.Camera()) &&
                        FormatViewSync(m_view.Camera(), text, sizeof text) > 0;
  int sent = 0;
  if (sendable && m_rtLan != nullptr) {
    sent = m_rtLan->SendString(m_view.Camera().counter, text, GetDestinationAddress());
    // The same datagram to every other receiver; only the destination's
    // sends drive the lamp.
    m_receivers.Send(*m_rtLan, text);
  }
  if (sent > 1) {
    m_sentDatagrams = static_cast<int>(static_cast<unsigned int>(m_sentDatagrams) + 1u);
    m_linkWatchdog = kLinkWatchdogRearm;
  }
  if (m_linkWatchdog > INT_MIN) {
    --m_linkWatchdog;  // every send counts down, whatever it did
  }
  if (sendable) {
    ClearCondition(MessageLine::kDatagramsHeld);
    return true;
  }
  ++m_heldDatagrams;
  char message[DialogValues::kMessageSize];
  SafeFormat(message, sizeof message,
             "Datagram held back: the simulator's values are not finite or too large "
             "(%d held back since start-up)",
             m_heldDatagrams);
  RaiseCondition(MessageLine::kDatagramsHeld, message);
  return false;
}

void CTavrionDlg::StartCounter() {
  bool startedOver = false;
  m_view.Camera().counter = m_counterKeeper.Start(&startedOver) - 1;
  if (startedOver) {
    TellCounterStartedOver();
  }
}

void CTavrionDlg::TellCounterStartedOver() {
  ShowMessage(kCounterStartedOverText);
  LogEvent(kCounterStartedOverText);
}

void CTavrionDlg::UpdateLinkStatus() {
  m_linkStatus = m_linkWatchdog <= 1 ? LinkDown : LinkUp;
  std::int32_t stateWord = 0;
  if (m_simulator.ReadStateWord(stateWord) && stateWord == kStateWordLinkHeld) {
    m_linkStatus = LinkHeld;
  }
  if (m_simulator.IsLost()) {
    m_linkStatus = LinkDown;  // nothing can be sent without the simulator's record
  }
  if (m_linkStatus != m_shownLinkStatus) {
    switch (m_linkStatus) {
      case LinkIdle:
        m_controls.ShowStatusBitmap(m_statusBitmaps[0]);  // grey
        break;
      case LinkUp:
        m_controls.ShowStatusBitmap(m_statusBitmaps[2]);  // green
        break;
      default:
        m_controls.ShowStatusBitmap(m_statusBitmaps[1]);  // orange
        break;
    }
    m_shownLinkStatus = m_linkStatus;
  }
}
