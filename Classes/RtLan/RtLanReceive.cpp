// The receive side: the receive datagram channel and the package receivers.
// A datagram comes from the network and is not trusted: one shorter than the
// package header is dropped, and no more of it is copied than its package's
// block holds.

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "QMP0001_02_RtLan.h"
#include "RtLanUdp.h"
#include "TextFunctions.h"

namespace {

bool ValidPackage(int package) {
  return package >= 0 && package < RtLan::kPackageCount;
}

}  // namespace

void QMP0001_02_RtLan::LogMyIp() {
  char line[64];
  SafeFormat(line, sizeof line, "My IP is %s",
             StationValid() ? m_computerAddressText[m_deviceIndex] : "");
  LogText(line);
}

bool QMP0001_02_RtLan::ReceiveSetup() {
  if (m_rxDatagram != nullptr) return true;
  m_rxDatagram = OpenChannel("QMP0001_02_RtLan::ReceiveSetup", "Creating Rx Datagram", m_remotePort,
                             m_localPort, false);
  if (m_rxDatagram == nullptr) return false;
  LogMyIp();
  return true;
}

// One waiting datagram into the receive buffer: its size, 0 when none waits,
// -1 on a socket error (logged). The sender is left in m_lastSender.
int QMP0001_02_RtLan::TakeDatagram(CUDP* channel) {
  if (channel == nullptr || channel->BytesAvailable() == 0) return 0;
  m_lastSender = 0;
  int received = channel->Receive(&m_lastSender, m_rxBuffer, true, RtLan::kBufferSize);
  if (received == -1) {
    char line[128];
    SafeFormat(line, sizeof line, "QMP0001_02_RtLan::Receive Error %s",
               Platform::SocketErrorText(Platform::Sockets().LastError()));
    LogText(line);
  }
  return received;
}

// The package a datagram in the receive buffer claims to be; -1 when it is
// too short to say.
int QMP0001_02_RtLan::DatagramIdentifier(int received) const {
  if (received < RtLan::kHeaderSize) return -1;
  RtLan::PackageHeader header;
  std::memcpy(&header, m_rxBuffer, sizeof header);
  return header.identifier;
}

// Counters come from the network and may be any int: the difference is taken
// wide enough for any two. A counter below the last one is the sender
// starting again (or going on from the largest int), not a gap.
void QMP0001_02_RtLan::UpdateStatistics(int package) {
  RtLan::PackageStatistics& statistics = m_packageStats[package];
  statistics.lastCounter = *m_packages[package].counterWord;
  std::int64_t step = static_cast<std::int64_t>(statistics.lastCounter) -
                      static_cast<std::int64_t>(statistics.previousCounter);
  if (step > 1) ++statistics.gapCount;
  statistics.previousCounter = statistics.lastCounter;
}

// Copies an accepted datagram over its package's block, no further than the
// block reaches, then logs and counts it.
int QMP0001_02_RtLan::AcceptDatagram(int package, int received, int frame) {
  RtLan::PackageRow& row = m_packages[package];
  std::size_t count = static_cast<std::size_t>(std::min(received, row.size));
  {
    std::lock_guard<std::mutex> lock(m_packageLock);
    std::memcpy(row.data, m_rxBuffer, count);
  }
  RtLan::PackageHeader header;
  std::memcpy(&header, m_rxBuffer, sizeof header);
  LogReceivedPackage(received, package, header.counter, frame, m_lastSender);
  UpdateStatistics(package);
  return received;
}

int QMP0001_02_RtLan::ReceivePackage(int frame, int package, bool enable) {
  if (!ValidPackage(package) || !m_initialised || !enable) return 0;
  int received = TakeDatagram(m_rxDatagram);
  if (received <= 0) return received;
  if (DatagramIdentifier(received) != package || !HasBlock(package)) return -1;
  ++m_packages[package].receivedCount;
  return AcceptDatagram(package, received, frame);
}

int QMP0001_02_RtLan::ReceiveRaw(char* buffer) {
  if (!m_initialised || buffer == nullptr || m_rxDatagram == nullptr) return 0;
  if (m_rxDatagram->BytesAvailable() == 0) return 0;
  std::uint32_t sender = 0;
  return m_rxDatagram->Receive(&sender, buffer, true, RtLan::kBufferSize);
}

int QMP0001_02_RtLan::ReceiveDue(int frame) {
  if (!m_initialised || !m_receiveEnabled) return 0;
  int received = TakeDatagram(m_rxDatagram);
  if (received <= 0) return received;
  int package = DatagramIdentifier(received);
  if (package < 1 || package >= RtLan::kPackageCount) return -1;
  if (m_packages[package].destination != m_deviceIndex || !HasBlock(package)) return -1;
  return AcceptDatagram(package, received, frame);
}

int QMP0001_02_RtLan::ReceiveDue(int frame, bool enable) {
  m_receiveEnabled = enable;
  return ReceiveDue(frame);
}

int QMP0001_02_RtLan::ReceiveAnyFrom(CUDP* channel, int frame) {
  int received = TakeDatagram(channel);
  if (received <= 0) return received;
  int package = DatagramIdentifier(received);
  if (!ValidPackage(package) || !HasBlock(package)) return -1;
  return AcceptDatagram(package, received, frame);
}

int QMP0001_02_RtLan::ReceiveAny(int frame) {
  if (!m_initialised || !m_receiveEnabled) return 0;
  return ReceiveAnyFrom(m_rxDatagram, frame);
}

int QMP0001_02_RtLan::ReceiveAny(int frame, bool enable) {
  m_receiveEnabled = enable;
  return ReceiveAny(frame);
}
