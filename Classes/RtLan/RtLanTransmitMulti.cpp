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
  char line[64];
  bool receiveOpened = true;
  for (int i = 0; i < RtLan::kPackageCount && receiveOpened; ++i) {
    if (m_rxUdp[i] != nullptr) continue;
    m_rxUdp[i] = new CUDP();
    SafeFormat(line, sizeof line, "Creating Rx Udp %d", i);
    LogText(line);
    if (!m_rxUdp[i]->CreateSocket(static_cast<std::uint16_t>(m_remotePort + i),
                                  static_cast<std::uint16_t>(m_localPort), m_bindAddress)) {
      SetError("QMP0001_02_RtLan::ReceiveSetup", m_rxUdp[i]->GetErrorText());
      delete m_rxUdp[i];
      m_rxUdp[i] = nullptr;
      receiveOpened = false;
    } else {
      LogSocketInfo("QMP0001_02_RtLan::ReceiveSetup", m_rxUdp[i]);
    }
  }
  LogMyIp();
  if (!receiveOpened) return false;

  bool allOpened = true;
  for (int i = 0; i < RtLan::kPackageCount; ++i) {
    if (m_txUdp[i] != nullptr) continue;
    m_txUdp[i] = new CUDP();
    SafeFormat(line, sizeof line, "Creating Tx Udp %d", i);
    LogText(line);
    if (!m_txUdp[i]->CreateSocket(static_cast<std::uint16_t>(m_localPort),
                                  static_cast<std::uint16_t>(m_remotePort + i), m_bindAddress)) {
      SetError("QMP0001_02_RtLan::TranmitSetup", m_txUdp[i]->GetErrorText());
      delete m_txUdp[i];
      m_txUdp[i] = nullptr;
      allOpened = false;
    } else {
      LogSocketInfo("QMP0001_02_RtLan::TranmitSetup", m_txUdp[i]);
    }
  }
  return allOpened;
}
