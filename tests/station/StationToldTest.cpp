// What the station tells of conditions that keep its datagrams from doing
// their job: a segment nobody wrote yet, a counter file it cannot keep; each
// told once when it begins and once when it ends.

#include <filesystem>
#include <string>
#include <vector>

#include "StationRig.h"

namespace {

using StationTold = StationRig;

// The texts told (kTold), in order.
std::vector<std::string> ToldTexts(const StationRecorder& events) {
  std::vector<std::string> texts;
  for (const auto& told : events.Of(StationEvent::kTold)) texts.push_back(told.text);
  return texts;
}

TEST_F(StationTold, ASegmentTheStationMadeSendsNothingUntilASimulatorWritesIt) {
  WithoutSimulator();
  Start();
  ASSERT_TRUE(started);
  const std::string waiting = "Simulator segment \"" + SegmentName() +
                              "\" was made by this station: nothing is sent until the simulator "
                              "writes it";
  EXPECT_EQ(Message(), waiting);
  StationStatus whileUnwritten{};
  RunConnected([&](int step) {
    if (step == 10) {
      whileUnwritten = station->GetStatus();
      EXPECT_TRUE(Received().empty()) << "a camera from a record nobody wrote";
      SimulatorAttaches();
      Sim().latitude = 51.4775;
      Sim().longitude = -0.461389;
    }
    EndAt(step, 16);
  });
  EXPECT_EQ(whileUnwritten.segment, SegmentState::kUnwritten);
  EXPECT_STREQ(whileUnwritten.airport, "") << "the start airport it stamped itself";
  EXPECT_EQ(whileUnwritten.sent, 0);
  const std::vector<std::string> received = Received();
  ASSERT_FALSE(received.empty());
  EXPECT_EQ(received.front().rfind("1510,51.477500,-0.461389,", 0), 0u) << received.front();
  const std::vector<std::string> told = ToldTexts(events);
  ASSERT_EQ(told.size(), 2u);
  EXPECT_EQ(told[0], waiting);
  EXPECT_EQ(told[1], "The simulator writes segment \"" + SegmentName() + "\": datagrams leave");
  EXPECT_EQ(station->GetStatus().segment, SegmentState::kNone) << "released at the end";
}

TEST_F(StationTold, ASegmentTheSimulatorMadeIsUsedAsItIs) {
  Start();
  EXPECT_EQ(station->GetStatus().segment, SegmentState::kAttached);
  EXPECT_TRUE(ToldTexts(events).empty());
}

TEST_F(StationTold, ACounterFileThatCannotBeWrittenIsToldUntilItIsWrittenAgain) {
  Start();
  std::filesystem::create_directory(folder.File("ViewSyncCounter.txt.new"));
  std::vector<StationStatus> seen;
  RunConnected([&](int step) {
    if (step == 3) seen.push_back(station->GetStatus());
    if (step == 4) {
      std::filesystem::remove(folder.File("ViewSyncCounter.txt.new"));
      clock.AdvanceMilliseconds(1000);  // the next write is due
    }
    if (step == 8) seen.push_back(station->GetStatus());
    EndAt(step, 9);
  });
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_FALSE(seen[0].counterKept);
  EXPECT_EQ(std::string(seen[0].message).rfind("ViewSyncCounter.txt not written: ", 0), 0u)
      << seen[0].message;
  EXPECT_NE(std::string(seen[0].message)
                .find(": a Google Earth that keeps running will not take this station's "
                      "datagrams after a restart"),
            std::string::npos)
      << seen[0].message;
  EXPECT_TRUE(seen[1].counterKept);
  EXPECT_STREQ(seen[1].message, "ViewSyncCounter.txt written again");
  EXPECT_EQ(ToldTexts(events).size(), 2u) << "told once when it began, once when it ended";
  EXPECT_NE(folder.Read("ViewSyncCounter.txt"), "");
}

TEST_F(StationTold, AReportKeepsItsCaptionAndIsNotToldAgainWhenTheLineComesBackToIt) {
  unattended = true;
  Start(nullptr);  // no offsets file
  RunConnected([&](int step) {
    if (step == 3) Platform::RemoveSharedSegment(SegmentName().c_str());
    if (step == 4) clock.AdvanceMilliseconds(1000);  // found gone
    if (step == 6) WithoutSimulator(), SimulatorAttaches();
    if (step == 7) clock.AdvanceMilliseconds(1000);  // attached again
    EndAt(step, 10);
  });
  const auto told = events.Of(StationEvent::kTold);
  ASSERT_GE(told.size(), 3u);
  EXPECT_EQ(told[0].caption, "InitialiseAirportDataBase");
  EXPECT_EQ(told[0].text.rfind("InputFileClass::OpenInputFile ", 0), 0u) << told[0].text;
  int offsetsTold = 0;
  for (const auto& one : told) {
    if (one.caption == "InitialiseAirportDataBase") ++offsetsTold;
  }
  EXPECT_EQ(offsetsTold, 1) << "told again when the line came back to it";
  EXPECT_EQ(Message().rfind("Attached again to the simulator's segment", 0), 0u) << Message();
}

}  // namespace
