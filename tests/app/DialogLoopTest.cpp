// The window while the station runs: Connect starts the frame loop, whose
// pump delivers the window's notifications between frame steps; what the
// boxes and figures show then, and how Enter, Escape and the close box end
// the window or do not.

#include <clocale>
#include <map>

#include "StationFixture.h"

namespace {

class DialogLoop : public StationTest {
 protected:
  void SetUp() override {
    StartDialog();
    Sim().heightAgl = 120.5;
    Sim().altitude = 300.0;
    Sim().heading = 270.0;
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

TEST_F(DialogLoop, AddressBoxesLockAtTheFirstFrameStepAndThePortBoxAtConnect) {
  std::vector<bool> enabled;
  RunConnected([&](int step) {
    if (step <= 2) enabled.push_back(controls.IsEnabled(IDC_IP1) || controls.IsEnabled(IDC_IP4));
    CloseAt(step, 3);
  });
  EXPECT_EQ(enabled, (std::vector<bool>{true, false}));
  EXPECT_FALSE(controls.IsEnabled(IDC_IP1));
  EXPECT_FALSE(controls.IsEnabled(IDC_IP4));
  EXPECT_FALSE(controls.IsEnabled(IDC_PORT));
}

TEST_F(DialogLoop, FiguresShowTheFrameCountAltitudeAndAirportInTheirFormats) {
  RunConnected([&](int step) { CloseAt(step, 14); });
  EXPECT_STREQ(controls.shown.frameText, "11");
  EXPECT_STREQ(controls.shown.altitudeText, "132.5");
  EXPECT_STREQ(controls.shown.airportText, "EGLL");
}

TEST_F(DialogLoop, CommaDecimalLocaleChangesNoFigureTheWindowShows) {
  const char* german = std::setlocale(LC_ALL, "de_DE.UTF-8");
  if (german == nullptr) GTEST_SKIP() << "no comma-decimal locale on this machine";
  RunConnected([&](int step) { CloseAt(step, 14); });
  std::setlocale(LC_ALL, "C");
  EXPECT_STREQ(controls.shown.datumText, "12.0");
  EXPECT_STREQ(controls.shown.altitudeText, "132.5");
}

struct CloseCase {
  const char* name;
  void (CTavrionDlg::*handler)();
  int result;
};

class DialogClose : public DialogLoop, public ::testing::WithParamInterface<CloseCase> {};

TEST_P(DialogClose, EndsTheDialogFromInsideTheLoopOnce) {
  RunConnected([&](int step) {
    if (step == 6) {
      pump.Post([this] { (dialog.get()->*GetParam().handler)(); });
      // Clicks still queued behind the close reach a station that is gone.
      pump.Post([this] { dialog->OnConnect(); });
      pump.Post([this] { dialog->OnClose(); });
    }
  });
  EXPECT_EQ(controls.endResults, (std::vector<int>{GetParam().result}));

  // The toolkit then delivers what was left, and destroys the window.
  while (pump.DispatchOne()) {
  }
  dialog->OnDestroy();
  dialog.reset();
  EXPECT_EQ(controls.endResults.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    CloseBoxEscape, DialogClose,
    ::testing::Values(CloseCase{"CloseBox", &CTavrionDlg::OnClose, IDCANCEL_RESULT},
                      CloseCase{"Escape", &CTavrionDlg::OnCancel, IDCANCEL_RESULT}),
    [](const ::testing::TestParamInfo<CloseCase>& closeCase) {
      return std::string(closeCase.param.name);
    });

TEST_F(DialogLoop, EnterLeavesTheStationSending) {
  RunConnected([&](int step) {
    Collect(step);
    if (step == 3) pump.Post([this] { dialog->OnOK(); });
    CloseAt(step, 9);
  });
  EXPECT_EQ(sent.size(), 4u);  // steps 2, 4, 6 and 8
  EXPECT_EQ(controls.endResults, (std::vector<int>{IDCANCEL_RESULT}));
}

TEST_F(DialogLoop, WindowDestroyedInsideTheLoopEndsNoDialog) {
  RunConnected([&](int step) {
    if (step == 3) pump.Post([this] { dialog->OnDestroy(); });
  });
  EXPECT_FALSE(dialog->GetStation().HasLoop());
  EXPECT_TRUE(controls.endResults.empty());  // the window is going already
}

}  // namespace
