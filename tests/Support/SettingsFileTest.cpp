#include <gtest/gtest.h>

#include <string>

#include "SettingsFile.h"
#include "TempDir.h"

TEST(SettingsFile, EmptyNameOrUnknownModeLeavesItClosedWithoutText) {
  TempDir dir;
  SettingsFileClass unnamed("", Read);
  EXPECT_FALSE(unnamed.IsOpen());
  EXPECT_STREQ(unnamed.GetErrorText(), "");
  SettingsFileClass oddMode(dir.Write("a.ini", "x\n"), 7);
  EXPECT_FALSE(oddMode.IsOpen());
  EXPECT_STREQ(oddMode.GetErrorText(), "");
}

TEST(SettingsFile, MissingFileNamesTheOpenStepAndTheFile) {
  TempDir dir;
  std::string name = dir.File("missing.ini");
  SettingsFileClass file(name, Read);
  EXPECT_FALSE(file.IsOpen());
  EXPECT_EQ(std::string(file.GetErrorText()),
            "SettingsFileClass::OpenFileForReading\nNo such file or directory\n" + name);
}

TEST(SettingsFile, ReadsLinesAndReportsTheEnd) {
  TempDir dir;
  std::string name = dir.Write("a.txt", "first\nsecond");
  SettingsFileClass file(name, Read);
  ASSERT_TRUE(file.IsOpen());
  char line[64];
  ASSERT_TRUE(file.ReadFromSettingsFile(line, sizeof line));
  EXPECT_STREQ(line, "first\n");
  ASSERT_TRUE(file.ReadFromSettingsFile(line, 4));  // cut to size - 1
  EXPECT_STREQ(line, "sec");
  EXPECT_FALSE(file.ReadFromSettingsFile(line, sizeof line));
  EXPECT_STREQ(line, "");
  EXPECT_EQ(std::string(file.GetErrorText()),
            "SettingsFileClass::ReadFromSettingsFile\nNULL read from file\n" + name);
  ASSERT_TRUE(file.Rewind());
  ASSERT_TRUE(file.ReadFromSettingsFile(line, sizeof line));
  EXPECT_STREQ(line, "first\n");
}

TEST(SettingsFile, WritesExactlyTheTextGiven) {
  TempDir dir;
  std::string name = dir.File("out.txt");
  {
    SettingsFileClass file(name, Write);
    ASSERT_TRUE(file.IsOpen());
    EXPECT_TRUE(file.WriteToSettingsFile("a| 1.0"));
    EXPECT_TRUE(file.WriteToSettingsFile("|b\n"));
  }
  EXPECT_EQ(dir.Read("out.txt"), "a| 1.0|b\n");
  {
    SettingsFileClass file(name, Append);
    EXPECT_TRUE(file.WriteToSettingsFile("c\n"));
  }
  EXPECT_EQ(dir.Read("out.txt"), "a| 1.0|b\nc\n");
}

TEST(SettingsFile, ClosedFileKeepsFailing) {
  TempDir dir;
  std::string name = dir.Write("a.txt", "x\n");
  SettingsFileClass file(name, Read);
  EXPECT_TRUE(file.CloseFile());
  EXPECT_TRUE(file.CloseFile());
  char line[8] = "junk";
  EXPECT_FALSE(file.ReadFromSettingsFile(line, sizeof line));
  EXPECT_STREQ(line, "");
  EXPECT_EQ(std::string(file.GetErrorText()),
            "SettingsFileClass::ReadFromSettingsFile\nFile is not opened\n" + name);
  EXPECT_FALSE(file.WriteToSettingsFile("y"));
  EXPECT_EQ(std::string(file.GetErrorText()),
            "SettingsFileClass::WriteToSettingsFile\nFile is not opened\n" + name);
  EXPECT_FALSE(file.Rewind());
}
