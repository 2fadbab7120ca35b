#pragma once
// Time as every part of the station and its tools sees it, behind one
// interface so that a test can stop it and step it:
//   - a high-resolution counter with its frequency, for the frame loop, the
//     simulator stand-in's frames and the monitor's deadlines;
//   - a millisecond timer, the frame loop's fallback when there is no counter
//     and the socket wrapper's waits;
//   - sleeps, in milliseconds (socket waits, close-down) and finer;
//   - the wall clock, for the stamps of the LAN traffic log (in local time)
//     and the times the monitor records.
// Programs use SystemClock(); tests step a fake.

#include <cstdint>
#include <ctime>

namespace Platform {

constexpr std::int64_t kNanosecondsPerSecond = 1000000000;
constexpr std::int64_t kNanosecondsPerMillisecond = 1000000;

// Ticks of a counter of `frequency` (above 0) a second as nanoseconds, and
// back; rounded down, and split so that no product overflows for any time a
// counter shows.
constexpr std::int64_t TicksToNanoseconds(std::int64_t ticks, std::int64_t frequency) {
  return ticks / frequency * kNanosecondsPerSecond +
         ticks % frequency * kNanosecondsPerSecond / frequency;
}
constexpr std::int64_t NanosecondsToTicks(std::int64_t nanoseconds, std::int64_t frequency) {
  return nanoseconds / kNanosecondsPerSecond * frequency +
         nanoseconds % kNanosecondsPerSecond * frequency / kNanosecondsPerSecond;
}

class Clock {
 public:
  virtual ~Clock() = default;

  // Ticks per second of the high-resolution counter; false when the machine
  // has no such counter (the caller then falls back to the millisecond timer).
  virtual bool QueryFrequency(std::int64_t& ticksPerSecond) = 0;
  // The high-resolution counter now; it never goes back.
  virtual std::int64_t ReadCounter() = 0;
  // Milliseconds since an arbitrary start; wraps after about 49 days.
  virtual std::uint32_t ReadMilliseconds() = 0;
  // Block the calling thread; nothing is done for a time of 0 or less.
  virtual void SleepMilliseconds(int milliseconds) = 0;
  virtual void SleepNanoseconds(std::int64_t nanoseconds) = 0;
  // Blocks until the high-resolution counter shows `ticks`: a deadline, so
  // the time spent getting here does not make the wake-up later. Nothing is
  // done for a time already passed.
  virtual void SleepUntilCounter(std::int64_t ticks) = 0;

  // Nanoseconds since 1970-01-01 00:00 UTC. Unlike the counter it jumps when
  // the system's time is set.
  virtual std::int64_t ReadWallNanoseconds() = 0;
  // A second of the wall clock (seconds since 1970) as the calendar of the
  // machine's time zone shows it.
  virtual std::tm LocalTime(std::int64_t seconds) = 0;

  // The counter in nanoseconds, or the millisecond timer's when there is no
  // counter (which then wraps as the timer does).
  std::int64_t ReadNanoseconds();
  // The wall clock now in local time and the millisecond within its second.
  std::tm ReadLocalTime(int* milliseconds);
};

// The machine's clock: CLOCK_MONOTONIC in nanoseconds (frequency
// 1,000,000,000), its millisecond count, real sleeps, CLOCK_REALTIME and the
// system's time zone.
Clock& SystemClock();

}  // namespace Platform
