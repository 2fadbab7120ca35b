// tavrion --headless end to end, in network and /dev/shm views of its own
// (the station sends to port 7001 of its destination): no display, its
// datagrams, its counter across restarts, its end on each stop signal, and
// what it tells the service manager.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "LoopbackPeer.h"
#include "PrivateView.h"
#include "SharedSegment.h"
#include "TempDir.h"
#include "TestProcess.h"
#include "VisualShm.h"

namespace {

using namespace std::chrono_literals;

constexpr char kSegment[] = "tavrion-headless-test";

class HeadlessProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string reason;
    if (!InPrivateView(reason)) GTEST_SKIP() << reason;
    m_simulator = std::make_unique<CVisShm>(kSegment);
    VisualBlock& block = m_simulator->GetRecord()->visualBlock;
    block.latitude = 51.4775;
    block.longitude = -0.461389;
    block.heightAgl = 100.0;
    block.altitude = 150.0;
    block.heading = 270.0;
    folder.Write("Offsets.dat", ";\nEGLL|   12.0| London Heathrow\n");
    m_receiver = std::make_unique<LoopbackPeer>(7001);
    ASSERT_TRUE(m_receiver->IsBound());
  }
  void TearDown() override {
    m_simulator.reset();
    Platform::RemoveSharedSegment(kSegment);
  }

  bool Start(TestProcess& station, const std::vector<std::string>& environment = {},
             const std::vector<std::string>& options = {}) {
    ProcessSetup setup = SeparateOutput();
    setup.environment = {"DISPLAY", "WAYLAND_DISPLAY", "RUNTIME_DIRECTORY"};
    setup.environment.insert(setup.environment.end(), environment.begin(), environment.end());
    std::vector<std::string> command = {
        TAVRION_PROGRAM,        "--headless", "-d",      "127.0.0.1", "-s", kSegment, "-C",
        folder.Path().string(), "--view",     "fwd-left"};
    command.insert(command.end(), options.begin(), options.end());
    return station.Start(command, setup);
  }

  // The counter of the next datagram, checked whole: nine fields, each
  // ending in a comma, the forward-left view's heading. 0 when none came.
  int NextCounter(std::chrono::milliseconds wait) {
    std::string text;
    if (!m_receiver->Receive(text, wait)) return 0;
    int counter = 0;
    double lat = 0, lon = 0, alt = 0, heading = 0, tilt = 0, roll = 0;
    long long start = 0, end = 0;
    int length = 0;
    const int fields =
        std::sscanf(text.c_str(), "%d,%lf,%lf,%lf,%lf,%lf,%lf,%lld,%lld,%n", &counter, &lat, &lon,
                    &alt, &heading, &tilt, &roll, &start, &end, &length);
    EXPECT_EQ(fields, 9) << text;
    EXPECT_EQ(static_cast<std::size_t>(length), text.size()) << text;
    EXPECT_NEAR(heading, 250.0, 1e-6) << text;
    return counter;
  }

  // The simulator removes its segment and makes a new one, as a restart of
  // it would.
  void RemakeSegment() {
    m_simulator.reset();
    Platform::RemoveSharedSegment(kSegment);
    m_simulator = std::make_unique<CVisShm>(kSegment);
    VisualBlock& block = m_simulator->GetRecord()->visualBlock;
    block.latitude = 51.0;
    block.longitude = -0.5;
  }

  TempDir folder;

 private:
  std::unique_ptr<CVisShm> m_simulator;
  std::unique_ptr<LoopbackPeer> m_receiver;
};

TEST_F(HeadlessProgram, EndsOnEachStopSignalWithStatusZeroAndGoesOnWithTheCounter) {
  int last = 0;
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
    TestProcess station;
    ASSERT_TRUE(Start(station));
    std::vector<int> counters;
    for (int counter = NextCounter(10s); counter != 0 && counters.size() < 5;
         counter = NextCounter(10s)) {
      counters.push_back(counter);
    }
    ASSERT_EQ(counters.size(), 5u) << station.ErrorOutput();
    ASSERT_TRUE(station.Signal(signal));
    EXPECT_EQ(station.Finish(), 0) << sigabbrev_np(signal) << ": " << station.ErrorOutput();
    for (int counter = NextCounter(200ms); counter != 0; counter = NextCounter(200ms)) {
      counters.push_back(counter);
    }
    for (std::size_t i = 1; i < counters.size(); ++i) EXPECT_EQ(counters[i], counters[i - 1] + 1);
    // Above the run before's last counter: a Google Earth that kept running takes it.
    EXPECT_TRUE(last != 0 || counters.front() == 1510) << counters.front();
    EXPECT_GT(counters.front(), last) << sigabbrev_np(signal);
    last = counters.back();
    EXPECT_NE(station.ErrorOutput().find("tavrion: first datagram sent"), std::string::npos)
        << station.ErrorOutput();
  }
}

