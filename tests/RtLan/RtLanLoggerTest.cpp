// The traffic log, byte for byte, on a clock the test sets.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "ClockFake.h"
#include "RtLanLogger.h"
#include "TempDir.h"

namespace {

const char kSentHeader[] =
    "             Time                    | Bytes|      Packet     |    Count   |     Frame  | "
    "From/To\n";
const char kReceivedHeader[] =
    "             Time            | ms   | Bytes|      Packet     |    Count   |     Frame  | "
    "From/To \n";

class TrafficLog : public ::testing::Test {
 protected:
  void SetUp() override {
    m_clock.SetLocalTime(2025, 12, 8, 3, 26, 0, 45);  // a Monday
    m_logger.SetClock(m_clock);
    ASSERT_TRUE(m_logger.Open(m_dir.File("lan.log").c_str()));
  }

  std::string CloseAndRead() {
    m_logger.Close();
    return m_dir.Read("lan.log");
  }

  TempDir m_dir;
  Platform::FakeClock m_clock;
  RtLanLogger m_logger;
};

TEST_F(TrafficLog, ASentLineFollowsTheSentHeader) {
  m_logger.LogSent({268, "Pfd left", 12, 300, "10.0.0.3"});
  EXPECT_EQ(CloseAndRead(), std::string(kSentHeader) +
                                "<=    Mon Dec  8 03:26:00.45  |-----|  268 |        Pfd left |"
                                "         12 |        300 | 10.0.0.3\n");
}

TEST_F(TrafficLog, ReceivedLinesShowTheMillisecondDifference) {
  EXPECT_TRUE(m_logger.LogReceived({268, "Pfd left", 12, 300, "10.0.0.1"}));
  m_clock.SetLocalTime(2025, 12, 8, 3, 26, 1, 30);
  EXPECT_TRUE(m_logger.LogReceived({48, "Aircraft", 13, 301, "10.0.0.1"}));
  EXPECT_EQ(CloseAndRead(), std::string(kReceivedHeader) +
                                "=>    Mon Dec  8 03:26:00.45 |    45|  268 |        Pfd left |"
                                "         12 |        300 | 10.0.0.1\n"
                                "=>    Mon Dec  8 03:26:01.30 |   -15|   48 |        Aircraft |"
                                "         13 |        301 | 10.0.0.1\n");
}

TEST_F(TrafficLog, OnlyTheFirstKindOfLineGetsAHeader) {
  m_logger.LogSent({16, "Main->DU", 1, 1, "10.0.0.3"});
  m_logger.LogReceived({16, "Main->DU", 1, 1, "10.0.0.3"});
  std::string log = CloseAndRead();
  EXPECT_EQ(log.find(kSentHeader), 0u);
  EXPECT_EQ(log.find("| ms   |"), std::string::npos);
  EXPECT_NE(log.find("\n=> "), std::string::npos);
}

TEST_F(TrafficLog, ANegativeCounterOrFrameWritesNoTableLine) {
  EXPECT_FALSE(m_logger.LogReceived({268, "Pfd left", -1, 300, "10.0.0.1"}));
  EXPECT_FALSE(m_logger.LogReceived({268, "Pfd left", 1, -300, "10.0.0.1"}));
  m_logger.LogSent({268, "Pfd left", -1, 300, "10.0.0.1"});
  EXPECT_EQ(m_logger.GetLineCount(), 0);
  EXPECT_EQ(CloseAndRead(), "");
}

TEST_F(TrafficLog, TableLinesStopAfter4001WhileEventLinesGoOn) {
  for (int i = 0; i < 4100; ++i) m_logger.LogSent({16, "Main->DU", i, i, "10.0.0.3"});
  EXPECT_EQ(m_logger.GetLineCount(), 4001);
  EXPECT_FALSE(m_logger.LogReceived({16, "Main->DU", 1, 1, "10.0.0.3"}));
  m_logger.LogEvent(1, "still logging");
  std::string log = CloseAndRead();
  std::size_t lines = 0;
  for (char c : log) lines += c == '\n' ? 1 : 0;
  EXPECT_EQ(lines, 1u + 4001u + 1u);
  EXPECT_NE(log.find("|       4000 |       4000 |"), std::string::npos);
  EXPECT_EQ(log.find("|       4001 |"), std::string::npos);
  EXPECT_NE(log.find("1\t12/08/25\t03:26:00\tstill logging\n"), std::string::npos);
}

TEST_F(TrafficLog, EventLinesCarryLevelDateAndTime) {
  m_logger.LogEvent(1, "Creating Tx Datagram");
  m_logger.WriteLine("plain");
  EXPECT_EQ(CloseAndRead(), "1\t12/08/25\t03:26:00\tCreating Tx Datagram\nplain\n");
}

TEST_F(TrafficLog, TheLogRestartsOnceAtMidnight) {
  m_clock.SetLocalTime(2025, 12, 8, 23, 59, 59, 0);
  m_logger.LogEvent(1, "before midnight");
  m_logger.LogSent({16, "Main->DU", 1, 1, "10.0.0.3"});
  m_clock.SetLocalTime(2025, 12, 9, 0, 0, 0, 0);
  m_logger.LogEvent(1, "new day");
  m_clock.SetLocalTime(2025, 12, 9, 0, 0, 40, 0);
  m_logger.LogEvent(1, "same minute");
  m_logger.LogSent({16, "Main->DU", 2, 2, "10.0.0.3"});
  std::string log = CloseAndRead();
  EXPECT_EQ(log.find("before midnight"), std::string::npos);
  // The line count survives the restart, so no second header is written.
  EXPECT_EQ(log.substr(0, log.find("<=")),
            "1\t12/09/25\t00:00:00\tnew day\n1\t12/09/25\t00:00:40\tsame minute\n");
}

TEST_F(TrafficLog, ALogOpenedAtMidnightIsNotEmptiedThatDay) {
  m_clock.SetLocalTime(2025, 12, 9, 0, 0, 10, 0);
  ASSERT_TRUE(m_logger.Open(m_dir.File("lan.log").c_str()));
  m_logger.LogEvent(1, "first");
  m_clock.SetLocalTime(2025, 12, 9, 0, 0, 20, 0);
  m_logger.LogEvent(1, "second");
  EXPECT_EQ(CloseAndRead(), "1\t12/09/25\t00:00:10\tfirst\n1\t12/09/25\t00:00:20\tsecond\n");
}

TEST_F(TrafficLog, NothingIsWrittenWhileClosed) {
  m_logger.Close();
  m_logger.LogEvent(1, "lost");
  m_logger.WriteLine("lost");
  m_logger.LogSent({16, "Main->DU", 1, 1, "10.0.0.3"});
  EXPECT_FALSE(m_logger.LogReceived({16, "Main->DU", 1, 1, "10.0.0.3"}));
  EXPECT_EQ(m_dir.Read("lan.log"), "");
}

TEST(TrafficLogOpen, AFileThatCannotBeCreatedLeavesItsReason) {
  TempDir dir;
  std::string path = dir.File("missing/lan.log");
  RtLanLogger logger;
  EXPECT_FALSE(logger.Open(path.c_str()));
  EXPECT_FALSE(logger.IsOpen());
  EXPECT_EQ(std::string(logger.GetErrorText()),
            "InputFileClass::OpenInputFile\nNo such file or directory\n" + path);
}

TEST(TrafficLogOpen, OpeningEmptiesTheFile) {
  TempDir dir;
  std::string path = dir.Write("lan.log", "old content\n");
  {
    RtLanLogger logger;
    ASSERT_TRUE(logger.Open(path.c_str()));
  }
  EXPECT_EQ(dir.Read("lan.log"), "");
}

}  // namespace
