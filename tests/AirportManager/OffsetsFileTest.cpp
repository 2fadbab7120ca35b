#include <algorithm>
#include <clocale>
#include <string>

#include "AirportFixture.h"

namespace {

std::string NumberedLines(int first, int count) {
  std::string lines;
  for (int i = first; i < first + count; ++i) lines += "A" + std::to_string(i) + "|1|n\n";
  return lines;
}

}  // namespace

TEST_F(AirportTest, FirstLineIsSkippedAndTheSecondLoaded) {
  ASSERT_TRUE(Load("EGLL| 1.0| First\nEGKK| 2.0| Second\n"));
  ASSERT_EQ(m_airports.GetNumberOfAirports(), 1);
  EXPECT_STREQ(Slot(0).ident, "EGKK");
}

TEST_F(AirportTest, CommentsAndLinesWithFewerThanThreeFieldsAreSkipped) {
  ASSERT_TRUE(LoadLines(";EGKK| 1.0| Comment\nEGLL| 12.0\n\n|||\nEGLL||12.0||London\n"));
  ASSERT_EQ(m_airports.GetNumberOfAirports(), 1);
  AirportRecord record = Slot(0);
  EXPECT_STREQ(record.ident, "EGLL");
  EXPECT_DOUBLE_EQ(record.datumOffset, 12.0);
  EXPECT_STREQ(record.name, "London");
}

TEST_F(AirportTest, IdentIsCutToFourCharactersWithLeadingBlanksKept) {
  ASSERT_TRUE(LoadLines("EGLLX| 1.0| a\n EGLL| 2.0| b\n"));
  EXPECT_STREQ(Slot(0).ident, "EGLL");
  EXPECT_STREQ(Slot(1).ident, " EGL");
  EXPECT_EQ(Find("EGLL"), 0);
  EXPECT_EQ(Find("EGL"), 1);
}

TEST_F(AirportTest, OffsetIsReadAsADecimalPrefixAndZeroWhenNotANumber) {
  ASSERT_TRUE(LoadLines("AAAA| north| a\nBBBB|  -12.5m| b\nCCCC|1e2| c\n"));
  EXPECT_EQ(Slot(0).datumOffset, 0.0);
  EXPECT_EQ(Slot(1).datumOffset, -12.5);
  EXPECT_EQ(Slot(2).datumOffset, 100.0);
}

TEST_F(AirportTest, NameLosesTheWritersBlankNewlineAndFurtherFieldsAndKeeps49Characters) {
  std::string sixty(60, 'n');
  ASSERT_TRUE(
      LoadLines("AAAA| 1| " + sixty + "\nBBBB| 1|  Two blanks\r\nCCCC| 1| Name|more|fields\n"));
  EXPECT_EQ(std::string(Slot(0).name), sixty.substr(0, 49));
  EXPECT_STREQ(Slot(1).name, " Two blanks");
  EXPECT_STREQ(Slot(2).name, "Name");
}

TEST_F(AirportTest, OnlyThe255FirstCharactersAreExaminedAndLongLinesArriveInPieces) {
  std::string late = "AAAA|" + std::string(245, ' ') + "1| Name";  // the name starts at 253
  std::string longLine = "BBBB| 2| " + std::string(1014, 'x') + "CCCC| 3| Rest";
  ASSERT_TRUE(LoadLines(late + "\n" + longLine + "\n"));
  ASSERT_EQ(m_airports.GetNumberOfAirports(), 3);
  EXPECT_STREQ(Slot(0).name, "Na");
  EXPECT_EQ(std::string(Slot(1).name), std::string(49, 'x'));
  EXPECT_STREQ(Slot(2).ident, "CCCC");
  EXPECT_STREQ(Slot(2).name, "Rest");
}

TEST_F(AirportTest, MissingFileFailsWithTheOpenFailureAndEmptyFileLoadsNothing) {
  std::string missing = m_dir.File("Absent.dat");
  EXPECT_FALSE(m_airports.ReadOffsetsFile(missing.c_str()));
  EXPECT_EQ(std::string(m_airports.GetErrorText()),
            "InputFileClass::OpenInputFile\nNo such file or directory\n" + missing);
  EXPECT_TRUE(Load(""));
  EXPECT_TRUE(Load("heading only"));
  EXPECT_EQ(m_airports.GetNumberOfAirports(), 0);
}

TEST_F(AirportTest, CountStopsAt19999AndFurtherRecordsReplaceSlot19999) {
  ASSERT_TRUE(LoadLines(NumberedLines(0, 19999)));
  ASSERT_EQ(m_airports.GetNumberOfAirports(), 19999);
  EXPECT_STREQ(Slot(19999).ident, "");
  // A second load appends: nothing clears the table.
  ASSERT_TRUE(LoadLines("OVR1|1|first\nOVR2|2|second\n"));
  EXPECT_EQ(m_airports.GetNumberOfAirports(), 19999);
  EXPECT_STREQ(Slot(19999).name, "second");
  EXPECT_EQ(Find("OVR2"), 19999);
  EXPECT_EQ(Find("OVR1"), -1);
  // A full table takes no airport for the operator's trims: it could not be saved.
  EXPECT_EQ(m_airports.AddAirport("EDDF", "", 1.0), -1);
  EXPECT_EQ(Find("EDDF"), -1);
  // Save writes the counted records only.
  ASSERT_TRUE(Save());
  std::string saved = m_dir.Read("Offsets.dat");
  EXPECT_EQ(saved.find("OVR"), std::string::npos);
  EXPECT_EQ(std::count(saved.begin(), saved.end(), '\n'), 3 + 19999);
}

TEST_F(AirportTest, CommaDecimalLocaleChangesNeitherReadingNorWriting) {
  if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) {
    GTEST_SKIP() << "locale de_DE.UTF-8 is not installed";
  }
  std::string separator = std::localeconv()->decimal_point;
  bool loaded = LoadLines("EGLL| 12.5| London Heathrow\n");
  bool saved = Save();
  std::string text = m_dir.Read("Offsets.dat");
  std::setlocale(LC_ALL, "C");
  ASSERT_EQ(separator, ",");
  ASSERT_TRUE(loaded && saved);
  EXPECT_EQ(Slot(0).datumOffset, 12.5);
  EXPECT_EQ(text, kSavedHeader + "EGLL|   12.5| London Heathrow\n");
}

TEST_F(AirportTest, SampleFileOfTheSourceTreeLoads) {
  std::string sample = std::string(TAVRION_SOURCE_DIR) + "/config/Offsets.dat";
  ASSERT_TRUE(m_airports.ReadOffsetsFile(sample.c_str())) << m_airports.GetErrorText();
  ASSERT_GE(m_airports.GetNumberOfAirports(), 5);
  AirportRecord heathrow{};
  ASSERT_TRUE(m_airports.FindAirport("EGLL", heathrow));
  EXPECT_STREQ(heathrow.name, "London Heathrow");
  EXPECT_EQ(heathrow.datumOffset, 0.0);
}
