#include <random>
#include <string>

#include "AirportFixture.h"
#include "ConfigControl.h"
#include "TextFunctions.h"

namespace {

// The lookup as a plain scan of every slot: the result the index must give.
int LiteralFind(const AirportManager& airports, const std::string& ident) {
  int found = -1;
  AirportRecord record{};
  for (int slot = 0; slot < AirportManager::kTableSize; ++slot) {
    airports.GetAirport(slot, record);
    if (SameIgnoringSpaces(record.ident, ident.c_str())) found = slot;
  }
  return found;
}

// Identifiers from a small alphabet, so that blanks, case and duplicates meet often.
std::string RandomIdent(std::mt19937& random, int maxLength) {
  static const char kAlphabet[] = "  AaB";
  std::string ident(random() % (maxLength + 1), ' ');
  for (char& c : ident) c = kAlphabet[random() % 5];
  return ident;
}

}  // namespace

TEST_F(AirportTest, FindIgnoresBlanksButNotCaseAndAMissChangesNothing) {
  ASSERT_TRUE(LoadLines("EGKK| 1.0| Gatwick\nEGLL| 12.5| Heathrow\n"));
  AirportRecord found{};
  ASSERT_TRUE(m_airports.FindAirport(" EG LL ", found));
  EXPECT_EQ(m_airports.GetCurrentIndex(), 1);
  EXPECT_STREQ(found.name, "Heathrow");
  AirportRecord kept = found;
  EXPECT_FALSE(m_airports.FindAirport("egll", found));
  EXPECT_FALSE(m_airports.FindAirport("EGLLX", found));
  EXPECT_FALSE(m_airports.FindAirport(nullptr, found));
  EXPECT_EQ(m_airports.GetCurrentIndex(), 1);
  EXPECT_EQ(std::string(found.name), kept.name);
}

TEST_F(AirportTest, LaterDuplicateIsFoundAndBothAreSaved) {
  ASSERT_TRUE(LoadLines("EGLL| 1.0| Old\nEGKK| 2.0| Gatwick\nEGLL| 3.0| New\n"));
  EXPECT_EQ(Find("EGLL"), 2);
  ASSERT_TRUE(Save());
  EXPECT_EQ(m_dir.Read("Offsets.dat"),
            kSavedHeader + "EGLL|    1.0| Old\nEGKK|    2.0| Gatwick\nEGLL|    3.0| New\n");
}

TEST_F(AirportTest, EmptyIdentifierFindsTheLastFreeSlot) {
  ASSERT_TRUE(LoadLines("EGLL| 1.0| a\n   | 2.0| blank\n"));
  EXPECT_EQ(Find(""), 19999);
  EXPECT_EQ(Find("   "), 19999);
  EXPECT_STREQ(Slot(19999).ident, "");
  // Only the first 999 characters of the identifier count.
  EXPECT_EQ(Find((std::string(995, ' ') + "EGLL").c_str()), 0);
  EXPECT_EQ(Find((std::string(999, ' ') + "EGLL").c_str()), 19999);
}

TEST_F(AirportTest, IndexedLookupAgreesWithAScanOfEverySlot) {
  std::mt19937 random(20240611);
  for (int round = 0; round < 3; ++round) {
    std::string lines;
    int records = round == 2 ? 20100 : 300;  // the last round fills the table and overflows
    for (int i = 0; i < records; ++i) lines += RandomIdent(random, 4) + "|1|n\n";
    ASSERT_TRUE(LoadLines(lines));
    for (int query = 0; query < 150; ++query) {
      std::string ident = RandomIdent(random, 6);
      ASSERT_EQ(Find(ident.c_str()), LiteralFind(m_airports, ident)) << "'" << ident << "'";
    }
  }
}

