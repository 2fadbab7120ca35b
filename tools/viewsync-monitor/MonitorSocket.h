#pragma once
// The monitor's receiving UDP socket. It sets SO_REUSEADDR so that it can
// share the port with a station on the same machine whose receive channel
// also sets it.

#include <cstddef>

#include "QM_ErrorReport.h"

class MonitorSocket : public QM_ErrorReport {
 public:
  MonitorSocket() = default;
  ~MonitorSocket();
  MonitorSocket(const MonitorSocket&) = delete;
  MonitorSocket& operator=(const MonitorSocket&) = delete;

  // Binds to the dotted IPv4 address and port (0: a free port). False with
  // the error text naming the address and the system's reason.
  bool Open(const char* address, int port);
  // The port actually bound; 0 before Open.
  int BoundPort() const { return m_port; }

  // Waits up to timeoutMs for a datagram: 1 when one is waiting, 0 on
  // timeout or when a signal interrupted the wait, -1 on failure.
  int Wait(int timeoutMs);
  // Takes one waiting datagram without blocking: 1 with its length (which
  // may be 0; a datagram longer than size is cut to size), 0 when none is
  // waiting, -1 on failure.
  int Receive(char* buffer, std::size_t size, std::size_t& length);

 private:
  void Close();
  // "<what> <address>:<port>: <reason>" as the error text.
  void Fail(const char* what, const char* address, int port, const char* reason);

  int m_socket = -1;
  int m_port = 0;
  char m_address[64] = "";
};
