// Start-up of the main dialog: what Initialise leaves in the controls and the
// record, and what the operator sees when the segment or the offsets file is
// not there.

#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "StationFixture.h"

namespace {

using DialogStart = StationTest;

TEST_F(DialogStart, InitialiseSetsCaptionControlsAndStartAirport) {
  StartDialog();
  EXPECT_TRUE(controls.messageBoxes.empty());
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
  EXPECT_TRUE(dialog->GetStation().HasLoop());
  EXPECT_FALSE(dialog->GetStation().HasRtLan());
  EXPECT_EQ(dialog->GetStation().GetLinkStatus(), LinkIdle);  // the template's grey lamp
  EXPECT_TRUE(controls.bitmaps.empty());
  // The simulator sees the start airport in its own mapping of the segment.
  EXPECT_STREQ(Sim().airportIdent, "EGLL");
  EXPECT_EQ(Record().userCount, 2);
}

TEST_F(DialogStart, MissingOffsetsFileShowsOneBoxAndTheDialogGoesOn) {
  StartDialog(nullptr);
  ASSERT_EQ(controls.messageBoxes.size(), 1u);
  EXPECT_EQ(controls.messageBoxes[0].caption, "InitialiseAirportDataBase");
  EXPECT_EQ(controls.messageBoxes[0].style, kMessageBoxExclamation);
  EXPECT_EQ(controls.messageBoxes[0].text.rfind("InputFileClass::OpenInputFile\n", 0), 0u)
      << controls.messageBoxes[0].text;
  EXPECT_TRUE(dialog->GetStation().HasLoop());
  EXPECT_TRUE(controls.IsEnabled(IDC_CONNECT));
}

TEST_F(DialogStart, UnusableSegmentIsToldAndConnectStartsNothing) {
  std::strcpy(Record().version, "QMXXXY");  // another layout
  StartDialog();
  ASSERT_EQ(controls.messageBoxes.size(), 1u);
  EXPECT_EQ(controls.messageBoxes[0].caption, "CTavrionDlg::InitialiseSharedMemory");
  EXPECT_EQ(controls.messageBoxes[0].text,
            "CVisShm::CVisShm\nShared Memory Version Mismatch\nPlease rebuild software");
  EXPECT_STREQ(dialog->GetStation().GetShmError(), controls.messageBoxes[0].text.c_str());
  EXPECT_FALSE(controls.IsEnabled(IDC_CONNECT));
  EXPECT_TRUE(controls.caption.empty());
  EXPECT_FALSE(dialog->GetStation().HasLoop());
  EXPECT_EQ(dialog->GetStation().GetRecord(), nullptr);

  // Connect (were it reached) tells again and runs nothing; the window still closes.
  dialog->OnConnect();
  EXPECT_EQ(controls.messageBoxes.size(), 2u);
  EXPECT_FALSE(dialog->GetStation().HasRtLan());
  EXPECT_FALSE(dialog->GetStation().IsRunning());
  dialog->OnClose();
  EXPECT_EQ(controls.endResults, (std::vector<int>{IDCANCEL_RESULT}));
  EXPECT_FALSE(dialog->GetStation().HasSegment());
  EXPECT_TRUE(clock.Sleeps().empty());             // no loop, no wait
  EXPECT_EQ(std::string(Sim().airportIdent), "");  // nothing written into a foreign layout
}

TEST_F(DialogStart, SkippedOffsetsLinesAreToldOnTheMessageLine) {
  StartDialog(
      ";\n"
      "EGLL| nan| London Heathrow\n"
      "EGKK|   -3.5| London Gatwick\n"
      "EDDF| 7.0\n"
      "LFPG| 1e308| Paris\n"
      "KJFK| inf| New York\n");
  EXPECT_TRUE(controls.messageBoxes.empty());
  EXPECT_EQ(std::string(controls.shown.messageText),
            "Offsets.dat: skipped 3 lines with an offset that is not a finite number or too large "
            "(first at line 2); 1 line with fewer than three fields (line 4)");
  AirportManager table;
  EXPECT_EQ(table.GetNumberOfAirports(), 1);
}

TEST_F(DialogStart, AFileOfLinesThatAreNotOffsetsIsToldAndSaveRefusesIt) {
  StartDialog(";\nEGKK| 1,5| Gatwick\nLFPG| 2.5m| Paris\nEGLL| 1.0| Heathrow\n");
  ASSERT_EQ(controls.messageBoxes.size(), 1u);
  EXPECT_EQ(controls.messageBoxes[0].text,
            "Offsets.dat is not an offsets file.\nSave will not overwrite it.");
  EXPECT_EQ(std::string(controls.shown.messageText),
            "Offsets.dat: skipped 2 lines with an offset that is not a number (first at line 2)");
  EXPECT_FALSE(dialog->OnSave());
}

TEST_F(DialogStart, AnOffsetsFileLargerThanTheTableIsToldAtStartUpAndSaveRefusesIt) {
  std::string file = ";\n";
  for (int i = 0; i < AirportManager::kCountLimit + 3; ++i) {
    std::string ident(4, 'A');  // a distinct one for each line
    for (int place = 3, number = i; place >= 0; --place, number /= 26) ident[place] += number % 26;
    file += ident + "|1|n\n";
  }
  StartDialog(file.c_str());
  ASSERT_EQ(controls.messageBoxes.size(), 1u);
  EXPECT_EQ(controls.messageBoxes[0].caption, "InitialiseAirportDataBase");
  EXPECT_EQ(controls.messageBoxes[0].text,
            "Offsets.dat holds 20002 airports; the table keeps 19999.\n"
            "Save will not overwrite the file, so that none of its airports is lost.");
  EXPECT_FALSE(dialog->OnSave());
  ASSERT_EQ(controls.messageBoxes.size(), 2u);
  EXPECT_EQ(controls.messageBoxes[1].caption, CTavrionDlg::kSaveFailureCaption);
  EXPECT_EQ(folder.Read("Offsets.dat"), file);
}

TEST_F(DialogStart, AFifoAsTheOffsetsFileIsRefusedAtStartUpWithoutWaitingForAWriter) {
  ASSERT_EQ(mkfifo(folder.File("Offsets.dat").c_str(), 0600), 0);
  StartDialog(nullptr);
  ASSERT_EQ(controls.messageBoxes.size(), 1u);
  EXPECT_EQ(controls.messageBoxes[0].caption, "InitialiseAirportDataBase");
  EXPECT_EQ(
      controls.messageBoxes[0].text,
      "InputFileClass::OpenInputFile\nNot a regular file (a FIFO)\n" + folder.File("Offsets.dat"));
  EXPECT_TRUE(controls.IsEnabled(IDC_CONNECT));
}

TEST_F(DialogStart, ACloseWhileAStartUpMessageBoxIsUpEndsTheDialogOnceInitialiseReturned) {
  controls.whileMessageBoxIsUp = [this] {
    controls.whileMessageBoxIsUp = nullptr;
    dialog->OnClose();
    EXPECT_TRUE(controls.endResults.empty()) << "ended while Initialise was still running";
    EXPECT_TRUE(dialog->GetStation().HasSegment());
  };
  StartDialog(nullptr);  // the missing file's box
  EXPECT_EQ(controls.endResults, (std::vector<int>{IDCANCEL_RESULT}));
  EXPECT_FALSE(dialog->GetStation().HasSegment());
  EXPECT_EQ(Record().userCount, 1);
  EXPECT_STREQ(Sim().airportIdent, "EGLL") << "Initialise ran to its end first";
}

TEST_F(DialogStart, CloseBeforeConnectShutsDownAndEndsAtOnce) {
  StartDialog();
  dialog->OnClose();
  EXPECT_EQ(controls.endResults, (std::vector<int>{IDCANCEL_RESULT}));
  EXPECT_FALSE(dialog->GetStation().HasSegment());
  EXPECT_FALSE(dialog->GetStation().HasLoop());
  EXPECT_EQ(clock.Sleeps(), (std::vector<int>{2000}));
  EXPECT_EQ(Record().userCount, 1);  // detached
  dialog->OnDestroy();               // the window's destruction follows: nothing twice
  dialog.reset();
  EXPECT_EQ(clock.Sleeps().size(), 1u);
  EXPECT_EQ(Record().userCount, 1);
}

}  // namespace

