#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "ClockFake.h"
#include "SegmentResize.h"
#include "SharedTestSegment.h"
#include "TempDir.h"
#include "TextFunctions.h"
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

// The frame in which each row of the track (told apart by its view) is
// written, replayed at `rate`.
std::vector<long> FramesOfRows(const std::string& text, double rate) {
  VisimTrack track;
  EXPECT_TRUE(track.OpenText(text.data(), text.size(), "t.csv")) << track.GetErrorText();
  VisimReplaySource replay(track, rate);
  std::vector<long> frames;
  VisimFields fields;
  for (long n = 0; n < 1000; ++n) {
    const bool more = replay.FieldsAt(static_cast<double>(n) / rate, &fields);
    if (fields.mask != 0) {
      EXPECT_EQ(fields.view, static_cast<int>(frames.size())) << "rows in order, none merged";
      frames.push_back(n);
    }
    if (!more) break;
  }
  return frames;
}

TEST(VisimReplaySource, WritesEachRowInAFrameOfItsOwn) {
  const struct {
    const char* what;
    const char* rows;  // time_s,view
    double rate;
    std::vector<long> frames;
  } cases[] = {
      {"recorded at 60 Hz", "0,0\n0.016667,1\n0.033333,2\n0.05,3\n", 60.0, {0, 1, 2, 3}},
      {"60 Hz, to the ms", "0,0\n0.017,1\n0.033,2\n0.05,3\n0.067,4\n", 60.0, {0, 1, 2, 3, 4}},
      {"recorded at 120 Hz", "0,0\n0.008333,1\n0.016667,2\n0.025,3\n", 120.0, {0, 1, 2, 3}},
      {"a pause between rows", "0,0\n1,1\n1.05,2\n", 10.0, {0, 10, 11}},
      {"rows at one time", "0.5,0\n0.5,1\n2,2\n", 10.0, {5, 6, 20}},
      {"rows too close", "0,0\n0.01,1\n0.02,2\n1,3\n", 10.0, {0, 1, 2, 10}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(FramesOfRows(std::string("time_s,view\n") + c.rows, c.rate), c.frames);
  }
}

TEST(VisimReplaySource, TellsHowFarItFellBehindTheRowsTimes) {
  VisimTrack track;
  std::string text = "time_s,view\n0,0\n0.1,1\n0.2,2\n0.3,3\n";
  ASSERT_TRUE(track.OpenText(text.data(), text.size(), "t.csv"));
  VisimReplaySource replay(track, 4.0);  // a frame every 0.25 s
  VisimFields fields;
  for (int n = 0; replay.FieldsAt(n / 4.0, &fields); ++n) {
  }
  EXPECT_DOUBLE_EQ(replay.LagSeconds(), 0.45) << "the last row, due at 0.3 s, written at 0.75 s";
}

TEST(RunVisimFrames, AReplayWritesOnlyItsColumnsAndStopsAfterItsLastRow) {
  VisimTrack track;
  std::string text = "time_s,lat\n0,51\n1,52\n";
  ASSERT_TRUE(track.OpenText(text.data(), text.size(), "t.csv"));
  VisualInterfaceRecord record{};
  std::memcpy(record.visualBlock.airportIdent, "EGLL", 4);  // as the station leaves it
  FakeClock clock;
  VisimReplaySource replay(track, 10.0);
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

// wallNanoseconds: the real-time clock at the start.
Outcome RunInProcess(std::vector<const char*> arguments, std::int64_t wallNanoseconds = 0) {
  arguments.insert(arguments.begin(), "visim");
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  FakeClock clock;
  clock.SetWallClock(wallNanoseconds);
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

// The lines of a write log, each split at its commas.
std::vector<std::vector<std::string>> LogLines(const std::string& text) {
  std::vector<std::vector<std::string>> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    std::vector<std::string> cells;
    std::istringstream cellsIn(line);
    for (std::string cell; std::getline(cellsIn, cell, ',');) cells.push_back(cell);
    lines.push_back(cells);
  }
  return lines;
}

constexpr std::int64_t kWallStart = 1714564800123456789;  // 2024-05-01T12:00:00.123Z

TEST(VisimMain, TheDemosWriteLogHasALinePerWriteWithTheValuesInTheRecord) {
  SharedTestSegment name;
  TempDir dir;
  const std::string log = dir.File("writes.csv");
  Outcome outcome = RunInProcess(
      {"--segment", name.Name(), "--demo", "--duration", "2", "--write-log", log.c_str()},
      kWallStart);
  ASSERT_EQ(outcome.status, 0) << outcome.err;
  const auto lines = LogLines(dir.Read("writes.csv"));
  ASSERT_EQ(lines.size(), 122u) << "the header and a line for each of 121 frames";
  EXPECT_EQ(lines[0],
            (std::vector<std::string>{"realtime_ns", "lat", "lon", "altitude_m", "height_agl_m",
                                      "pitch", "bank", "heading", "view", "time_value"}));
  for (std::size_t frame = 0; frame + 1 < lines.size(); ++frame) {
    SCOPED_TRACE("frame " + std::to_string(frame));
    const auto& cells = lines[frame + 1];
    ASSERT_EQ(cells.size(), 10u);
    const VisimFields flown = VisimDemo::At(static_cast<double>(frame) / 60.0);
    EXPECT_NEAR(std::stoll(cells[0]) - kWallStart, frame * 1e9 / 60.0, 2.0);
    const double values[] = {flown.latitude, flown.longitude, flown.altitude, flown.heightAgl,
                             flown.pitch,    flown.bank,      flown.heading};
    for (int field = 0; field < 7; ++field) {
      EXPECT_EQ(TextToDouble(cells[1 + field].c_str()), values[field])
          << "exactly, field " << field;
    }
    EXPECT_EQ(cells[8], std::to_string(flown.view));
    EXPECT_EQ(cells[9], std::to_string(flown.timeValue));
  }
}

TEST(VisimMain, AReplaysWriteLogTellsWhatTheRecordHeldAfterEachWrite) {
  SharedTestSegment name;
  TempDir dir;
  const std::string track = dir.Write("track.csv", "time_s,lat,view\n0,51,1\n0.1,52.25,\n0.2,,3\n");
  const std::string log = dir.File("writes.csv");
  Outcome outcome =
      RunInProcess({"--segment", name.Name(), "--set", "lon=-0.5", "--set", "time_value=7",
                    "--replay", track.c_str(), "--rate", "30", "--write-log", log.c_str()},
                   kWallStart);
  ASSERT_EQ(outcome.status, 0) << outcome.err;
  // The --set first, then a row at each of frames 0, 3 and 6 (30 a second).
  EXPECT_EQ(dir.Read("writes.csv"),
            "realtime_ns,lat,lon,altitude_m,height_agl_m,pitch,bank,heading,view,time_value\n"
            "1714564800123456789,0,-0.5,0,0,0,0,0,0,7\n"
            "1714564800123456789,51,-0.5,0,0,0,0,0,1,7\n"
            "1714564800223456789,52.25,-0.5,0,0,0,0,0,1,7\n"
            "1714564800323456789,52.25,-0.5,0,0,0,0,0,3,7\n");
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
