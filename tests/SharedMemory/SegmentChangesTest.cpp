// The simulator's side changing the segment under a mapped view: removing
// its name, making it anew, shrinking it. The reader must notice, must not
// die of the bus error that a shrunk view raises, and must keep the user
// counts of both segments right.

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "SegmentResize.h"
#include "SharedTestSegment.h"
#include "VisualShm.h"

namespace {

using MappingState = BaseSharedMemory::MappingState;

TEST(CVisShm, AccessesToARecordShrunkAwayFailInsteadOfEndingTheProgram) {
  SharedTestSegment name;
  CVisShm shm(name.Name());
  ASSERT_TRUE(shm.IsUsable());
  shm.GetRecord()->visualBlock.latitude = 51.5;
  VisualBlock block{};
  ASSERT_TRUE(shm.ReadVisualBlock(block));
  EXPECT_EQ(block.latitude, 51.5);

  ASSERT_TRUE(ResizeSharedSegment(name.Name(), 0));
  EXPECT_FALSE(shm.ReadVisualBlock(block));
  std::int32_t word = 0;
  EXPECT_FALSE(shm.ReadStateWord(word));
  EXPECT_FALSE(shm.WriteAirportIdent("EGLL"));

  // Grown again (zero pages), the same view reads once more.
  ASSERT_TRUE(ResizeSharedSegment(name.Name(), kVisualInterfaceSize));
  EXPECT_TRUE(shm.ReadVisualBlock(block));
  EXPECT_EQ(block.latitude, 0.0);
}

TEST(BaseSharedMemory, CheckMappingTellsARemovedARemadeAndAShrunkSegmentApart) {
  SharedTestSegment name;
  CVisShm shm(name.Name());
  ASSERT_TRUE(shm.IsUsable());
  EXPECT_EQ(shm.CheckMapping(), MappingState::kIntact);
  EXPECT_EQ(shm.GetCurrentSize(), static_cast<std::size_t>(kVisualInterfaceSize));

  ASSERT_TRUE(ResizeSharedSegment(name.Name(), 100));
  EXPECT_EQ(shm.CheckMapping(), MappingState::kShrunk);
  EXPECT_EQ(shm.GetCurrentSize(), 100u);
  ASSERT_TRUE(ResizeSharedSegment(name.Name(), kVisualInterfaceSize + 4096));
  EXPECT_EQ(shm.CheckMapping(), MappingState::kIntact) << "grown beyond the view is still whole";

  ASSERT_EQ(Platform::RemoveSharedSegment(name.Name()), 0);
  EXPECT_EQ(shm.CheckMapping(), MappingState::kNameGone);
  CVisShm remade(name.Name());
  ASSERT_TRUE(remade.IsUsable());
  EXPECT_EQ(shm.CheckMapping(), MappingState::kReplaced);
  EXPECT_EQ(remade.CheckMapping(), MappingState::kIntact);
}

TEST(CVisShm, OpenOnlyAttachesToAnExistingSegmentAndNeverMakesOne) {
  SharedTestSegment name;
  CVisShm absent(name.Name(), CVisShm::AttachMode::kOpenOnly);
  EXPECT_FALSE(absent.IsUsable());
  EXPECT_EQ(std::string(absent.GetErrorText()), "CVisShm::CVisShm\nNo such file or directory");
  EXPECT_EQ(name.Size(), -1);

  CVisShm simulator(name.Name());
  ASSERT_TRUE(simulator.IsUsable());
  {
    CVisShm station(name.Name(), CVisShm::AttachMode::kOpenOnly);
    ASSERT_TRUE(station.IsUsable());
    EXPECT_EQ(simulator.GetRecord()->userCount, 2);
  }
  EXPECT_EQ(simulator.GetRecord()->userCount, 1);
}

TEST(CVisShm, LeavingASegmentMadeAnewLowersTheOldCountAndLeavesTheNewOne) {
  SharedTestSegment name;
  CVisShm oldSimulator(name.Name());
  auto* station = new CVisShm(name.Name());
  ASSERT_EQ(oldSimulator.GetRecord()->userCount, 2);

  ASSERT_EQ(Platform::RemoveSharedSegment(name.Name()), 0);
  CVisShm newSimulator(name.Name());
  ASSERT_EQ(newSimulator.GetRecord()->userCount, 1);
  delete station;
  EXPECT_EQ(oldSimulator.GetRecord()->userCount, 1);
  EXPECT_EQ(newSimulator.GetRecord()->userCount, 1);
}

TEST(CVisShm, ASegmentShrunkUnderTheViewIsLeftWithoutABusError) {
  SharedTestSegment name;
  CVisShm simulator(name.Name());
  auto* station = new CVisShm(name.Name());
  ASSERT_TRUE(ResizeSharedSegment(name.Name(), 64));  // the version stays, the count is gone
  delete station;                        // nothing left to lower: no fault
  ASSERT_TRUE(ResizeSharedSegment(name.Name(), kVisualInterfaceSize));
  EXPECT_EQ(simulator.GetRecord()->userCount, 0);

  // Too short to attach to: not usable, and nothing counted or written.
  ASSERT_TRUE(ResizeSharedSegment(name.Name(), 100));
  CVisShm shortOne(name.Name(), CVisShm::AttachMode::kOpenOnly);
  EXPECT_FALSE(shortOne.IsUsable());
  EXPECT_EQ(std::string(shortOne.GetErrorText()),
            "CVisShm::CVisShm\nShared Memory Size Mismatch\n100 bytes, record needs 15944");
}

}  // namespace
