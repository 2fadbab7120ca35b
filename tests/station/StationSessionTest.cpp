// A whole session of the station with no window code linked: start-up,
// Connect, frames with views and trims, Save, the simulator's segment lost
// and found again, a pause, and the close-down from inside the frame loop.

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "StationRig.h"
#include "Tolerance.h"

namespace {

using StationSession = StationRig;

// The events a face acts on, in the order told; the figures, the lamp and the
// message line come between them.
std::vector<StationEvent::Kind> Milestones(const StationRecorder& events) {
  std::vector<StationEvent::Kind> kinds;
  for (const StationRecorder::Told& one : events.told) {
    switch (one.kind) {
      case StationEvent::kFigures:
      case StationEvent::kLamp:
      case StationEvent::kMessageLine:
      case StationEvent::kTold:
      case StationEvent::kJournal:
        break;
      default:
        kinds.push_back(one.kind);
    }
  }
  return kinds;
}

TEST_F(StationSession, RunsFromStartUpToTheEndWithoutAWindow) {
  Start();
  ASSERT_TRUE(started);
  EXPECT_TRUE(events.Boxes().empty());
  Sim().heightAgl = 120.5;
  Sim().altitude = 300.0;
  Sim().heading = 270.0;
  Sim().latitude = 51.4775;
  Sim().longitude = -0.461389;

  std::unique_ptr<CVisShm> newSimulator;
  int endedInsideEnd = -1;
  // What each datagram carried, by the step after which it arrived.
  struct Datagram {
    int step, counter;
    double latitude, altitude, heading;
  };
  std::vector<Datagram> sent;
  RunConnected([&](int step) {
    for (const std::string& payload : Received()) {
      Datagram one{step - 1, 0, 0.0, 0.0, 0.0};
      std::sscanf(payload.c_str(), "%d,%lf,%*f,%lf,%lf", &one.counter, &one.latitude, &one.altitude,
                  &one.heading);
      sent.push_back(one);
    }
    switch (step) {
      case 5:  // the operator looks 20 degrees right
        pump.Post([this] { station->SelectView(ViewFwdR); });
        break;
      case 7:  // the aircraft is at Gatwick now
        SetAirport("EGKK");
        break;
      case 9:  // two steps up, and saved
        pump.Post([this] {
          station->TrimStep(2);
          station->Save();
        });
        break;
      case 13:  // the simulator removes its segment; the next check finds it gone
        Platform::RemoveSharedSegment(SegmentName().c_str());
        clock.AdvanceMilliseconds(1000);
        break;
      case 19:  // and makes it anew; the next check attaches to it
        newSimulator = std::make_unique<CVisShm>(SegmentName().c_str());
        newSimulator->GetRecord()->visualBlock = Sim();
        newSimulator->GetRecord()->visualBlock.latitude = 48.0;
        clock.AdvanceMilliseconds(1000);
        break;
      case 25:  // paused, and resumed six steps later
      case 31:
        pump.Post([this] { station->Connect(); });
        break;
      case 37:
        pump.Post([&] {
          station->End();
          endedInsideEnd = events.Count(StationEvent::kEnded);
        });
        break;
    }
  });

  // Every datagram one counter on from the last: nothing sent while the
  // segment was away or the frames paused, and the last one on step 36.
  std::vector<int> steps;
  for (std::size_t i = 0; i < sent.size(); ++i) {
    steps.push_back(sent[i].step);
    EXPECT_EQ(sent[i].counter, 1510 + static_cast<int>(i)) << "step " << sent[i].step;
  }
  EXPECT_EQ(steps, (std::vector<int>{2, 4, 6, 8, 10, 12, 20, 22, 24, 32, 34, 36}));
  // Forward at Heathrow, 20 degrees right, at Gatwick, trimmed by a metre,
  // and the new segment's eye point.
  EXPECT_DATAGRAM_VALUE_NEAR(sent[1].heading, 270.0);
  EXPECT_DATAGRAM_VALUE_NEAR(sent[1].altitude, 12.0 + 120.5);
  EXPECT_DATAGRAM_VALUE_NEAR(sent[2].heading, 290.0);
  EXPECT_DATAGRAM_VALUE_NEAR(sent[3].altitude, -3.5 + 120.5);
  EXPECT_DATAGRAM_VALUE_NEAR(sent[4].altitude, -2.5 + 120.5);
  EXPECT_DATAGRAM_VALUE_NEAR(sent[5].latitude, 51.4775);
  EXPECT_DATAGRAM_VALUE_NEAR(sent[6].latitude, 48.0);
  EXPECT_DATAGRAM_VALUE_NEAR(sent[6].altitude, -2.5 + 120.5);

  EXPECT_EQ(folder.Read("Offsets.dat"),
            ";\n"
            ";Airport ground level datum offsets for Google Earth \n"
            "\n"
            "ZZZZ|    0.0| Placeholder\n"
            "EGLL|   12.0| London Heathrow\n"
            "EGKK|   -2.5| London Gatwick\n"
            "LFPG|    5.0| Paris Charles de Gaulle\n");
  EXPECT_EQ(folder.Read("Offsets_old.Dat"), kOffsetsFile);

  std::vector<std::string> lines;
  for (const StationRecorder::Told& one : events.Of(StationEvent::kMessageLine)) {
    lines.push_back(one.text);
  }
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "Offsets saved: 4 airports in " + folder.File("Offsets.dat"),
                       "Simulator segment \"" + SegmentName() +
                           "\" was removed: nothing is sent until the simulator's segment is "
                           "there again",
                       "Attached again to the simulator's segment \"" + SegmentName() + "\"",
                   }));

  using E = StationEvent;
  EXPECT_EQ(Milestones(events),
            (std::vector<StationEvent::Kind>{
                E::kDestination, E::kRecordMapped,         // start-up
                E::kConnected, E::kDestinationLocked,      // Connect, the first frame step
                E::kDatum, E::kViewShown, E::kDatum,       // EGLL, 20 degrees right, EGKK
                E::kDatum, E::kSaved,                      // the trim, Save
                E::kSegment, E::kRecordMapped, E::kSegment,  // lost, attached again
                E::kPaused, E::kPaused,                    // pause, resume
                E::kEnded}));
  // The close-down came once Run had returned, and left nothing behind.
  EXPECT_EQ(endedInsideEnd, 0);
  const StationStatus ended = events.told.back().status;
  EXPECT_TRUE(ended.ending);
  EXPECT_FALSE(ended.connected);
  EXPECT_EQ(ended.segment, SegmentState::kNone);
  EXPECT_EQ(station->GetFrameCount(), 24 + 6 - 1);  // frames 1 to 24 and 31 to 36, from -1
  EXPECT_EQ(clock.Sleeps(), (std::vector<int>{2000}));
  EXPECT_EQ(Record().userCount, 1);
  EXPECT_EQ(newSimulator->GetRecord()->userCount, 1);
}

}  // namespace
