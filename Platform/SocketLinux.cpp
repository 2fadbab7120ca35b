// The socket calls on BSD sockets (IPv4, UDP). The Windows socket environment
// has no counterpart here: its start always succeeds. Linux doubles a socket
// buffer size when it is set and reports the doubled value; the size read
// back here is the size that was set, as the socket wrapper expects.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "SocketApi.h"

namespace Platform {
namespace {

// errno of the last failed call, kept so that nothing in between can change it.
thread_local int t_lastErrno = 0;

int Failed() {
  t_lastErrno = errno;
  return -1;
}

sockaddr_in ToSystem(const SocketAddress& address) {
  sockaddr_in out{};
  out.sin_family = AF_INET;
  out.sin_port = address.port;
  out.sin_addr.s_addr = address.address;
  return out;
}

bool OptionName(SocketOption option, int* name) {
  switch (option) {
    case SocketOption::ReuseAddress:
      *name = SO_REUSEADDR;
      return true;
    case SocketOption::ReceiveBuffer:
      *name = SO_RCVBUF;
      return true;
    case SocketOption::SendBuffer:
      *name = SO_SNDBUF;
      return true;
    case SocketOption::SendTimeout:
      *name = SO_SNDTIMEO;
      return true;
    case SocketOption::ReceiveTimeout:
      *name = SO_RCVTIMEO;
      return true;
    case SocketOption::Broadcast:
      *name = SO_BROADCAST;
      return true;
    case SocketOption::CountDrops:
      *name = SO_RXQ_OVFL;
      return true;
    case SocketOption::NonBlocking:
      return false;  // a file status flag, not a socket option
  }
  return false;
}

bool IsTimeout(SocketOption option) {
  return option == SocketOption::SendTimeout || option == SocketOption::ReceiveTimeout;
}

bool IsBufferSize(SocketOption option) {
  return option == SocketOption::ReceiveBuffer || option == SocketOption::SendBuffer;
}

// The sender's address as the socket layer keeps it.
void FromSystemAddress(const sockaddr_in& system, SocketAddress* address) {
  address->family = kFamilyIPv4;
  address->port = system.sin_port;
  address->address = system.sin_addr.s_addr;
  std::memset(address->zero, 0, sizeof address->zero);
}

class LinuxSockets : public SocketApi {
 public:
  int StartEnvironment(std::uint16_t /*version*/) override { return 0; }
  void StopEnvironment() override {}

  SocketHandle OpenDatagramSocket() override {
    int handle = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
    if (handle < 0) return Failed();
    if (handle == 0) {
      // Handle 0 means "no socket" to the wrapper; move it up.
      int moved = ::fcntl(handle, F_DUPFD_CLOEXEC, 1);
      ::close(handle);
      if (moved < 0) return Failed();
      handle = moved;
    }
    return handle;
  }

  int Close(SocketHandle socket) override { return ::close(socket) == 0 ? 0 : Failed(); }

  int SetOption(SocketHandle socket, SocketOption option, int value) override {
    if (option == SocketOption::NonBlocking) return SetNonBlocking(socket, value != 0);
    int name = 0;
    if (!OptionName(option, &name)) {
      errno = EINVAL;
      return Failed();
    }
    int result;
    if (IsTimeout(option)) {
      timeval time{};
      time.tv_sec = value / 1000;
      time.tv_usec = (value % 1000) * 1000;
      result = ::setsockopt(socket, SOL_SOCKET, name, &time, sizeof time);
    } else {
      result = ::setsockopt(socket, SOL_SOCKET, name, &value, sizeof value);
    }
    return result == 0 ? 0 : Failed();
  }

  int GetOption(SocketHandle socket, SocketOption option, int* value) override {
    if (value != nullptr && option == SocketOption::NonBlocking) {
      int flags = ::fcntl(socket, F_GETFL);
      if (flags < 0) return Failed();
      *value = (flags & O_NONBLOCK) != 0 ? 1 : 0;
      return 0;
    }
    int name = 0;
    if (value == nullptr || !OptionName(option, &name)) {
      errno = EINVAL;
      return Failed();
    }
    if (IsTimeout(option)) {
      timeval time{};
      socklen_t length = sizeof time;
      if (::getsockopt(socket, SOL_SOCKET, name, &time, &length) != 0) return Failed();
      *value = static_cast<int>(time.tv_sec * 1000 + time.tv_usec / 1000);
      return 0;
    }
    int raw = 0;
    socklen_t length = sizeof raw;
    if (::getsockopt(socket, SOL_SOCKET, name, &raw, &length) != 0) return Failed();
    *value = IsBufferSize(option) ? raw / 2 : raw;
    return 0;
  }

