// The built visim program, run as a user would, on segments of the test's own.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "SegmentResize.h"
#include "SharedTestSegment.h"
#include "TempDir.h"
#include "VisualShm.h"

namespace {

struct Result {
  int status;
  std::string out;
  std::string err;
};

// Runs visim with the arguments (already quoted for the shell as needed).
Result RunVisim(const TempDir& dir, const std::string& arguments) {
  // A program that hangs fails the test instead of holding it.
  std::string command = "timeout -s KILL 20 " + std::string(VISIM_PROGRAM) + " " + arguments +
                        " >" + dir.File("out") + " 2>" + dir.File("err");
  int raw = std::system(command.c_str());
  Result result;
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  result.out = dir.Read("out");
  result.err = dir.Read("err");
  return result;
}

TEST(VisimProgram, ReplaysATrackThatTheStationThenReads) {
  SharedTestSegment name;
  TempDir dir;
  CVisShm station(name.Name());
  ASSERT_TRUE(station.IsUsable());
  dir.Write("track.csv",
            "time_s,lat,lon,altitude_m,height_agl_m,pitch,bank,heading,airport,view,time_value,"
            "state_word\n"
            "0,51.4775,-0.4614,30,5,0,0,270,EGLL,0,0,0\n"
            "0.01,51.5,-0.5,1025,1000,2.5,-10,200,ABCDEFGH,3,-1,0xFFFFFF\n");
  Result result = RunVisim(dir, "--segment " + std::string(name.Name()) + " --rate 1000 --replay " +
                                    dir.File("track.csv"));
  ASSERT_EQ(result.status, 0) << result.err;
  const VisualInterfaceRecord& record = *station.GetRecord();
  const VisualBlock& block = record.visualBlock;
  EXPECT_EQ(block.latitude, 51.5);
  EXPECT_EQ(block.longitude, -0.5);
  EXPECT_EQ(block.altitude, 1025.0);
  EXPECT_EQ(block.heightAgl, 1000.0);
  EXPECT_EQ(block.pitch, 2.5);
  EXPECT_EQ(block.bank, -10.0);
  EXPECT_EQ(block.heading, 200.0);
  EXPECT_EQ(block.viewSelect, kSimViewLeftEyePoint);
  EXPECT_EQ(block.timeValue, -1);
  EXPECT_EQ(record.stateWord, kStateWordLinkHeld);
  char ident[kAirportIdentTextSize];
  CopyFieldText(ident, sizeof ident, block.airportIdent);
  EXPECT_STREQ(ident, "ABCDEFGH") << "eight characters fill the field unterminated";
  EXPECT_EQ(record.userCount, 1) << "visim let go of its attachment";
}

TEST(VisimProgram, BadArgumentsAndFilesExitNonZeroWithTheReason) {
  SharedTestSegment name;
  TempDir dir;
  std::string segment = " --segment " + std::string(name.Name());
  Result unknown = RunVisim(dir, "--demo --speed 3" + segment);
  EXPECT_EQ(unknown.status, 2);
  EXPECT_EQ(unknown.err,
            "visim: unrecognized option '--speed'\nTry 'visim --help' for more information.\n");

  dir.Write("bad.csv", "time_s,lat\n0,51\n1,52,3\n");
  Result csv = RunVisim(dir, "--replay " + dir.File("bad.csv") + segment);
  EXPECT_EQ(csv.status, 2);
  EXPECT_EQ(csv.err, "visim: " + dir.File("bad.csv") + ":3: more than the header's 2 cells\n");
  EXPECT_EQ(name.Size(), -1) << "nothing was attached or created";

  Result help = RunVisim(dir, "--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("Usage: visim"), std::string::npos);
}

TEST(VisimProgram, ReplayRefusesWhatIsNotARegularFileInsteadOfWaiting) {
  SharedTestSegment name;
  TempDir dir;
  const std::string fifo = dir.File("track.csv");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::string segment = " --segment " + std::string(name.Name());
  Result fromFifo = RunVisim(dir, "--replay " + fifo + segment);
  EXPECT_EQ(fromFifo.status, 1);
  EXPECT_EQ(fromFifo.err, "visim: " + fifo + ": not a regular file (a FIFO)\n");
  Result fromDevice = RunVisim(dir, "--replay=/dev/zero" + segment);
  EXPECT_EQ(fromDevice.status, 1);
  EXPECT_EQ(fromDevice.err, "visim: /dev/zero: not a regular file (a character device)\n");
  Result missing = RunVisim(dir, "--replay " + dir.File("none.csv") + segment);
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err, "visim: " + dir.File("none.csv") + ": No such file or directory\n");
  EXPECT_EQ(name.Size(), -1) << "nothing was attached or created";
}

TEST(VisimProgram, AnUnusableSegmentIsNamedWithTheReasonAlone) {
  SharedTestSegment name;
  TempDir dir;
  // Zeroed, so without the layout's version text.
  ASSERT_EQ(Platform::CreateSharedSegment(name.Name(), kVisualInterfaceSize), 0);
  Result result = RunVisim(dir, "--set view=1 --segment " + std::string(name.Name()));
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, "visim: cannot use segment \"" + std::string(name.Name()) +
                            "\": Shared Memory Version Mismatch: Please rebuild software\n");
}

