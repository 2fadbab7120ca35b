#pragma once
// Local stream sockets (a Unix socket file) for the station's control
// interface, and the wait on several descriptors that lets one thread serve
// them between frames. The listening side is guarded by the file's mode;
// every connection carries the uid and pid of its peer as the kernel tells
// them. All I/O here is non-blocking and never raises SIGPIPE.

#include <cstdint>

namespace Platform {

// Who is at the other end of a local connection.
struct PeerCredentials {
  int uid = -1;
  int pid = -1;
};

class LocalListener {
 public:
  static constexpr int kPathSize = 108;  // a socket file's path, terminator included
  static constexpr int kErrorSize = 256;

  LocalListener();
  ~LocalListener();  // Close()
  LocalListener(const LocalListener&) = delete;
  LocalListener& operator=(const LocalListener&) = delete;

  // Listens at `path` with the file mode `mode` (whatever the umask),
  // non-blocking. A socket file there that nobody listens on (left by a
  // station that was killed) is replaced; anything else at `path` (a file,
  // a folder, a socket somebody listens on) is left alone and refused. False
  // with the reason in Error().
  bool Listen(const char* path, unsigned mode);
  bool IsListening() const { return m_fd >= 0; }
  int Descriptor() const { return m_fd; }
  const char* Path() const { return m_path; }
  const char* Error() const { return m_error; }

  // A waiting connection, non-blocking, with its peer; -1 when none waits
  // (or it could not be taken: Error() says why).
  int Accept(PeerCredentials* peer);
  // Stops listening and removes the socket file it made.
  void Close();

 private:
  bool Fail(const char* what, int error);

  int m_fd;
  char m_path[kPathSize];
  char m_error[kErrorSize];
};

// What a non-blocking read or write came to.
constexpr long kWouldBlock = -1;    // nothing now: try again when ready
constexpr long kStreamFailed = -2;  // the connection is broken

// Up to `size` bytes: their count, 0 at the end of the stream, kWouldBlock
// or kStreamFailed.
long ReadSome(int fd, char* buffer, long size);
// Up to `size` bytes: how many were taken, kWouldBlock or kStreamFailed.
long WriteSome(int fd, const char* data, long size);
void CloseDescriptor(int fd);

// A client's connection to the socket at `path`, blocking; -1 with the reason
// (the system's text) in `error` and whether nobody listens there (no such
// file, or a socket file nobody serves) in `nobodyThere`.
int ConnectLocal(const char* path, bool* nobodyThere, char* error, int errorSize);
// Waits up to `milliseconds` (-1: for ever) for the descriptor to be readable.
// 1 readable, 0 time out, -1 interrupted by a signal.
int WaitReadable(int fd, int milliseconds);

// A descriptor to wait on, what to wait for, and what it became.
struct WaitedDescriptor {
  int fd = -1;
  bool read = false;
  bool write = false;
  bool readable = false;  // also at the end of the stream or on an error
  bool writable = false;
};

// Waits until one of the descriptors is ready or `nanoseconds` have passed;
// true when one is (or a signal came: look again).
bool WaitForDescriptors(WaitedDescriptor* descriptors, int count, std::int64_t nanoseconds);

}  // namespace Platform
