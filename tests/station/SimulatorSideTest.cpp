// The simulator's side, driven without any window: a segment lost and found
// again, and data that stands still.

#include <gtest/gtest.h>
#include <unistd.h>

#include <memory>
#include <string>

#include "SharedSegment.h"
#include "SimulatorSide.h"
#include "VisualShm.h"

namespace {

class SimulatorSideTest : public ::testing::Test {
 protected:
  ~SimulatorSideTest() override {
    simulator.reset();
    Platform::RemoveSharedSegment(name.c_str());
  }
  const std::string name = "TavrionSideTest-" + std::to_string(::getpid());
  std::unique_ptr<CVisShm> simulator = std::make_unique<CVisShm>(name.c_str());
};

TEST_F(SimulatorSideTest, ASegmentRemovedIsLetGoAndOneMadeAnewAttachedAtTheNextCheck) {
  SimulatorSide side(name.c_str());
  ASSERT_TRUE(side.Attach()) << side.ErrorText();
  EXPECT_FALSE(side.WatchSegment(0).lost);  // starts the timing
  Platform::RemoveSharedSegment(name.c_str());
  EXPECT_FALSE(side.WatchSegment(999).lost) << "checked once a second only";
  const SimulatorSide::SegmentChange gone = side.WatchSegment(1000);
  EXPECT_TRUE(gone.lost);
  EXPECT_FALSE(gone.attachedAgain);
  EXPECT_STREQ(side.LostWhat(), "was removed");
  bool lost = false;
  EXPECT_FALSE(side.ReadBlock(&lost));
  simulator = std::make_unique<CVisShm>(name.c_str());
  simulator->GetRecord()->visualBlock.latitude = 48.0;
  EXPECT_TRUE(side.WatchSegment(2000).attachedAgain);
  ASSERT_TRUE(side.ReadBlock(&lost));
  EXPECT_EQ(side.Block().latitude, 48.0);
}

TEST_F(SimulatorSideTest, DataStandingStillForMoreThanFiveSecondsIsFrozenUntilItMoves) {
  SimulatorSide side(name.c_str());
  ASSERT_TRUE(side.Attach());
  bool lost = false;
  const struct {
    std::uint32_t now;
    double latitude;
    SimulatorSide::DataChange change;
  } steps[] = {
      {0, 51.0, SimulatorSide::DataChange::kNone},
      {5000, 51.0, SimulatorSide::DataChange::kNone},
      {5001, 51.0, SimulatorSide::DataChange::kFrozen},
      {9000, 51.0, SimulatorSide::DataChange::kNone},  // told once
      {9001, 51.1, SimulatorSide::DataChange::kMovingAgain},
  };
  for (const auto& step : steps) {
    simulator->GetRecord()->visualBlock.latitude = step.latitude;
    ASSERT_TRUE(side.ReadBlock(&lost));
    EXPECT_EQ(side.WatchData(step.now), step.change) << step.now;
  }
}

}  // namespace
