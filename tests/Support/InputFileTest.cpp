#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
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

TEST(InputFile, AFifoADeviceOrAFolderIsRefusedWithoutWaitingAndSaysWhatItIs) {
  // Opened for reading, a FIFO without a writer would never return.
  TempDir dir;
  const std::string fifo = dir.File("Offsets.dat");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  InputFileClass input;
  EXPECT_FALSE(input.OpenInputFile(fifo.c_str()));
  EXPECT_EQ(std::string(input.GetErrorText()),
            "InputFileClass::OpenInputFile\nNot a regular file (a FIFO)\n" + fifo);

  const std::string device = dir.File("device.dat");
  std::filesystem::create_symlink("/dev/zero", device);
  EXPECT_FALSE(input.OpenInputFile(device.c_str()));
  EXPECT_EQ(std::string(input.GetErrorText()),
            "InputFileClass::OpenInputFile\nNot a regular file (a character device)\n" + device);

  EXPECT_FALSE(input.OpenInputFile(dir.Path().c_str()));
  EXPECT_EQ(std::string(input.GetErrorText()),
            "InputFileClass::OpenInputFile\nIs a directory\n" + dir.Path().string());

  // A regular file behind a link is read as before.
  dir.Write("real.txt", "line\n");
  std::filesystem::create_symlink(dir.File("real.txt"), dir.File("link.txt"));
  EXPECT_EQ(ReadAll(dir.File("link.txt")), "line\n");
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
