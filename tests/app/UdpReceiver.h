#pragma once
// A ViewSync receiver for tests: a UDP socket on 127.0.0.1 that collects the
// datagrams sent to it. It binds the loopback address itself, with address
// reuse, so it is the one that gets the datagrams even where the station's
// own receive channel holds the same port on all interfaces.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <string>

class UdpReceiver {
 public:
  // On 127.0.0.1 at a free port, or on another loopback address and port.
  explicit UdpReceiver(const char* loopbackAddress = "127.0.0.1", int port = 0) {
    m_socket = ::socket(AF_INET, SOCK_DGRAM, 0);
    int one = 1;
    ::setsockopt(m_socket, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    ::inet_pton(AF_INET, loopbackAddress, &address.sin_addr);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    m_bound = ::bind(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    socklen_t length = sizeof address;
    ::getsockname(m_socket, reinterpret_cast<sockaddr*>(&address), &length);
    m_port = ntohs(address.sin_port);
  }
  ~UdpReceiver() { ::close(m_socket); }
  UdpReceiver(const UdpReceiver&) = delete;
  UdpReceiver& operator=(const UdpReceiver&) = delete;

  int Port() const { return m_port; }
  bool IsBound() const { return m_bound; }

  // The next datagram waiting, without waiting for one (loopback delivers
  // within the sender's call). False when none is waiting.
  bool Next(std::string& payload, int* sourcePort = nullptr) {
    char buffer[2048];
    sockaddr_in source{};
    socklen_t length = sizeof source;
    const ssize_t got = ::recvfrom(m_socket, buffer, sizeof buffer, MSG_DONTWAIT,
                                   reinterpret_cast<sockaddr*>(&source), &length);
    if (got < 0) return false;
    payload.assign(buffer, static_cast<std::size_t>(got));
    if (sourcePort != nullptr) *sourcePort = ntohs(source.sin_port);
    return true;
  }

  // Waits up to a second for a datagram (for senders on another thread).
  bool Wait(std::string& payload) {
    pollfd entry{m_socket, POLLIN, 0};
    if (::poll(&entry, 1, 1000) <= 0) return false;
    return Next(payload);
  }

 private:
  int m_socket;
  int m_port;
  bool m_bound = false;
};

// A UDP port that was free a moment ago on all interfaces.
inline int FreeUdpPort() {
  const int probe = ::socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_ANY);
  ::bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address);
  socklen_t length = sizeof address;
  ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
  ::close(probe);
  return ntohs(address.sin_port);
}
