// The running station's counter across runs in one working folder: a
// restarted station goes on above what the last run sent, so that a Google
// Earth that kept running accepts it at once.

#include <climits>
#include <string>

#include "StationRig.h"
#include "ViewSyncCounter.h"

namespace {

class StationCounter : public StationRig {
 protected:
  void SetUp() override {
    Start();
    Sim().latitude = 51.4775;
    Sim().longitude = -0.461389;
    Sim().heightAgl = 100.0;
  }

  // Runs until the step, collecting the counters that arrive; ends there.
  std::vector<int> RunUntil(int closingStep, const std::function<void(int)>& script = nullptr) {
    std::vector<int> counters;
    RunConnected([&](int step) {
      for (const std::string& payload : Received()) counters.push_back(std::stoi(payload));
      if (script) script(step);
      EndAt(step, closingStep);
    });
    for (const std::string& payload : Received()) counters.push_back(std::stoi(payload));
    return counters;
  }

  int StoredCounter() {
    int value = -1;
    char reason[ViewSyncCounterFile::kReasonSize];
    ViewSyncCounterFile(folder.Path().c_str()).Read(&value, reason, sizeof reason);
    return value;
  }
};

TEST_F(StationCounter, ASecondRunInTheSameFolderStartsAboveTheFirstRunsLast) {
  const std::vector<int> first = RunUntil(11);
  ASSERT_EQ(first, (std::vector<int>{1510, 1511, 1512, 1513, 1514}));
  EXPECT_EQ(StoredCounter(), 1514);  // written at the close-down

  Restart();
  const std::vector<int> second = RunUntil(7);
  ASSERT_EQ(second, (std::vector<int>{2515, 2516, 2517}));
  EXPECT_NE(TrafficLog().find("\tViewSync counter: 1514 sent before, first datagram 2515\n"),
            std::string::npos)
      << TrafficLog();
  EXPECT_EQ(StoredCounter(), 2517);
}

TEST_F(StationCounter, ACorruptFileMeans1510AndOneLineInTheLanLog) {
  folder.Write(ViewSyncCounterFile::kFileName, "12x4\n");
  const std::vector<int> counters = RunUntil(5);
  ASSERT_FALSE(counters.empty());
  EXPECT_EQ(counters[0], 1510);
  const std::string log = TrafficLog();
  std::size_t lines = 0;
  for (std::size_t at = log.find("ViewSyncCounter.txt"); at != std::string::npos;
       at = log.find("ViewSyncCounter.txt", at + 1)) {
    ++lines;
  }
  EXPECT_EQ(lines, 1u) << log;
  EXPECT_NE(log.find("ViewSyncCounter.txt: not a counter: \"12x4\"; first datagram 1510"),
            std::string::npos)
      << log;
  EXPECT_TRUE(events.Boxes().empty());
}

TEST_F(StationCounter, TheFileFollowsTheCounterAboutOnceASecondWhileSending) {
  std::vector<int> stored;
  RunUntil(24, [&](int step) {
    if (step == 19 || step == 21 || step == 23) stored.push_back(StoredCounter());
    if (step == 20) clock.AdvanceMilliseconds(1000);  // frame 20 finds a second gone
  });
  // The start, then the datagram of frame 20, until another second passes.
  EXPECT_EQ(stored, (std::vector<int>{1509, 1519, 1519}));
}

TEST_F(StationCounter, PausingWritesTheLastCounterSent) {
  int whilePaused = 0;
  RunUntil(14, [&](int step) {
    if (step == 9) pump.Post([this] { station->Connect(); });  // pause after frame 8
    if (step == 12) whilePaused = StoredCounter();
  });
  EXPECT_EQ(whilePaused, 1513);
}

TEST_F(StationCounter, NearTheLargestIntTheRunStartsOverAndTheOperatorIsTold) {
  folder.Write(ViewSyncCounterFile::kFileName, std::to_string(INT_MAX - 1000) + "\n");
  const std::vector<int> counters = RunUntil(5);
  ASSERT_FALSE(counters.empty());
  EXPECT_EQ(counters[0], 1510);
  EXPECT_EQ(Message(), Station::kCounterStartedOverText);
  EXPECT_NE(TrafficLog().find(Station::kCounterStartedOverText), std::string::npos) << TrafficLog();
}

}  // namespace
