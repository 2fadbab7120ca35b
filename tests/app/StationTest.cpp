// The running station: Connect starts the frame loop, whose pump delivers
// the operator's clicks between frame steps, and datagrams reach a real
// receiver on 127.0.0.1 until the station is closed from inside the loop.

#include <clocale>
#include <cmath>
#include <map>
#include <memory>

#include "StationFixture.h"

namespace {

class Station : public StationTest {
 protected:
  void SetUp() override {
    StartDialog();
    Sim().heightAgl = 120.5;
    Sim().altitude = 300.0;
    Sim().heading = 270.0;
    Sim().pitch = 0.0;
    Sim().bank = 2.5;
    Sim().latitude = 51.4775;
    Sim().longitude = -0.461389;
    Sim().viewSelect = kSimViewForward;
  }

  void CloseAt(int step, int wanted) {
    if (step == wanted) pump.Post([this] { dialog->OnClose(); });
  }

  // Datagrams by the step after which they arrived.
  std::map<int, std::vector<std::string>> sent;
  void Collect(int step) {
    for (std::string& payload : Received()) sent[step - 1].push_back(payload);
  }
};

TEST_F(Station, SendsOnEverySecondStepFromFifteenTen) {
  std::string sourceCheck;
  RunConnected([&](int step) {
    Collect(step);
    if (step == 2) {
      EXPECT_FALSE(controls.IsEnabled(IDC_IP1));
      EXPECT_FALSE(controls.IsEnabled(IDC_IP4));
    }
    CloseAt(step, 8);
  });
  ASSERT_EQ(sent.size(), 3u);
  EXPECT_EQ(sent[2],
            (std::vector<std::string>{
                "1510,51.477500,-0.461389,132.500000,270.000000,90.000000,-2.500000,0,0,"}));
  ASSERT_EQ(sent[4].size(), 1u);
  EXPECT_EQ(sent[4][0].substr(0, 5), "1511,");
  ASSERT_EQ(sent[6].size(), 1u);
  EXPECT_EQ(sent[6][0].substr(0, 5), "1512,");
  EXPECT_FALSE(controls.IsEnabled(IDC_PORT));
  EXPECT_TRUE(dialog->GetStation().IsRtLanOk());
}

TEST_F(Station, DatagramLeavesFromTheLocalPort) {
  UdpSource source;
  RunConnected([&](int step) {
    std::string payload;
    if (step == 3) {
      EXPECT_TRUE(receiver.Next(payload, &source));
    }
    CloseAt(step, 3);
  });
  EXPECT_EQ(source.port, LocalPort());
}

TEST_F(Station, CommaDecimalLocaleChangesNoNumberTheStationWrites) {
  const char* german = std::setlocale(LC_ALL, "de_DE.UTF-8");
  if (german == nullptr) GTEST_SKIP() << "no comma-decimal locale on this machine";
  RunConnected([&](int step) {
    Collect(step);
    CloseAt(step, 3);
  });
  std::setlocale(LC_ALL, "C");
  ASSERT_EQ(sent[2].size(), 1u);
  EXPECT_EQ(sent[2][0], "1510,51.477500,-0.461389,132.500000,270.000000,90.000000,-2.500000,0,0,");
  EXPECT_STREQ(controls.shown.datumText, "12.0");
}

TEST_F(Station, FiguresRefreshOnEveryEleventhStep) {
  std::vector<std::string> frames;
  RunConnected([&](int step) {
    frames.push_back(controls.shown.frameText);  // as left by step - 1
    CloseAt(step, 25);
  });
  // Before step 2 the first refresh shows 0; steps 12 and 23 show 11 and 22.
  EXPECT_EQ(frames[1], "0");
  EXPECT_EQ(frames[11], "0");
  EXPECT_EQ(frames[12], "11");
  EXPECT_EQ(frames[22], "11");
  EXPECT_EQ(frames[23], "22");
  EXPECT_STREQ(controls.shown.altitudeText, "132.5");
  EXPECT_STREQ(controls.shown.airportText, "EGLL");
}

TEST_F(Station, LinkLampFollowsTheWatchdogAndTheStateWord) {
  std::vector<int> watchdog;
  RunConnected([&](int step) {
    watchdog.push_back(dialog->GetStation().GetLinkWatchdog());
    if (step == 20) Record().stateWord = 0xFFFFFF;
    if (step == 30) Record().stateWord = 0;
    if (step == 40) {
      // From here every send sends nothing: the destination is fixed, and
      // the simulator's position is one no receiver could read.
      Sim().latitude = std::nan("");
    }
    CloseAt(step, 160);
  });
  EXPECT_EQ(watchdog[2], 49);  // after the first good send: re-armed to 50, counted down
  EXPECT_EQ(watchdog[4], 49);
  // Sends on steps 40, 42, ... count down from 49 by one each.
  EXPECT_EQ(watchdog[41], 48);
  EXPECT_EQ(watchdog[43], 47);
  EXPECT_EQ(dialog->GetStation().GetLinkWatchdog(), 49 - 60);  // 60 empty sends, below 0 and on
  // Step 1 orange (watchdog 0), step 12 green, 23 held (orange), 34 green,
  // orange again at the first refresh once the watchdog reached 1 (step 133).
  EXPECT_EQ(controls.bitmaps,
            (std::vector<int>{IDB_ORANGE, IDB_GREEN, IDB_ORANGE, IDB_GREEN, IDB_ORANGE}));
  EXPECT_EQ(dialog->GetStation().GetLinkStatus(), LinkDown);
}

TEST_F(Station, HeldStateWordShowsOrangeWhileSendsSucceed) {
  Record().stateWord = 0xFFFFFF;
  RunConnected([&](int step) { CloseAt(step, 14); });
  EXPECT_EQ(dialog->GetStation().GetLinkStatus(), LinkHeld);
  EXPECT_EQ(controls.bitmaps, (std::vector<int>{IDB_ORANGE}));
  EXPECT_EQ(dialog->GetStation().GetLinkWatchdog(), 49);
}

TEST_F(Station, AddressZeroSendsNothingAndTheLampTurnsOrange) {
  RunConnected([&](int step) {
    if (step == 1) {
      pump.Post([this] {
        controls.TypeAddress(0, 0, 0, 0);
        dialog->OnAddressChanged();
      });
    }
    Collect(step);
    CloseAt(step, 13);
  });
  EXPECT_TRUE(sent.empty());
  EXPECT_EQ(controls.bitmaps, (std::vector<int>{IDB_ORANGE}));
  EXPECT_EQ(dialog->GetStation().GetLinkWatchdog(), -6);
  EXPECT_EQ(dialog->GetStation().GetCamera().counter, 1515);  // counted all the same
}

TEST_F(Station, PauseAndResumeKeepTheCounters) {
  std::vector<std::string> frames;
  RunConnected([&](int step) {
    Collect(step);
    frames.push_back(controls.shown.frameText);
    if (step == 5 || step == 30) pump.Post([this] { dialog->OnConnect(); });
    CloseAt(step, 36);
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
  EXPECT_EQ(frames[28], "0");  // frozen during the pause
  EXPECT_EQ(dialog->GetStation().GetFrameCount(), 3 + 6);
}

TEST_F(Station, ClicksWaitingInTheQueueGoBeforeTheNextFrame) {
  std::vector<int> countsSeen;
  RunConnected([&](int step) {
    Collect(step);
    if (step == 4) {
      for (int i = 0; i < 3; ++i) {
        pump.Post([&] { countsSeen.push_back(dialog->GetStation().GetFrameCount()); });
      }
      pump.Post([this] { dialog->OnViewBox(IDC_FWD_R); });
    }
    CloseAt(step, 5);
  });
  EXPECT_EQ(countsSeen, (std::vector<int>{2, 2, 2}));
  ASSERT_EQ(sent[4].size(), 1u);  // step 4 already looks 20 degrees right
  EXPECT_NE(sent[4][0].find(",290.000000,"), std::string::npos) << sent[4][0];
}

struct CloseCase {
  const char* name;
  void (CTavrionDlg::*handler)();
  int result;
};

class StationClose : public Station, public ::testing::WithParamInterface<CloseCase> {};

TEST_P(StationClose, EndsFromInsideTheLoopAndTearsDownOnceAfterRunReturned) {
  bool frameAfterClose = false;
  RunConnected([&](int step) {
    if (step == 6) {
      pump.Post([this] { (dialog.get()->*GetParam().handler)(); });
      // Clicks still queued behind the close reach a station that is gone.
      pump.Post([this] { dialog->OnConnect(); });
      pump.Post([this] { dialog->OnClose(); });
    }
    if (step > 6) frameAfterClose = true;
  });
  EXPECT_FALSE(frameAfterClose);
  EXPECT_EQ(dialog->GetStation().GetFrameCount(), 4);
  EXPECT_EQ(controls.endResults, (std::vector<int>{GetParam().result}));
  EXPECT_EQ(clock.Sleeps(), (std::vector<int>{2000}));
  EXPECT_FALSE(dialog->GetStation().HasLoop());
  EXPECT_FALSE(dialog->GetStation().HasSegment());
  EXPECT_FALSE(dialog->GetStation().HasRtLan());
  EXPECT_FALSE(dialog->GetStation().IsLoopRunning());
  EXPECT_EQ(Record().userCount, 1);

  // The toolkit then delivers what was left, and destroys the window.
  while (pump.DispatchOne()) {
  }
  dialog->OnDestroy();
  dialog.reset();
  EXPECT_EQ(controls.endResults.size(), 1u);
  EXPECT_EQ(clock.Sleeps().size(), 1u);
  EXPECT_EQ(Record().userCount, 1);
  EXPECT_TRUE(Received().size() == 2u);  // steps 2 and 4
}

INSTANTIATE_TEST_SUITE_P(
    CloseBoxEscape, StationClose,
    ::testing::Values(CloseCase{"CloseBox", &CTavrionDlg::OnClose, IDCANCEL_RESULT},
                      CloseCase{"Escape", &CTavrionDlg::OnCancel, IDCANCEL_RESULT}),
    [](const ::testing::TestParamInfo<CloseCase>& closeCase) {
      return std::string(closeCase.param.name);
    });

TEST_F(Station, EnterLeavesTheStationSending) {
  RunConnected([&](int step) {
    Collect(step);
    if (step == 3) pump.Post([this] { dialog->OnOK(); });
    CloseAt(step, 9);
  });
  EXPECT_EQ(sent.size(), 4u);  // steps 2, 4, 6 and 8
  EXPECT_EQ(controls.endResults, (std::vector<int>{IDCANCEL_RESULT}));
}

TEST_F(Station, WindowDestroyedInsideTheLoopWaitsForRunToReturn) {
  RunConnected([&](int step) {
    if (step == 3) pump.Post([this] { dialog->OnDestroy(); });
  });
  EXPECT_FALSE(dialog->GetStation().HasLoop());
  EXPECT_FALSE(dialog->GetStation().HasSegment());
  EXPECT_TRUE(controls.endResults.empty());  // the window is going already
  EXPECT_EQ(clock.Sleeps().size(), 1u);
}

TEST_F(Station, FailedLanInterfaceRunsTheLoopIdleAndASecondPressRunsItAgain) {
  // A socket on the local port without address reuse keeps the LAN interface
  // from binding it.
  auto blocker = std::make_unique<LoopbackPeer>(LocalPort(), AnyAddress());
  ASSERT_TRUE(blocker->IsBound());

  int countBeforeSecondPress = 0;
  RunConnected([&](int step) {
    if (step == 4) {
      countBeforeSecondPress = dialog->GetStation().GetFrameCount();
      EXPECT_TRUE(dialog->GetStation().IsLoopRunning());
      pump.Post([this] { dialog->OnConnect(); });  // runs the loop again, nested
    }
    CloseAt(step, 12);
  });
  blocker.reset();
  ASSERT_GE(controls.messageBoxes.size(), 1u);
  EXPECT_EQ(controls.messageBoxes[0].caption, "CTavrionDlg::InitialiseRtLan");
  EXPECT_FALSE(dialog->GetStation().IsRtLanOk());
  EXPECT_EQ(countBeforeSecondPress, -1);
  EXPECT_GT(dialog->GetStation().GetFrameCount(), 3);  // frame steps ran after the second press
  EXPECT_TRUE(Received().empty());                     // an uninitialised interface sends nothing
  EXPECT_EQ(controls.endResults, (std::vector<int>{IDCANCEL_RESULT}));
  EXPECT_EQ(clock.Sleeps().size(), 1u);
  EXPECT_FALSE(dialog->GetStation().IsLoopRunning());
}

}  // namespace
