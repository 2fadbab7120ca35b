#pragma once
// What the station's window tests run it against: the simulator's side of the
// shared segment, a ViewSync receiver, and how the `tavrion` program starts.

#include <chrono>
#include <string>

#include "LoopbackPeer.h"
#include "TestProcess.h"
#include "VisualInterfaceShm.h"

// Creates the segment as the simulator does (zeroed, stamped with the
// layout's version, one user) and removes it again.
class SimulatorSegment {
 public:
  explicit SimulatorSegment(const std::string& name);
  ~SimulatorSegment();
  SimulatorSegment(const SimulatorSegment&) = delete;
  SimulatorSegment& operator=(const SimulatorSegment&) = delete;

  bool IsOpen() const { return m_record != nullptr; }
  VisualInterfaceRecord& Record() { return *m_record; }
  // Read afresh each time: the station changes it from its own process.
  int UserCount() const;

 private:
  std::string m_name;
  VisualInterfaceRecord* m_record = nullptr;
};

// One ViewSync datagram, field by field.
struct ViewSyncDatagram {
  std::string text;
  int counter = 0;
  double latitude = 0, longitude = 0, altitude = 0, heading = 0, tilt = 0, roll = 0;
  long long timeStart = 0, timeEnd = 0;
  int sourcePort = 0;  // the port it was sent from
};

// ViewSync datagrams received on a loopback address (127.0.0.1 unless
// given) at a port the station sends to, parsed field by field.
class ViewSyncReceiver {
 public:
  explicit ViewSyncReceiver(int port, const char* address = "127.0.0.1");

  bool IsOpen() const { return m_peer.IsBound(); }
  // The next datagram within the timeout, parsed; false when none came or it
  // did not parse.
  bool Receive(ViewSyncDatagram& datagram, std::chrono::milliseconds timeout);
  // Drops what is queued, then receives the next datagram sent afterwards.
  bool ReceiveFresh(ViewSyncDatagram& datagram, std::chrono::milliseconds timeout);
  // Receives until `accept` holds for a datagram, within the timeout.
  template <typename Accept>
  bool ReceiveUntil(ViewSyncDatagram& datagram, std::chrono::milliseconds timeout, Accept accept);

 private:
  LoopbackPeer m_peer;
};

// How the window tests start the `tavrion` program: in a working folder, on
// their display, with the desktop's locale (LC_ALL) when one is given.
ProcessSetup StationSetup(const std::string& workingFolder, const std::string& displayName,
                          const std::string& locale = std::string());

template <typename Accept>
bool ViewSyncReceiver::ReceiveUntil(ViewSyncDatagram& datagram, std::chrono::milliseconds timeout,
                                    Accept accept) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (Receive(datagram, left) && accept(datagram)) {
      return true;
    }
  }
  return false;
}