TEST_F(AirportTest, IndexRangesOfGetAndSetDatumOffset) {
  ASSERT_TRUE(LoadLines("EGLL| 1.0| a\nEGKK| 2.0| b\n"));
  AirportRecord record{};
  record.datumOffset = 7.0;
  EXPECT_FALSE(m_airports.GetAirport(-1, record));
  EXPECT_FALSE(m_airports.GetAirport(20000, record));
  EXPECT_EQ(record.datumOffset, 7.0);
  m_airports.SetDatumOffset(-1, 50.0);
  m_airports.SetDatumOffset(20000, 50.0);
  EXPECT_EQ(Slot(0).datumOffset, 1.0);
  // The file's first airport is trimmed and saved like the others.
  m_airports.SetDatumOffset(0, 5.5);
  m_airports.SetDatumOffset(1, -3.25);
  ASSERT_TRUE(Save());
  EXPECT_EQ(m_dir.Read("Offsets.dat"), kSavedHeader + "EGLL|    5.5| a\nEGKK|   -3.2| b\n");
}

TEST_F(AirportTest, AnAddedAirportIsFoundAsReportedAndSavedAsANewLine) {
  ASSERT_TRUE(LoadLines("EGLL| 1.0| a\n"));
  const int slot = m_airports.AddAirport(" ED DF", "", 13.5);
  ASSERT_EQ(slot, 1);
  EXPECT_EQ(m_airports.GetNumberOfAirports(), 2);
  AirportRecord record{};
  ASSERT_TRUE(m_airports.FindAirport("EDDF ", record));
  EXPECT_EQ(m_airports.GetCurrentIndex(), slot);
  EXPECT_STREQ(record.ident, "EDDF");
  EXPECT_STREQ(record.name, "");
  m_airports.SetDatumOffset(slot, 14.0);
  ASSERT_TRUE(Save());
  EXPECT_EQ(m_dir.Read("Offsets.dat"), kSavedHeader + "EGLL|    1.0| a\nEDDF|   14.0| \n");

  // Read back, the new line is the same airport with its empty name.
  AirportManager::ClearTable();
  ASSERT_TRUE(m_airports.ReadOffsetsFile(m_dir.File("Offsets.dat").c_str()));
  ASSERT_TRUE(m_airports.FindAirport("EDDF", record));
  EXPECT_STREQ(record.name, "");
  EXPECT_EQ(record.datumOffset, 14.0);
}

TEST_F(AirportTest, AnAirportThatCouldNeverBeFoundOrSavedIsNotAdded) {
  ASSERT_TRUE(LoadLines("EGLL| 1.0| a\n"));
  EXPECT_EQ(m_airports.AddAirport("", "", 1.0), -1);
  EXPECT_EQ(m_airports.AddAirport("   ", "", 1.0), -1);
  EXPECT_EQ(m_airports.AddAirport("EDDFX", "", 1.0), -1);  // the lookup compares five
  EXPECT_EQ(m_airports.AddAirport(nullptr, "", 1.0), -1);
  EXPECT_EQ(m_airports.GetNumberOfAirports(), 1);
}

TEST_F(AirportTest, PercentSignsAreCopiedVerbatim) {
  ASSERT_TRUE(LoadLines("E%sL| 1.0| 100% %s %d\n"));
  AirportRecord record{};
  ASSERT_TRUE(m_airports.FindAirport("E%sL", record));
  EXPECT_STREQ(record.name, "100% %s %d");
  ASSERT_TRUE(Save());
  EXPECT_EQ(m_dir.Read("Offsets.dat"), kSavedHeader + "E%sL|    1.0| 100% %s %d\n");
}

TEST(AirportManagerRegistration, RegistersItsThreeUnitsOncePerProcess) {
  ConfigControl::Clear();
  { AirportManager first; }
  // Under CTest each test has its own process, so this is the first object.
  if (ConfigControl::GetComponent()[0] != '\0') {
    EXPECT_STREQ(ConfigControl::GetComponent(), "CAirportManager");
    EXPECT_STREQ(ConfigControl::GetPartNumber(), "QM2137");
    EXPECT_STREQ(ConfigControl::GetRevision(), "1.2");
  }
  ConfigControl::Clear();
  AirportManager second;
  EXPECT_STREQ(ConfigControl::GetComponent(), "");
}