// The control socket: in the unit's runtime folder unless given, one
// station's own, removed when it ends.
TEST_F(HeadlessProgram, ItsControlSocketIsItsOwnAndGoesWithIt) {
  const std::string run = folder.File("run");
  ASSERT_EQ(mkdir(run.c_str(), 0750), 0);
  TestProcess station;
  ASSERT_TRUE(Start(station, {"RUNTIME_DIRECTORY=" + run}));
  ASSERT_NE(NextCounter(10s), 0) << station.ErrorOutput();
  struct stat socketFile {};
  ASSERT_EQ(stat((run + "/control").c_str(), &socketFile), 0) << station.ErrorOutput();
  EXPECT_TRUE(S_ISSOCK(socketFile.st_mode));
  EXPECT_EQ(socketFile.st_mode & 0777, 0660u);

  // Another station on the same path, or on a file, is a usage fault.
  folder.Write("notes", "not a socket");
  const struct {
    std::string path;
    const char* refusal;
  } taken[] = {{run + "/control", "another program (a station?) listens there"},
               {folder.File("notes"), "something that is not a socket is there"}};
  for (const auto& given : taken) {
    TestProcess second;
    ASSERT_TRUE(Start(second, {}, {"--port", "7005", "--control", given.path}));
    EXPECT_EQ(second.Finish(), 2) << given.path;
    EXPECT_NE(second.ErrorOutput().find("tavrion: --control: " + given.path + ": " + given.refusal +
                                        "\n"),
              std::string::npos)
        << second.ErrorOutput();
  }
  EXPECT_EQ(folder.Read("notes"), "not a socket");

  ASSERT_TRUE(station.Signal(SIGTERM));
  EXPECT_EQ(station.Finish(), 0) << station.ErrorOutput();
  EXPECT_NE(stat((run + "/control").c_str(), &socketFile), 0) << "left behind";
}

