#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "SharedTestSegment.h"
#include "VisualShm.h"

namespace {

const char kMismatchText[] =
    "CVisShm::CVisShm\nShared Memory Version Mismatch\nPlease rebuild software";

bool AllZero(const char* bytes, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    if (bytes[i] != 0) return false;
  }
  return true;
}

TEST(CVisShm, TheFirstProgramUpCreatesZeroesAndStampsTheRecord) {
  SharedTestSegment name;
  CVisShm shm(name.Name());
  ASSERT_TRUE(shm.IsUsable()) << shm.GetErrorText();
  EXPECT_EQ(name.Size(), 15944);
  VisualInterfaceRecord* record = shm.GetRecord();
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(static_cast<void*>(record), shm.GetData());
  EXPECT_EQ(std::memcmp(record->version, "QMXXXX", 6), 0);
  EXPECT_TRUE(AllZero(record->version + 6, 58));
  EXPECT_EQ(record->userCount, 1);
  EXPECT_EQ(record->stateWord, 0);
  EXPECT_EQ(record->visualBlock.latitude, 0.0);
  EXPECT_TRUE(AllZero(record->unused188, sizeof record->unused188));
  // The open that came first failed; its text stays behind unshown.
  EXPECT_STREQ(shm.GetErrorText(), "OpenFileMapping (Code: 2)");
}

TEST(CVisShm, AttachesCountUpAndDetachesCountDownKeepingTheOthersView) {
  SharedTestSegment name;
  auto* first = new CVisShm(name.Name());
  ASSERT_TRUE(first->IsUsable());
  first->GetRecord()->visualBlock.altitude = 123.5;

  CVisShm second(name.Name());
  ASSERT_TRUE(second.IsUsable()) << second.GetErrorText();
  EXPECT_STREQ(second.GetErrorText(), "") << "a plain attach leaves no text";
  VisualInterfaceRecord* record = second.GetRecord();
  EXPECT_EQ(record->userCount, 2);
  EXPECT_EQ(record->visualBlock.altitude, 123.5) << "an attach does not zero the record";

  delete first;
  EXPECT_EQ(record->userCount, 1);
  EXPECT_EQ(std::string(record->version), "QMXXXX");
  record->visualBlock.heading = 270.0;
  EXPECT_EQ(record->visualBlock.heading, 270.0);
  {
    CVisShm third(name.Name());
    EXPECT_EQ(record->userCount, 2);
  }
  EXPECT_EQ(record->userCount, 1);
}

TEST(CVisShm, TheLastDetachLeavesTheCountAtZeroAndTheSegmentInPlace) {
  SharedTestSegment name;
  { CVisShm only(name.Name()); }
  EXPECT_EQ(name.Size(), 15944);
  CVisShm again(name.Name());
  ASSERT_TRUE(again.IsUsable());
  EXPECT_EQ(again.GetRecord()->userCount, 1);
}

TEST(CVisShm, ACountBroughtDownByAnotherProgramStopsAtZero) {
  SharedTestSegment name;
  CVisShm keeper(name.Name());
  {
    CVisShm shm(name.Name());
    shm.GetRecord()->userCount = -5;
  }
  EXPECT_EQ(keeper.GetRecord()->userCount, 0);
}

// Writes a version field into an existing record through a second attach.
class VersionMismatch : public ::testing::TestWithParam<std::string> {};

TEST_P(VersionMismatch, IsRefusedAndLeavesTheCountAlone) {
  SharedTestSegment name;
  CVisShm owner(name.Name());
  VisualInterfaceRecord* record = owner.GetRecord();
  ASSERT_NE(record, nullptr);
  std::memset(record->version, 0, sizeof record->version);
  std::memcpy(record->version, GetParam().data(),
              std::min(GetParam().size(), sizeof record->version));
  record->userCount = 7;
  {
    CVisShm other(name.Name());
    EXPECT_FALSE(other.IsUsable());
    EXPECT_EQ(other.GetRecord(), nullptr);
    EXPECT_NE(other.GetData(), nullptr) << "the segment stays mapped";
    EXPECT_STREQ(other.GetErrorText(), kMismatchText);
    EXPECT_EQ(record->userCount, 7);
  }
  EXPECT_EQ(record->userCount, 7) << "the detach of a mismatched attach does not count";
}

INSTANTIATE_TEST_SUITE_P(CVisShm, VersionMismatch,
                         ::testing::Values(std::string("QMXXXY"), std::string("QMXXX"),
                                           std::string("QMXXXXX"), std::string("qmxxxx"),
                                           std::string(" QMXXXX"), std::string(6, '\0'),
                                           std::string(64, 'Q')));

TEST(CVisShm, OnlyTheVersionTextBeforeItsFirstZeroCounts) {
  VisualInterfaceRecord record{};
  std::memcpy(record.version, "QMXXXX\0garbage", 14);
  EXPECT_TRUE(CVisShm::VersionMatches(record));
  std::memcpy(record.version, "QMXXXX#", 7);
  EXPECT_FALSE(CVisShm::VersionMatches(record));
}

TEST(CVisShm, ASegmentThatCanBeNeitherOpenedNorCreatedGivesTheSystemText) {
  CVisShm shm("bad/name");
  EXPECT_FALSE(shm.IsUsable());
  EXPECT_EQ(shm.GetRecord(), nullptr);
  EXPECT_EQ(shm.GetData(), nullptr);
  EXPECT_EQ(std::string(shm.GetErrorText()),
            std::string("CVisShm::CVisShm\n") + std::strerror(EINVAL));
}

TEST(CVisShm, ASegmentTooShortForTheRecordIsNotUsedAtAll) {
  SharedTestSegment name;
  ASSERT_EQ(Platform::CreateSharedSegment(name.Name(), 100), 0);
  {
    CVisShm shm(name.Name());
    EXPECT_FALSE(shm.IsUsable());
    EXPECT_EQ(shm.GetRecord(), nullptr);
    EXPECT_STREQ(shm.GetErrorText(),
                 "CVisShm::CVisShm\nShared Memory Size Mismatch\n100 bytes, record needs 15944");
  }
  EXPECT_EQ(name.Size(), 100) << "someone else's segment is not resized";
}

TEST(CVisShm, AnEmptySegmentLeftByAStoppedCreatorIsTakenOver) {
  SharedTestSegment name;
  ASSERT_EQ(Platform::CreateSharedSegment(name.Name(), 0), 0);
  CVisShm shm(name.Name());
  ASSERT_TRUE(shm.IsUsable()) << shm.GetErrorText();
  EXPECT_EQ(name.Size(), 15944);
  EXPECT_EQ(shm.GetRecord()->userCount, 1);
  EXPECT_STREQ(shm.GetErrorText(), "MapViewOfFile (Code: 22)");
}

}  // namespace
