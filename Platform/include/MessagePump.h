#pragma once
// The window message queue as the frame loop sees it: it hands over one
// waiting message at a time, and lets the loop sleep until a message comes or
// a moment passes. The window supplies the toolkit's pump; tests queue fake
// messages.

#include <cstdint>

namespace Platform {

class MessagePump {
 public:
  virtual ~MessagePump() = default;

  // If a message is waiting for this thread, removes, translates and
  // dispatches it and returns true; otherwise returns false at once.
  virtual bool DispatchOne() = 0;

  // Blocks until a message is waiting for this thread or `nanoseconds` have
  // passed, whichever comes first, and dispatches nothing. True when it ended
  // because a message came (or, for a toolkit, one of its timers fell due),
  // false when the time ran out. A pump that cannot wait returns false at
  // once, and its loop polls.
  virtual bool WaitForMessage(std::int64_t nanoseconds) {
    (void)nanoseconds;
    return false;
  }
};

}  // namespace Platform
