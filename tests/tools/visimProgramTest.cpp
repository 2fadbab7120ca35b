// The built visim program, run as a user would, on segments of the test's own.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "SegmentResize.h"
#include "SharedTestSegment.h"
#include "TempDir.h"
#include "TestProcess.h"
#include "VisualShm.h"

namespace {

std::vector<std::string> Visim(const std::vector<std::string>& arguments) {
  std::vector<std::string> command = {VISIM_PROGRAM};
  command.insert(command.end(), arguments.begin(), arguments.end());
  return command;
}

// Runs visim to its end; one that hangs is killed and fails the test.
ProcessResult RunVisim(const std::vector<std::string>& arguments) {
  return RunProcess(Visim(arguments));
}

// Waits (within the hang guard) until `done` holds.
template <typename Done>
bool WaitUntil(Done done) {
  const auto deadline = std::chrono::steady_clock::now() + TestProcess::kHangGuard;
  while (!done() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return done();
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
  ProcessResult result =
      RunVisim({"--segment", name.Name(), "--rate", "1000", "--replay", dir.File("track.csv")});
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
  ProcessResult unknown = RunVisim({"--demo", "--speed", "3", "--segment", name.Name()});
  EXPECT_EQ(unknown.status, 2);
  EXPECT_EQ(unknown.err,
            "visim: unrecognized option '--speed'\nTry 'visim --help' for more information.\n");

  dir.Write("bad.csv", "time_s,lat\n0,51\n1,52,3\n");
  ProcessResult csv = RunVisim({"--replay", dir.File("bad.csv"), "--segment", name.Name()});
  EXPECT_EQ(csv.status, 2);
  EXPECT_EQ(csv.err, "visim: " + dir.File("bad.csv") + ":3: more than the header's 2 cells\n");
  EXPECT_EQ(name.Size(), -1) << "nothing was attached or created";

  ProcessResult help = RunVisim({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("Usage: visim"), std::string::npos);
}

TEST(VisimProgram, ReplayRefusesWhatIsNotARegularFileInsteadOfWaiting) {
  SharedTestSegment name;
  TempDir dir;
  const std::string fifo = dir.File("track.csv");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  ProcessResult fromFifo = RunVisim({"--replay", fifo, "--segment", name.Name()});
  EXPECT_EQ(fromFifo.status, 1);
  EXPECT_EQ(fromFifo.err, "visim: " + fifo + ": not a regular file (a FIFO)\n");
  ProcessResult fromDevice = RunVisim({"--replay=/dev/zero", "--segment", name.Name()});
  EXPECT_EQ(fromDevice.status, 1);
  EXPECT_EQ(fromDevice.err, "visim: /dev/zero: not a regular file (a character device)\n");
  ProcessResult missing = RunVisim({"--replay", dir.File("none.csv"), "--segment", name.Name()});
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err, "visim: " + dir.File("none.csv") + ": No such file or directory\n");
  EXPECT_EQ(name.Size(), -1) << "nothing was attached or created";
}

TEST(VisimProgram, AnUnusableSegmentIsNamedWithTheReasonAlone) {
  SharedTestSegment name;
  // Zeroed, so without the layout's version text.
  ASSERT_EQ(Platform::CreateSharedSegment(name.Name(), kVisualInterfaceSize), 0);
  ProcessResult result = RunVisim({"--set", "view=1", "--segment", name.Name()});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, "visim: cannot use segment \"" + std::string(name.Name()) +
                            "\": Shared Memory Version Mismatch: Please rebuild software\n");
}

TEST(VisimProgram, VersionNamesTheReleaseAndTheRevision) {
  ProcessResult result = RunVisim({"--version"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out.rfind("visim 1.2\ngit revision ", 0), 0u) << result.out;
}

TEST(VisimProgram, TheDemoRunsUntilSigtermAndThenDetaches) {
  SharedTestSegment name;
  CVisShm station(name.Name());
  ASSERT_TRUE(station.IsUsable());
  VisualInterfaceRecord* record = station.GetRecord();
  ProcessSetup shown;  // what the demo says goes to the test's own log
  shown.output = ProcessOutput::kInherited;
  TestProcess visim(Visim({"--demo", "--segment", name.Name()}), shown);
  // Until the demo is attached and has moved the eye.
  WaitUntil([record] { return record->userCount >= 2 && record->visualBlock.longitude != 0.0; });
  EXPECT_EQ(record->userCount, 2);
  EXPECT_NEAR(record->visualBlock.latitude, 51.4775, 0.01);
  ASSERT_TRUE(visim.Signal(SIGTERM));
  ASSERT_TRUE(visim.WaitForExit(TestProcess::kHangGuard));
  ASSERT_EQ(visim.EndSignal(), 0) << "ended by the signal instead of cleanly";
  EXPECT_EQ(visim.ExitStatus(), 0);
  EXPECT_EQ(record->userCount, 1);
}

TEST(VisimProgram, ASegmentShrunkUnderTheDemoEndsItWithAMessageNotABusError) {
  SharedTestSegment name;
  CVisShm station(name.Name());
  ASSERT_TRUE(station.IsUsable());
  TestProcess visim(Visim({"--demo", "--duration", "60", "--segment", name.Name()}),
                    SeparateOutput());
  VisualInterfaceRecord* record = station.GetRecord();
  ASSERT_TRUE(WaitUntil([record] { return record->userCount >= 2; }));
  ASSERT_EQ(record->userCount, 2);
  ASSERT_TRUE(ResizeSharedSegment(name.Name(), 0));
  ASSERT_TRUE(visim.WaitForExit(TestProcess::kHangGuard));
  ASSERT_EQ(visim.EndSignal(), 0) << "ended by signal " << visim.EndSignal();
  EXPECT_EQ(visim.ExitStatus(), 1);
  EXPECT_EQ(visim.ErrorOutput(), "visim: segment \"" + std::string(name.Name()) +
                                     "\" shrank to 0 bytes under visim, the record needs 15944: "
                                     "stopped writing\n");
}

}  // namespace
