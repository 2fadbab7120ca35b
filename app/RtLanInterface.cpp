// The main dialog's use of the simulator LAN interface: bringing it up, the
// host's own address, the ViewSync datagram and the link indication.

#include "QMP0001_02_RtLan.h"
#include "TavrionDlg.h"
#include "TextFunctions.h"
#include "VisualShm.h"

namespace {

const char kNoHostAddressText[] =
    "Unable to acquire host IP address\nSorry\nPlease check using windows cmd ->ipconfig ";

}  // namespace

bool CTavrionDlg::InitialiseRtLan() {
  if (!m_link.Open(m_port, m_settings.remotePort, m_settings.broadcast)) {
    Tell(m_link.ErrorText(), "CTavrionDlg::InitialiseRtLan", kMessageBoxOk);
    return false;  // the object stays also when it failed: its sends then send nothing
  }
  m_link.Receivers().LogReceivers(*m_link.Lan());
  return true;
}

void CTavrionDlg::DisplayInitialIp() {
  QMP0001_02_RtLan* lan = m_link.Lan();
  if (lan == nullptr) {
    return;
  }
  int octets[4] = {0, 0, 0, 0};
  // An own address of 0 means the host's name did not resolve: no address.
  const bool hostKnown =
      lan->GetIpOctets(&octets[0], &octets[1], &octets[2], &octets[3]) && lan->GetOwnAddress() != 0;
  if (hostKnown) {
    SafeCopy(m_hostIpText, lan->GetIpText(), kHostIpTextSize);
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
  // A receiver cannot read "nan", place a camera off the globe or read a text
  // cut short: such a frame is held back and counted, and the link watchdog
  // runs down as for a failed send.
  if (m_link.Send(m_view.Camera(), GetDestinationAddress())) {
    ClearCondition(MessageLine::kDatagramsHeld);
    return true;
  }
  char message[DialogValues::kMessageSize];
  SafeFormat(message, sizeof message,
             "Datagram held back: the simulator's values are not finite or too large "
             "(%d held back since start-up)",
             m_link.GetHeld());
  RaiseCondition(MessageLine::kDatagramsHeld, message);
  return false;
}

void CTavrionDlg::StartCounter() {
  bool startedOver = false;
  m_view.Camera().counter = m_link.StartCounter(&startedOver);
  if (startedOver) {
    TellCounterStartedOver();
  }
}

void CTavrionDlg::TellCounterStartedOver() {
  ShowMessage(kCounterStartedOverText);
  LogEvent(kCounterStartedOverText);
}

void CTavrionDlg::UpdateLinkStatus() {
  std::int32_t stateWord = 0;
  const bool held = m_simulator.ReadStateWord(stateWord) && stateWord == kStateWordLinkHeld;
  const int status = m_link.UpdateStatus(held, m_simulator.IsLost());
  if (status != m_shownLinkStatus) {
    switch (status) {
      case LinkIdle:
        m_controls.ShowStatusBitmap(IDB_GREY);
        break;
      case LinkUp:
        m_controls.ShowStatusBitmap(IDB_GREEN);
        break;
      default:
        m_controls.ShowStatusBitmap(IDB_ORANGE);
        break;
    }
    m_shownLinkStatus = status;
  }
}
