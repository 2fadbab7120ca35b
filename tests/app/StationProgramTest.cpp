// The built tavrion program's command line, run as a start script would:
// help, version and faults are answered before any display is opened.

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "StationOptions.h"
#include "TestProcess.h"

namespace {

// Runs the program with the arguments on the display given; an empty
// display runs it with none at all.
ProcessResult RunStation(const std::vector<std::string>& arguments, const std::string& display) {
  ProcessSetup setup = SeparateOutput();
  setup.environment = {"WAYLAND_DISPLAY", display.empty() ? "DISPLAY" : "DISPLAY=" + display};
  std::vector<std::string> command = {TAVRION_PROGRAM};
  command.insert(command.end(), arguments.begin(), arguments.end());
  return RunProcess(command, setup);
}

TEST(StationProgram, HelpAndVersionNeedNoDisplay) {
  ProcessResult help = RunStation({"--help"}, "");
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out, StationUsage());
  EXPECT_EQ(help.err, "");

  ProcessResult version = RunStation({"--version"}, "");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("tavrion 1.2\ngit revision ", 0), 0u) << version.out;
  EXPECT_EQ(version.err, "");
}

TEST(StationProgram, ABadCommandLineEndsWithStatusTwoBeforeTheDisplayIsOpened) {
  // A display that does not exist: opening it would end the program otherwise.
  const struct {
    std::vector<std::string> arguments;
    const char* fault;
  } cases[] = {
      {{"--port", "0"}, "--port: '0' is not a port from 1 to 65535"},
      {{"-d", "10.0.0.300", "--connect"},
       "--destination: '10.0.0.300' is not an address of four numbers 0-255 (A.B.C.D)"},
      {{"--frobnicate"}, "unrecognized option '--frobnicate'"},
  };
  for (const auto& [arguments, fault] : cases) {
    ProcessResult result = RunStation(arguments, ":9876");
    EXPECT_EQ(result.status, 2) << arguments[0];
    EXPECT_EQ(result.err,
              std::string("tavrion: ") + fault + "\nTry 'tavrion --help' for more information.\n");
    EXPECT_EQ(result.out, "");
  }
}

TEST(StationProgram, AStopSignalAtItsFirstMomentEndsItWithStatusZero) {
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
    // Blocked and raised before the program is started, the signal is
    // pending from the program's first instruction on.
    TestProcess station;
    ASSERT_TRUE(station.StartFunction(
        [signal] {
          sigset_t blocked;
          sigemptyset(&blocked);
          sigaddset(&blocked, signal);
          sigprocmask(SIG_BLOCK, &blocked, nullptr);
          raise(signal);
          unsetenv("DISPLAY");
          unsetenv("WAYLAND_DISPLAY");
          execl(TAVRION_PROGRAM, TAVRION_PROGRAM, "--segment", "tavrion-test-none", "-d",
                "127.0.0.1", nullptr);
          return 127;
        },
        SeparateOutput()));
    EXPECT_EQ(station.Finish(), 0) << sigabbrev_np(signal) << ": " << station.ErrorOutput();
  }
}

}  // namespace

namespace {

// Unattended, with no destination given and a host name that gives no
// address, there is nowhere to send: the station says so and does not start.
TEST(StationProgram, AnUnattendedStartWithNowhereToSendIsAUsageFault) {
  ProcessSetup setup = SeparateOutput();
  setup.environment = {"WAYLAND_DISPLAY", "DISPLAY"};
  const ProcessResult result = RunProcess(
      {"unshare", "--uts", "--net", "sh", "-c",
       "hostname tavrion-test-no-such-host || exit 77; exec \"$0\" --connect", TAVRION_PROGRAM},
      setup);
  if (result.status == 77 || result.err.find("unshare: ") != std::string::npos) {
    GTEST_SKIP() << "no host name of its own here: " << result.err;
  }
  EXPECT_EQ(result.status, 2) << result.err;
  EXPECT_EQ(result.err,
            "tavrion: --connect: this host's name gives no address to send to: name the "
            "destination with --destination\nTry 'tavrion --help' for more information.\n");
}

}  // namespace
