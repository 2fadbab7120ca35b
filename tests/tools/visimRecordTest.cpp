// visim --record: a segment of the test's own written by the demo flight on
// a stepped clock, recorded, replayed into a second segment and compared;
// the recorded segment's bytes and user count untouched.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "ClockFake.h"
#include "ProcessLimits.h"
#include "SharedTestSegment.h"
#include "TempDir.h"
#include "VisimDemo.h"
#include "VisimRecorder.h"
#include "VisimRun.h"
#include "VisimTrack.h"
#include "VisualShm.h"

namespace {

using Platform::FakeClock;

double Seconds(const FakeClock& clock) {
  return static_cast<double>(clock.Nanoseconds()) / 1e9;
}

// The simulator's side of a segment: the demo flight written at `rate`
// whenever the recorder's clock has passed its next frame.
class DemoSimulator {
 public:
  DemoSimulator(CVisShm& shm, FakeClock& clock, double rate) : m_shm(shm), m_rate(rate) {
    clock.AfterEachSleep([this, &clock] { CatchUp(Seconds(clock)); });
    CatchUp(0.0);
  }
  void CatchUp(double seconds) {
    for (; m_next / m_rate <= seconds + 1e-9; ++m_next) {
      ASSERT_TRUE(WriteVisimFields(VisimDemo::At(m_next / m_rate), m_shm.GetRecord()));
    }
  }

