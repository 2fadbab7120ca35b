// The per-package receive channels: package i arrives on port remote + i.

#include "QMP0001_02_RtLan.h"

int QMP0001_02_RtLan::ReceiveMulti(int frame, bool enable) {
  if (!m_initialised || !enable) return 0;
  int accepted = 0;
  for (int i = 0; i < RtLan::kPackageCount; ++i) {
    m_rxUdpResult[i] = ReceiveAnyFrom(m_rxUdp[i], frame);
    if (m_rxUdpResult[i] > 0) ++accepted;
  }
  return accepted;
}
