#include <gtest/gtest.h>

#include <string>

#include "InputFile.h"
#include "TempDir.h"

namespace {

std::string ReadAll(const std::string& name) {
  InputFileClass input;
  if (!input.OpenInputFile(name.c_str())) return "<open failed>";
  std::string all;
  char line[InputFileClass::kLineSize];
  while (input.ReadFromInputFile(line)) all += line;
  return all;
}

}  // namespace

TEST(InputFile, TwoFilesOneAfterTheOtherAreReadWhole) {
  TempDir dir;
  EXPECT_EQ(ReadAll(dir.Write("a.txt", "one\ntwo\n")), "one\ntwo\n");
  EXPECT_EQ(ReadAll(dir.Write("b.txt", "three")), "three");
}

TEST(InputFile, LinesLongerThan1023ArriveInPieces) {
  TempDir dir;
  std::string longLine(2000, 'x');
  InputFileClass input;
  ASSERT_TRUE(input.OpenInputFile(dir.Write("long.txt", longLine + "\n").c_str()));
  char line[InputFileClass::kLineSize];
  ASSERT_TRUE(input.ReadFromInputFile(line));
  EXPECT_EQ(std::string(line), std::string(1023, 'x'));
}

TEST(InputFile, OpenFailuresSayWhy) {
  TempDir dir;
  InputFileClass input;
  EXPECT_FALSE(input.OpenInputFile(""));
  EXPECT_STREQ(input.GetErrorText(),
               "InputFileClass::OpenInputFile\nNo valid File name given :>\n");
  std::string missing = dir.File("Offsets.dat");
  EXPECT_FALSE(input.OpenInputFile(missing.c_str()));
  EXPECT_EQ(std::string(input.GetErrorText()),
            "InputFileClass::OpenInputFile\nNo such file or directory\n" + missing);
}

TEST(InputFile, ReadingBeforeOpenIsReportedOnce) {
  InputFileClass input;
  char line[InputFileClass::kLineSize];
  EXPECT_FALSE(input.ReadFromInputFile(line));
  EXPECT_STREQ(input.GetErrorText(),
               "InputFileClass::ReadFromInputFile\nTrying to read before file is opened\n");
  input.SetError("something else");
  EXPECT_FALSE(input.ReadFromInputFile(line));
  EXPECT_STREQ(input.GetErrorText(), "something else");
}
