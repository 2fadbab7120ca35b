#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

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

// Complete lines of 1,000 bytes, the last one shorter, `bytes` in all.
std::string Filler(std::size_t bytes) {
  std::string filler;
  while (filler.size() < bytes) {
    const std::size_t line = std::min<std::size_t>(1000, bytes - filler.size());
    filler += std::string(line - 1, 'f') + "\n";
  }
  return filler;
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

TEST(InputFile, LinesEndAtTheirNewlineOr1023BytesWhereverTheFileIsReadInBlocks) {
  // The file is read ahead in blocks of 64 KiB; each case puts the lines it
  // checks after `filler` bytes, across the end of the first block or not.
  struct Line {
    std::string text;
    bool heldNul;
  };
  const std::size_t kBlock = 64 * 1024;
  const struct {
    const char* what;
    std::size_t filler;
    std::string tail;
    std::vector<Line> lines;
  } cases[] = {
      {"empty file", 0, "", {}},
      {"no newline at the end", 0, "last", {{"last", false}}},
      {"empty lines", 0, "\n\n", {{"\n", false}, {"\n", false}}},
      {"CR-LF and a lone CR", 0, "a\r\nb\rc\n", {{"a\n", false}, {"b\rc\n", false}}},
      {"NUL in one line only", 0, std::string("a\0b\nc\n", 6), {{"a", true}, {"c\n", false}}},
      {"line across the block's end", kBlock - 1, "ab\ncd", {{"ab\n", false}, {"cd", false}}},
      {"CR and LF in two blocks", kBlock - 2, "x\r\ny\n", {{"x\n", false}, {"y\n", false}}},
      {"NUL in the next block",
       kBlock - 3,
       std::string("ab\0c\nd\n", 7),
       {{"ab", true}, {"d\n", false}}},
      {"NUL on the block's last byte",
       kBlock - 1,
       std::string("\0e\nf\n", 5),
       {{"", true}, {"f\n", false}}},
      {"newline first in the next block", kBlock - 1, "g\nh\n", {{"g\n", false}, {"h\n", false}}},
      {"long line across the block's end",
       kBlock - 500,
       std::string(1030, 'L') + "\n",
       {{std::string(1023, 'L'), false}, {"LLLLLLL\n", false}}},
      {"1023 bytes and the newline alone",
       kBlock - 1023,
       std::string(1023, 'M') + "\nN",
       {{std::string(1023, 'M'), false}, {"\n", false}, {"N", false}}},
      {"third block", 2 * kBlock - 1, "pq\nr", {{"pq\n", false}, {"r", false}}},
  };
  for (const auto& c : cases) {
    TempDir dir;
    InputFileClass input;
    ASSERT_TRUE(input.OpenInputFile(dir.Write("lines.txt", Filler(c.filler) + c.tail).c_str()));
    char line[InputFileClass::kLineSize];
    for (std::size_t skipped = 0; skipped < (c.filler + 999) / 1000; ++skipped) {
      ASSERT_TRUE(input.ReadFromInputFile(line)) << c.what;
      ASSERT_EQ(line[std::strlen(line) - 1], '\n') << c.what;
    }
    for (const Line& expected : c.lines) {
      ASSERT_TRUE(input.ReadFromInputFile(line)) << c.what;
      EXPECT_EQ(line, expected.text) << c.what;
      EXPECT_EQ(input.LastLineHeldNul(), expected.heldNul) << c.what;
    }
    EXPECT_FALSE(input.ReadFromInputFile(line)) << c.what;
    EXPECT_FALSE(input.ReadFailed()) << c.what;
  }
}

TEST(InputFile, AReadThatFailsIsToldApartFromTheEndOfTheFile) {
  // A regular file by its type whose read at offset 0 fails (EIO).
  InputFileClass input;
  ASSERT_TRUE(input.OpenInputFile("/proc/self/mem"));
  char line[InputFileClass::kLineSize];
  EXPECT_FALSE(input.ReadFromInputFile(line));
  EXPECT_TRUE(input.ReadFailed());
  EXPECT_STREQ(input.GetErrorText(),
               "InputFileClass::ReadFromInputFile\nInput/output error\n/proc/self/mem");
  // The next file starts afresh.
  TempDir dir;
  ASSERT_TRUE(input.OpenInputFile(dir.Write("a.txt", "one\n").c_str()));
  EXPECT_FALSE(input.ReadFailed());
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
