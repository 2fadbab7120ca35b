// Messages larger than one socket buffer: the sender cuts them into fragments
// of one buffer each, every fragment but the last ending in a 0xFF marker that
// the receiver overwrites with the next fragment. The last fragment carries
// the rest of the message and nothing else, so every simulator computer that
// speaks this format reads our messages and we read theirs.
//
// Fragments carry no sequence number. What the receiving socket can vouch
// for is checked instead: the system's count of datagrams it dropped for want
// of buffer room must not move while a message comes in, every fragment must
// come from the sender of the first, each marked fragment must fill the
// buffer, and none may have been cut. A fragment lost on the wire before it
// reached this socket leaves no trace in that count; such a message is only
// caught when what arrives breaks one of the other rules, or when its last
// fragment never comes (the time-out).

#include <cstdlib>
#include <cstring>

#include "RtLanUdp.h"
#include "TextFunctions.h"
#include "UdpConsole.h"
#include "ValueText.h"

int CUDP::ReadBufferSize(Platform::SocketOption option) {
  if (m_socket == 0) return -1;  // handle 0 is standard input, not a socket of ours
  int size = 0;
  if (Platform::Sockets().GetOption(m_socket, option, &size) != 0 || size < 2) return -1;
  return size;
}

int CUDP::SendLarge(const char* data, std::uint32_t address, int length) {
  if (data == nullptr || length < 0) return -1;
  int total = length != 0 ? length : static_cast<int>(std::strlen(data)) + 1;
  int maximum = ReadBufferSize(Platform::SocketOption::SendBuffer);
  if (maximum < 0) {
    UdpConsole("Error Maximum Buffer Size");
    return -1;
  }
  if (total < maximum) return Send(data, address, total);

  char* fragment = static_cast<char*>(std::malloc(static_cast<std::size_t>(maximum)));
  if (fragment == nullptr) {
    UdpConsole("Out Of Memory");
    return -1;
  }
  const int part = maximum - 1;
  int offset = 0;
  int sum = 0;
  while (offset < total) {
    const bool last = total - offset <= part;
    const int count = last ? total - offset : part;
    std::memcpy(fragment, data + offset, static_cast<std::size_t>(count));
    if (!last) fragment[count] = static_cast<char>(kFragmentMarker);
    int sent = Send(fragment, address, last ? count : maximum);
    if (sent == -1) {
      UdpConsole("Error Sending Message");
      std::free(fragment);
      return -1;
    }
    sum += sent;
    offset += count;
  }
  std::free(fragment);
  return sum;
}

bool CUDP::WaitForFragment(unsigned long* available) {
  std::uint32_t start = m_clock->ReadMilliseconds();
  for (;;) {
    *available = BytesAvailable();
    if (*available >= 2) return true;
    if (m_clock->ReadMilliseconds() - start > static_cast<std::uint32_t>(m_timeout)) return false;
    m_clock->SleepMilliseconds(1);
  }
}

void CUDP::DropMessage(char* buffer) {
  std::free(m_data);
  m_data = nullptr;
  if (buffer != nullptr) buffer[0] = '\0';
}

// A message that did not arrive whole: nothing of it is handed out.
int CUDP::ReceiveIncomplete(char* buffer, const char* reason) {
  DropMessage(buffer);
  UdpConsole("Error Incomplete Message");
  char message[200];
  SafeFormat(message, sizeof message, "Incomplete message: %s", reason);
  m_lastError = message;
  return -1;
}

// Why the fragment just received cannot belong to the message whose first
// fragment came from check.first; false when it may.
bool CUDP::FragmentBroken(const FragmentCheck& check, char* reason, int size) const {
  if (check.truncated) {
    SafeFormat(reason, size, "a fragment longer than %d bytes", check.room);
    return true;
  }
  if (m_drops != check.dropsBefore) {
    SafeFormat(reason, size, "the socket dropped %u datagrams for want of room",
               static_cast<unsigned>(m_drops - check.dropsBefore));
    return true;
  }
  if (check.index > 0 &&
      (m_address.address != check.first.address || m_address.port != check.first.port)) {
    char was[24];
    char now[24];
    Platform::FormatAddressAndPort(check.first.address, Platform::NetworkToHost16(check.first.port),
                                   was, sizeof was);
    Platform::FormatAddressAndPort(m_address.address, Platform::NetworkToHost16(m_address.port),
                                   now, sizeof now);
    SafeFormat(reason, size, "a fragment from %s inside a message from %s", now, was);
    return true;
  }
  if (check.received < 1) {
    SafeFormat(reason, size, "an empty fragment");
    return true;
  }
  return false;
}

int CUDP::ReceiveLarge(std::uint32_t* address, char* buffer, bool clearAddress, int size) {
  // A new message starts: the previous one is released, not abandoned.
  std::free(m_data);
  m_data = nullptr;
  int maximum = ReadBufferSize(Platform::SocketOption::ReceiveBuffer);
  if (maximum < 0) {
    UdpConsole("Error Maximum Buffer Size");
    return -1;
  }
  if (size < maximum) return Receive(address, buffer, true, size);

  FragmentCheck check;
  check.dropsBefore = m_drops;  // as the last receive before this message saw it
  char reason[120];
  int position = 0;
  for (check.index = 0;; ++check.index) {
    unsigned long available = 0;
    if (!WaitForFragment(&available)) {
      DropMessage(buffer);
      return 0;
    }
    // Room for the datagram, one byte more to see a longer one as cut, and a terminator.
    std::size_t needed = static_cast<std::size_t>(position) + available + 2;
    char* grown = static_cast<char*>(std::realloc(m_data, needed));
    if (grown == nullptr) {
      UdpConsole("Out Of Memory");
      DropMessage(buffer);
      return -1;
    }
    m_data = grown;
    check.room = static_cast<int>(available) + 1;
    check.received =
        ReceiveCounted(address, m_data + position, clearAddress, check.room, &check.truncated);
    if (check.received == -1) {
      DropMessage(buffer);
      return -1;
    }
    if (check.index == 0) check.first = m_address;
    if (FragmentBroken(check, reason, sizeof reason)) return ReceiveIncomplete(buffer, reason);
    position += check.received - 1;
    if (static_cast<unsigned char>(m_data[position]) != kFragmentMarker) {
      m_data[position + 1] = '\0';
      return position;
    }
    if (check.received != maximum) {
      SafeFormat(reason, sizeof reason, "a marked fragment of %d bytes, not %d", check.received,
                 maximum);
      return ReceiveIncomplete(buffer, reason);
    }
  }
}
