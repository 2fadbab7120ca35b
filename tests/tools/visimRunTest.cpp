#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "ClockFake.h"
#include "SegmentResize.h"
#include "SharedTestSegment.h"
#include "TempDir.h"
#include "VisimDemo.h"
#include "VisimOptions.h"
#include "VisimRun.h"
#include "VisualShm.h"

namespace {

volatile std::sig_atomic_t s_stop = 0;
const char* s_segmentToShrink = nullptr;

// Time moves only when the loop sleeps, by exactly as much as it asks.
using Platform::FakeClock;

TEST(RunVisimFrames, TheDemoRunsForItsDurationAtItsRate) {
  VisualInterfaceRecord record{};
  FakeClock clock;
  VisimDemoSource demo;
  EXPECT_EQ(RunVisimFrames(demo, &record, 60.0, 2.0, clock, nullptr), 121);
  EXPECT_EQ(clock.Nanoseconds(), 2000000000);
  VisimFields expected = VisimDemo::At(2.0);
  EXPECT_EQ(record.visualBlock.longitude, expected.longitude);
  EXPECT_STREQ(record.visualBlock.airportIdent, "EGLL");
}

TEST(RunVisimFrames, AStopRequestEndsTheLoopBeforeTheNextWrite) {
  VisualInterfaceRecord record{};
  FakeClock clock;
  clock.AfterEachSleep([&clock] {
    if (clock.SleepCount() == 10) s_stop = 1;  // the sleep before the tenth frame
  });
  s_stop = 0;
  VisimDemoSource demo;
  EXPECT_EQ(RunVisimFrames(demo, &record, 10.0, 0.0, clock, &s_stop), 9);
  EXPECT_EQ(record.visualBlock.longitude, VisimDemo::At(0.8).longitude);
}

TEST(RunVisimFrames, ALoopHeldUpSkipsTheFramesItMissed) {
  VisualInterfaceRecord record{};
  FakeClock clock;
  clock.AfterEachSleep([&clock] {
    if (clock.SleepCount() == 3)
      clock.AdvanceNanoseconds(5000000000);  // the machine stalled for 5 s
  });
  VisimDemoSource demo;
  long frames = RunVisimFrames(demo, &record, 10.0, 10.0, clock, nullptr);
  EXPECT_LT(frames, 101 - 45);
  EXPECT_GT(frames, 101 - 55);
}

TEST(VisimReplaySource, GivesEachRowOnceAtItsOwnTime) {
  VisimTrack track;
  std::string text = "time_s,lat,view\n0,51,0\n0.5,52,\n0.5,,3\n2,53,4\n";
  ASSERT_TRUE(track.Parse(text.data(), text.size(), "t.csv"));
  VisimReplaySource replay(track);
  VisimFields fields;
  EXPECT_TRUE(replay.FieldsAt(0.0, &fields));
  EXPECT_EQ(fields.latitude, 51.0);
  EXPECT_TRUE(replay.FieldsAt(0.4, &fields));
  EXPECT_EQ(fields.mask, 0u) << "nothing is due between rows";
  EXPECT_TRUE(replay.FieldsAt(0.5, &fields));
  EXPECT_EQ(fields.latitude, 52.0);
  EXPECT_EQ(fields.view, 3) << "the rows due together are merged in order";
  EXPECT_FALSE(replay.FieldsAt(2.0, &fields)) << "the last row ends the replay";
  EXPECT_EQ(fields.view, 4);
}

TEST(RunVisimFrames, AReplayWritesOnlyItsColumnsAndStopsAfterItsLastRow) {
  VisimTrack track;
  std::string text = "time_s,lat\n0,51\n1,52\n";
  ASSERT_TRUE(track.Parse(text.data(), text.size(), "t.csv"));
  VisualInterfaceRecord record{};
  std::memcpy(record.visualBlock.airportIdent, "EGLL", 4);  // as the station leaves it
  FakeClock clock;
  VisimReplaySource replay(track);
  EXPECT_EQ(RunVisimFrames(replay, &record, 10.0, 0.0, clock, nullptr), 11);
  EXPECT_EQ(record.visualBlock.latitude, 52.0);
  EXPECT_STREQ(record.visualBlock.airportIdent, "EGLL");
}

// The program in this process, with its output caught.
struct Outcome {
  int status;
  std::string out;
  std::string err;
};

std::string ReadBack(std::FILE* file) {
  std::rewind(file);
  std::string text;
  char buffer[1024];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, got);
  std::fclose(file);
  return text;
}

Outcome RunInProcess(std::vector<const char*> arguments) {
  arguments.insert(arguments.begin(), "visim");
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  FakeClock clock;
  Outcome outcome;
  outcome.status =
      VisimMain(static_cast<int>(arguments.size()), arguments.data(), out, err, clock, nullptr);
  outcome.out = ReadBack(out);
  outcome.err = ReadBack(err);
  return outcome;
}

