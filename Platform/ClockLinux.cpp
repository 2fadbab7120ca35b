// The machine's clock for the frame loop and the close-down wait.

#include <time.h>

#include <chrono>
#include <thread>

#include "Clock.h"

namespace Platform {
namespace {

constexpr std::int64_t kNanosecondsPerSecond = 1000000000;

class MonotonicClock : public Clock {
 public:
  bool QueryFrequency(std::int64_t& ticksPerSecond) override {
    ticksPerSecond = kNanosecondsPerSecond;
    return true;
  }

  std::int64_t ReadCounter() override {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * kNanosecondsPerSecond + now.tv_nsec;
  }

  std::uint32_t ReadMilliseconds() override {
    return static_cast<std::uint32_t>(ReadCounter() / 1000000);
  }

  void SleepMilliseconds(int milliseconds) override {
    if (milliseconds > 0) {
      std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }
  }
};

}  // namespace

Clock& SystemClock() {
  static MonotonicClock clock;
  return clock;
}

}  // namespace Platform
