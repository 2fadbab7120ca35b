// Start-up of the main dialog: what it leaves in the controls, how it shows
// what the station tells (boxes, the message line, reports when nobody is
// there), and a close before Connect.

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "StationFixture.h"

namespace {

using DialogStart = StationTest;

TEST_F(DialogStart, InitialiseSetsCaptionAndControls) {
  StartDialog();
  char expected[128];
  std::snprintf(expected, sizeof expected, "TVR v3 $Revision: 1.2.0 %lX 15944",
                static_cast<unsigned long>(
                    reinterpret_cast<std::uintptr_t>(dialog->GetStation().GetRecord())));
  EXPECT_EQ(controls.caption, expected);
  EXPECT_TRUE(controls.IsChecked(IDC_FORWARD_VIEW));
  EXPECT_FALSE(controls.IsChecked(IDC_MAP_VIEW));
  EXPECT_FALSE(controls.IsChecked(IDC_LEFT_WINDOW_VIEW));
  EXPECT_FALSE(controls.IsChecked(IDC_RIGHT_WINDOW_VIEW));
  EXPECT_EQ(controls.sliders[IDC_DATUM_SLIDER], 50);
  EXPECT_EQ(controls.shown.portValue, LocalPort());
  EXPECT_TRUE(controls.IsEnabled(IDC_CONNECT));
}

class DialogWithReceivers : public StationTest {
 protected:
  StationSettings Settings() override {
    StationSettings settings = StationTest::Settings();
    for (int i = 0; i < receivers; ++i) {
      settings.receivers[settings.receiverCount++] = {LoopbackAddress(2), 7101 + i};
    }
    return settings;
  }
  int receivers = 2;
};

TEST_F(DialogWithReceivers, TheCaptionTellsHowManyReceiversAreFedBesideTheDestination) {
  const struct {
    int receivers;
    const char* end;
  } cases[] = {{2, " 15944 + 2 receivers"}, {1, " 15944 + 1 receiver"}};
  for (const auto& c : cases) {
    receivers = c.receivers;
    dialog.reset();
    AirportManager::ClearTable();
    StartDialog();
    const std::string& caption = controls.caption;
    EXPECT_EQ(caption.substr(caption.size() - std::strlen(c.end)), c.end) << caption;
  }
}

TEST_F(DialogStart, AStationsBoxIsShownWithItsTextCaptionAndStyle) {
  StartDialog(nullptr);  // no offsets file
  ASSERT_EQ(controls.messageBoxes.size(), 1u);
  EXPECT_EQ(controls.messageBoxes[0].caption, "InitialiseAirportDataBase");
  EXPECT_EQ(controls.messageBoxes[0].style, kMessageBoxExclamation);
  EXPECT_EQ(controls.messageBoxes[0].text.rfind("InputFileClass::OpenInputFile\n", 0), 0u)
      << controls.messageBoxes[0].text;
  EXPECT_TRUE(controls.IsEnabled(IDC_CONNECT));
}

TEST_F(DialogStart, AnUnusableSegmentDisablesConnectAndTheCloseBoxStillEnds) {
  std::strcpy(Record().version, "QMXXXY");  // another layout
  StartDialog();
  ASSERT_EQ(controls.messageBoxes.size(), 1u);
  EXPECT_EQ(controls.messageBoxes[0].caption, "CTavrionDlg::InitialiseSharedMemory");
  EXPECT_FALSE(controls.IsEnabled(IDC_CONNECT));
  EXPECT_TRUE(controls.caption.empty());
  dialog->OnClose();
  EXPECT_EQ(controls.endResults, (std::vector<int>{IDCANCEL_RESULT}));
}

TEST_F(DialogStart, SaveIsConfirmedOnTheMessageLineAndAFailureInABox) {
  StartDialog();
  EXPECT_TRUE(dialog->OnSave());
  EXPECT_TRUE(controls.messageBoxes.empty());
  EXPECT_STRNE(controls.shown.messageText, "");
  EXPECT_STREQ(controls.shown.messageText, dialog->GetStation().GetStatus().message);

  std::filesystem::remove_all(folder.Path());  // the folder went away
  EXPECT_FALSE(dialog->OnSave());
  ASSERT_EQ(controls.messageBoxes.size(), 1u);
  EXPECT_EQ(controls.messageBoxes[0].caption, CTavrionDlg::kSaveFailureCaption);
  EXPECT_EQ(controls.messageBoxes[0].style, kMessageBoxExclamation);
  EXPECT_FALSE(controls.messageBoxes[0].text.empty()) << "the station's reason";
}

TEST_F(DialogStart, CloseBeforeConnectEndsTheDialogOnce) {
  StartDialog();
  dialog->OnClose();
  EXPECT_EQ(controls.endResults, (std::vector<int>{IDCANCEL_RESULT}));
  dialog->OnDestroy();  // the window's destruction follows: nothing twice
  dialog.reset();
  EXPECT_EQ(controls.endResults.size(), 1u);
}

// Started with --connect: nobody is there to answer a box.
class UnattendedDialog : public StationTest {
 protected:
  StationSettings Settings() override {
    StationSettings settings = StationTest::Settings();
    settings.connect = true;
    return settings;
  }
};

TEST_F(UnattendedDialog, WhatABoxWouldSayGoesToStandardErrorAndTheMessageLine) {
  testing::internal::CaptureStderr();
  StartDialog(nullptr);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_TRUE(controls.messageBoxes.empty());
  EXPECT_NE(err.find("tavrion: InitialiseAirportDataBase: InputFileClass::OpenInputFile No such "
                     "file or directory "),
            std::string::npos)
      << err;
  EXPECT_EQ(std::string(controls.shown.messageText).rfind("InputFileClass::OpenInputFile ", 0), 0u)
      << controls.shown.messageText;
}

}  // namespace
