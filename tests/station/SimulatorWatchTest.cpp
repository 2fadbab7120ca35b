// The running station and a simulator that misbehaves: its segment removed
// and made anew, shrunk under the station, values that cannot be sent, data
// that stops moving. Time for the once-a-second checks is the fake clock's
// millisecond timer, moved by the tests.

#include <cmath>
#include <limits>
#include <map>
#include <memory>

#include "QMP0001_02_RtLan.h"
#include "SegmentResize.h"
#include "StationRig.h"
#include "Tolerance.h"

namespace {

class SimulatorWatch : public StationRig {
 protected:
  void SetUp() override {
    Start();
    SetEyePoint(Sim(), 51.4775);
  }

  static void SetEyePoint(VisualBlock& block, double latitude) {
    block.heightAgl = 100.0;
    block.altitude = 150.0;
    block.heading = 90.0;
    block.latitude = latitude;
    block.longitude = -0.5;
  }

  bool Resize(off_t size) { return ResizeSharedSegment(SegmentName(), size); }

  // Counter and latitude of each datagram, by the step after which it arrived.
  struct Sent {
    int counter;
    double latitude;
  };
  std::map<int, Sent> sent;
  void Collect(int step) {
    for (const std::string& payload : Received()) {
      Sent one{};
      std::sscanf(payload.c_str(), "%d,%lf", &one.counter, &one.latitude);
      sent[step - 1] = one;
    }
  }
};

TEST_F(SimulatorWatch, ASegmentRemovedAndMadeAnewIsLeftThenFollowedWithoutGaps) {
  std::unique_ptr<CVisShm> newSimulator;
  std::string whileLost;
  RunConnected([&](int step) {
    Collect(step);
    if (step == 15) Platform::RemoveSharedSegment(SegmentName().c_str());
    if (step == 17) clock.AdvanceMilliseconds(1000);  // the check of step 17 finds it gone
    if (step == 29) {
      whileLost = Message();
      EXPECT_TRUE(station->IsSegmentLost());
      EXPECT_EQ(Record().userCount, 1) << "the station's count left the old segment";
      newSimulator = std::make_unique<CVisShm>(SegmentName().c_str());
      SetEyePoint(newSimulator->GetRecord()->visualBlock, 48.0);
    }
    if (step == 31) clock.AdvanceMilliseconds(1000);  // attaches to the new one
    if (step == 33) {
      EXPECT_EQ(newSimulator->GetRecord()->userCount, 2);
    }
    EndAt(step, 36);
  });
  // Until the check, the orphaned segment still held the old eye point.
  std::vector<int> steps;
  std::vector<int> counters;
  for (const auto& [step, one] : sent) {
    steps.push_back(step);
    counters.push_back(one.counter);
  }
  EXPECT_EQ(steps, (std::vector<int>{2, 4, 6, 8, 10, 12, 14, 16, 32, 34}));
  EXPECT_EQ(counters,
            (std::vector<int>{1510, 1511, 1512, 1513, 1514, 1515, 1516, 1517, 1518, 1519}));
  EXPECT_DATAGRAM_VALUE_NEAR(sent[16].latitude, 51.4775);
  EXPECT_DATAGRAM_VALUE_NEAR(sent[32].latitude, 48.0);
  EXPECT_EQ(whileLost,
            "Simulator segment \"" + SegmentName() +
                "\" was removed: nothing is sent until the simulator's segment is there again");
  // Up while sending, down from the refresh of step 23, up again.
  EXPECT_EQ(events.Lamps(), (std::vector<int>{LinkDown, LinkUp, LinkDown, LinkUp}));
  EXPECT_EQ(Message(), "Attached again to the simulator's segment \"" + SegmentName() + "\"");
  EXPECT_FALSE(station->IsSegmentLost());
  // Both counts end right: each segment is left with its own simulator.
  EXPECT_EQ(Record().userCount, 1);
  EXPECT_EQ(newSimulator->GetRecord()->userCount, 1);
}

// Each change of the message line is told once, with the text that stands
// then: a notice that a condition covered does not flash up between a
// condition and the text that replaces it (a journal would keep it as a
// line of its own).
TEST_F(SimulatorWatch, TheMessageLineGoesStraightFromOneTextToTheNext) {
  std::unique_ptr<CVisShm> newSimulator;
  RunConnected([&](int step) {
    if (step == 2) pump.Post([this] { station->Save(); });
    if (step == 3) clock.AdvanceMilliseconds(5001);  // the send of step 4 finds the data frozen
    if (step == 5) {
      Platform::RemoveSharedSegment(SegmentName().c_str());
      clock.AdvanceMilliseconds(1000);
    }
    if (step == 7) {
      newSimulator = std::make_unique<CVisShm>(SegmentName().c_str());
      clock.AdvanceMilliseconds(1000);
    }
    EndAt(step, 9);
  });
  std::vector<std::string> lines;
  for (const StationRecorder::Told& one : events.Of(StationEvent::kMessageLine)) {
    lines.push_back(one.text);
  }
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "Offsets saved: 4 airports in " + folder.File("Offsets.dat"),
                       "Simulator data unchanged for more than 5 s",
                       "Simulator segment \"" + SegmentName() +
                           "\" was removed: nothing is sent until the simulator's segment is "
                           "there again",
                       "Attached again to the simulator's segment \"" + SegmentName() + "\"",
                   }));
}

