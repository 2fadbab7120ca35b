// Messages larger than one socket buffer: the sender cuts them into fragments
// of one buffer each, every fragment but the last ending in a 0xFF marker that
// the receiver overwrites with the next fragment.

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "RtLanUdp.h"

namespace {

void Console(const char* text) {
  std::fputs(text, stdout);
  std::fflush(stdout);
}

}  // namespace

int CUDP::ReadBufferSize(Platform::SocketOption option) {
  int size = 0;
  if (Platform::Sockets().GetOption(m_socket, option, &size) != 0 || size < 2) return -1;
  return size;
}

int CUDP::SendLarge(const char* data, std::uint32_t address, int length) {
  if (data == nullptr || length < 0) return -1;
  int total = length != 0 ? length : static_cast<int>(std::strlen(data)) + 1;
  int maximum = ReadBufferSize(Platform::SocketOption::SendBuffer);
  if (maximum < 0) {
    Console("Error Maximum Buffer Size");
    return -1;
  }
  if (total < maximum) return Send(data, address, total);

  char* fragment = static_cast<char*>(std::malloc(static_cast<std::size_t>(maximum)));
  if (fragment == nullptr) {
    Console("Out Of Memory");
    return -1;
  }
  const int part = maximum - 1;
  int offset = 0;
  int remaining = total;
  int sum = 0;
  while (remaining > 0) {
    bool last = remaining <= part;
    int count = last ? remaining : part;
    std::memcpy(fragment, data + offset, static_cast<std::size_t>(count));
    if (!last) fragment[count] = static_cast<char>(kFragmentMarker);
    int sent = Send(fragment, address, last ? count : maximum);
    if (sent == -1) {
      Console("Error Sending Message");
      std::free(fragment);
      return -1;
    }
    sum += sent;
    offset += count;
    remaining -= count;
  }
  std::free(fragment);
  return sum;
}

bool CUDP::WaitForFragment(unsigned long* available) {
  Platform::SocketApi& sockets = Platform::Sockets();
  std::uint32_t start = sockets.TickCount();
  for (;;) {
    *available = BytesAvailable();
    if (*available >= 2) return true;
    if (sockets.TickCount() - start > static_cast<std::uint32_t>(m_timeout)) return false;
    sockets.Sleep(1);
  }
}

int CUDP::ReceiveLarge(std::uint32_t* address, char* buffer, bool clearAddress, int size) {
  // A new message starts: the previous one is released, not abandoned.
  std::free(m_data);
  m_data = nullptr;
  int position = 0;
  int maximum = ReadBufferSize(Platform::SocketOption::ReceiveBuffer);
  if (maximum < 0) {
    Console("Error Maximum Buffer Size");
    return -1;
  }
  if (size < maximum) return Receive(address, buffer, true, size);

  for (;;) {
    unsigned long available = 0;
    if (!WaitForFragment(&available)) return 0;
    std::size_t needed = static_cast<std::size_t>(position) + available + 1;
    char* grown = static_cast<char*>(std::realloc(m_data, needed));
    if (grown == nullptr) {
      Console("Out Of Memory");
      return -1;
    }
    m_data = grown;
    int received =
        Receive(address, m_data + position, clearAddress, static_cast<int>(available) + 1);
    if (received == -1) {
      if (buffer != nullptr) buffer[0] = '\0';
      return -1;
    }
    if (received < 1) return position;
    position += received - 1;
    if (static_cast<unsigned char>(m_data[position]) != kFragmentMarker) return position;
  }
}
