#include <gtest/gtest.h>

#include "Clock.h"

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
}

}  // namespace
