#pragma once
// A station on the bench with its control socket: the station rig (a real
// Station over a test segment, an offsets file in a temporary folder, the
// fake clock and message pump) and its ControlServer listening in the
// folder. Clients are real connections to that socket; the server is served
// by hand (Serve) or between frames, as the station's pump does.

#include <memory>
#include <string>

#include "ControlServer.h"
#include "JsonReader.h"
#include "LocalSocket.h"
#include "StationRig.h"

// One client of the socket, as tavrion-ctl or socat would be.
class ControlClient {
 public:
  explicit ControlClient(const char* path) {
    bool nobody = false;
    char error[128];
    m_fd = Platform::ConnectLocal(path, &nobody, error, sizeof error);
  }
  ~ControlClient() { Platform::CloseDescriptor(m_fd); }
  ControlClient(const ControlClient&) = delete;
  ControlClient& operator=(const ControlClient&) = delete;

  bool IsConnected() const { return m_fd >= 0; }
  void Send(const std::string& bytes) {
    Platform::WriteSome(m_fd, bytes.data(), static_cast<long>(bytes.size()));
  }
  // What arrived so far, whole lines only.
  std::string TakeLines() {
    char buffer[8192];
    for (;;) {
      const long got = Platform::ReadSome(m_fd, buffer, sizeof buffer);
      if (got <= 0) {
        m_closed = got == 0 || got == Platform::kStreamFailed;
        break;
      }
      m_pending.append(buffer, static_cast<std::size_t>(got));
    }
    const std::size_t end = m_pending.rfind('\n');
    if (end == std::string::npos) return std::string();
    std::string lines = m_pending.substr(0, end + 1);
    m_pending.erase(0, end + 1);
    return lines;
  }
  // The station closed the connection.
  bool IsClosed() const { return m_closed; }

 private:
  int m_fd = -1;
  std::string m_pending;
  bool m_closed = false;
};

class ControlTest : public StationRig {
 protected:
  // The station started, its socket open (at `path`, or in the folder), and
  // the simulator reporting EGLL at Heathrow (read by one send).
  void StartWithSocket(const std::string& path = std::string()) {
    Start();
    ASSERT_TRUE(started);
    server = std::make_unique<ControlServer>(*station, clock);
    betweenFrames = [this] { server->Serve(); };
    char error[ControlServer::kErrorSize];
    const std::string socket = path.empty() ? SocketPath() : path;
    ASSERT_TRUE(server->Open(socket.c_str(), error, sizeof error)) << error;
    Sim().latitude = 51.4775;
    Sim().longitude = -0.461389;
    Sim().altitude = 300.0;
    Sim().heightAgl = 280.0;
    Send();
  }

  std::string SocketPath() const { return folder.File("control"); }

  // A command's one-line reply, the server served until it came.
  std::string Ask(ControlClient& client, const std::string& line) {
    client.Send(line + "\n");
    std::string reply;
    for (int pass = 0; pass < 50 && reply.empty(); ++pass) {
      server->Serve();
      reply = client.TakeLines();
    }
    if (!reply.empty() && reply.back() == '\n') reply.pop_back();
    return reply;
  }

  static JsonValue Parse(const std::string& text) {
    JsonValue value;
    std::string fault;
    EXPECT_TRUE(ReadJson(text, &value, &fault)) << fault << ": " << text;
    return value;
  }

  std::unique_ptr<ControlServer> server;
};
