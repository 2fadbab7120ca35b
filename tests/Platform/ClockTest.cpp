// The machine's clock and the stepped one the tests use in its place.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <string>

#include "Clock.h"
#include "ClockFake.h"

namespace {

TEST(SystemClock, CountsNanosecondsMonotonically) {
  Platform::Clock& clock = Platform::SystemClock();
  std::int64_t frequency = 0;
  ASSERT_TRUE(clock.QueryFrequency(frequency));
  EXPECT_EQ(frequency, 1000000000);
  const std::int64_t first = clock.ReadCounter();
  const std::uint32_t firstMs = clock.ReadMilliseconds();
  clock.SleepMilliseconds(2);
  const std::int64_t second = clock.ReadCounter();
  EXPECT_GE(second - first, 2000000);
  EXPECT_GE(clock.ReadMilliseconds() - firstMs, 2u);
  EXPECT_GE(clock.ReadNanoseconds(), second);
}

TEST(SystemClock, TheWallClockIsTheSystemsTime) {
  using std::chrono::system_clock;
  const auto before = system_clock::now().time_since_epoch();
  const std::int64_t wall = Platform::SystemClock().ReadWallNanoseconds();
  const auto after = system_clock::now().time_since_epoch();
  EXPECT_LE(std::chrono::duration_cast<std::chrono::nanoseconds>(before).count(), wall);
  EXPECT_GE(std::chrono::duration_cast<std::chrono::nanoseconds>(after).count(), wall);
}

// The zone is read at each call, so a changed TZ shows at once.
TEST(SystemClock, LocalTimeIsTheCalendarOfTheMachinesZone) {
  const char* saved = std::getenv("TZ");
  const std::string previous = saved != nullptr ? saved : "";
  setenv("TZ", "UTC0", 1);
  std::tm utc = Platform::SystemClock().LocalTime(86400 + 3600);
  setenv("TZ", "CET-1", 1);
  std::tm central = Platform::SystemClock().LocalTime(86400 + 3600);
  if (saved != nullptr) {
    setenv("TZ", previous.c_str(), 1);
  } else {
    unsetenv("TZ");
  }
  EXPECT_EQ(utc.tm_year, 70);
  EXPECT_EQ(utc.tm_yday, 1);
  EXPECT_EQ(utc.tm_wday, 5);  // 2 January 1970, a Friday
  EXPECT_EQ(utc.tm_hour, 1);
  EXPECT_EQ(central.tm_hour, 2);
  int milliseconds = -1;
  Platform::SystemClock().ReadLocalTime(&milliseconds);
  EXPECT_GE(milliseconds, 0);
  EXPECT_LE(milliseconds, 999);
}

TEST(FakeClock, ItsWallClockMovesWithTheCounterInUtc) {
  Platform::FakeClock clock;
  clock.SetLocalTime(2024, 2, 29, 23, 59, 59, 998);
  int milliseconds = 0;
  std::tm now = clock.ReadLocalTime(&milliseconds);
  EXPECT_EQ(now.tm_year, 124);
  EXPECT_EQ(now.tm_mon, 1);
  EXPECT_EQ(now.tm_mday, 29);
  EXPECT_EQ(now.tm_wday, 4);  // a Thursday
  EXPECT_EQ(milliseconds, 998);
  clock.AdvanceNanoseconds(3000000);
  now = clock.ReadLocalTime(&milliseconds);
  EXPECT_EQ(now.tm_mon, 2);
  EXPECT_EQ(now.tm_mday, 1);
  EXPECT_EQ(now.tm_hour, 0);
  EXPECT_EQ(milliseconds, 1);
  EXPECT_EQ(clock.ReadWallNanoseconds() / 1000000000, 1709251200);
}

TEST(FakeClock, SleepsPassTimeAndLetTheTestActAfterEach) {
  Platform::FakeClock clock;
  int seen = 0;
  clock.AfterEachSleep([&] { seen = clock.SleepCount(); });
  clock.SleepMilliseconds(20);
  clock.SleepNanoseconds(1500000);
  clock.SleepNanoseconds(-5);
  EXPECT_EQ(seen, 3);
  EXPECT_EQ(clock.Sleeps(), std::vector<int>{20});
  EXPECT_EQ(clock.NanosecondSleeps(), (std::vector<std::int64_t>{1500000, -5}));
  EXPECT_EQ(clock.ReadNanoseconds(), 21500000);
  EXPECT_EQ(clock.ReadMilliseconds(), 21u);
}

TEST(FakeClock, WithoutACounterTimeIsTheMillisecondTimers) {
  Platform::FakeClock clock(0);
  std::int64_t frequency = 0;
  EXPECT_FALSE(clock.QueryFrequency(frequency));
  clock.SetMilliseconds(1234);
  EXPECT_EQ(clock.ReadNanoseconds(), 1234000000);
}

}  // namespace
