#include "LocalSocket.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace Platform {
namespace {

constexpr int kBacklog = 16;

bool MakeAddress(const char* path, sockaddr_un* address) {
  std::memset(address, 0, sizeof *address);
  address->sun_family = AF_UNIX;
  const std::size_t length = std::strlen(path);
  if (length == 0 || length >= sizeof address->sun_path) return false;
  std::memcpy(address->sun_path, path, length + 1);
  return true;
}

// Somebody answers at the socket file: a live listener.
bool SomebodyListens(const sockaddr_un& address) {
  const int probe = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (probe < 0) return false;
  const bool answered =
      connect(probe, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  close(probe);
  return answered;
}

}  // namespace

LocalListener::LocalListener() : m_fd(-1), m_path(), m_error() {}

LocalListener::~LocalListener() {
  Close();
}

bool LocalListener::Fail(const char* what, int error) {
  std::snprintf(m_error, sizeof m_error, "%s%s%s", what, error != 0 ? ": " : "",
                error != 0 ? std::strerror(error) : "");
  if (m_fd >= 0) close(m_fd);
  m_fd = -1;
  m_path[0] = '\0';
  return false;
}

bool LocalListener::Listen(const char* path, unsigned mode) {
  Close();
  sockaddr_un address;
  if (!MakeAddress(path, &address)) {
    return Fail("a socket's path is 1 to 107 characters", 0);
  }
  struct stat found {};
  if (lstat(path, &found) == 0) {
    if (!S_ISSOCK(found.st_mode)) {
      return Fail("something that is not a socket is there", 0);
    }
    if (SomebodyListens(address)) {
      return Fail("another program (a station?) listens there", 0);
    }
    // Left by a station that ended without removing it: nobody serves it.
    if (unlink(path) != 0 && errno != ENOENT) {
      return Fail("the socket left there cannot be removed", errno);
    }
  } else if (errno != ENOENT) {
    return Fail("cannot look there", errno);
  }
  m_fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (m_fd < 0) return Fail("no socket", errno);
  // The file is made with the umask's mode; none wider than asked for
  // exists even for a moment.
  const mode_t before = umask(static_cast<mode_t>(~mode & 0777));
  const int bound = bind(m_fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
  const int bindError = errno;
  umask(before);
  if (bound != 0) return Fail("cannot make the socket", bindError);
  std::memcpy(m_path, address.sun_path, sizeof m_path);
  if (chmod(path, static_cast<mode_t>(mode)) != 0 || listen(m_fd, kBacklog) != 0) {
    const int error = errno;
    unlink(path);
    return Fail("cannot listen", error);
  }
  m_error[0] = '\0';
  return true;
}

int LocalListener::Accept(PeerCredentials* peer) {
  if (m_fd < 0) return -1;
  const int client = accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
  if (client < 0) {
    if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
      std::snprintf(m_error, sizeof m_error, "cannot take a connection: %s", std::strerror(errno));
    }
    return -1;
  }
  if (peer != nullptr) {
    ucred credentials{};
    socklen_t size = sizeof credentials;
    if (getsockopt(client, SOL_SOCKET, SO_PEERCRED, &credentials, &size) == 0) {
      peer->uid = static_cast<int>(credentials.uid);
      peer->pid = static_cast<int>(credentials.pid);
    }
  }
  return client;
}

void LocalListener::Close() {
  if (m_fd < 0) return;
  close(m_fd);
  m_fd = -1;
  if (m_path[0] != '\0') unlink(m_path);
  m_path[0] = '\0';
}

long ReadSome(int fd, char* buffer, long size) {
  const ssize_t got = recv(fd, buffer, static_cast<std::size_t>(size), MSG_DONTWAIT);
  if (got >= 0) return static_cast<long>(got);
  return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR ? kWouldBlock : kStreamFailed;
}

long WriteSome(int fd, const char* data, long size) {
  const ssize_t put = send(fd, data, static_cast<std::size_t>(size), MSG_NOSIGNAL | MSG_DONTWAIT);
  if (put >= 0) return static_cast<long>(put);
  return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR ? kWouldBlock : kStreamFailed;
}

void CloseDescriptor(int fd) {
  if (fd >= 0) close(fd);
}

int ConnectLocal(const char* path, bool* nobodyThere, char* error, int errorSize) {
  *nobodyThere = false;
  sockaddr_un address;
  if (!MakeAddress(path, &address)) {
    std::snprintf(error, static_cast<std::size_t>(errorSize),
                  "a socket's path is 1 to 107 characters");
    return -1;
  }
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    std::snprintf(error, static_cast<std::size_t>(errorSize), "%s", std::strerror(errno));
    return -1;
  }
  if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    const int failure = errno;
    close(fd);
    *nobodyThere = failure == ENOENT || failure == ECONNREFUSED;
    std::snprintf(error, static_cast<std::size_t>(errorSize), "%s", std::strerror(failure));
    return -1;
  }
  return fd;
}

int WaitReadable(int fd, int milliseconds) {
  pollfd watched{fd, POLLIN, 0};
  const int result = poll(&watched, 1, milliseconds);
  if (result < 0) return errno == EINTR ? -1 : 1;  // a broken descriptor reads as its error
  return result > 0 ? 1 : 0;
}

bool WaitForDescriptors(WaitedDescriptor* descriptors, int count, std::int64_t nanoseconds) {
  constexpr int kMost = 64;
  pollfd watched[kMost];
  const int used = count < kMost ? count : kMost;
  for (int i = 0; i < used; ++i) {
    watched[i].fd = descriptors[i].fd;
    watched[i].events = static_cast<short>((descriptors[i].read ? POLLIN : 0) |
                                           (descriptors[i].write ? POLLOUT : 0));
    watched[i].revents = 0;
  }
  if (nanoseconds < 0) nanoseconds = 0;
  const timespec limit{static_cast<time_t>(nanoseconds / 1000000000),
                       static_cast<long>(nanoseconds % 1000000000)};
  const int result = ppoll(watched, static_cast<nfds_t>(used), &limit, nullptr);
  for (int i = 0; i < used; ++i) {
    const short events = result > 0 ? watched[i].revents : 0;
    descriptors[i].readable = (events & (POLLIN | POLLHUP | POLLERR | POLLNVAL)) != 0;
    descriptors[i].writable = (events & (POLLOUT | POLLERR)) != 0;
  }
  return result != 0;
}

}  // namespace Platform
