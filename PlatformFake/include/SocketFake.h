#pragma once
// Socket calls without a network, for tests and fuzzing: datagrams are queued
// by hand for the socket bound to a port, sends are recorded, any call can be
// made to fail with a chosen Winsock error number.

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "SocketApi.h"

namespace Platform {

class FakeSockets : public SocketApi {
 public:
  enum class Call {
    Start,
    Open,
    SetOption,
    GetOption,
    Bind,
    SendTo,
    ReceiveFrom,
    BytesWaiting,
    HostName
  };

  struct Datagram {
    SocketHandle socket;  // the sender (for a recorded send) or the receiver
    SocketAddress peer;   // destination of a send, source of a queued datagram
    std::string bytes;
  };

  // The next `count` calls of that kind fail with the Winsock error number.
  void FailNext(Call call, int winsockError, int count = 1);
  // Every send to that address (network order) and host-order port fails
  // with the Winsock error number, until it is given again with error 0.
  void FailSendsTo(std::uint32_t address, int port, int winsockError);
  // Only the option of that kind fails (SetOption / GetOption).
  void FailOption(SocketOption option, int winsockError);
  // Queues a datagram for the socket bound to the host-order port; false when none is.
  bool Deliver(int port, const std::string& bytes, std::uint32_t sourceAddress = 0x0100007F,
               int sourcePort = 40000);
  // Makes the next BytesWaiting query of every socket fail (the datagram stays).
  void FailBytesWaiting(bool fail) { m_failBytesWaiting = fail; }
  void SetHost(const std::string& name, std::uint32_t address, bool resolves = true);

  const std::vector<Datagram>& Sent() const { return m_sent; }
  void ClearSent() { m_sent.clear(); }
  int OpenSockets() const { return static_cast<int>(m_sockets.size()); }
  int EnvironmentStarts() const { return m_starts; }
  int EnvironmentStops() const { return m_stops; }
  // Host-order port a socket is bound to, 0 when not bound.
  int BoundPort(SocketHandle socket) const;
  int OptionValue(SocketHandle socket, SocketOption option) const;

  int StartEnvironment(std::uint16_t version) override;
  void StopEnvironment() override { ++m_stops; }
  SocketHandle OpenDatagramSocket() override;
  int Close(SocketHandle socket) override;
  int SetOption(SocketHandle socket, SocketOption option, int value) override;
  int GetOption(SocketHandle socket, SocketOption option, int* value) override;
  int Bind(SocketHandle socket, const SocketAddress& address) override;
  int SendTo(SocketHandle socket, const void* data, int length,
             const SocketAddress& destination) override;
  int ReceiveFrom(SocketHandle socket, void* buffer, int size, SocketAddress* source,
                  bool peek) override;
  int ReceiveMessage(SocketHandle socket, void* buffer, int size, SocketAddress* source,
                     ReceiveDetails* details) override;
  int BytesWaiting(SocketHandle socket, unsigned long* count) override;
  bool Readable(SocketHandle socket) override;
  int HostName(char* buffer, int size) override;
  bool ResolveHost(const char* name, std::uint32_t* address) override;
  int LastError() override { return m_lastError; }

 private:
  struct Socket {
    int boundPort = 0;
    std::map<SocketOption, int> options;
    std::deque<Datagram> queue;
  };

  bool Fails(Call call);
  int Fail(int winsockError);
  Socket* Find(SocketHandle socket);

  std::map<SocketHandle, Socket> m_sockets;
  std::map<Call, std::pair<int, int>> m_failures;  // call -> (error, remaining count)
  std::map<SocketOption, int> m_optionFailures;
  std::map<std::pair<std::uint32_t, int>, int> m_destinationFailures;
  std::vector<Datagram> m_sent;
  SocketHandle m_nextHandle = 100;
  int m_lastError = 0;
  int m_starts = 0;
  int m_stops = 0;
  bool m_failBytesWaiting = false;
  std::string m_hostName = "fakehost";
  std::uint32_t m_hostAddress = 0x0100007F;
  bool m_hostResolves = true;
};

}  // namespace Platform
