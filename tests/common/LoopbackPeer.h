#pragma once
// The far end of a network test: a plain UDP socket bound to a loopback
// address, that receives what the code under test sends and sends what it
// should receive. Tests never send anywhere but 127.0.0.0/8, and they take
// free ports away from the station's own 7000 and 7001.

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

// 127.0.0.<last> (any 24 low bits) in network byte order, as sockets take it.
std::uint32_t LoopbackAddress(std::uint32_t last = 1);
// A dotted address in network byte order; 0 when the text is not one.
std::uint32_t Ipv4Address(const char* dotted);
// Every local address (INADDR_ANY), as a program bound to all interfaces holds a port.
std::uint32_t AnyAddress();

// True when a plain socket (no address sharing) can bind the port on every
// address, that is, when no socket holds it.
bool UdpPortFree(int port);
// The first of `count` consecutive ports that are all free, away from the
// station's 7000 and 7001; 0 when none were found.
int FreeUdpPorts(int count = 1);
// Waits until the socket has something to read; false when nothing came in time.
bool WaitReadable(int handle, std::chrono::milliseconds wait);

// Whether a second socket may bind the same address and port (SO_REUSEADDR).
enum class PortSharing { kExclusive, kShared };

// Where a datagram came from.
struct UdpSource {
  std::uint32_t address = 0;  // network byte order
  int port = 0;
};

class LoopbackPeer {
 public:
  // How long a test waits for a datagram that is on its way: loopback
  // delivers within the sender's call, so this only bounds a sender that
  // runs on another thread or in another process.
  static constexpr std::chrono::milliseconds kArrival{3000};

  // Bound to `address` (127.0.0.1 unless given) at `port` (0: a free port
  // the system picks).
  explicit LoopbackPeer(int port = 0, std::uint32_t address = LoopbackAddress(),
                        PortSharing sharing = PortSharing::kExclusive);
  ~LoopbackPeer();
  LoopbackPeer(const LoopbackPeer&) = delete;
  LoopbackPeer& operator=(const LoopbackPeer&) = delete;

  bool IsBound() const { return m_bound; }
  int Port() const { return m_port; }
  int Handle() const { return m_handle; }

  bool SendTo(int port, const std::string& bytes, std::uint32_t address = LoopbackAddress());
  // The next datagram within `wait`; false when none came.
  bool Receive(std::string& bytes, std::chrono::milliseconds wait = kArrival,
               UdpSource* source = nullptr);
  // The next datagram already waiting, without waiting for one.
  bool Next(std::string& bytes, UdpSource* source = nullptr);
  // Every datagram already waiting, in arrival order.
  std::vector<std::string> TakeWaiting();
  // Drops what is waiting, so that the next Receive gets a later datagram.
  void DropWaiting() { TakeWaiting(); }

 private:
  int m_handle = -1;
  int m_port = 0;
  bool m_bound = false;
};
