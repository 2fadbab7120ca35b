#pragma once
// The window message queue of the frame loop on wxWidgets: one toolkit event
// per call from the event loop that is running (the modal dialog's), and when
// the toolkit has nothing waiting, wx's own queued events (CallAfter, posted
// events). Waiting happens in the toolkit's main context, so that X input,
// the toolkit's timers and wx events queued from any thread all end a wait.

#include <cstdint>

#include "MessagePump.h"

class WxMessagePump : public Platform::MessagePump {
 public:
  bool DispatchOne() override;
  bool WaitForMessage(std::int64_t nanoseconds) override;
};
