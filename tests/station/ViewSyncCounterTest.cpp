// The ViewSync counter across runs: where a run starts, what the file in the
// working folder holds and what is made of a file that cannot be used, and
// how often it is written while datagrams leave.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <climits>
#include <filesystem>
#include <string>
#include <vector>

#include "TempDir.h"
#include "ViewSyncCounter.h"

namespace {

using ViewSyncCounter::FirstAfter;
using ViewSyncCounter::kFirst;
using ViewSyncCounter::kReserve;

int First(int highest, bool* startedOver = nullptr) {
  bool ignored = false;
  return FirstAfter(highest, startedOver != nullptr ? startedOver : &ignored);
}

TEST(ViewSyncCounterRule, ARestartGoesOnAboveTheHighestSentWithTheMargin) {
  EXPECT_EQ(First(1510), 2511);
  EXPECT_EQ(First(108000 + 1510), 110511);
  // Never below where a first run starts.
  EXPECT_EQ(First(0), kFirst);
  EXPECT_EQ(First(509), kFirst);
  EXPECT_EQ(First(510), 1511);
}

TEST(ViewSyncCounterRule, WithLessThanADayLeftBelowTheLargestIntARunStartsOver) {
  bool startedOver = true;
  EXPECT_EQ(First(INT_MAX - kReserve, &startedOver), INT_MAX - kReserve + 1001);
  EXPECT_FALSE(startedOver);
  EXPECT_EQ(First(INT_MAX - kReserve + 1, &startedOver), kFirst);
  EXPECT_TRUE(startedOver);
  EXPECT_EQ(First(INT_MAX, &startedOver), kFirst);
  EXPECT_TRUE(startedOver);
}

TEST(ViewSyncCounterRule, AfterTheLargestIntComesTheFirstCounterNeverANegativeOne) {
  EXPECT_EQ(ViewSyncCounter::Next(1510), 1511);
  EXPECT_EQ(ViewSyncCounter::Next(INT_MAX - 1), INT_MAX);
  EXPECT_EQ(ViewSyncCounter::Next(INT_MAX), kFirst);
}

class CounterFile : public ::testing::Test {
 protected:
  ViewSyncCounterFile::Load Read(int* highest = nullptr) {
    int ignored = 0;
    reason[0] = '\0';
    return file.Read(highest != nullptr ? highest : &ignored, reason, sizeof reason);
  }
  std::string Path() const { return folder.File(ViewSyncCounterFile::kFileName); }

  TempDir folder;
  ViewSyncCounterFile file{folder.Path().c_str()};
  char reason[ViewSyncCounterFile::kReasonSize] = "";
};

TEST_F(CounterFile, LivesInTheWorkingFolderAndReadsBackWhatWasWritten) {
  EXPECT_EQ(std::string(file.Path()), Path());
  EXPECT_EQ(std::string(ViewSyncCounterFile("").Path()), "ViewSyncCounter.txt");
  for (int value : {1509, 2000000, INT_MAX}) {
    ASSERT_EQ(file.Write(value, value == INT_MAX), 0);
    int read = 0;
    ASSERT_EQ(Read(&read), ViewSyncCounterFile::Load::kRead) << reason;
    EXPECT_EQ(read, value);
  }
  // Replaced whole: no temporary stays beside it.
  EXPECT_FALSE(std::filesystem::exists(Path() + ".new"));
  const std::string text = folder.Read(ViewSyncCounterFile::kFileName);
  EXPECT_EQ(text.substr(0, 1), "#");
  EXPECT_EQ(text.substr(text.size() - 12), "\n2147483647\n");
}

TEST_F(CounterFile, CommentsBlanksAndWindowsLineEndsAreRead) {
  folder.Write(ViewSyncCounterFile::kFileName, "# kept by hand\r\n\r\n \t\n  123456 \r\n");
  int read = 0;
  ASSERT_EQ(Read(&read), ViewSyncCounterFile::Load::kRead) << reason;
  EXPECT_EQ(read, 123456);
  folder.Write(ViewSyncCounterFile::kFileName, "77");
  ASSERT_EQ(Read(&read), ViewSyncCounterFile::Load::kRead) << reason;
  EXPECT_EQ(read, 77);
}

TEST_F(CounterFile, AMissingFileIsToldApartFromOneThatCannotBeRead) {
  EXPECT_EQ(Read(), ViewSyncCounterFile::Load::kMissing);
  std::filesystem::create_directory(Path());
  EXPECT_EQ(Read(), ViewSyncCounterFile::Load::kUnreadable);
  EXPECT_STREQ(reason, "Is a directory");
  std::filesystem::remove(Path());
  ASSERT_EQ(mkfifo(Path().c_str(), 0600), 0);
  EXPECT_EQ(Read(), ViewSyncCounterFile::Load::kUnreadable);  // never waits for a writer
  EXPECT_STREQ(reason, "Not a regular file (a FIFO)");
}

TEST_F(CounterFile, AnythingButOneWholeNumberIsCorrupt) {
  const std::vector<std::string> corrupt = {
      "",
      "# only a comment\n",
      "-5\n",
      "12a\n",
      "1.5\n",
      "2147483648\n",
      "99999999999\n",
      "12\n13\n",
      "0x10\n",
      "12 34\n",
      std::string("12\0", 3),
      std::string(600, '1'),
  };
  for (const std::string& text : corrupt) {
    folder.Write(ViewSyncCounterFile::kFileName, text);
    EXPECT_EQ(Read(), ViewSyncCounterFile::Load::kCorrupt) << "'" << text << "'";
    EXPECT_NE(reason[0], '\0') << "'" << text << "'";
  }
}

TEST_F(CounterFile, AFailedWriteLeavesTheEarlierFile) {
  ASSERT_EQ(file.Write(5000, false), 0);
  // The temporary cannot be made: a folder stands in its place.
  std::filesystem::create_directory(Path() + ".new");
  EXPECT_NE(file.Write(6000, false), 0);
  EXPECT_NE(file.Write(6000, true), 0);
  int read = 0;
  ASSERT_EQ(Read(&read), ViewSyncCounterFile::Load::kRead);
  EXPECT_EQ(read, 5000);
}

class CounterKeeper : public ::testing::Test {
 protected:
  int StoredValue() {
    int value = -1;
    char why[ViewSyncCounterFile::kReasonSize];
    ViewSyncCounterFile(folder.Path().c_str()).Read(&value, why, sizeof why);
    return value;
  }