namespace {

TEST_F(StationTest, SaveIsConfirmedOnTheMessageLineAndAFailureInABox) {
  StartDialog();
  EXPECT_TRUE(dialog->OnSave());
  EXPECT_TRUE(controls.messageBoxes.empty());
  const std::string confirmation = controls.shown.messageText;
  EXPECT_EQ(confirmation.rfind("Offsets saved: 4 airports in ", 0), 0u) << confirmation;
  EXPECT_NE(confirmation.find(folder.Path().string()), std::string::npos) << confirmation;

  std::filesystem::remove_all(folder.Path());  // the folder went away
  EXPECT_FALSE(dialog->OnSave());
  ASSERT_EQ(controls.messageBoxes.size(), 1u);
  EXPECT_EQ(controls.messageBoxes[0].caption, CTavrionDlg::kSaveFailureCaption);
  EXPECT_NE(controls.messageBoxes[0].text.find("No such file or directory"), std::string::npos)
      << controls.messageBoxes[0].text;
}

// Started with --connect: nobody is there to answer a box.
class UnattendedStart : public StationTest {
 protected:
  StationSettings Settings() override {
    StationSettings settings = StationTest::Settings();
    settings.connect = true;
    return settings;
  }
  std::string Message() const { return controls.shown.messageText; }
};

TEST_F(UnattendedStart, WhatABoxWouldSayGoesToTheLineStandardErrorAndTheLanLog) {
  const struct {
    const char* offsets;  // null: no file
    const char* told;
  } cases[] = {
      {nullptr, "InputFileClass::OpenInputFile No such file or directory "},
      {";\nEGKK| 1,5| b\nLFPG| 2.5m| c\n", "Offsets.dat is not an offsets file. Save will not"},
  };
  for (const auto& c : cases) {
    std::filesystem::remove(folder.File("Offsets.dat"));
    AirportManager::ClearTable();
    testing::internal::CaptureStderr();
    StartDialog(c.offsets);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(controls.messageBoxes.empty()) << c.told;
    EXPECT_NE(err.find(std::string("tavrion: InitialiseAirportDataBase: ") + c.told),
              std::string::npos)
        << err;
    RunConnected([&](int step) {
      if (step == 3) pump.Post([this] { dialog->OnClose(); });
    });
    EXPECT_TRUE(dialog->GetStation().IsRtLanOk());
    const std::string log = folder.Read("QM_RT_LAN_Log.txt");
    EXPECT_NE(log.find(std::string(c.told).substr(0, 30)), std::string::npos) << log;
  }
}

TEST_F(UnattendedStart, AnUnusableSegmentIsWaitedForAndSentFromOnceUsable) {
  std::strcpy(Record().version, "QMXXXY");  // another layout, for now
  StartDialog();
  EXPECT_TRUE(controls.messageBoxes.empty());
  EXPECT_TRUE(controls.IsEnabled(IDC_CONNECT));
  EXPECT_NE(Message().find("is not usable"), std::string::npos) << Message();
  int firstDatagramStep = 0;
  RunConnected([&](int step) {
    if (!Received().empty() && firstDatagramStep == 0) firstDatagramStep = step;
    if (step == 5) clock.AdvanceMilliseconds(1000);  // checked: still the wrong layout
    if (step == 9) std::strcpy(Record().version, "QMXXXX");
    if (step == 11) clock.AdvanceMilliseconds(1000);  // checked again: usable
    if (step == 20) pump.Post([this] { dialog->OnClose(); });
  });
  EXPECT_GT(firstDatagramStep, 11);
  EXPECT_FALSE(dialog->GetStation().IsSegmentLost());
  EXPECT_EQ(Record().userCount, 1) << "attached, then detached at the close";
}

}  // namespace
