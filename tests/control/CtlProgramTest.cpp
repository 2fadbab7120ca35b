// tavrion-ctl against a station's real control socket: which station it
// reaches, what it prints, and its exit status.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "ControlFixture.h"
#include "CtlProgram.h"

namespace {

class CtlTest : public ControlTest {
 protected:
  struct Run {
    int status;
    std::string out;
    std::string err;
  };

  // tavrion-ctl with these words, the station served meanwhile.
  Run Ctl(std::vector<const char*> words, const volatile std::sig_atomic_t* stop = nullptr) {
    words.insert(words.begin(), "tavrion-ctl");
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    std::atomic<bool> done{false};
    int status = -1;
    std::thread client([&] {
      status = CtlMain(static_cast<int>(words.size()), words.data(), out, err, stop);
      done = true;
    });
    while (!done) {
      server->Serve();
      std::this_thread::yield();
    }
    client.join();
    return {status, Contents(out), Contents(err)};
  }

  static std::string Contents(std::FILE* file) {
    std::string text;
    std::rewind(file);
    for (int c; (c = std::fgetc(file)) != EOF;) text += static_cast<char>(c);
    std::fclose(file);
    return text;
  }
};

TEST_F(CtlTest, SaysWhatTheStationAnsweredAndEndsWithItsStatus) {
  StartWithSocket();
  const std::string socket = SocketPath();
  const std::string nowhere = folder.File("nowhere");
  const struct Case {
    std::vector<const char*> words;
    int status;
    const char* out;  // a part of it
    const char* err;
  } cases[] = {
      {{"--socket", socket.c_str(), "status"},
       0,
       "Airport        EGLL, datum offset 12.00 m\n",
       ""},
      {{"-s", socket.c_str(), "trim", "set", "-2"}, 0, "airport=EGLL offset=-2.00\n", ""},
      {{"--json", "--socket", socket.c_str(), "view", "map"}, 0, "{\"ok\":true}\n", ""},
      {{"--socket", socket.c_str(), "view", "upward"},
       1,
       "",
       "tavrion-ctl: refused: 'upward' is not a view: forward, fwd-left"},
      {{"--json", "--socket", socket.c_str(), "slew", "maybe"},
       1,
       "{\"ok\":false,\"error\":\"slew takes on or off\"}\n",
       "refused: slew takes on or off"},
      {{"--socket", socket.c_str(), "bogus"}, 2, "", "tavrion-ctl: 'bogus' is not a command\n"},
      {{"--socket", socket.c_str()}, 2, "", "tavrion-ctl: a COMMAND is needed\n"},
      {{"--frobnicate", "status"}, 2, "", "unrecognized option '--frobnicate'"},
      {{"--socket", nowhere.c_str(), "status"}, 3, "", "(no station there)\n"},
      {{"--help"}, 0, "  trim up|down|set METRES", ""},
      {{"--version"}, 0, "tavrion-ctl ", ""},
  };
  for (const Case& given : cases) {
    SCOPED_TRACE(given.words.back());
    const Run run = Ctl(given.words);
    EXPECT_EQ(run.status, given.status) << run.err;
    EXPECT_NE(run.out.find(given.out), std::string::npos) << run.out;
    EXPECT_NE(run.err.find(given.err), std::string::npos) << run.err;
  }
  EXPECT_EQ(station->GetViewMode(), ViewMap);
  EXPECT_EQ(station->GetDatumOffset(), -2.0);
}

TEST_F(CtlTest, AnInstanceOrTheOneStationRunningIsFoundInTheRunFolder) {
  const std::string run = folder.File("run");
  std::filesystem::create_directories(run + "/left");
  std::filesystem::create_directories(run + "/right");  // no station in it
  StartWithSocket(run + "/left/control");
  setenv("TAVRION_RUN_DIRECTORY", run.c_str(), 1);
  const Run byName = Ctl({"left", "status"});
  const Run theOnly = Ctl({"status"});
  const Run notThere = Ctl({"right", "status"});
  const Run slashed = Ctl({"../left", "status"});
  unsetenv("TAVRION_RUN_DIRECTORY");
  EXPECT_EQ(byName.status, 0) << byName.err;
  EXPECT_EQ(theOnly.status, 0) << theOnly.err;
  EXPECT_EQ(notThere.status, 3);
  EXPECT_NE(notThere.err.find("/run/right/control: "), std::string::npos) << notThere.err;
  EXPECT_EQ(slashed.status, 2);
}

TEST_F(CtlTest, WatchPrintsEachLineUntilStopped) {
  StartWithSocket();
  volatile std::sig_atomic_t stop = 0;
  std::thread stopper([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    stop = 1;
  });
  const std::string socket = SocketPath();
  const Run run = Ctl({"--socket", socket.c_str(), "watch"}, &stop);
  stopper.join();
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out.rfind("status: 0.0 datagrams/s, counter 1509, lamp grey, airport EGLL 12.00 m, "
                          "view forward\n",
                          0),
            0u)
      << run.out;
}

}  // namespace
