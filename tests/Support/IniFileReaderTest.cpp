#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "Ini_File_Reader.h"
#include "TempDir.h"

namespace {

const char kIni[] =
    "; station configuration\n"
    "[SIM_CONFIG]\n"
    "AIRCRAFT = A 330\n"
    "Frequency=20\n"
    "[DEBUG_LOG]\n"
    "\tUse Log File = TRUE\n"
    "LogFile = /tmp/my log.txt\n"
    ";Hidden = 5\n"
    "Flag10=10\n"
    "FlagYes=yes\n"
    "FlagUntrue=untrue\n"
    "Equation=a=b\n"
    "[TRANSMITS]\n"
    "  VISUAL  \n"
    "MOTION\n"
    "Note=see [manual]\n"
    "AfterBracket=1\n"
    "[SIM_CONFIG]\n"
    "Second=1\n";

class IniFileReaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_name = m_dir.Write("station.ini", kIni);
    ASSERT_TRUE(m_reader.OpenFile(m_name));
  }
  TempDir m_dir;
  std::string m_name;
  Ini_File_Reader m_reader;
};

}  // namespace

TEST_F(IniFileReaderTest, ValuesHaveEveryBlankRemoved) {
  char text[64] = "unchanged";
  ASSERT_TRUE(m_reader.LookForValue("SIM_CONFIG", "AIRCRAFT", text, sizeof text, true));
  EXPECT_STREQ(text, "A330");
  ASSERT_TRUE(m_reader.LookForValue("DEBUG_LOG", "LogFile", text, sizeof text, true));
  EXPECT_STREQ(text, "/tmp/mylog.txt");
  ASSERT_TRUE(m_reader.LookForValue("DEBUG_LOG", "Equation", text, sizeof text, true));
  EXPECT_STREQ(text, "a=b");
  int frequency = 0;
  ASSERT_TRUE(m_reader.LookForValue("SIM_CONFIG", "Frequency", &frequency));
  EXPECT_EQ(frequency, 20);
}

TEST_F(IniFileReaderTest, ItemNamesMatchWithBlanksAndTabsRemoved) {
  bool useLog = false;
  ASSERT_TRUE(m_reader.LookForValue("DEBUG_LOG", "UseLogFile", &useLog));
  EXPECT_TRUE(useLog);
}

TEST_F(IniFileReaderTest, BoolRuleLooksForTrueOrTheDigitOne) {
  bool value = false;
  ASSERT_TRUE(m_reader.LookForValue("DEBUG_LOG", "Flag10", &value));
  EXPECT_TRUE(value);
  ASSERT_TRUE(m_reader.LookForValue("DEBUG_LOG", "FlagYes", &value));
  EXPECT_FALSE(value);
  ASSERT_TRUE(m_reader.LookForValue("DEBUG_LOG", "FlagUntrue", &value));
  EXPECT_TRUE(value);
}

TEST_F(IniFileReaderTest, CommentedItemIsNotFoundAndTheTextNamesKeyAndFile) {
  int value = 77;
  EXPECT_FALSE(m_reader.LookForValue("DEBUG_LOG", "Hidden", &value));
  EXPECT_EQ(value, 77);
  EXPECT_EQ(std::string(m_reader.GetErrorText()),
            "Ini_File_Reader::LookForValue\nDid not find Item <Hidden> under Key [DEBUG_LOG]\n"
            "in file \n" +
                m_name);
}

TEST_F(IniFileReaderTest, MissingKeyText) {
  char text[8] = "same";
  EXPECT_FALSE(m_reader.LookForValue("RATES", "Frequency", text, sizeof text, true));
  EXPECT_STREQ(text, "same");
  EXPECT_EQ(std::string(m_reader.GetErrorText()),
            "Ini_File_Reader::LookForValue\nDid not find Key [RATES]\nin file \n" + m_name);
}