// A socket where the station's notifications arrive, as systemd's would.
class NotifySocket {
 public:
  explicit NotifySocket(const std::string& path) : m_path(path) {
    m_handle = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    m_bound = bind(m_handle, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  }
  ~NotifySocket() { close(m_handle); }
  bool IsBound() const { return m_bound; }
  // The next message within `wait`, empty when none came; each is kept.
  std::string Next(std::chrono::milliseconds wait) {
    if (!WaitReadable(m_handle, wait)) return "";
    char text[512];
    const ssize_t length = recv(m_handle, text, sizeof text, 0);
    if (length <= 0) return "";
    all.emplace_back(text, static_cast<std::size_t>(length));
    return all.back();
  }
  // Waits for `message` among the next few; false when it did not come.
  bool Await(const std::string& message, std::chrono::milliseconds wait) {
    for (int i = 0; i < 50; ++i) {
      const std::string next = Next(wait);
      if (next.empty()) return false;
      if (next == message) return true;
    }
    return false;
  }
  int Count(const std::string& prefix) const {
    return static_cast<int>(std::count_if(
        all.begin(), all.end(), [&](const std::string& one) { return one.rfind(prefix, 0) == 0; }));
  }
  std::vector<std::string> all;

 private:
  std::string m_path;
  int m_handle = -1;
  bool m_bound = false;
};

TEST_F(HeadlessProgram, TellsTheServiceManagerReadyStatusWatchdogWhileFramesRunAndStopping) {
  NotifySocket manager(folder.File("notify"));
  ASSERT_TRUE(manager.IsBound());
  TestProcess station;
  ASSERT_TRUE(Start(station, {"NOTIFY_SOCKET=" + folder.File("notify"), "WATCHDOG_USEC=200000"}));
  ASSERT_TRUE(manager.Await("READY=1", 10s)) << station.ErrorOutput();
  EXPECT_NE(NextCounter(0ms), 0) << "ready only once a datagram has left";
  EXPECT_TRUE(manager.Await("WATCHDOG=1", 2s));

  // A stopped loop pings no more: systemd would restart it.
  ASSERT_TRUE(station.Signal(SIGSTOP));
  std::this_thread::sleep_for(300ms);
  while (!manager.Next(0ms).empty()) {
  }
  EXPECT_EQ(manager.Next(1000ms), "") << "a ping from a stopped station";
  ASSERT_TRUE(station.Signal(SIGCONT));
  EXPECT_TRUE(manager.Await("WATCHDOG=1", 2s));

  ASSERT_TRUE(station.Signal(SIGTERM));
  EXPECT_TRUE(manager.Await("STOPPING=1", 5s));
  EXPECT_EQ(station.Finish(), 0) << station.ErrorOutput();
  EXPECT_EQ(manager.Count("READY=1"), 1);
  EXPECT_GE(manager.Count("STATUS="), 1);
}

TEST_F(HeadlessProgram, AShortWatchdogIntervalStillGetsItsPings) {
  for (const char* interval : {"WATCHDOG_USEC=1999", "WATCHDOG_USEC=1000"}) {
    const std::string path = folder.File(std::string("notify-") + interval);
    NotifySocket manager(path);
    ASSERT_TRUE(manager.IsBound());
    TestProcess station;
    ASSERT_TRUE(Start(station, {"NOTIFY_SOCKET=" + path, interval}));
    EXPECT_TRUE(manager.Await("WATCHDOG=1", 5s)) << interval << ": " << station.ErrorOutput();
    ASSERT_TRUE(station.Signal(SIGTERM));
    EXPECT_EQ(station.Finish(), 0) << station.ErrorOutput();
  }
}

// Sends to a destination with no route fail; a receiver beside it still
// gets its datagrams, which makes the station ready.
TEST_F(HeadlessProgram, AFailingDestinationIsToldOnceAndTheReceiversItReachesMakeItReady) {
  ASSERT_EQ(std::system("ip route add unreachable 127.0.0.9/32 table local"), 0);
  LoopbackPeer receiver(7002);
  ASSERT_TRUE(receiver.IsBound());
  NotifySocket manager(folder.File("notify"));
  TestProcess station;
  ASSERT_TRUE(Start(station, {"NOTIFY_SOCKET=" + folder.File("notify")},
                    {"-d", "127.0.0.9", "-r", "127.0.0.1:7002"}));
  ASSERT_TRUE(manager.Await("READY=1", 10s)) << station.ErrorOutput();
  std::string text;
  EXPECT_TRUE(receiver.Receive(text, 1000ms));
  std::string status;
  for (int i = 0; i < 20 && status.find("(failing: ") == std::string::npos; ++i) {
    status = manager.Next(2s);
  }
  EXPECT_EQ(status.rfind("STATUS=0.0 datagrams/s to 127.0.0.9 (failing: ", 0), 0u) << status;
  EXPECT_NE(status.find("No route to the host), "), std::string::npos) << status;
  EXPECT_NE(status.find("/s left to 1 receiver, airport EGLL"), std::string::npos) << status;

  ASSERT_EQ(std::system("ip route del unreachable 127.0.0.9/32 table local"), 0);
  const std::string recovered = "tavrion: Destination 127.0.0.9:7001: datagrams leave again (";
  for (int i = 0; i < 50 && station.ErrorOutput().find(recovered) == std::string::npos; ++i) {
    std::this_thread::sleep_for(100ms);
  }
  ASSERT_TRUE(station.Signal(SIGTERM));
  EXPECT_EQ(station.Finish(), 0);
  const std::string said = station.ErrorOutput();
  const std::string failing = "tavrion: Destination 127.0.0.9:7001 fails: ";
  EXPECT_NE(said.find(failing), std::string::npos) << said;
  EXPECT_EQ(said.find(failing), said.rfind(failing)) << "told more than once:\n" << said;
  EXPECT_NE(said.find(recovered), std::string::npos) << said;
}

// What a box would say carries its caption, told once, not again after
// the segment comes back.
TEST_F(HeadlessProgram, ItsLinesCarryTheBoxesCaptionOncePerCondition) {
  std::filesystem::remove(folder.File("Offsets.dat"));
  TestProcess station;
  ASSERT_TRUE(Start(station));
  ASSERT_NE(NextCounter(10s), 0) << station.ErrorOutput();
  RemakeSegment();
  const std::string back = "tavrion: Attached again to the simulator's segment";
  for (int i = 0; i < 50 && station.ErrorOutput().find(back) == std::string::npos; ++i) {
    std::this_thread::sleep_for(100ms);
  }
  ASSERT_TRUE(station.Signal(SIGTERM));
  EXPECT_EQ(station.Finish(), 0);
  const std::string said = station.ErrorOutput();
  const std::string missing =
      "tavrion: InitialiseAirportDataBase: InputFileClass::OpenInputFile No such file or "
      "directory ";
  EXPECT_NE(said.find(missing), std::string::npos) << said;
  EXPECT_EQ(said.find(missing), said.rfind(missing)) << "told again:\n" << said;
  EXPECT_NE(said.find(back), std::string::npos) << said;
}

}  // namespace