TEST(VisimProgram, VersionNamesTheReleaseAndTheRevision) {
  TempDir dir;
  Result result = RunVisim(dir, "--version");
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out.rfind("visim 1.2\ngit revision ", 0), 0u) << result.out;
}

TEST(VisimProgram, TheDemoRunsUntilSigtermAndThenDetaches) {
  SharedTestSegment name;
  CVisShm station(name.Name());
  ASSERT_TRUE(station.IsUsable());
  VisualInterfaceRecord* record = station.GetRecord();
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    execl(VISIM_PROGRAM, VISIM_PROGRAM, "--demo", "--segment", name.Name(),
          static_cast<char*>(nullptr));
    _exit(127);
  }
  // Wait (at most 10 s) until the demo is attached and has moved the eye.
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while ((record->userCount < 2 || record->visualBlock.longitude == 0.0) &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_EQ(record->userCount, 2);
  EXPECT_NEAR(record->visualBlock.latitude, 51.4775, 0.01);
  kill(child, SIGTERM);
  int raw = 0;
  ASSERT_EQ(waitpid(child, &raw, 0), child);
  ASSERT_TRUE(WIFEXITED(raw)) << "ended by the signal instead of cleanly";
  EXPECT_EQ(WEXITSTATUS(raw), 0);
  EXPECT_EQ(record->userCount, 1);
}

TEST(VisimProgram, ASegmentShrunkUnderTheDemoEndsItWithAMessageNotABusError) {
  SharedTestSegment name;
  TempDir dir;
  CVisShm station(name.Name());
  ASSERT_TRUE(station.IsUsable());
  const std::string err = dir.File("err");
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (freopen(err.c_str(), "w", stderr) == nullptr) _exit(126);
    execl(VISIM_PROGRAM, VISIM_PROGRAM, "--demo", "--duration", "60", "--segment", name.Name(),
          static_cast<char*>(nullptr));
    _exit(127);
  }
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (station.GetRecord()->userCount < 2 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ASSERT_EQ(station.GetRecord()->userCount, 2);
  ASSERT_TRUE(ResizeSharedSegment(name.Name(), 0));
  int raw = 0;
  ASSERT_EQ(waitpid(child, &raw, 0), child);
  ASSERT_TRUE(WIFEXITED(raw)) << "ended by signal " << WTERMSIG(raw);
  EXPECT_EQ(WEXITSTATUS(raw), 1);
  EXPECT_EQ(dir.Read("err"), "visim: segment \"" + std::string(name.Name()) +
                                 "\" shrank to 0 bytes under visim, the record needs 15944: "
                                 "stopped writing\n");
}

}  // namespace
