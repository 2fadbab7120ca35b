#pragma once
// The station's control socket: a face of the Station for programs and
// engineers (tavrion-ctl, tavrion-web, socat), served on the frame loop's own
// thread between frames (ControlProtocol.h has the protocol).
//
// Served on the loop's thread, not one of its own: the commands are the
// Station's operations, which then need no lock, and the loop waits on the
// socket and the frame's due time together (the pump's wait). Every pass of
// Serve does bounded, non-blocking work: at most a few connections taken, one
// read and a few lines per client, what the client's socket takes of its
// replies. A frame therefore waits for the socket at most one such pass.
//
// At most kControlMostClients at once; one more gets a refusal line and is
// closed. A line longer than kControlLineSize, a client silent for
// kSilentMs without a command (a watcher excepted), and a client whose
// replies pile up unread beyond kMostPending bytes are dropped, each with a
// line in the LAN log that says why; refused connections are counted there
// once a second.

#include <cstdint>
#include <string>

#include "ControlProtocol.h"
#include "LocalSocket.h"
#include "StationObserver.h"

class Station;

namespace Platform {
class Clock;
}

class ControlServer : public StationObserver {
 public:
  static constexpr std::uint32_t kSilentMs = 60000;
  static constexpr std::size_t kMostPending = 65536;
  static constexpr int kErrorSize = 512;

  // The station and the clock must outlive the server.
  ControlServer(Station& station, Platform::Clock& clock);
  ~ControlServer() override;
  ControlServer(const ControlServer&) = delete;
  ControlServer& operator=(const ControlServer&) = delete;

  // Listens at `path` (mode kControlSocketMode). False with the reason in
  // `error`: the path is taken by something else, a live station, or cannot
  // be made.
  bool Open(const char* path, char* error, int errorSize);
  // Every client closed, the socket file removed.
  void Close();
  bool IsOpen() const { return m_listener.IsListening(); }
  const char* Path() const { return m_listener.Path(); }

  // One bounded pass: connections taken, commands read and answered, replies
  // written, faulty clients dropped, the watchers' status once a second.
  void Serve();
  // The descriptors the pump waits on between frames (the listener, every
  // client, for writing where replies wait); how many were written.
  int Descriptors(Platform::WaitedDescriptor* out, int most) const;
  int ClientCount() const;

  // StationObserver: each event to the watchers; the station's end closes
  // the socket.
  void OnStationEvent(const StationEvent& event) override;

 private:
  struct Client {
    int fd = -1;
    Platform::PeerCredentials peer;
    char input[kControlLineSize];
    int inputLength = 0;
    std::string output;
    bool watching = false;
    std::uint32_t lastHeard = 0;
    const char* dropReason = nullptr;  // set: dropped once its last reply is out
  };

  void AcceptClients(std::uint32_t now);
  void ReadClient(Client& client, std::uint32_t now);
  void RunLines(Client& client);
  void Flush(Client& client);
  void Queue(Client& client, const std::string& line);
  void Drop(Client& client, const char* reason);
  void TellRefused(std::uint32_t now);
  void WatchStatus(std::uint32_t now);

  Station& m_station;
  Platform::Clock& m_clock;
  Platform::LocalListener m_listener;
  Client m_clients[kControlMostClients];
  int m_refused;
  std::uint32_t m_refusedSince;
  std::uint32_t m_lastStatus;
};
