#include <sys/stat.h>

#include <algorithm>
#include <clocale>
#include <filesystem>
#include <string>

#include "AirportFixture.h"

namespace {

// A distinct four-letter identifier for each number.
std::string Ident(int number) {
  std::string ident(4, 'A');
  for (int place = 3; place >= 0; --place, number /= 26) ident[place] += number % 26;
  return ident;
}

std::string NumberedLines(int first, int count) {
  std::string lines;
  for (int i = first; i < first + count; ++i) lines += Ident(i) + "|1|n\n";
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

TEST_F(AirportTest, IdentOfMoreThanFourCharactersIsSkippedWithLeadingBlanksKept) {
  ASSERT_TRUE(LoadLines("EGLLX| 1.0| a\n EGLL| 2.0| b\n EGL| 3.0| c\nEGKK  | 4.0| d\n"));
  ASSERT_EQ(m_airports.GetNumberOfAirports(), 2);
  EXPECT_STREQ(Slot(0).ident, " EGL");
  EXPECT_STREQ(Slot(1).ident, "EGKK");
  EXPECT_EQ(Find("EGL"), 0);
  EXPECT_EQ(m_airports.GetReadReport().longIdentLines, 2);
  EXPECT_EQ(m_airports.GetReadReport().firstLongIdentLine, 2);
}

TEST_F(AirportTest, AnOffsetMustBeANumberAsAWholeOrItsLineIsSkipped) {
  const struct {
    const char* offset;
    bool loads;
    double value;
  } cases[] = {
      {"   12.5", true, 12.5}, {"-3", true, -3.0},      {" +.5 ", true, 0.5}, {"7.", true, 7.0},
      {"1e2", true, 100.0},    {"\t-0.0\t", true, 0.0}, {"abc", false, 0},    {"1,5", false, 0},
      {"2.5m", false, 0},      {"0x10", false, 0},      {" ", false, 0},      {".", false, 0},
      {"1e", false, 0},        {"- 1", false, 0},       {"1 2", false, 0},
  };
  for (const auto& c : cases) {
    AirportManager::ClearTable();
    ASSERT_TRUE(LoadLines(std::string("EGLL|") + c.offset + "| London\n")) << c.offset;
    ASSERT_EQ(m_airports.GetNumberOfAirports(), c.loads ? 1 : 0) << c.offset;
    if (c.loads) {
      EXPECT_EQ(Slot(0).datumOffset, c.value) << c.offset;
    }
    EXPECT_EQ(m_airports.GetReadReport().notANumberLines, c.loads ? 0 : 1) << c.offset;
  }
}

TEST_F(AirportTest, AFileMostlyOfLinesNoOffsetsFileHoldsIsNotOneAndSaveLeavesIt) {
  const struct {
    std::string lines;
    bool offsetsFile;
  } cases[] = {
      {"EGLL| 1.0| a\nEGKK| 1,5| b\nLFPG| 2.5| c\n", true},
      {"EGLL| 1.0| a\nEGKK| 1,5| b\nLFPG| 2.5m| c\n", false},
      {std::string("EGLL| 1.0| a\nEG\0K| 1.0| b\n\x01\x02|\x7f|\x03\n", 32), false},
      {"EGLL| nan| a\nEGKK| 7.0\nLFPG| 1.0| c\n", true},  // known kinds of faulty lines
  };
  for (const auto& c : cases) {
    AirportManager::ClearTable();
    const std::string file = "heading\n" + c.lines;
    ASSERT_TRUE(Load(file));
    EXPECT_EQ(m_airports.GetReadReport().notOffsetsFile, !c.offsetsFile) << c.lines;
    EXPECT_EQ(Save(), c.offsetsFile) << c.lines;
    if (!c.offsetsFile) {
      EXPECT_EQ(m_dir.Read("Offsets.dat"), file);
      EXPECT_NE(std::string(m_airports.GetErrorText()).find("not an offsets file"),
                std::string::npos);
    }
  }
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
  // The second file was not loaded whole: Save would drop OVR1 and OVR2.
  EXPECT_EQ(m_airports.GetReadReport().recordsNotKept, 2);
  EXPECT_FALSE(m_airports.IsLoadedWhole());
}

TEST_F(AirportTest, AFileWithMoreAirportsThanTheTableKeepsIsNeverOverwritten) {
  const std::string file = "heading\n" + NumberedLines(0, 20001);
  ASSERT_TRUE(Load(file));
  EXPECT_EQ(m_airports.GetNumberOfAirports(), 19999);
  EXPECT_EQ(m_airports.GetReadReport().records, 20001);
  EXPECT_EQ(m_airports.GetReadReport().recordsNotKept, 2);
  EXPECT_FALSE(m_airports.IsLoadedWhole());
  m_dir.Write("Offsets_old.Dat", "older backup");

  m_airports.SetDatumOffset(5, 7.5);
  EXPECT_FALSE(Save());
  EXPECT_EQ(std::string(m_airports.GetErrorText()),
            "AirportManager::WriteOffsetsFile\nNot saved: the file holds more airports than the "
            "table keeps\n" +
                m_dir.File("Offsets.dat"));
  EXPECT_EQ(m_dir.Read("Offsets.dat"), file);
  EXPECT_EQ(m_dir.Read("Offsets_old.Dat"), "older backup");

  // Exactly as many as the table counts is whole, and saved.
  AirportManager::ClearTable();
  ASSERT_TRUE(LoadLines(NumberedLines(0, 19999)));
  EXPECT_TRUE(m_airports.IsLoadedWhole());
  ASSERT_TRUE(Save()) << m_airports.GetErrorText();
  std::string saved = m_dir.Read("Offsets.dat");
  EXPECT_EQ(std::count(saved.begin(), saved.end(), '\n'), 3 + 19999);
}

TEST_F(AirportTest, OffsetsThatAreNotFiniteOrTooLargeToWriteBackAreSkippedAndCounted) {
  const std::string name49(49, 'n');
  const std::string lines[] = {
      "AAAA| nan| a",            // line 2
      "BBBB| 1.5| kept",         // 3
      "CCCC| inf| c",            // 4
      "; a comment",             // 5
      "DDDD| -INFINITY| d",      // 6
      "",                        // 7, blank: not told
      "EEEE| 1e308| e",          // 8
      "FFFF| 7.0",               // 9, two fields
      "GGGG| -1e66| " + name49,  // 10, written back in 127 characters
      "HHHH| -1e67| " + name49,  // 11, one too many
      "IIII| 1e100| i",          // 12, fits beside a short name
      "JJ",                      // 13, one field
  };
  std::string file;
  for (const std::string& line : lines) file += line + "\n";
  ASSERT_TRUE(LoadLines(file));
  ASSERT_EQ(m_airports.GetNumberOfAirports(), 3);
  EXPECT_STREQ(Slot(0).ident, "BBBB");
  EXPECT_STREQ(Slot(1).ident, "GGGG");
  EXPECT_EQ(Slot(1).datumOffset, -1e66);
  EXPECT_STREQ(Slot(2).ident, "IIII");
  const OffsetsReadReport& report = m_airports.GetReadReport();
  EXPECT_EQ(report.records, 3);
  EXPECT_EQ(report.badOffsetLines, 5);
  EXPECT_EQ(report.firstBadOffsetLine, 2);
  EXPECT_EQ(report.shortLines, 2);
  EXPECT_EQ(report.firstShortLine, 9);
  // Skipped lines are not the table's to keep: the file counts as loaded.
  EXPECT_TRUE(m_airports.IsLoadedWhole());

  // What was loaded is written back whole and loads again unchanged.
  ASSERT_TRUE(Save()) << m_airports.GetErrorText();
  AirportManager::ClearTable();
  ASSERT_TRUE(m_airports.ReadOffsetsFile(m_dir.File("Offsets.dat").c_str()));
  EXPECT_EQ(m_airports.GetNumberOfAirports(), 3);
  EXPECT_EQ(m_airports.GetReadReport().badOffsetLines, 0);
  EXPECT_EQ(Slot(1).datumOffset, -1e66);
}

TEST_F(AirportTest, AFifoNamedOffsetsDatIsNeitherReadNorReplacedBySave) {
  const std::string fifo = m_dir.File("Offsets.dat");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_FALSE(m_airports.ReadOffsetsFile(fifo.c_str()));
  EXPECT_EQ(std::string(m_airports.GetErrorText()),
            "InputFileClass::OpenInputFile\nNot a regular file (a FIFO)\n" + fifo);
  EXPECT_FALSE(m_airports.IsLoadedWhole());
  EXPECT_FALSE(Save());
  EXPECT_NE(std::string(m_airports.GetErrorText()).find("could not be read at start-up"),
            std::string::npos);
  struct stat status {};
  ASSERT_EQ(lstat(fifo.c_str(), &status), 0);
  EXPECT_TRUE(S_ISFIFO(status.st_mode));

  // A missing file is no such case: Save makes a new one.
  std::filesystem::remove(fifo);
  EXPECT_FALSE(m_airports.ReadOffsetsFile(fifo.c_str()));
  EXPECT_TRUE(m_airports.IsLoadedWhole());
  EXPECT_TRUE(Save());
}

TEST_F(AirportTest, AFileWhoseReadFailsIsToldAndSaveLeavesItsFolderAlone) {
  // A regular file by its type whose read fails (EIO): what was read is not
  // the whole file, so nothing may be written back in its place.
  EXPECT_FALSE(m_airports.ReadOffsetsFile("/proc/self/mem"));
  EXPECT_STREQ(m_airports.GetErrorText(),
               "InputFileClass::ReadFromInputFile\nInput/output error\n/proc/self/mem");
  EXPECT_FALSE(m_airports.IsLoadedWhole());
  m_dir.Write("Offsets.dat", "as it was");
  EXPECT_FALSE(Save());
  EXPECT_NE(std::string(m_airports.GetErrorText()).find("could not be read at start-up"),
            std::string::npos);
  EXPECT_EQ(m_dir.Read("Offsets.dat"), "as it was");
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
