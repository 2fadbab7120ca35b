// The transmit side: the transmit datagram channel, the text senders, the
// package senders and the frame-driven transmit schedule.

#include <cstring>

#include "QMP0001_02_RtLan.h"
#include "RtLanUdp.h"
#include "TextFunctions.h"

namespace {

bool ValidPackage(int package) {
  return package >= 0 && package < RtLan::kPackageCount;
}

// The counter after `counter`: from the largest int it goes on at the smallest.
std::int32_t NextCounter(std::int32_t counter) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(counter) + 1u);
}

std::uint32_t DottedToAddress(const char* text) {
  std::uint32_t address = Platform::InetAddr(text);
  return address == Platform::kAddressNone ? 0 : address;
}

}  // namespace

void QMP0001_02_RtLan::LogSocketInfo(const char* function, CUDP* channel) {
  char line[128];
  SafeFormat(line, sizeof line, "%s -- Socket Info : %d :", function, channel->GetSocket());
  LogText(line);
}

// A transmit channel never waits for room in its send buffer: the frame
// loop that sends must not stall behind a slow network. It reaches broadcast
// addresses only when the owner asked for that.
CUDP* QMP0001_02_RtLan::OpenChannel(const char* function, const char* creatingText, int ownPort,
                                    int otherPort, bool transmit) {
  CUDP* channel = new CUDP();
  LogText(creatingText);
  if (!channel->CreateSocket(static_cast<std::uint16_t>(ownPort),
                             static_cast<std::uint16_t>(otherPort), m_bindAddress) ||
      (transmit && !channel->SetNonBlocking(true)) ||
      (transmit && m_broadcast && !channel->SetBroadcast(true))) {
    SetError(function, channel->GetErrorText());
    // A channel that did not open is not kept, so a later set-up tries again.
    delete channel;
    return nullptr;
  }
  LogSocketInfo(function, channel);
  return channel;
}

bool QMP0001_02_RtLan::TranmitSetup() {
  if (m_txDatagram != nullptr) return true;
  m_txDatagram = OpenChannel("QMP0001_02_RtLan::TranmitSetup", "Creating Tx Datagram", m_localPort,
                             m_remotePort, true);
  return m_txDatagram != nullptr;
}

int QMP0001_02_RtLan::SendOn(CUDP* channel, const char* data, int length, std::uint32_t address,
                             std::uint32_t logAddress, bool quiet) {
  int sent = channel->Send(data, address, length);
  if (sent != -1) {
    m_sendFailure.Succeeded();
    return sent;
  }
  // One reason per error and destination; a full buffer is told once a run
  // even where every other failure is told (the datagram is dropped, and the
  // next frame's goes out once there is room).
  const int error = channel->LastSendError();
  const bool news =
      m_sendFailure.Failed((static_cast<std::int64_t>(logAddress) << 32) | (error & 0xFFFFFFFF));
  if (error == Platform::kWsaWouldBlock) {
    if (news) {
      LogSendError(logAddress, channel->GetRemotePort(),
                   "send buffer full: datagrams dropped until a send succeeds");
    }
  } else if (news || !quiet) {
    char reason[RtLan::kTextSize];
    channel->DescribeSendError(reason, sizeof reason);
    LogSendError(logAddress, channel->GetRemotePort(), reason);
  }
  return sent;
}

int QMP0001_02_RtLan::SendString(int /*reserved*/, const char* text, std::uint32_t address) {
  if (!m_initialised || m_txDatagram == nullptr || text == nullptr) return 0;
  int length = static_cast<int>(std::strlen(text));
  if (length == 0 || address == 0) return 0;
  return SendOn(m_txDatagram, text, length, address, address, true);
}

int QMP0001_02_RtLan::SendStringToPort(const char* text, std::uint32_t address, int port) {
  if (!m_initialised || m_txDatagram == nullptr || text == nullptr || text[0] == '\0') return 0;
  return m_txDatagram->SendTo(text, address, port, static_cast<int>(std::strlen(text)));
}

