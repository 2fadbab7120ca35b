// What every clock derives from its counter, its timer and its wall clock.

#include "Clock.h"

namespace Platform {

std::int64_t Clock::ReadNanoseconds() {
  std::int64_t frequency = 0;
  if (QueryFrequency(frequency) && frequency > 0) {
    return TicksToNanoseconds(ReadCounter(), frequency);
  }
  return static_cast<std::int64_t>(ReadMilliseconds()) * kNanosecondsPerMillisecond;
}

std::tm Clock::ReadLocalTime(int* milliseconds) {
  const std::int64_t now = ReadWallNanoseconds();
  if (milliseconds != nullptr) {
    *milliseconds = static_cast<int>(now % kNanosecondsPerSecond / kNanosecondsPerMillisecond);
  }
  return LocalTime(now / kNanosecondsPerSecond);
}

}  // namespace Platform
