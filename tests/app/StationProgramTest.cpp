// The built tavrion program's command line, run as a start script would:
// help, version and faults are answered before any display is opened.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "StationOptions.h"
#include "TempDir.h"

namespace {

struct Result {
  int status = -1;
  std::string out;
  std::string err;
};

// Runs the program with the arguments (quoted for the shell) on the display
// given; an empty display runs it with none at all.
Result RunStation(const std::string& arguments, const std::string& display) {
  TempDir dir;
  const std::string environment = display.empty()
                                      ? "env -u DISPLAY -u WAYLAND_DISPLAY "
                                      : "env -u WAYLAND_DISPLAY DISPLAY=" + display + " ";
  const std::string command = environment + "timeout -s KILL 20 " + TAVRION_PROGRAM + " " +
                              arguments + " >" + dir.File("out") + " 2>" + dir.File("err");
  const int raw = std::system(command.c_str());
  Result result;
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  result.out = dir.Read("out");
  result.err = dir.Read("err");
  return result;
}

TEST(StationProgram, HelpAndVersionNeedNoDisplay) {
  Result help = RunStation("--help", "");
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out, StationUsage());
  EXPECT_EQ(help.err, "");

  Result version = RunStation("--version", "");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("tavrion 1.2\ngit revision ", 0), 0u) << version.out;
  EXPECT_EQ(version.err, "");
}

TEST(StationProgram, ABadCommandLineEndsWithStatusTwoBeforeTheDisplayIsOpened) {
  // A display that does not exist: opening it would end the program otherwise.
  const char* const cases[][2] = {
      {"--port 0", "--port: '0' is not a port from 1 to 65535"},
      {"-d 10.0.0.300 --connect",
       "--destination: '10.0.0.300' is not an address of four numbers 0-255 (A.B.C.D)"},
      {"--frobnicate", "unrecognized option '--frobnicate'"},
  };
  for (const auto& [arguments, fault] : cases) {
    Result result = RunStation(arguments, ":9876");
    EXPECT_EQ(result.status, 2) << arguments;
    EXPECT_EQ(result.err,
              std::string("tavrion: ") + fault + "\nTry 'tavrion --help' for more information.\n");
    EXPECT_EQ(result.out, "");
  }
}

}  // namespace
