// The station's start-up without a window: what it leaves in the record, what
// it tells when the segment or the offsets file is not as it should be
// (attended in a box, unattended on the message line and in the LAN log), and
// a close-down before Connect.

#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <string>

#include "QMP0001_02_RtLan.h"
#include "SocketFake.h"
#include "StationRig.h"

namespace {

using StationStart = StationRig;

TEST_F(StationStart, MapsTheRecordWritesTheStartAirportAndTakesTheHostsAddress) {
  Start();
  EXPECT_TRUE(started);
  EXPECT_TRUE(events.Boxes().empty());
  EXPECT_EQ(Message(), "");
  EXPECT_TRUE(station->CanConnect());
  EXPECT_EQ(events.Count(StationEvent::kConnectUnavailable), 0);
  EXPECT_EQ(events.Count(StationEvent::kRecordMapped), 1);
  EXPECT_TRUE(station->HasLoop());
  EXPECT_FALSE(station->HasRtLan());
  EXPECT_EQ(station->GetLinkStatus(), LinkIdle);  // grey until Connect
  EXPECT_TRUE(events.Lamps().empty());
  // The simulator sees the start airport in its own mapping of the segment.
  EXPECT_STREQ(Sim().airportIdent, "EGLL");
  EXPECT_EQ(Record().userCount, 2);

  const std::uint32_t host = QMP0001_02_RtLan::FindOwnAddress();
  ASSERT_NE(host, 0u) << "this machine's name does not resolve";
  EXPECT_EQ(station->GetDestinationAddress(), host);
  EXPECT_EQ(events.Count(StationEvent::kDestination), 1);
  EXPECT_FALSE(std::string(station->GetHostIpText()).empty());
}

TEST_F(StationStart, AnOffsetsFileThatCannotBeOpenedIsToldInABoxAndTheStationGoesOn) {
  const struct {
    const char* name;
    std::function<void(const TempDir&)> make;
    const char* reason;
  } cases[] = {
      {"missing", [](const TempDir&) {}, "No such file or directory"},
      // Refused at once: opening it must not wait for a writer.
      {"FIFO", [](const TempDir& in) { mkfifo(in.File("Offsets.dat").c_str(), 0600); },
       "Not a regular file (a FIFO)"},
  };
  for (const auto& c : cases) {
    std::filesystem::remove(folder.File("Offsets.dat"));
    events.told.clear();
    c.make(folder);
    Start(nullptr);
    const auto boxes = events.Boxes();
    ASSERT_EQ(boxes.size(), 1u) << c.name;
    EXPECT_EQ(boxes[0].caption, "InitialiseAirportDataBase");
    EXPECT_EQ(boxes[0].style, kMessageBoxExclamation);
    EXPECT_EQ(boxes[0].text, std::string("InputFileClass::OpenInputFile\n") + c.reason + "\n" +
                                 folder.File("Offsets.dat"));
    EXPECT_TRUE(station->HasLoop()) << c.name;
    EXPECT_TRUE(station->CanConnect()) << c.name;
    EXPECT_EQ(events.Count(StationEvent::kConnectUnavailable), 0) << c.name;
    station.reset();
  }
}

TEST_F(StationStart, AnUnusableSegmentIsToldAndConnectStartsNothing) {
  std::strcpy(Record().version, "QMXXXY");  // another layout
  Start();
  EXPECT_FALSE(started);
  ASSERT_EQ(events.Boxes().size(), 1u);
  const StationRecorder::Told box = events.Boxes()[0];
  EXPECT_EQ(box.caption, "CTavrionDlg::InitialiseSharedMemory");
  EXPECT_EQ(box.text, "CVisShm::CVisShm\nShared Memory Version Mismatch\nPlease rebuild software");
  EXPECT_STREQ(station->GetShmError(), box.text.c_str());
  EXPECT_EQ(events.Count(StationEvent::kConnectUnavailable), 1);
  EXPECT_EQ(events.Count(StationEvent::kRecordMapped), 0);
  EXPECT_FALSE(station->HasLoop());
  EXPECT_EQ(station->GetRecord(), nullptr);
  EXPECT_EQ(station->GetStatus().segment, SegmentState::kNone);

  // Connect (were it reached) tells again and runs nothing; End still ends.
  station->Connect();
  EXPECT_EQ(events.Boxes().size(), 2u);
  EXPECT_FALSE(station->HasRtLan());
  EXPECT_FALSE(station->IsRunning());
  station->End();
  EXPECT_EQ(events.Count(StationEvent::kEnded), 1);
  EXPECT_FALSE(station->HasSegment());
  EXPECT_TRUE(clock.Sleeps().empty());             // no loop, no wait
  EXPECT_EQ(std::string(Sim().airportIdent), "");  // nothing written into a foreign layout
}

TEST_F(StationStart, SkippedOffsetsLinesAreToldOnTheMessageLine) {
  Start(
      ";\n"
      "EGLL| nan| London Heathrow\n"
      "EGKK|   -3.5| London Gatwick\n"
      "EDDF| 7.0\n"
      "LFPG| 1e308| Paris\n"
      "KJFK| inf| New York\n");
  EXPECT_TRUE(events.Boxes().empty());
  EXPECT_EQ(Message(),
            "Offsets.dat: skipped 3 lines with an offset that is not a finite number or too large "
            "(first at line 2); 1 line with fewer than three fields (line 4)");
  AirportManager table;
  EXPECT_EQ(table.GetNumberOfAirports(), 1);
}

// A file Save could not write back whole is told at start-up, and Save
// refuses it then.
TEST_F(StationStart, AFileSaveWouldSpoilIsToldAtStartUpAndSaveRefusesIt) {
  std::string larger = ";\n";
  for (int i = 0; i < AirportManager::kCountLimit + 3; ++i) {
    std::string ident(4, 'A');  // a distinct one for each line
    for (int place = 3, number = i; place >= 0; --place, number /= 26) ident[place] += number % 26;
    larger += ident + "|1|n\n";
  }
  const struct {
    std::string file;
    const char* box;
    const char* line;
  } cases[] = {
      {";\nEGKK| 1,5| Gatwick\nLFPG| 2.5m| Paris\nEGLL| 1.0| Heathrow\n",
       "Offsets.dat is not an offsets file.\nSave will not overwrite it.",
       "Offsets.dat: skipped 2 lines with an offset that is not a number (first at line 2)"},
      {larger,
       "Offsets.dat holds 20002 airports; the table keeps 19999.\n"
       "Save will not overwrite the file, so that none of its airports is lost.",
       ""},
  };
  for (const auto& c : cases) {
    AirportManager::ClearTable();
    events.told.clear();
    Start(c.file.c_str());
    const auto boxes = events.Boxes();
    ASSERT_EQ(boxes.size(), 1u) << c.box;
    EXPECT_EQ(boxes[0].caption, "InitialiseAirportDataBase");
    EXPECT_EQ(boxes[0].text, c.box);
    EXPECT_EQ(Message(), c.line);
    const CommandResult saved = station->Save();
    EXPECT_FALSE(saved.ok) << c.box;
    EXPECT_STRNE(saved.reason, "") << "the face shows why";
    EXPECT_EQ(events.Count(StationEvent::kSaved), 0);
    EXPECT_EQ(folder.Read("Offsets.dat"), c.file);
    station.reset();
  }
}

TEST_F(StationStart, AnEndWhileAStartUpBoxIsUpEndsOnceStartReturned) {
  events.whileBoxIsUp = [this] {
    events.whileBoxIsUp = nullptr;
    station->End();
    EXPECT_EQ(events.Count(StationEvent::kEnded), 0) << "ended while Start was still running";
    EXPECT_TRUE(station->HasSegment());
  };
  Start(nullptr);  // the missing file's box
  EXPECT_EQ(events.Count(StationEvent::kEnded), 1);
  EXPECT_FALSE(station->HasSegment());
  EXPECT_EQ(Record().userCount, 1);
  EXPECT_STREQ(Sim().airportIdent, "EGLL") << "the start-up ran to its end first";
}

TEST_F(StationStart, EndBeforeConnectShutsDownAndEndsAtOnce) {
  Start();
  station->End();
  EXPECT_EQ(events.Count(StationEvent::kEnded), 1);
  EXPECT_FALSE(station->HasSegment());
  EXPECT_FALSE(station->HasLoop());
  EXPECT_EQ(clock.Sleeps(), (std::vector<int>{2000}));
  EXPECT_EQ(Record().userCount, 1);  // detached
  station->ShutDown();               // the face going away follows: nothing twice
  station.reset();
  EXPECT_EQ(events.Count(StationEvent::kEnded), 1);
  EXPECT_EQ(clock.Sleeps().size(), 1u);
  EXPECT_EQ(Record().userCount, 1);
}

// Without the host's address the destination is none until one is given.
class StationWithoutHostAddress : public StationRig {
 protected:
  StationWithoutHostAddress() { m_sockets.SetHost("nowhere", 0, false); }
  Platform::FakeSockets m_sockets;
  Platform::ScopedSockets m_installed{m_sockets};
};

TEST_F(StationWithoutHostAddress, ConnectWithoutADestinationIsToldAndSendsNothing) {
  Start();
  EXPECT_EQ(station->GetDestinationAddress(), 0u);
  EXPECT_EQ(events.Count(StationEvent::kDestination), 0);
  EXPECT_TRUE(events.Boxes().empty()) << "told before anybody could give an address";
  sendToLoopback = false;
  RunConnected([&](int step) { EndAt(step, 3); });
  ASSERT_EQ(events.Boxes().size(), 1u);
  EXPECT_EQ(events.Boxes()[0].caption, "CTavrionDlg::DisplayInitialIp");
  EXPECT_EQ(events.Count(StationEvent::kConnectUnavailable), 1);
  EXPECT_TRUE(m_sockets.Sent().empty());
}

TEST_F(StationWithoutHostAddress, ADestinationGivenIsEnough) {
  Start();
  ASSERT_TRUE(station->SetDestination(Platform::AddressFromOctets(10, 1, 2, 3)).ok);
  sendToLoopback = false;
  RunConnected([&](int step) { EndAt(step, 4); });
  EXPECT_TRUE(events.Boxes().empty());
  ASSERT_EQ(m_sockets.Sent().size(), 1u);
  EXPECT_EQ(m_sockets.Sent()[0].peer.address, Platform::AddressFromOctets(10, 1, 2, 3));
}

// Started with --connect: nobody is there to answer a box.
class UnattendedStart : public StationRig {
 protected:
  UnattendedStart() { unattended = true; }
};

TEST_F(UnattendedStart, WhatABoxWouldSayGoesToTheLineToTheFacesAndToTheLanLog) {
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
    events.told.clear();
    Start(c.offsets);
    EXPECT_TRUE(events.Boxes().empty()) << c.told;
    const auto reports = events.Reports();
    ASSERT_FALSE(reports.empty()) << c.told;
    EXPECT_EQ(reports[0].caption, "InitialiseAirportDataBase");
    EXPECT_EQ(reports[0].text.rfind(c.told, 0), 0u) << reports[0].text;
    EXPECT_EQ(events.Of(StationEvent::kMessageLine)[0].text, reports[0].text);
    RunConnected([&](int step) { EndAt(step, 3); });
    EXPECT_TRUE(station->IsRtLanOk());
    EXPECT_NE(TrafficLog().find(std::string(c.told).substr(0, 30)), std::string::npos)
        << TrafficLog();
    station.reset();
  }
}

TEST_F(UnattendedStart, AnUnusableSegmentIsWaitedForAndSentFromOnceUsable) {
  std::strcpy(Record().version, "QMXXXY");  // another layout, for now
  Start();
  EXPECT_TRUE(events.Boxes().empty());
  EXPECT_TRUE(station->CanConnect());
  EXPECT_EQ(events.Count(StationEvent::kConnectUnavailable), 0);
  EXPECT_NE(Message().find("is not usable"), std::string::npos) << Message();
  int firstDatagramStep = 0;
  RunConnected([&](int step) {
    if (!Received().empty() && firstDatagramStep == 0) firstDatagramStep = step;
    if (step == 5) clock.AdvanceMilliseconds(1000);  // checked: still the wrong layout
    if (step == 9) std::strcpy(Record().version, "QMXXXX");
    if (step == 11) clock.AdvanceMilliseconds(1000);  // checked again: usable
    EndAt(step, 20);
  });
  EXPECT_GT(firstDatagramStep, 11);
  EXPECT_FALSE(station->IsSegmentLost());
  EXPECT_EQ(Record().userCount, 1) << "attached, then detached at the close";
}

}  // namespace