TEST_F(SimulatorWatch, ASegmentAlreadyMadeAnewIsFollowedAtTheCheckThatFindsIt) {
  std::unique_ptr<CVisShm> newSimulator;
  RunConnected([&](int step) {
    Collect(step);
    if (step == 3) {
      Platform::RemoveSharedSegment(SegmentName().c_str());
      newSimulator = std::make_unique<CVisShm>(SegmentName().c_str());
      SetEyePoint(newSimulator->GetRecord()->visualBlock, 40.0);
      clock.AdvanceMilliseconds(1000);
    }
    EndAt(step, 7);
  });
  ASSERT_EQ(sent.size(), 3u);
  EXPECT_DATAGRAM_VALUE_NEAR(sent[2].latitude, 51.4775);
  EXPECT_DATAGRAM_VALUE_NEAR(sent[4].latitude, 40.0);
  EXPECT_EQ(sent[4].counter, 1511);
  EXPECT_EQ(Record().userCount, 1);
  EXPECT_EQ(newSimulator->GetRecord()->userCount, 1);
}

TEST_F(SimulatorWatch, ASegmentShrunkBetweenTwoChecksIsLeftAtTheNextCopyAndTakenBackWhole) {
  bool aliveAfterShrink = false;
  RunConnected([&](int step) {
    Collect(step);
    if (step == 6) {
      ASSERT_TRUE(Resize(0));  // the send of step 6 meets the lost pages
    }
    if (step == 8) {
      aliveAfterShrink = true;
      EXPECT_TRUE(station->IsSegmentLost());
      EXPECT_EQ(Message(), "Simulator segment \"" + SegmentName() +
                               "\" shrank to 0 bytes: nothing is sent until the simulator's "
                               "segment is there again");
    }
    if (step == 12) {
      // The simulator makes its record whole again (zero pages) and stamps it.
      ASSERT_TRUE(Resize(kVisualInterfaceSize));
      WriteFieldText(Record().version, kVisualInterfaceVersion);
      Record().userCount = 1;
      SetEyePoint(Sim(), 45.0);
      clock.AdvanceMilliseconds(1000);
    }
    EndAt(step, 17);
  });
  EXPECT_TRUE(aliveAfterShrink);
  std::vector<int> steps;
  for (const auto& [step, one] : sent) steps.push_back(step);
  EXPECT_EQ(steps, (std::vector<int>{2, 4, 12, 14, 16}));
  EXPECT_EQ(sent[12].counter, 1512);
  EXPECT_DATAGRAM_VALUE_NEAR(sent[12].latitude, 45.0);
  EXPECT_EQ(Record().userCount, 1);
}

TEST_F(SimulatorWatch, ASegmentShrunkOnlyBeyondTheBlockIsLeftAtTheOnceASecondCheck) {
  // The block still reads: only the check of the segment's size finds it.
  RunConnected([&](int step) {
    Collect(step);
    if (step == 3) {
      ASSERT_TRUE(Resize(4096));
    }
    if (step == 9) clock.AdvanceMilliseconds(1000);
    EndAt(step, 14);
  });
  std::vector<int> steps;
  for (const auto& [step, one] : sent) steps.push_back(step);
  EXPECT_EQ(steps, (std::vector<int>{2, 4, 6, 8}));
  EXPECT_EQ(Message(), "Simulator segment \"" + SegmentName() +
                           "\" shrank to 4096 bytes: nothing is sent until the simulator's "
                           "segment is there again");
  EXPECT_EQ(station->GetLinkStatus(), LinkDown);
}

TEST_F(SimulatorWatch, ConnectPausesAndResumesWhileTheSegmentIsAwayAndTheCloseEndsAllCounts) {
  RunConnected([&](int step) {
    if (step == 2) {
      Platform::RemoveSharedSegment(SegmentName().c_str());
      clock.AdvanceMilliseconds(1000);
    }
    if (step == 4) {
      EXPECT_TRUE(station->IsSegmentLost());
      pump.Post([this] { station->Connect(); });  // pause
    }
    if (step == 6) pump.Post([this] { station->Connect(); });  // resume
    EndAt(step, 8);
  });
  EXPECT_TRUE(events.Boxes().empty()) << "a lost segment does not refuse Connect";
  EXPECT_EQ(station->GetFrameCount(), 4) << "steps 1 to 3, paused on 4 and 5, then 6 and 7";
  EXPECT_FALSE(station->HasSegment());
  EXPECT_EQ(events.Count(StationEvent::kEnded), 1);
  EXPECT_EQ(Record().userCount, 1);
}

