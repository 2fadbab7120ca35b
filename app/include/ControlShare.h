#pragma once
// The control socket's share of the frame loop's thread in the station
// without a window: at most kShareNanoseconds of serving in each
// kWindowNanoseconds. Run by its unit, that thread is at a real-time
// priority, where a client asking as fast as it can would otherwise hold a
// core from everything else on the machine; past the share, the clients wait
// for the next window (their commands are answered then), while stop
// signals and frames go on.

#include <cstdint>

namespace Platform {
class Clock;
}

class ControlShare {
 public:
  static constexpr std::int64_t kWindowNanoseconds = 10000000;
  static constexpr std::int64_t kShareNanoseconds = 1000000;

  // The clock must outlive the share.
  explicit ControlShare(Platform::Clock& clock);

  // The clock's time now, in nanoseconds.
  std::int64_t Now();
  // Whether some of this window's share is left; a new window begins once
  // the last has passed.
  bool MayServe();
  // A pass of serving that began at `begun` (a time of Now) has ended.
  void Served(std::int64_t begun);
  // How long until the next window begins.
  std::int64_t UntilNextWindow();

 private:
  Platform::Clock& m_clock;
  std::int64_t m_window;
  std::int64_t m_served;
};
