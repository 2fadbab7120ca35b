#pragma once
// Time as the frame loop and the close-down see it: a high-resolution counter
// with its frequency, a millisecond timer as the fallback when there is no
// counter, and a sleep. The station uses SystemClock(); tests step a fake.

#include <cstdint>

namespace Platform {

class Clock {
 public:
  virtual ~Clock() = default;

  // Ticks per second of the high-resolution counter; false when the machine
  // has no such counter (the caller then falls back to the millisecond timer).
  virtual bool QueryFrequency(std::int64_t& ticksPerSecond) = 0;
  // The high-resolution counter now.
  virtual std::int64_t ReadCounter() = 0;
  // Milliseconds since an arbitrary start; wraps after about 49 days.
  virtual std::uint32_t ReadMilliseconds() = 0;
  // Blocks the calling thread.
  virtual void SleepMilliseconds(int milliseconds) = 0;
};

// The machine's clock: CLOCK_MONOTONIC in nanoseconds (frequency
// 1,000,000,000), its millisecond count, and a real sleep.
Clock& SystemClock();

}  // namespace Platform
