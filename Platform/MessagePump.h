#pragma once
// The window message queue as the frame loop sees it: it hands over one
// waiting message at a time. The window supplies the toolkit's pump; tests
// queue fake messages.

namespace Platform {

class MessagePump {
 public:
  virtual ~MessagePump() = default;

  // If a message is waiting for this thread, removes, translates and
  // dispatches it and returns true; otherwise returns false at once.
  virtual bool DispatchOne() = 0;
};

}  // namespace Platform