TEST(VisimMain, SetsThenDumpsWithoutCountingItself) {
  SharedTestSegment name;
  CVisShm station(name.Name());
  Outcome outcome = RunInProcess(
      {"--segment", name.Name(), "--set", "airport=EGKK", "--set", "height_agl_m=12.5", "--dump"});
  EXPECT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_NE(outcome.out.find("size=15944\nversion=QMXXXX\nversion_ok=yes\nuser_count=1\n"),
            std::string::npos)
      << outcome.out;
  EXPECT_NE(outcome.out.find("airport=EGKK\n"), std::string::npos);
  EXPECT_EQ(station.GetRecord()->visualBlock.heightAgl, 12.5);
  EXPECT_EQ(station.GetRecord()->userCount, 1);
}

TEST(VisimMain, CreatesAndStampsASegmentThatIsNotThereYet) {
  SharedTestSegment name;
  Outcome outcome = RunInProcess({"--segment", name.Name(), "--demo", "--duration", "1"});
  EXPECT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_EQ(name.Size(), 15944);
  CVisShm station(name.Name());
  ASSERT_TRUE(station.IsUsable()) << station.GetErrorText();
  EXPECT_EQ(station.GetRecord()->userCount, 1);
  EXPECT_EQ(station.GetRecord()->visualBlock.longitude, VisimDemo::At(1.0).longitude);
}

TEST(VisimMain, RemovesTheSegmentAndSaysWhenThereIsNone) {
  SharedTestSegment name;
  { CVisShm station(name.Name()); }
  Outcome removed = RunInProcess({"--segment", name.Name(), "--remove"});
  EXPECT_EQ(removed.status, 0) << removed.err;
  EXPECT_EQ(name.Size(), -1);

  Outcome again = RunInProcess({"--segment", name.Name(), "--remove"});
  EXPECT_EQ(again.status, 1);
  EXPECT_EQ(again.err, std::string("visim: cannot remove segment \"") + name.Name() +
                           "\": No such file or directory (Code: 2)\n");
  Outcome dump = RunInProcess({"--segment", name.Name(), "--dump"});
  EXPECT_EQ(dump.status, 1);
  EXPECT_EQ(dump.err, std::string("visim: cannot open segment \"") + name.Name() +
                          "\": No such file or directory (Code: 2)\n");
  EXPECT_EQ(name.Size(), -1) << "a dump never creates the segment";
}

TEST(VisimMain, RefusesASegmentOfAnotherLayoutWithoutWriting) {
  SharedTestSegment name;
  CVisShm station(name.Name());
  VisualInterfaceRecord* record = station.GetRecord();
  record->version[5] = 'Y';
  Outcome outcome = RunInProcess({"--segment", name.Name(), "--set", "view=2"});
  EXPECT_EQ(outcome.status, 1);
  EXPECT_NE(outcome.err.find("Shared Memory Version Mismatch"), std::string::npos);
  EXPECT_EQ(record->visualBlock.viewSelect, 0);
  EXPECT_EQ(record->userCount, 1);
  record->version[5] = 'X';
}

TEST(VisimMain, ABadReplayFileWritesNothingAtAll) {
  SharedTestSegment name;
  TempDir dir;
  std::string file = dir.Write("bad.csv", "time_s,lat\n0,51\n1,52\n2,north\n");
  Outcome outcome =
      RunInProcess({"--segment", name.Name(), "--set", "view=1", "--replay", file.c_str()});
  EXPECT_EQ(outcome.status, 2);
  EXPECT_EQ(outcome.err, "visim: " + file + ":4: lat: \"north\" is not a number\n");
  EXPECT_EQ(name.Size(), -1) << "not even the segment is made";
}

TEST(VisimMain, BadArgumentsAreExplainedWithAPointerToHelp) {
  Outcome outcome = RunInProcess({"--rate", "60"});
  EXPECT_EQ(outcome.status, 2);
  EXPECT_EQ(outcome.err,
            "visim: --rate needs --demo, --replay or --record\nTry 'visim --help' for more "
            "information.\n");
  Outcome help = RunInProcess({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out, VisimUsage());
}

TEST(RunVisimFrames, ARecordShrunkAwayEndsTheLoopAndIsReported) {
  SharedTestSegment name;
  CVisShm segment(name.Name());
  ASSERT_TRUE(segment.IsUsable());
  s_segmentToShrink = name.Name();
  FakeClock clock;
  clock.AfterEachSleep([&clock] {
    if (clock.SleepCount() == 6)
      ResizeSharedSegment(s_segmentToShrink, 0);  // before the sixth frame
  });
  VisimDemoSource demo;
  bool lost = false;
  EXPECT_EQ(RunVisimFrames(demo, segment.GetRecord(), 10.0, 0.0, clock, nullptr, &lost), 5);
  EXPECT_TRUE(lost);
}

}  // namespace