TEST_F(SimulatorWatch, AFrameThatCannotBeSentIsHeldBackWithoutUsingACounter) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  std::vector<std::string> messages;
  RunConnected([&](int step) {
    Collect(step);
    if (step == 5) Sim().latitude = nan;
    if (step == 7) {
      Sim().latitude = 51.0;
      Sim().heading = -inf;
    }
    if (step == 9) {
      Sim().heading = 90.0;
      Sim().heightAgl = 7000.0;  // the plain altitude alone
      Sim().altitude = 1e300;    // whose text would not fit the datagram
    }
    if (step == 11) {
      messages.push_back(Message());
      Sim().heightAgl = 100.0;
      Sim().altitude = 150.0;
    }
    if (step == 13) messages.push_back(Message());
    EndAt(step, 14);
  });
  std::vector<int> steps;
  std::vector<int> counters;
  for (const auto& [step, one] : sent) {
    steps.push_back(step);
    counters.push_back(one.counter);
  }
  EXPECT_EQ(steps, (std::vector<int>{2, 4, 12}));
  EXPECT_EQ(counters, (std::vector<int>{1510, 1511, 1512}));
  EXPECT_EQ(station->GetHeldDatagrams(), 3);
  ASSERT_EQ(messages.size(), 2u);
  // Told once when it begins and once when it ends, with how many were held.
  EXPECT_EQ(messages[0],
            "Datagrams held back: the simulator's values are not finite or off the globe");
  EXPECT_EQ(messages[1], "Datagrams sent again after 3 held back");
  int toldHeld = 0;
  for (const auto& told : events.Of(StationEvent::kTold)) {
    if (std::string(told.text).rfind("Datagrams ", 0) == 0) ++toldHeld;
  }
  EXPECT_EQ(toldHeld, 2) << "once when it began and once when it ended, not once a frame";
  // The held frames ran the link watchdog down as failed sends do.
  EXPECT_EQ(station->GetLinkWatchdog(), 49);
}

TEST_F(SimulatorWatch, APositionOffTheGlobeIsHeldBackWithoutUsingACounter) {
  RunConnected([&](int step) {
    Collect(step);
    if (step == 5) Sim().latitude = 95.0;
    if (step == 7) {
      Sim().latitude = 51.0;
      Sim().longitude = 200.0;
    }
    if (step == 9) Sim().longitude = -0.5;
    EndAt(step, 12);
  });
  std::vector<int> steps;
  std::vector<int> counters;
  for (const auto& [step, one] : sent) {
    steps.push_back(step);
    counters.push_back(one.counter);
  }
  EXPECT_EQ(steps, (std::vector<int>{2, 4, 10}));
  EXPECT_EQ(counters, (std::vector<int>{1510, 1511, 1512}));
  EXPECT_EQ(station->GetHeldDatagrams(), 2);
}

TEST_F(SimulatorWatch, FramesHeldBackForLongTurnTheLampDownAsFailedSendsDo) {
  RunConnected([&](int step) {
    if (step == 3) Sim().altitude = std::numeric_limits<double>::quiet_NaN();
    if (step == 3) pump.Post([this] { station->SetAglBlend(false); });  // the altitude alone
    EndAt(step, 120);
  });
  // Down at the refresh of step 100, once 48 held frames ran the watchdog down.
  EXPECT_EQ(events.Lamps(), (std::vector<int>{LinkDown, LinkUp, LinkDown}));
  EXPECT_EQ(Received().size(), 1u);
  EXPECT_EQ(station->GetHeldDatagrams(), 58);
}

TEST_F(SimulatorWatch, DataStandingStillForMoreThanFiveSecondsIsToldAndLoggedOnceAndStillSent) {
  std::vector<std::string> messages;
  int sends = 0;
  RunConnected([&](int step) {
    sends += static_cast<int>(Received().size());
    if (step == 2) pump.Post([this] { station->Save(); });
    if (step == 3) clock.AdvanceMilliseconds(5000);
    if (step == 5) {
      messages.push_back(Message());  // exactly 5 s: not yet
      clock.AdvanceMilliseconds(1);
    }
    if (step == 7) {
      messages.push_back(Message());
      clock.AdvanceMilliseconds(60000);
    }
    if (step == 11) Sim().latitude = 52.0;  // moves again
    if (step == 13) {
      messages.push_back(Message());
      clock.AdvanceMilliseconds(5001);  // and stands still once more
    }
    EndAt(step, 16);
  });
  ASSERT_EQ(messages.size(), 3u);
  EXPECT_EQ(messages[0].rfind("Offsets saved: ", 0), 0u) << messages[0];
  EXPECT_EQ(messages[1], "Simulator data unchanged for more than 5 s");
  EXPECT_EQ(messages[2], messages[0]) << "Save's notice comes back when the data moves";
  EXPECT_EQ(Message(), "Simulator data unchanged for more than 5 s");
  EXPECT_EQ(sends, 7) << "frozen data is still sent";
  const std::string log = TrafficLog();
  std::size_t told = 0;
  for (std::size_t at = log.find("Simulator data unchanged"); at != std::string::npos;
       at = log.find("Simulator data unchanged", at + 1)) {
    ++told;
  }
  EXPECT_EQ(told, 2u) << "once for each time the data stood still\n" << log;
}

}  // namespace