  static int SetNonBlocking(SocketHandle socket, bool on) {
    int flags = ::fcntl(socket, F_GETFL);
    if (flags < 0) return Failed();
    flags = on ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK);
    return ::fcntl(socket, F_SETFL, flags) == 0 ? 0 : Failed();
  }

  int Bind(SocketHandle socket, const SocketAddress& address) override {
    sockaddr_in system = ToSystem(address);
    if (::bind(socket, reinterpret_cast<const sockaddr*>(&system), sizeof system) != 0) {
      return Failed();
    }
    return 0;
  }

  int SendTo(SocketHandle socket, const void* data, int length,
             const SocketAddress& destination) override {
    if (length < 0) {
      errno = EINVAL;
      return Failed();
    }
    sockaddr_in system = ToSystem(destination);
    ssize_t sent = ::sendto(socket, data, static_cast<size_t>(length), MSG_NOSIGNAL,
                            reinterpret_cast<const sockaddr*>(&system), sizeof system);
    return sent < 0 ? Failed() : static_cast<int>(sent);
  }

  int ReceiveFrom(SocketHandle socket, void* buffer, int size, SocketAddress* source,
                  bool peek) override {
    if (size < 0) {
      errno = EINVAL;
      return Failed();
    }
    sockaddr_in system{};
    socklen_t length = sizeof system;
    ssize_t received =
        ::recvfrom(socket, buffer, static_cast<size_t>(size), peek ? MSG_PEEK : 0,
                   source != nullptr ? reinterpret_cast<sockaddr*>(&system) : nullptr,
                   source != nullptr ? &length : nullptr);
    if (received < 0) return Failed();
    if (source != nullptr) FromSystemAddress(system, source);
    return static_cast<int>(received);
  }

  int ReceiveMessage(SocketHandle socket, void* buffer, int size, SocketAddress* source,
                     ReceiveDetails* details) override {
    if (size < 0) {
      errno = EINVAL;
      return Failed();
    }
    sockaddr_in system{};
    iovec part{buffer, static_cast<size_t>(size)};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(std::uint32_t))];
    msghdr message{};
    message.msg_name = &system;
    message.msg_namelen = sizeof system;
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    ssize_t received = ::recvmsg(socket, &message, 0);
    if (received < 0) return Failed();
    if (source != nullptr) FromSystemAddress(system, source);
    if (details != nullptr) {
      *details = ReceiveDetails{};
      details->truncated = (message.msg_flags & MSG_TRUNC) != 0;
      // The count comes only once the socket has dropped something.
      for (cmsghdr* header = CMSG_FIRSTHDR(&message); header != nullptr;
           header = CMSG_NXTHDR(&message, header)) {
        if (header->cmsg_level == SOL_SOCKET && header->cmsg_type == SO_RXQ_OVFL) {
          std::memcpy(&details->drops, CMSG_DATA(header), sizeof details->drops);
        }
      }
    }
    return static_cast<int>(received);
  }

  int BytesWaiting(SocketHandle socket, unsigned long* count) override {
    int waiting = 0;
    if (::ioctl(socket, FIONREAD, &waiting) != 0) return Failed();
    *count = waiting > 0 ? static_cast<unsigned long>(waiting) : 0;
    return 0;
  }

  bool Readable(SocketHandle socket) override {
    pollfd entry{};
    entry.fd = socket;
    entry.events = POLLIN;
    return ::poll(&entry, 1, 0) == 1 && (entry.revents & POLLIN) != 0;
  }

  int HostName(char* buffer, int size) override {
    if (buffer == nullptr || size <= 0) {
      errno = EINVAL;
      return Failed();
    }
    if (::gethostname(buffer, static_cast<size_t>(size)) != 0) return Failed();
    buffer[size - 1] = '\0';
    return 0;
  }

  bool ResolveHost(const char* name, std::uint32_t* address) override {
    if (name == nullptr || address == nullptr) return false;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(name, nullptr, &hints, &found) != 0 || found == nullptr) return false;
    *address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
    ::freeaddrinfo(found);
    return true;
  }

  int LastError() override { return WinsockFromErrno(t_lastErrno); }
};

