#include "LoopbackPeer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <random>

namespace {

sockaddr_in SocketAddress(std::uint32_t address, int port) {
  sockaddr_in result{};
  result.sin_family = AF_INET;
  result.sin_port = htons(static_cast<std::uint16_t>(port));
  result.sin_addr.s_addr = address;
  return result;
}

}  // namespace

std::uint32_t LoopbackAddress(std::uint32_t last) {
  return htonl(0x7F000000u | (last & 0x00FFFFFFu));
}

std::uint32_t Ipv4Address(const char* dotted) {
  in_addr address{};
  return inet_pton(AF_INET, dotted, &address) == 1 ? address.s_addr : 0;
}

std::uint32_t AnyAddress() {
  return htonl(INADDR_ANY);
}

bool UdpPortFree(int port) {
  const int handle = ::socket(AF_INET, SOCK_DGRAM, 0);
  const sockaddr_in address = SocketAddress(AnyAddress(), port);
  const bool free =
      ::bind(handle, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  ::close(handle);
  return free;
}

int FreeUdpPorts(int count) {
  static std::mt19937 random{std::random_device{}()};
  std::uniform_int_distribution<int> pick(20000, 60000 - count);
  for (int attempt = 0; attempt < 200; ++attempt) {
    const int base = pick(random);
    bool all = true;
    for (int i = 0; i < count && all; ++i) all = UdpPortFree(base + i);
    if (all) return base;
  }
  return 0;
}

bool WaitReadable(int handle, std::chrono::milliseconds wait) {
  pollfd entry{handle, POLLIN, 0};
  return ::poll(&entry, 1, static_cast<int>(wait.count())) == 1;
}

LoopbackPeer::LoopbackPeer(int port, std::uint32_t address, PortSharing sharing)
    : m_handle(::socket(AF_INET, SOCK_DGRAM, 0)) {
  if (m_handle < 0) return;
  if (sharing == PortSharing::kShared) {
    const int one = 1;
    ::setsockopt(m_handle, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  }
  sockaddr_in bound = SocketAddress(address, port);
  m_bound = ::bind(m_handle, reinterpret_cast<sockaddr*>(&bound), sizeof bound) == 0;
  socklen_t length = sizeof bound;
  if (m_bound && ::getsockname(m_handle, reinterpret_cast<sockaddr*>(&bound), &length) == 0) {
    m_port = ntohs(bound.sin_port);
  }
}

LoopbackPeer::~LoopbackPeer() {
  if (m_handle >= 0) ::close(m_handle);
}

bool LoopbackPeer::SendTo(int port, const std::string& bytes, std::uint32_t address) {
  const sockaddr_in to = SocketAddress(address, port);
  return ::sendto(m_handle, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&to),
                  sizeof to) == static_cast<ssize_t>(bytes.size());
}

bool LoopbackPeer::Receive(std::string& bytes, std::chrono::milliseconds wait, UdpSource* source) {
  if (m_handle < 0 || !WaitReadable(m_handle, wait)) return false;
  return Next(bytes, source);
}

bool LoopbackPeer::Next(std::string& bytes, UdpSource* source) {
  thread_local char buffer[70000];  // above the largest UDP datagram
  sockaddr_in from{};
  socklen_t length = sizeof from;
  const ssize_t count = ::recvfrom(m_handle, buffer, sizeof buffer, MSG_DONTWAIT,
                                   reinterpret_cast<sockaddr*>(&from), &length);
  if (count < 0) return false;
  bytes.assign(buffer, static_cast<std::size_t>(count));
  if (source != nullptr) {
    source->address = from.sin_addr.s_addr;
    source->port = ntohs(from.sin_port);
  }
  return true;
}

std::vector<std::string> LoopbackPeer::TakeWaiting() {
  std::vector<std::string> all;
  for (std::string bytes; Next(bytes);) all.push_back(bytes);
  return all;
}
