// The running station: Connect starts the frame loop, whose pump delivers
// the faces' commands between frame steps, and datagrams reach a real
// receiver on 127.0.0.1 until the station is ended from inside the loop.

#include <clocale>
#include <cmath>
#include <map>
#include <memory>

#include "StationRig.h"
#include "Tolerance.h"

namespace {

class StationLoop : public StationRig {
 protected:
  void SetUp() override {
    Start();
    Sim().heightAgl = 120.5;
    Sim().altitude = 300.0;
    Sim().heading = 270.0;
    Sim().pitch = 0.0;
    Sim().bank = 2.5;
    Sim().latitude = 51.4775;
    Sim().longitude = -0.461389;
    Sim().viewSelect = kSimViewForward;
  }

  // Datagrams by the step after which they arrived.
  std::map<int, std::vector<std::string>> sent;
  void Collect(int step) {
    for (std::string& payload : Received()) sent[step - 1].push_back(payload);
  }
};

TEST_F(StationLoop, SendsOnEverySecondStepFromFifteenTen) {
  std::vector<bool> locked;
  RunConnected([&](int step) {
    Collect(step);
    if (step <= 2) locked.push_back(station->IsDestinationLocked());
    EndAt(step, 8);
  });
  ASSERT_EQ(sent.size(), 3u);
  EXPECT_EQ(sent[2],
            (std::vector<std::string>{
                "1510,51.477500,-0.461389,132.500000,270.000000,90.000000,-2.500000,0,0,"}));
  ASSERT_EQ(sent[4].size(), 1u);
  EXPECT_EQ(sent[4][0].substr(0, 5), "1511,");
  ASSERT_EQ(sent[6].size(), 1u);
  EXPECT_EQ(sent[6][0].substr(0, 5), "1512,");
  // The destination is fixed by the first frame step, the local port at Connect.
  EXPECT_EQ(locked, (std::vector<bool>{false, true}));
  EXPECT_EQ(events.Count(StationEvent::kDestinationLocked), 1);
  EXPECT_EQ(events.Count(StationEvent::kConnected), 1);
  EXPECT_TRUE(station->IsRtLanOk());
}

TEST_F(StationLoop, DatagramLeavesFromTheLocalPort) {
  UdpSource source;
  RunConnected([&](int step) {
    std::string payload;
    if (step == 3) {
      EXPECT_TRUE(receiver.Next(payload, &source));
    }
    EndAt(step, 3);
  });
  EXPECT_EQ(source.port, LocalPort());
}

TEST_F(StationLoop, CommaDecimalLocaleChangesNoNumberTheStationWrites) {
  const char* german = std::setlocale(LC_ALL, "de_DE.UTF-8");
  if (german == nullptr) GTEST_SKIP() << "no comma-decimal locale on this machine";
  RunConnected([&](int step) {
    Collect(step);
    EndAt(step, 3);
  });
  std::setlocale(LC_ALL, "C");
  ASSERT_EQ(sent[2].size(), 1u);
  EXPECT_EQ(sent[2][0], "1510,51.477500,-0.461389,132.500000,270.000000,90.000000,-2.500000,0,0,");
}

TEST_F(StationLoop, FiguresRefreshOnEveryEleventhStep) {
  std::vector<int> frames;
  RunConnected([&](int step) {
    frames.push_back(events.FramesShown());  // as left by step - 1
    EndAt(step, 25);
  });
  // Before step 2 the first refresh shows 0; steps 12 and 23 show 11 and 22.
  EXPECT_EQ(frames[1], 0);
  EXPECT_EQ(frames[11], 0);
  EXPECT_EQ(frames[12], 11);
  EXPECT_EQ(frames[22], 11);
  EXPECT_EQ(frames[23], 22);
  const StationStatus shown = events.Of(StationEvent::kFigures).back().status;
  EXPECT_METRES_NEAR(shown.altitudeSent, 132.5);
  EXPECT_STREQ(shown.airport, "EGLL");
}

TEST_F(StationLoop, LinkLampFollowsTheWatchdogAndTheStateWord) {
  std::vector<int> watchdog;
  RunConnected([&](int step) {
    watchdog.push_back(station->GetLinkWatchdog());
    if (step == 20) Record().stateWord = 0xFFFFFF;
    if (step == 30) Record().stateWord = 0;
    if (step == 40) {
      // From here every send sends nothing: the destination is fixed, and
      // the simulator's position is one no receiver could read.
      Sim().latitude = std::nan("");
    }
    EndAt(step, 160);
  });
  EXPECT_EQ(watchdog[2], 49);  // after the first good send: re-armed to 50, counted down
  EXPECT_EQ(watchdog[4], 49);
  // Sends on steps 40, 42, ... count down from 49 by one each.
  EXPECT_EQ(watchdog[41], 48);
  EXPECT_EQ(watchdog[43], 47);
  EXPECT_EQ(station->GetLinkWatchdog(), 49 - 60);  // 60 empty sends, below 0 and on
  // Step 1 down (watchdog 0), step 12 up, 23 held, 34 up, down again at the
  // first refresh once the watchdog reached 1 (step 133).
  EXPECT_EQ(events.Lamps(), (std::vector<int>{LinkDown, LinkUp, LinkHeld, LinkUp, LinkDown}));
  EXPECT_EQ(station->GetLinkStatus(), LinkDown);
}

TEST_F(StationLoop, HeldStateWordShowsHeldWhileSendsSucceed) {
  Record().stateWord = 0xFFFFFF;
  RunConnected([&](int step) { EndAt(step, 14); });
  EXPECT_EQ(station->GetLinkStatus(), LinkHeld);
  EXPECT_EQ(events.Lamps(), (std::vector<int>{LinkHeld}));
  EXPECT_EQ(station->GetLinkWatchdog(), 49);
}

TEST_F(StationLoop, AddressZeroSendsNothingAndTheLampShowsTheLinkDown) {
  RunConnected([&](int step) {
    if (step == 1) pump.Post([this] { station->SetDestination(0); });
    Collect(step);
    EndAt(step, 13);
  });
  EXPECT_TRUE(sent.empty());
  EXPECT_EQ(events.Lamps(), (std::vector<int>{LinkDown}));
  EXPECT_EQ(station->GetLinkWatchdog(), -6);
  EXPECT_EQ(station->GetCamera().counter, 1509) << "a counter used with nothing sent";
}

TEST_F(StationLoop, PauseAndResumeKeepTheCounters) {
  std::vector<int> frames;
  RunConnected([&](int step) {
    Collect(step);
    frames.push_back(events.FramesShown());
    if (step == 5 || step == 30) pump.Post([this] { station->Connect(); });
    EndAt(step, 36);
  });
  // Steps 1-4 ran (sends on 2 and 4), steps 5-29 did nothing, then 30 on
  // continued: the counter goes on from 1512 with the send of step 31.
  std::vector<std::string> counters;
  for (auto& [step, payloads] : sent) {
    for (const std::string& payload : payloads) counters.push_back(payload.substr(0, 4));
  }
  EXPECT_EQ(counters, (std::vector<std::string>{"1510", "1511", "1512", "1513", "1514"}));
  EXPECT_EQ(sent.count(30), 0u);
  EXPECT_EQ(sent.count(31), 1u);
  EXPECT_EQ(frames[28], 0);  // frozen during the pause
  EXPECT_EQ(station->GetFrameCount(), 3 + 6);
  EXPECT_EQ(events.Count(StationEvent::kPaused), 2);
}

TEST_F(StationLoop, CommandsWaitingInTheQueueGoBeforeTheNextFrame) {
  std::vector<int> countsSeen;
  RunConnected([&](int step) {
    Collect(step);
    if (step == 4) {
      for (int i = 0; i < 3; ++i) {
        pump.Post([&] { countsSeen.push_back(station->GetFrameCount()); });
      }
      pump.Post([this] { station->SelectView(ViewFwdR); });
    }
    EndAt(step, 5);
  });
  EXPECT_EQ(countsSeen, (std::vector<int>{2, 2, 2}));
  ASSERT_EQ(sent[4].size(), 1u);  // step 4 already looks 20 degrees right
  EXPECT_NE(sent[4][0].find(",290.000000,"), std::string::npos) << sent[4][0];
}

TEST_F(StationLoop, EndsFromInsideTheLoopAndShutsDownOnceAfterRunReturned) {
  bool frameAfterEnd = false;
  RunConnected([&](int step) {
    if (step == 6) {
      pump.Post([this] { station->End(); });
      // Commands still queued behind the end reach a station that is gone.
      pump.Post([this] { station->Connect(); });
      pump.Post([this] { station->End(); });
    }
    if (step > 6) frameAfterEnd = true;
  });
  EXPECT_FALSE(frameAfterEnd);
  EXPECT_EQ(station->GetFrameCount(), 4);
  EXPECT_EQ(events.Count(StationEvent::kEnded), 1);
  EXPECT_EQ(clock.Sleeps(), (std::vector<int>{2000}));
  EXPECT_FALSE(station->HasLoop());
  EXPECT_FALSE(station->HasSegment());
  EXPECT_FALSE(station->HasRtLan());
  EXPECT_FALSE(station->IsLoopRunning());
  EXPECT_EQ(Record().userCount, 1);

  // The face's queue then delivers what was left, and the face goes away.
  while (pump.DispatchOne()) {
  }
  station->ShutDown();
  station.reset();
  EXPECT_EQ(events.Count(StationEvent::kEnded), 1);
  EXPECT_EQ(clock.Sleeps().size(), 1u);
  EXPECT_EQ(Record().userCount, 1);
  EXPECT_TRUE(Received().size() == 2u);  // steps 2 and 4
}

TEST_F(StationLoop, AShutDownInsideTheLoopWaitsForRunToReturnAndIsNoEnd) {
  RunConnected([&](int step) {
    if (step == 3) pump.Post([this] { station->ShutDown(); });
  });
  EXPECT_FALSE(station->HasLoop());
  EXPECT_FALSE(station->HasSegment());
  EXPECT_EQ(events.Count(StationEvent::kEnded), 0);  // the face is going already
  EXPECT_EQ(clock.Sleeps().size(), 1u);
}

TEST_F(StationLoop, FailedLanInterfaceRunsTheLoopIdleAndASecondPressRunsItAgain) {
  // A socket on the local port without address reuse keeps the LAN interface
  // from binding it.
  auto blocker = std::make_unique<LoopbackPeer>(LocalPort(), AnyAddress());
  ASSERT_TRUE(blocker->IsBound());

  int countBeforeSecondPress = 0;
  RunConnected([&](int step) {
    if (step == 4) {
      countBeforeSecondPress = station->GetFrameCount();
      EXPECT_TRUE(station->IsLoopRunning());
      pump.Post([this] { station->Connect(); });  // runs the loop again, nested
    }
    EndAt(step, 12);
  });
  blocker.reset();
  ASSERT_GE(events.Boxes().size(), 1u);
  EXPECT_EQ(events.Boxes()[0].caption, "CTavrionDlg::InitialiseRtLan");
  EXPECT_FALSE(station->IsRtLanOk());
  EXPECT_EQ(countBeforeSecondPress, -1);
  EXPECT_GT(station->GetFrameCount(), 3);  // frame steps ran after the second press
  EXPECT_TRUE(Received().empty());         // an uninitialised interface sends nothing
  EXPECT_EQ(events.Count(StationEvent::kEnded), 1);
  EXPECT_EQ(clock.Sleeps().size(), 1u);
  EXPECT_FALSE(station->IsLoopRunning());
}

}  // namespace
