// The per-package transmit channels: package i goes out on its own socket to
// port remote + i; all of them share the local port.

#include "QMP0001_02_RtLan.h"
#include "RtLanUdp.h"
#include "TextFunctions.h"

int QMP0001_02_RtLan::TransmitDueMulti(int frame) {
  return TransmitSchedule(frame, true);
}

int QMP0001_02_RtLan::TransmitDueMulti(int frame, bool enable) {
  m_transmitEnabled = enable;
  return TransmitDueMulti(frame);
}

bool QMP0001_02_RtLan::PackageChannelSetup() {
  char line[96];
  for (int i = 0; i < RtLan::kPackageCount; ++i) {
    // A port beyond 65535 would wrap round to a port of another program.
    if (RtLan::IsPortNumber(m_remotePort + i)) continue;
    SafeFormat(line, sizeof line, "Port %d of package %d is not a port number (1 to 65535)",
               m_remotePort + i, i);
    SetError("QMP0001_02_RtLan::ReceiveSetup", line);
    return false;
  }
  bool receiveOpened = true;
  for (int i = 0; i < RtLan::kPackageCount && receiveOpened; ++i) {
    if (m_rxUdp[i] != nullptr) continue;
    SafeFormat(line, sizeof line, "Creating Rx Udp %d", i);
    m_rxUdp[i] =
        OpenChannel("QMP0001_02_RtLan::ReceiveSetup", line, m_remotePort + i, m_localPort, false);
    receiveOpened = m_rxUdp[i] != nullptr;
  }
  LogMyIp();
  if (!receiveOpened) return false;

  bool allOpened = true;
  for (int i = 0; i < RtLan::kPackageCount; ++i) {
    if (m_txUdp[i] != nullptr) continue;
    SafeFormat(line, sizeof line, "Creating Tx Udp %d", i);
    m_txUdp[i] =
        OpenChannel("QMP0001_02_RtLan::TranmitSetup", line, m_localPort, m_remotePort + i, true);
    if (m_txUdp[i] == nullptr) allOpened = false;
  }
  return allOpened;
}
