#pragma once
// A station on the bench with its control socket: a real Station over a
// test segment (a "simulator" writing the record), an offsets file in a
// temporary folder, a fake clock and message pump, and its ControlServer
// listening in the folder. Clients are real connections to that socket;
// the server is served by hand (Serve) or by the frame loop's pump.

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <memory>
#include <string>

#include "AirportManager.h"
#include "ClockFake.h"
#include "ControlServer.h"
#include "JsonReader.h"
#include "LocalSocket.h"
#include "LoopbackPeer.h"
#include "MessagePumpFake.h"
#include "SharedSegment.h"
#include "Station.h"
#include "TempDir.h"
#include "VisualShm.h"

inline constexpr char kControlOffsets[] =
    ";\n"
    ";Airport ground level datum offsets for Google Earth \n"
    "\n"
    "EGLL|   12.0| London Heathrow\n"
    "EGKK|   -3.5| London Gatwick\n";

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
  int Descriptor() const { return m_fd; }
  void Send(const std::string& bytes) {
    Platform::WriteSome(m_fd, bytes.data(), static_cast<long>(bytes.size()));
  }
  // What arrived so far, whole lines only; closed: the station ended it.
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
  bool IsClosed() const { return m_closed; }

 private:
  int m_fd = -1;
  std::string m_pending;
  bool m_closed = false;
};

class ControlTest : public ::testing::Test {
 protected:
  ControlTest()
      : m_segmentName("TavrionControlTest-" + std::to_string(::getpid()) + "-" +
                      std::to_string(++s_serial)) {
    AirportManager::ClearTable();
    simulator = std::make_unique<CVisShm>(m_segmentName.c_str());
    clock.SetCounterStep(1000000000 / 60 + 1);
    folder.Write("Offsets.dat", kControlOffsets);
    m_folderText = folder.Path().string();
    StationSettings settings;
    settings.segmentName = m_segmentName.c_str();
    settings.localPort = FreeUdpPorts();
    settings.remotePort = receiver.Port();
    settings.workingFolder = m_folderText.c_str();
    settings.destinationGiven = true;
    const unsigned char loopback[4] = {127, 0, 0, 1};
    std::memcpy(settings.destination, loopback, sizeof loopback);
    station = std::make_unique<Station>(pump, clock, settings);
    server = std::make_unique<ControlServer>(*station, clock);
  }

  ~ControlTest() override {
    server.reset();
    station.reset();
    simulator.reset();
    Platform::RemoveSharedSegment(m_segmentName.c_str());
    AirportManager::ClearTable();
  }

  // The station started, its socket open, and the simulator reporting EGLL
  // at Heathrow (read by one send).
  void StartWithSocket(const std::string& path = std::string()) {
    ASSERT_TRUE(station->Start());
    char error[ControlServer::kErrorSize];
    const std::string socket = path.empty() ? SocketPath() : path;
    ASSERT_TRUE(server->Open(socket.c_str(), error, sizeof error)) << error;
    VisualBlock& block = simulator->GetRecord()->visualBlock;
    block.latitude = 51.4775;
    block.longitude = -0.461389;
    block.altitude = 300.0;
    block.heightAgl = 280.0;
    station->SendViewSync();
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

  // Connect, then the frame loop runs with the socket served between frames
  // until the script ends the station. `script(step)` runs before frame step
  // `step` (1 for the first); after `maxSteps` the station is ended and the
  // test fails.
  void RunConnected(const std::function<void(int)>& script, int maxSteps = 3000) {
    const int readsBeforeFrames = clock.CounterReads() + 1;  // Run's own first read
    int scripted = 0;
    pump.SetIdle([&, readsBeforeFrames] {
      server->Serve();
      const int next = clock.CounterReads() - readsBeforeFrames + 1;
      if (next == scripted) return;
      scripted = next;
      if (next > maxSteps) {
        ADD_FAILURE() << "the station did not end within " << maxSteps << " steps";
        pump.Post([this] { station->End(); });
        return;
      }
      script(next);
    });
    station->Connect();
    pump.SetIdle(nullptr);
  }

  std::string LanLog() const { return folder.Read("QM_RT_LAN_Log.txt"); }
  VisualBlock& Sim() { return simulator->GetRecord()->visualBlock; }
  const std::string& SegmentName() const { return m_segmentName; }

  TempDir folder;
  LoopbackPeer receiver{0, LoopbackAddress(), PortSharing::kShared};
  Platform::FakeMessagePump pump;
  Platform::FakeClock clock;
  std::unique_ptr<CVisShm> simulator;
  std::unique_ptr<Station> station;
  std::unique_ptr<ControlServer> server;

 private:
  static inline std::atomic<int> s_serial{0};
  std::string m_segmentName;
  std::string m_folderText;
};