 private:
  CVisShm& m_shm;
  double m_rate;
  int m_next = 0;
};

TEST(VisimRecord, RecordsEveryChangeOnceWithoutTouchingTheSegment) {
  SharedTestSegment name;
  CVisShm simulator(name.Name());
  ASSERT_TRUE(simulator.IsUsable()) << simulator.GetErrorText();
  FakeClock clock;
  DemoSimulator demo(simulator, clock, 10.0);
  std::vector<char> before(kVisualInterfaceSize);

  TempDir dir;
  VisimSegmentReader segment;
  VisimTrackWriter track;
  ASSERT_TRUE(segment.Open(name.Name())) << segment.GetErrorText();
  ASSERT_TRUE(track.Open(dir.File("flight.csv").c_str())) << track.GetErrorText();
  std::memcpy(before.data(), simulator.GetRecord(), before.size());
  const char* error = "";
  // Polled at 60 Hz for 2 s while the demo writes 10 frames a second.
  ASSERT_EQ(RunVisimRecorder(segment, track, 60.0, 2.0, clock, nullptr, &error), 0) << error;
  EXPECT_EQ(track.Rows(), 21) << "one row a change, not one a poll";
  EXPECT_EQ(simulator.GetRecord()->userCount, 1) << "the recorder is no user";

  // Apart from the demo's fields, nothing in the record changed.
  VisualInterfaceRecord expected;
  std::memcpy(&expected, before.data(), before.size());
  WriteVisimFields(VisimDemo::At(2.0), &expected);
  EXPECT_EQ(std::memcmp(&expected, simulator.GetRecord(), sizeof expected), 0);
}

// The flight, the recorder and the replay at their default 60 frames a
// second: the lab's segment gets every state recorded, each for a frame.
TEST(VisimRecord, AReplayOfTheRecordWritesEveryRecordedStateInAFrameOfItsOwn) {
  SharedTestSegment recorded;
  SharedTestSegment replayed;
  TempDir dir;
  const std::string file = dir.File("flight.csv");
  {
    CVisShm simulator(recorded.Name());
    ASSERT_TRUE(simulator.IsUsable());
    FakeClock clock;
    DemoSimulator demo(simulator, clock, 60.0);
    VisimSegmentReader segment;
    VisimTrackWriter track;
    ASSERT_TRUE(segment.Open(recorded.Name()));
    ASSERT_TRUE(track.Open(file.c_str()));
    const char* error = "";
    ASSERT_EQ(RunVisimRecorder(segment, track, 60.0, 3.0, clock, nullptr, &error), 0) << error;
    ASSERT_EQ(track.Rows(), 181) << "every frame of the flight changed the eye point";
  }
  CVisShm station(replayed.Name());
  ASSERT_TRUE(station.IsUsable());
  FakeClock clock;
  int compared = 0;
  // Before replay frame n writes, the record holds the flight's frame n - 1.
  clock.AfterEachSleep([&] {
    const long frame = std::lround(Seconds(clock) * 60.0) - 1;
    if (frame < 0 || frame > 180) return;
    const VisimFields flown = VisimDemo::At(frame / 60.0);
    const VisualBlock& block = station.GetRecord()->visualBlock;
    EXPECT_EQ(block.longitude, flown.longitude) << "frame " << frame;
    EXPECT_EQ(block.altitude, flown.altitude) << "frame " << frame;
    EXPECT_EQ(block.pitch, flown.pitch) << "frame " << frame;
    ++compared;
  });
  VisimTrack track;
  ASSERT_TRUE(track.Open(file.c_str())) << track.GetErrorText();
  VisimReplaySource replay(track, 60.0);
  EXPECT_EQ(RunVisimFrames(replay, station.GetRecord(), 60.0, 0.0, clock, nullptr), 181);
  EXPECT_EQ(compared, 180);
  EXPECT_EQ(station.GetRecord()->visualBlock.longitude, VisimDemo::At(3.0).longitude);
}

TEST(VisimRecord, ARecordingCutByAFullDiskEndsWithItsLastWholeRow) {
  SharedTestSegment name;
  CVisShm simulator(name.Name());
  ASSERT_TRUE(simulator.IsUsable());
  FakeClock clock;
  DemoSimulator demo(simulator, clock, 60.0);
  TempDir dir;
  const std::string file = dir.File("flight.csv");
  VisimSegmentReader segment;
  ASSERT_TRUE(segment.Open(name.Name()));
  VisimTrackWriter track;
  int status = 0;
  std::string error;
  {
    FileSizeLimit full(20000);  // room for a second or two of rows, not for ten
    ASSERT_TRUE(track.Open(file.c_str())) << track.GetErrorText();
    const char* reason = "";
    status = RunVisimRecorder(segment, track, 60.0, 10.0, clock, nullptr, &reason);
    error = reason;
  }
  EXPECT_EQ(status, 1);
  EXPECT_EQ(error, "cannot write " + file + ": File too large");
  const std::string text = dir.Read("flight.csv");
  ASSERT_FALSE(text.empty());
  EXPECT_EQ(text.back(), '\n') << "cut back to the end of a row";
  VisimTrack replay;
  ASSERT_TRUE(replay.Open(file.c_str()) && replay.ReadToEnd()) << replay.GetErrorText();
  EXPECT_STREQ(replay.Notice(), "");
  EXPECT_GT(replay.RowCount(), 60);
}

TEST(VisimRecord, ASegmentItCannotReadIsToldWithTheReason) {
  SharedTestSegment missing;
  SharedTestSegment small;
  ASSERT_EQ(Platform::CreateSharedSegment(small.Name(), 100), 0);
  SharedTestSegment foreign;
  ASSERT_EQ(Platform::CreateSharedSegment(foreign.Name(), kVisualInterfaceSize), 0);
  const struct {
    const char* segment;
    std::string text;
  } cases[] = {
      {missing.Name(), "cannot open segment \"" + std::string(missing.Name()) +
                           "\": No such file or directory (Code: 2)"},
      {small.Name(),
       "segment \"" + std::string(small.Name()) + "\" holds 100 bytes, the record needs 15944"},
      {foreign.Name(), "segment \"" + std::string(foreign.Name()) +
                           "\" is not a visual-interface segment of this layout (its version "
                           "text differs)"},
  };
  for (const auto& c : cases) {
    VisimSegmentReader reader;
    EXPECT_FALSE(reader.Open(c.segment));
    EXPECT_EQ(reader.GetErrorText(), c.text);
  }
  EXPECT_EQ(small.Size(), 100) << "nothing grown or stamped";
}

}  // namespace
