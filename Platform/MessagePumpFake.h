#pragma once
// A message queue that tests fill by hand: each message is an action run when
// the pump dispatches it. An optional idle action runs whenever the pump is
// asked and nothing is waiting, which lets a test post messages from "outside"
// while a frame loop runs.

#include <deque>
#include <functional>
#include <utility>

#include "MessagePump.h"

namespace Platform {

class FakeMessagePump : public MessagePump {
 public:
  using Message = std::function<void()>;

  bool DispatchOne() override {
    if (m_queue.empty() && m_idle) {
      m_idle();
    }
    if (m_queue.empty()) {
      ++m_emptyPolls;
      return false;
    }
    Message message = std::move(m_queue.front());
    m_queue.pop_front();
    ++m_dispatched;
    if (message) {
      message();
    }
    return true;
  }

  void Post(Message message) { m_queue.push_back(std::move(message)); }
  void SetIdle(std::function<void()> idle) { m_idle = std::move(idle); }

  bool Empty() const { return m_queue.empty(); }
  int Dispatched() const { return m_dispatched; }
  int EmptyPolls() const { return m_emptyPolls; }

 private:
  std::deque<Message> m_queue;
  std::function<void()> m_idle;
  int m_dispatched = 0;
  int m_emptyPolls = 0;
};

}  // namespace Platform