SocketApi* g_installed = nullptr;

struct ErrnoPair {
  int error;
  int winsock;
};

const ErrnoPair kWinsockNumbers[] = {
    {EACCES, kWsaAccess},
    {EFAULT, kWsaFault},
    {EAGAIN, kWsaWouldBlock},  // EWOULDBLOCK on Linux
    {EINPROGRESS, kWsaInProgress},
    {EALREADY, kWsaAlready},
    {EMSGSIZE, kWsaMessageSize},
    {EAFNOSUPPORT, kWsaFamilyNotSupported},
    {EADDRINUSE, kWsaAddressInUse},
    {EADDRNOTAVAIL, kWsaAddressNotAvailable},
    {ENETDOWN, kWsaNetworkDown},
    {ENETUNREACH, kWsaNetworkUnreachable},
    {ECONNABORTED, kWsaConnectionAborted},
    {ECONNRESET, kWsaConnectionReset},
    {ETIMEDOUT, kWsaTimedOut},
    {ECONNREFUSED, kWsaConnectionRefused},
    {EHOSTDOWN, kWsaHostDown},
    {EHOSTUNREACH, kWsaHostUnreachable},
};

}  // namespace

SocketApi& SystemSockets() {
  static LinuxSockets system;
  return system;
}

SocketApi& Sockets() {
  return g_installed != nullptr ? *g_installed : SystemSockets();
}

SocketApi* InstallSockets(SocketApi* api) {
  SocketApi* previous = g_installed;
  g_installed = api;
  return previous;
}

std::uint32_t InetAddr(const char* text) {
  if (text == nullptr) return kAddressNone;
  return ::inet_addr(text);
}

namespace {

// 0 when a datagram socket, with or without SO_BROADCAST, may be connected
// to the address, else the errno: connecting a datagram socket only looks
// the route up.
int ConnectError(std::uint32_t address, bool broadcast) {
  const int handle = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
  if (handle < 0) return errno;
  const int on = broadcast ? 1 : 0;
  ::setsockopt(handle, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
  sockaddr_in target{};
  target.sin_family = AF_INET;
  target.sin_port = htons(9);
  target.sin_addr.s_addr = address;
  const int error =
      ::connect(handle, reinterpret_cast<const sockaddr*>(&target), sizeof target) == 0 ? 0 : errno;
  ::close(handle);
  return error;
}

}  // namespace

bool IsBroadcastAddress(std::uint32_t address) {
  if (address == kAddressNone) return true;  // 255.255.255.255, with or without a route
  // The system refuses a broadcast route to a socket without SO_BROADCAST
  // (EACCES); a route that is prohibited outright is refused either way.
  return ConnectError(address, false) == EACCES && ConnectError(address, true) == 0;
}

std::uint16_t HostToNetwork16(std::uint16_t value) {
  return htons(value);
}
std::uint16_t NetworkToHost16(std::uint16_t value) {
  return ntohs(value);
}

std::uint32_t AddressFromOctets(int first, int second, int third, int fourth) {
  std::uint8_t bytes[4] = {static_cast<std::uint8_t>(first), static_cast<std::uint8_t>(second),
                           static_cast<std::uint8_t>(third), static_cast<std::uint8_t>(fourth)};
  std::uint32_t address = 0;
  std::memcpy(&address, bytes, sizeof address);
  return address;
}

int WinsockFromErrno(int error) {
  for (const ErrnoPair& pair : kWinsockNumbers) {
    if (pair.error == error) return pair.winsock;
  }
  return error;
}

int ErrnoFromWinsock(int error) {
  for (const ErrnoPair& pair : kWinsockNumbers) {
    if (pair.winsock == error) return pair.error;
  }
  return error;
}

const char* SocketErrorText(int winsockError) {
  return std::strerror(ErrnoFromWinsock(winsockError));
}

}  // namespace Platform
