#include "MonitorSocket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "TextFunctions.h"
#include "ValueText.h"

MonitorSocket::~MonitorSocket() {
  Close();
}

void MonitorSocket::Fail(const char* what, const char* address, int port, const char* reason) {
  char text[256];
  SafeFormat(text, sizeof text, "%s %s:%d: %s", what, address, port, reason);
  SetError(text);
}

void MonitorSocket::Close() {
  if (m_socket >= 0) close(m_socket);
  m_socket = -1;
  m_port = 0;
}

bool MonitorSocket::Open(const char* address, int port) {
  Close();
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(static_cast<std::uint16_t>(port));
  if (port < 0 || port > 65535 ||
      Platform::ReadStrictAddress(address, &local.sin_addr.s_addr) !=
          Platform::AddressReading::kRead) {
    Fail("cannot listen on", address, port, "not an IPv4 address and port");
    return false;
  }
  m_socket = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (m_socket < 0) {
    Fail("cannot listen on", address, port, std::strerror(errno));
    return false;
  }
  int on = 1;
  if (setsockopt(m_socket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 ||
      bind(m_socket, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
    Fail("cannot listen on", address, port, std::strerror(errno));
    Close();
    return false;
  }
  sockaddr_in bound{};
  socklen_t length = sizeof bound;
  getsockname(m_socket, reinterpret_cast<sockaddr*>(&bound), &length);
  m_port = ntohs(bound.sin_port);
  SafeCopy(m_address, address, sizeof m_address);
  return true;
}

int MonitorSocket::Wait(int timeoutMs) {
  pollfd waiting{m_socket, POLLIN, 0};
  int ready = poll(&waiting, 1, timeoutMs);
  if (ready < 0 && errno == EINTR) return 0;
  if (ready < 0) {
    Fail("cannot wait for datagrams on", m_address, m_port, std::strerror(errno));
    return -1;
  }
  return ready > 0 ? 1 : 0;
}

int MonitorSocket::Receive(char* buffer, std::size_t size, std::size_t& length) {
  length = 0;
  ssize_t got = recv(m_socket, buffer, size, MSG_DONTWAIT);
  if (got < 0) {
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return 0;
    Fail("cannot receive on", m_address, m_port, std::strerror(errno));
    return -1;
  }
  length = static_cast<std::size_t>(got);
  return 1;
}
