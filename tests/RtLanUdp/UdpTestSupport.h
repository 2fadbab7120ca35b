#pragma once
// Real UDP peers on the loopback interface for the LAN tests: free test
// ports, a plain socket that plays the other end, and a bounded wait for a
// datagram to arrive (never a fixed sleep).

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <random>
#include <string>

namespace UdpTest {

constexpr int kWaitMilliseconds = 3000;

inline std::uint32_t Loopback(int last = 1) {
  return htonl(0x7F000000u | static_cast<std::uint32_t>(last));
}

// True when a plain socket (no address sharing) can bind the port, that is,
// when no socket holds it.
inline bool PortFree(int port) {
  int handle = ::socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  bool free = ::bind(handle, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  ::close(handle);
  return free;
}

// The first of `count` consecutive free ports, away from the station's 7000 and 7001.
inline int FreePorts(int count = 2) {
  static std::mt19937 random{std::random_device{}()};
  std::uniform_int_distribution<int> pick(20000, 60000 - count);
  for (int attempt = 0; attempt < 200; ++attempt) {
    int base = pick(random);
    bool all = true;
    for (int i = 0; i < count && all; ++i) all = PortFree(base + i);
    if (all) return base;
  }
  return 0;
}

// Waits until the socket has something to read; false after the bound.
inline bool WaitReadable(int handle, int milliseconds = kWaitMilliseconds) {
  pollfd entry{};
  entry.fd = handle;
  entry.events = POLLIN;
  return ::poll(&entry, 1, milliseconds) == 1;
}

// The far end of a test: a plain socket bound to a loopback address and port.
class Peer {
 public:
  explicit Peer(int port, std::uint32_t address = Loopback(), bool share = false)
      : m_handle(::socket(AF_INET, SOCK_DGRAM, 0)) {
    if (share) {
      int one = 1;
      ::setsockopt(m_handle, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    }
    sockaddr_in bound{};
    bound.sin_family = AF_INET;
    bound.sin_port = htons(static_cast<std::uint16_t>(port));
    bound.sin_addr.s_addr = address;
    m_bound = ::bind(m_handle, reinterpret_cast<sockaddr*>(&bound), sizeof bound) == 0;
  }
  ~Peer() { ::close(m_handle); }
  Peer(const Peer&) = delete;
  Peer& operator=(const Peer&) = delete;

  bool Bound() const { return m_bound; }
  int Handle() const { return m_handle; }

  bool SendTo(int port, const std::string& bytes, std::uint32_t address = Loopback()) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<std::uint16_t>(port));
    to.sin_addr.s_addr = address;
    return ::sendto(m_handle, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&to),
                    sizeof to) == static_cast<ssize_t>(bytes.size());
  }

  // The next datagram, or false when none came within the bound.
  bool Receive(std::string* bytes, int* sourcePort = nullptr, std::uint32_t* source = nullptr,
               int milliseconds = kWaitMilliseconds) {
    if (!WaitReadable(m_handle, milliseconds)) return false;
    char buffer[70000];
    sockaddr_in from{};
    socklen_t length = sizeof from;
    ssize_t count =
        ::recvfrom(m_handle, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &length);
    if (count < 0) return false;
    bytes->assign(buffer, static_cast<std::size_t>(count));
    if (sourcePort != nullptr) *sourcePort = ntohs(from.sin_port);
    if (source != nullptr) *source = from.sin_addr.s_addr;
    return true;
  }

 private:
  int m_handle;
  bool m_bound = false;
};

}  // namespace UdpTest