int QMP0001_02_RtLan::SendStringToComputer(int reserved, const char* text, int computer) {
  return SendString(reserved, text, GetComputerAddress(computer));
}

int QMP0001_02_RtLan::SendStringToIp(int reserved, const char* text, const char* dottedAddress) {
  return SendString(reserved, text, DottedToAddress(dottedAddress));
}

bool QMP0001_02_RtLan::HasBlock(int package) const {
  const RtLan::PackageRow& row = m_packages[package];
  return row.data != nullptr && row.size >= RtLan::kHeaderSize;
}

// Fills in the header and sends one row to its destination computer; 0 when
// nothing was sent.
int QMP0001_02_RtLan::TransmitRow(int frame, int package, bool enabled, CUDP* channel) {
  RtLan::PackageRow& row = m_packages[package];
  if (!enabled || channel == nullptr || !HasBlock(package)) return 0;
  *row.counterWord = NextCounter(*row.counterWord);
  *row.identifierWord = row.identifier;
  std::uint32_t destination = GetComputerAddress(row.destination);
  if (destination == 0) return 0;
  int sent = SendOn(channel, row.data, row.size, destination, destination);
  if (sent != -1) {
    ++row.sentCount;
    LogSentPackage(sent, package, *row.counterWord, frame, destination);
  }
  return sent;
}

int QMP0001_02_RtLan::SendPackage(int frame, int package, bool enable) {
  if (!m_initialised) return 0;
  if (!ValidPackage(package)) return -1;
  int sent = TransmitRow(frame, package, enable, m_txDatagram);
  m_packages[package].nextDueFrame += m_packages[package].period;
  return sent;
}

int QMP0001_02_RtLan::SendPackageToIp(int package, const char* dottedAddress) {
  if (!m_initialised || m_txDatagram == nullptr) return 0;
  if (!ValidPackage(package)) return -1;
  std::uint32_t address = DottedToAddress(dottedAddress);
  if (address == 0 || !HasBlock(package)) return 0;
  RtLan::PackageRow& row = m_packages[package];
  int sent = SendOn(m_txDatagram, row.data, row.size, address, address);
  if (sent != -1) ++row.sentCount;
  return sent;
}

int QMP0001_02_RtLan::SendPackageToAddress(int package, std::uint32_t address) {
  if (!m_initialised || m_txDatagram == nullptr) return 0;
  if (!ValidPackage(package)) return -1;
  if (address == 0 || !HasBlock(package)) return 0;
  RtLan::PackageRow& row = m_packages[package];
  int sent = SendOn(m_txDatagram, row.data, row.size, address, m_ownAddress);
  if (sent != -1) {
    *row.counterWord = NextCounter(*row.counterWord);
    row.sentCount = *row.counterWord;
  }
  return sent;
}

// Every row of this station whose next due frame has come; a row not sent
// (disabled, no block, no destination) stays on its cadence all the same.
int QMP0001_02_RtLan::TransmitSchedule(int frame, bool multi) {
  if (!m_initialised) return 0;
  int result = 0;
  for (int i = 0; i < RtLan::kPackageCount; ++i) {
    RtLan::PackageRow& row = m_packages[i];
    if (row.source != m_deviceIndex || row.nextDueFrame > frame) continue;
    CUDP* channel = multi ? m_txUdp[i] : m_txDatagram;
    int sent = TransmitRow(frame, i, m_transmitEnabled, channel);
    if (sent != 0) result = sent;
    row.nextDueFrame += row.period;
  }
  return result;
}

int QMP0001_02_RtLan::TransmitDue(int frame) {
  return TransmitSchedule(frame, false);
}

int QMP0001_02_RtLan::TransmitDue(int frame, bool enable) {
  m_transmitEnabled = enable;
  return TransmitDue(frame);
}
