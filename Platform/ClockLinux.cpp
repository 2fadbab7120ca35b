// The machine's clock: the frame loop's counter, the waits, the wall clock.

#include <time.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "Clock.h"

namespace Platform {
namespace {

std::int64_t Read(clockid_t which) {
  timespec now{};
  clock_gettime(which, &now);
  return static_cast<std::int64_t>(now.tv_sec) * kNanosecondsPerSecond + now.tv_nsec;
}

class MachineClock : public Clock {
 public:
  bool QueryFrequency(std::int64_t& ticksPerSecond) override {
    ticksPerSecond = kNanosecondsPerSecond;
    return true;
  }

  std::int64_t ReadCounter() override { return Read(CLOCK_MONOTONIC); }

  std::uint32_t ReadMilliseconds() override {
    return static_cast<std::uint32_t>(ReadCounter() / kNanosecondsPerMillisecond);
  }

  void SleepMilliseconds(int milliseconds) override {
    if (milliseconds > 0) {
      std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }
  }

  void SleepNanoseconds(std::int64_t nanoseconds) override {
    if (nanoseconds > 0) {
      std::this_thread::sleep_for(std::chrono::nanoseconds(nanoseconds));
    }
  }

  void SleepUntilCounter(std::int64_t ticks) override {
    timespec deadline{};
    deadline.tv_sec = static_cast<time_t>(ticks / kNanosecondsPerSecond);
    deadline.tv_nsec = static_cast<long>(ticks % kNanosecondsPerSecond);
    // A signal handled on the way ends the sleep early: sleep on to the same
    // deadline.
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr) == EINTR) {
    }
  }

  std::int64_t ReadWallNanoseconds() override { return Read(CLOCK_REALTIME); }

  // The zone is read again each time, as localtime() does, so a changed TZ
  // shows at the next stamp.
  std::tm LocalTime(std::int64_t seconds) override {
    tzset();
    const time_t time = static_cast<time_t>(seconds);
    std::tm local{};
    if (localtime_r(&time, &local) == nullptr) return std::tm{};
    return local;
  }
};

}  // namespace

Clock& SystemClock() {
  static MachineClock clock;
  return clock;
}

}  // namespace Platform
