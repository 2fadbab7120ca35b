#pragma once
// The monitor's receiving UDP socket. It sets SO_REUSEADDR so that it can
// share the port with a station on the same machine whose receive channel
// also sets it.

#include <cstddef>

#include "DatagramSource.h"

class MonitorSocket : public DatagramSource {
 public:
  MonitorSocket() = default;
  ~MonitorSocket() override;
  MonitorSocket(const MonitorSocket&) = delete;
  MonitorSocket& operator=(const MonitorSocket&) = delete;

  // Binds to the dotted IPv4 address and port (0: a free port). False with
  // the error text naming the address and the system's reason.
  bool Open(const char* address, int port);
  // The port actually bound; 0 before Open.
  int BoundPort() const { return m_port; }

  int Wait(int timeoutMs) override;
  int Receive(char* buffer, std::size_t size, std::size_t& length) override;

 private:
  void Close();
  // "<what> <address>:<port>: <reason>" as the error text.
  void Fail(const char* what, const char* address, int port, const char* reason);

  int m_socket = -1;
  int m_port = 0;
  char m_address[64] = "";
};
