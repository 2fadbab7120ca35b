#pragma once
// Where the monitor's datagrams come from: its UDP socket, or in tests a
// source that hands over datagrams at chosen times of a stepped clock.

#include <cstddef>

#include "QM_ErrorReport.h"

class DatagramSource : public QM_ErrorReport {
 public:
  virtual ~DatagramSource() = default;

  // Waits up to timeoutMs for a datagram: 1 when one is waiting, 0 on
  // timeout or when a signal interrupted the wait, -1 on failure.
  virtual int Wait(int timeoutMs) = 0;
  // Takes one waiting datagram without blocking: 1 with its length (which
  // may be 0; a datagram longer than size is cut to size), 0 when none is
  // waiting, -1 on failure.
  virtual int Receive(char* buffer, std::size_t size, std::size_t& length) = 0;
};
