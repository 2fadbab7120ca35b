#pragma once
// The socket calls of the simulator LAN layer, behind one small interface so
// that a test can replace them (force a failure with a chosen error number,
// feed datagrams without a network). The station uses the BSD socket
// implementation; nothing above this folder includes a socket header.
//
// Error numbers are given in the Windows Sockets numbering (EHOSTUNREACH is
// 10065 and so on), so the socket wrapper's message table reads the same on
// every platform; an errno without a Winsock counterpart stays as it is.

#include <cstdint>

namespace Platform {

using SocketHandle = int;

// The IPv4 socket address record: 16 bytes, port and address in network order.
struct SocketAddress {
  std::uint16_t family;
  std::uint16_t port;
  std::uint32_t address;
  std::uint8_t zero[8];
};
static_assert(sizeof(SocketAddress) == 16, "the address record is 16 bytes");

constexpr std::uint16_t kFamilyIPv4 = 2;
// inet_addr's answer for a text that is not a dotted address.
constexpr std::uint32_t kAddressNone = 0xFFFFFFFFu;

// NonBlocking is the socket's mode (1 on, 0 off) rather than a socket-level
// option: sends and receives then fail with kWsaWouldBlock instead of waiting.
// Broadcast (1 on) lets sends reach a broadcast address; without it such a
// send fails with kWsaAccess. CountDrops (1 on) makes every receive report
// how many datagrams the socket has dropped for want of buffer room.
enum class SocketOption {
  ReuseAddress,
  ReceiveBuffer,
  SendBuffer,
  SendTimeout,
  ReceiveTimeout,
  NonBlocking,
  Broadcast,
  CountDrops
};

// What a receive learnt beside the bytes.
struct ReceiveDetails {
  // Datagrams the socket had dropped for want of buffer room when this one
  // was queued (0 unless CountDrops is on). The count only grows.
  std::uint32_t drops = 0;
  // The datagram was longer than the buffer and was cut.
  bool truncated = false;
};

// Winsock numbers of the errors the socket wrapper names.
enum WinsockError : int {
  kWsaAccess = 10013,
  kWsaFault = 10014,
  kWsaWouldBlock = 10035,
  kWsaInProgress = 10036,
  kWsaAlready = 10037,
  kWsaMessageSize = 10040,
  kWsaFamilyNotSupported = 10047,
  kWsaAddressInUse = 10048,
  kWsaAddressNotAvailable = 10049,
  kWsaNetworkDown = 10050,
  kWsaNetworkUnreachable = 10051,
  kWsaConnectionAborted = 10053,
  kWsaConnectionReset = 10054,
  kWsaTimedOut = 10060,
  kWsaConnectionRefused = 10061,
  kWsaHostDown = 10064,
  kWsaHostUnreachable = 10065,
};

class SocketApi {
 public:
  virtual ~SocketApi() = default;

  // Start and clean-up of the process's socket environment; 0 on success.
  virtual int StartEnvironment(std::uint16_t version) = 0;
  virtual void StopEnvironment() = 0;

  // An IPv4 datagram socket; -1 on failure. Never 0, which means "no socket".
  virtual SocketHandle OpenDatagramSocket() = 0;
  virtual int Close(SocketHandle socket) = 0;
  // Option values are ints (milliseconds for the time-outs, bytes for the
  // buffers, as set); 0 on success, -1 on failure.
  virtual int SetOption(SocketHandle socket, SocketOption option, int value) = 0;
  virtual int GetOption(SocketHandle socket, SocketOption option, int* value) = 0;
  virtual int Bind(SocketHandle socket, const SocketAddress& address) = 0;
  // Bytes sent or -1.
  virtual int SendTo(SocketHandle socket, const void* data, int length,
                     const SocketAddress& destination) = 0;
  // Bytes received (a longer datagram is cut to size) or -1. `source` may be
  // null; with `peek` the datagram stays queued.
  virtual int ReceiveFrom(SocketHandle socket, void* buffer, int size, SocketAddress* source,
                          bool peek) = 0;
  // As ReceiveFrom without peeking, and says what else the system told.
  virtual int ReceiveMessage(SocketHandle socket, void* buffer, int size, SocketAddress* source,
                             ReceiveDetails* details) = 0;
  // The size of the next waiting datagram (FIONREAD); 0 on success, -1 on failure.
  virtual int BytesWaiting(SocketHandle socket, unsigned long* count) = 0;
  // True when a receive would not block, which also holds for an empty datagram.
  virtual bool Readable(SocketHandle socket) = 0;

  // This host's name; 0 on success, -1 on failure.
  virtual int HostName(char* buffer, int size) = 0;
  // The first IPv4 address of a host name (network order); false when it does not resolve.
  virtual bool ResolveHost(const char* name, std::uint32_t* address) = 0;

  // The Winsock number of the last failed call on this thread.
  virtual int LastError() = 0;
};

// The socket calls in use: the system's unless a test installed others.
SocketApi& Sockets();
// The system's own implementation, for a test that replaces only a few calls.
SocketApi& SystemSockets();
// Installs `api` (null reinstalls the system's); returns the one it replaces.
SocketApi* InstallSockets(SocketApi* api);

// Installs a replacement for the life of the object.
class ScopedSockets {
 public:
  explicit ScopedSockets(SocketApi& api) : m_previous(InstallSockets(&api)) {}
  ~ScopedSockets() { InstallSockets(m_previous); }
  ScopedSockets(const ScopedSockets&) = delete;
  ScopedSockets& operator=(const ScopedSockets&) = delete;

 private:
  SocketApi* m_previous;
};

// inet_addr: the dotted text as a network-order address, kAddressNone when it is not one.
std::uint32_t InetAddr(const char* text);
std::uint16_t HostToNetwork16(std::uint16_t value);
std::uint16_t NetworkToHost16(std::uint16_t value);
// An address in network order from its four bytes, first byte first.
std::uint32_t AddressFromOctets(int first, int second, int third, int fourth);

// True when this host would send to the address (network order) as a
// broadcast: 255.255.255.255, or the broadcast address of one of its
// networks (loopback's 127.255.255.255 too). Asked of the system's routes
// without sending anything.
bool IsBroadcastAddress(std::uint32_t address);

// errno in the Winsock numbering and back.
int WinsockFromErrno(int error);
int ErrnoFromWinsock(int error);
// The standard library's text for a Winsock error number (strerror of its errno).
const char* SocketErrorText(int winsockError);

}  // namespace Platform
