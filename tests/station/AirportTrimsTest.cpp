// The airport table and its trims, driven without any window.

#include <gtest/gtest.h>

#include "AirportTrims.h"
#include "TempDir.h"

namespace {

class AirportTrimsTest : public ::testing::Test {
 protected:
  void SetUp() override { AirportManager::ClearTable(); }
  void TearDown() override { AirportManager::ClearTable(); }
  double Stored(const char* ident) {
    AirportRecord record{};
    EXPECT_TRUE(trims.Table().FindAirport(ident, record)) << ident;
    return record.datumOffset;
  }
  TempDir folder;
  AirportTrims trims;
};

TEST_F(AirportTrimsTest, ATrimGoesToTheReportedAirportWhichGetsARecordWhenItHasNone) {
  ASSERT_TRUE(trims.Load(folder.Write("Offsets.dat", ";\nEGLL|   12.0| London\n").c_str()));
  double offset = 0.0;
  ASSERT_TRUE(trims.Follow("EGLL", &offset));
  EXPECT_EQ(offset, 12.0);
  EXPECT_FALSE(trims.Follow("EGLL", &offset)) << "only a change is followed";
  trims.Trim("EGLL", 12.0, 12.5);
  trims.Keep(12.5);
  EXPECT_EQ(Stored("EGLL"), 12.5);

  EXPECT_FALSE(trims.Follow("LFPG", &offset));  // not in the table
  EXPECT_EQ(trims.GetAirportIndex(), AirportTrims::kNoAirport);
  trims.Trim("LFPG", 12.5, 13.0);  // its record starts from the offset in force
  EXPECT_EQ(Stored("LFPG"), 12.5);
  trims.Keep(13.0);
  EXPECT_EQ(Stored("LFPG"), 13.0);
  EXPECT_EQ(Stored("EGLL"), 12.5);
}

}  // namespace