TEST_F(IniFileReaderTest, OnlyTheFirstSectionOfAKeyIsSearched) {
  int value = 0;
  EXPECT_FALSE(m_reader.LookForValue("SIM_CONFIG", "Second", &value));
}

TEST_F(IniFileReaderTest, ALineHoldingABracketEndsTheSection) {
  int value = 0;
  EXPECT_FALSE(m_reader.LookForValue("TRANSMITS", "AfterBracket", &value));
  EXPECT_NE(std::string(m_reader.GetErrorText()).find("under Key [TRANSMITS]"), std::string::npos);
}

TEST_F(IniFileReaderTest, EntriesAreWholeLinesWithoutBlanks) {
  EXPECT_TRUE(m_reader.LookForEntry("TRANSMITS", "VISUAL"));
  EXPECT_TRUE(m_reader.LookForEntry("TRANSMITS", "MOTION"));
  m_reader.SetError("before");
  EXPECT_FALSE(m_reader.LookForEntry("TRANSMITS", "SOUND"));
  EXPECT_STREQ(m_reader.GetErrorText(), "before");  // a missing entry sets no text
  EXPECT_FALSE(m_reader.LookForEntry("RECEIVES", "SOUND"));
  EXPECT_NE(std::string(m_reader.GetErrorText()).find("Did not find Key [RECEIVES]"),
            std::string::npos);
}

TEST(IniFileReader, HeaderIsFoundAnywhereInALineEvenInAComment) {
  TempDir dir;
  std::string name =
      dir.Write("c.ini", "; see [RATES] below\nFrequency=30\n[RATES]\nFrequency=40\n");
  Ini_File_Reader reader;
  ASSERT_TRUE(reader.OpenFile(name));
  int value = 0;
  ASSERT_TRUE(reader.LookForValue("RATES", "Frequency", &value));
  EXPECT_EQ(value, 30);
}

TEST(IniFileReader, OverlongValueIsCutToTheDestination) {
  TempDir dir;
  std::string name = dir.Write("c.ini", "[COMPUTERS]\nVISUAL=" + std::string(2000, '1') + "\n");
  Ini_File_Reader reader;
  ASSERT_TRUE(reader.OpenFile(name));
  char address[20 + 8];
  std::memset(address, '#', sizeof address);
  ASSERT_TRUE(reader.LookForValue("COMPUTERS", "VISUAL", address, 20, true));
  EXPECT_EQ(std::string(address), std::string(19, '1'));
  for (int i = 20; i < 28; ++i) EXPECT_EQ(address[i], '#') << "written past the field at " << i;
  // Through the reader's own 1024-character line only the first 1023 characters count.
  char wide[2048];
  ASSERT_TRUE(reader.LookForValue("COMPUTERS", "VISUAL", wide, sizeof wide, true));
  EXPECT_EQ(std::strlen(wide), 1023u - std::strlen("VISUAL="));
}

TEST(IniFileReader, OpenFailures) {
  Ini_File_Reader reader;
  EXPECT_FALSE(reader.OpenFile(""));
  EXPECT_STREQ(reader.GetErrorText(),
               "Ini_File_Reader::OpenFile\nIni_File_Reader::OpenFile - File Name Given was NULL");
  TempDir dir;
  std::string name = dir.File("none.ini");
  EXPECT_FALSE(reader.OpenFile(name));
  EXPECT_EQ(std::string(reader.GetErrorText()),
            "SettingsFileClass::OpenFileForReading\nNo such file or directory\n" + name);
}

TEST(IniFileReader, CrLfLinesReadLikePlainOnes) {
  TempDir dir;
  std::string name = dir.Write("w.ini", "[SIM_CONFIG]\r\nAIRCRAFT=A340\r\n");
  Ini_File_Reader reader;
  ASSERT_TRUE(reader.OpenFile(name));
  char text[16];
  ASSERT_TRUE(reader.LookForValue("SIM_CONFIG", "AIRCRAFT", text, sizeof text, true));
  EXPECT_STREQ(text, "A340");
}