  TempDir folder;
  std::vector<std::string> lines;
  ViewSyncCounterKeeper keeper{folder.Path().c_str(),
                               [this](const char* line) { lines.push_back(line); }};
  bool startedOver = false;
};

TEST_F(CounterKeeper, AFirstRunStartsAt1510AndSaysWhy) {
  EXPECT_EQ(keeper.Start(&startedOver), 1510);
  EXPECT_FALSE(startedOver);
  EXPECT_EQ(lines, std::vector<std::string>{
                       "ViewSync counter: no ViewSyncCounter.txt, first datagram 1510"});
  // Written at once: a run that ends before its first regular write counts.
  EXPECT_EQ(StoredValue(), 1509);
}

TEST_F(CounterKeeper, NearTheLargestIntARunStartsOverAndSaysSo) {
  folder.Write(ViewSyncCounterFile::kFileName, std::to_string(INT_MAX - 100) + "\n");
  EXPECT_EQ(keeper.Start(&startedOver), 1510);
  EXPECT_TRUE(startedOver);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("first datagram 1510 (int limit near)"), std::string::npos) << lines[0];
}

TEST_F(CounterKeeper, WritesAboutOnceASecondWhileTheCounterMoves) {
  keeper.Start(&startedOver);
  const int writesAtStart = keeper.GetWrites();
  std::uint32_t now = 0xFFFFFF00u;  // the millisecond timer wraps on the way
  int counter = 1509;
  for (int datagram = 0; datagram < 30 * 5; ++datagram) {
    keeper.Keep(++counter, now);
    now += 33;
  }
  // 150 datagrams in 4.95 s: four writes, each of the counter of its time.
  EXPECT_EQ(keeper.GetWrites() - writesAtStart, 4);
  EXPECT_GE(StoredValue(), counter - 31);
  // Nothing moves, nothing is written.
  keeper.Keep(counter, now + 5000);
  keeper.Keep(counter, now + 10000);
  const int writes = keeper.GetWrites();
  EXPECT_EQ(writes - writesAtStart, 5);
  EXPECT_EQ(StoredValue(), counter);
  keeper.Flush(counter);
  EXPECT_EQ(keeper.GetWrites(), writes);
}

TEST_F(CounterKeeper, AStoppedClockStillLeavesAtMostAHundredUnwritten) {
  keeper.Start(&startedOver);
  for (int counter = 1510; counter < 1510 + 1000; ++counter) {
    keeper.Keep(counter, 7);
    EXPECT_LE(counter - StoredValue(), ViewSyncCounter::kMostUnstored);
  }
}

TEST_F(CounterKeeper, AWriteThatFailsIsToldOncePerReasonAndItsEndToo) {
  keeper.Start(&startedOver);
  lines.clear();
  const std::string blocker = folder.File("ViewSyncCounter.txt.new");
  std::filesystem::create_directory(blocker);
  std::uint32_t now = 0;
  int counter = 1509;
  for (int datagram = 0; datagram < 30 * 10; ++datagram) {
    keeper.Keep(++counter, now += 33);
  }
  keeper.Flush(counter);
  EXPECT_EQ(lines, std::vector<std::string>{"ViewSyncCounter.txt not written: Is a directory"});
  std::filesystem::remove(blocker);
  keeper.Keep(++counter, now += 1000);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1], "ViewSyncCounter.txt written again");
  EXPECT_EQ(StoredValue(), counter);
}

TEST(CounterKeeperIdle, WritesNothingBeforeStart) {
  TempDir folder;
  ViewSyncCounterKeeper keeper(folder.Path().c_str(), [](const char*) {});
  keeper.Keep(1600, 5000);
  keeper.Flush(1600);
  EXPECT_FALSE(std::filesystem::exists(folder.File(ViewSyncCounterFile::kFileName)));
}

}  // namespace
