#pragma once
// The window message queue of the frame loop on wxWidgets: one toolkit event
// per call from the event loop that is running (the modal dialog's), and when
// the toolkit has nothing waiting, wx's own queued events (CallAfter, posted
// events).

#include "MessagePump.h"

class WxMessagePump : public Platform::MessagePump {
 public:
  bool DispatchOne() override;
};
