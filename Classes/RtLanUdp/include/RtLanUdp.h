#pragma once
// One IPv4 UDP socket of the simulator LAN, bound to a local port, with the
// address record the next datagram goes to and the text of the last failure.
// Addresses are 32-bit values in network order; ports are given in host order
// and kept in network order. Sends and receives block unless the owner makes
// the socket non-blocking: callers ask BytesAvailable before they receive.
// An object without a socket (never created, or creation failed) holds
// handle 0 and never passes it to a socket call: every operation fails.

#include <cstdint>
#include <string>

#include "Clock.h"
#include "QM_ErrorReport.h"
#include "SocketApi.h"

// Starts the process's socket environment with the first instance and
// releases it with the last one.
class CSocketEnvironment : public QM_ErrorReport {
 public:
  CSocketEnvironment();
  virtual ~CSocketEnvironment();
  CSocketEnvironment(const CSocketEnvironment&) = delete;
  CSocketEnvironment& operator=(const CSocketEnvironment&) = delete;

  // Live environments in the process.
  static int EnvironmentCount() { return s_environmentCount; }

  static constexpr std::uint16_t kVersion = 0x0202;

 private:
  static int s_environmentCount;
};

class CUDP : public CSocketEnvironment {
 public:
  CUDP();
  ~CUDP() override;

  // Opens, binds (SO_REUSEADDR, so several sockets may share a port) and
  // sizes the socket; false with the failing step's text in the error base.
  virtual bool CreateSocket(std::uint16_t localPort, std::uint16_t remotePort,
                            std::uint32_t bindAddress);
  // Stores the time-out and gives it to the socket. True means FAILURE here
  // (also without a socket).
  virtual bool SetTimeout(int milliseconds);
  // The size of the next waiting datagram; 0 when nothing waits or the query failed.
  virtual unsigned long BytesAvailable();
  // Address 0 reuses the address record (bind address and local port after
  // CreateSocket, the last sender after a Receive). Length 0 sends the text
  // without its terminator. Bytes sent or -1 (m_lastError then names the error).
  virtual int Send(const char* data, std::uint32_t address, int length);
  // As Send, to the address (not 0) at a host-order port of its own (1 to
  // 65535) instead of the remote port; the address record stays as it was.
  // 0 without data, address or port.
  int SendTo(const char* data, std::uint32_t address, int port, int length);
  // To a dotted address or a host name at the remote port; -1 when the name
  // does not resolve.
  virtual int SendToHost(const char* data, const char* host, int length);
  // Sends a message too large for one datagram in fragments of the send
  // buffer's size, each but the last ending in a 0xFF marker; length 0
  // counts the text's terminator. The bytes the sends reported, or -1.
  virtual int SendLarge(const char* data, std::uint32_t address, int length);
  // One datagram into the buffer (at most size bytes); `address` receives the
  // sender. A socket made with remote port 0 adopts the first sender's port.
  virtual int Receive(std::uint32_t* address, char* buffer, bool clearAddress, int size);
  // As Receive, but the datagram stays queued and nothing is adopted.
  virtual int Peek(std::uint32_t* address, char* buffer, bool clearAddress, int size);
  // Reassembles a message sent by SendLarge into LargeMessage(), which holds
  // it until the next call. Returns the message's length less one (for a text
  // sent with its terminator, the text's length); 0 when no fragment comes
  // within the time-out, also part-way through a message. A message this
  // socket can tell did not arrive whole (it dropped a fragment for want of
  // room, a fragment came from another sender, was cut or was marked but
  // short) is -1, with the reason in the error text. On 0 and -1 the
  // caller's buffer and LargeMessage() are emptied. A buffer smaller than
  // the socket buffer makes this a plain Receive.
  virtual int ReceiveLarge(std::uint32_t* address, char* buffer, bool clearAddress, int size);
  // The last send failure or message ReceiveLarge could not take whole, or else
  // the failure of CreateSocket; at most 249 characters.
  virtual const char* GetErrorText();

  // One-port form: the port is both the remote port and the bound port; only
  // the send buffer is sized.
  bool CreateSocket(std::uint16_t port, std::uint32_t bindAddress);
  Platform::SocketHandle GetSocket() const { return m_socket; }
  // Sends and receives fail at once (Winsock error 10035) instead of waiting
  // for room or data; false with the reason in the error base.
  bool SetNonBlocking(bool on);
  // Sends may go to a broadcast address (SO_BROADCAST); without it such a
  // send fails with Winsock error 10013. False with the reason in the error base.
  bool SetBroadcast(bool on);
  // The Winsock number of the last Send's failure; 0 when it succeeded.
  int LastSendError() const { return m_lastSendError; }
  // The last Send's failure in words for a log line: the message table's text,
  // or the system's text and the number in brackets where the table has none.
  void DescribeSendError(char* buffer, int size) const;
  // The message of the last ReceiveLarge, null before the first.
  const char* LargeMessage() const { return m_data; }
  int GetTimeout() const { return m_timeout; }
  // The clock of ReceiveLarge's waits for a fragment; the machine's unless a
  // test gives another, which must outlive the object.
  void SetClock(Platform::Clock& clock) { m_clock = &clock; }
  // Host-order ports as they stand.
  int GetLocalPort() const;
  int GetRemotePort() const;

  static constexpr int kBufferSize = 40960;
  static constexpr int kErrorTextSize = 250;
  static constexpr unsigned char kFragmentMarker = 0xFF;

 private:
  bool OpenSocket();
  // Fills the address record, opens the socket, shares the port and binds it.
  bool OpenAndBind(std::uint16_t networkPort, std::uint32_t bindAddress);
  bool SetSocketOption(Platform::SocketOption option, int value, const char* function);
  void RecordCreateFailure(const char* function);
  void CloseSocket();
  void SetLastSendError(int winsockError);
  // One datagram to the address record given; bytes sent or -1 with the error kept.
  int SendRecord(const char* data, int length, const Platform::SocketAddress& to);
  bool SetMode(Platform::SocketOption option, bool on, const char* function);
  int ReadBufferSize(Platform::SocketOption option);
  // What ReceiveLarge knows of the fragment just received.
  struct FragmentCheck {
    int index = 0;
    int room = 0;
    int received = 0;
    bool truncated = false;
    std::uint32_t dropsBefore = 0;
    Platform::SocketAddress first{};
  };
  bool WaitForFragment(unsigned long* available);
  // Receive, also noting the socket's drop count and whether the datagram was cut.
  int ReceiveCounted(std::uint32_t* address, char* buffer, bool clearAddress, int size,
                     bool* truncated);
  bool FragmentBroken(const FragmentCheck& check, char* reason, int size) const;
  // Releases the message being gathered and empties the caller's buffer.
  void DropMessage(char* buffer);
  int ReceiveIncomplete(char* buffer, const char* reason);

  char m_errorText[kErrorTextSize];
  int m_timeout;
  Platform::Clock* m_clock;
  char* m_data;
  std::uint16_t m_remotePort;
  std::uint16_t m_localPort;
  Platform::SocketHandle m_socket;
  Platform::SocketAddress m_address;
  std::string m_lastError;
  int m_lastSendError;
  // Datagrams the socket had dropped for want of room, as the last receive saw it.
  std::uint32_t m_drops;
};
