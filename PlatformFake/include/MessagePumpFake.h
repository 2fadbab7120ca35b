#pragma once
// A message queue that tests fill by hand: each message is an action run when
// the pump dispatches it. An optional idle action runs whenever the pump is
// asked and nothing is waiting, which lets a test post messages from "outside"
// while a frame loop runs.
//
// Waits pass time only on a clock given with PassTimeOn: a wait moves that
// clock on by the whole time asked for, or up to the first message posted
// with PostAt that comes within it. Without a clock a wait returns at once.

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <utility>
#include <vector>

#include "ClockFake.h"
#include "MessagePump.h"

namespace Platform {

class FakeMessagePump : public MessagePump {
 public:
  using Message = std::function<void()>;

  // One call of WaitForMessage, in the clock's nanoseconds.
  struct Wait {
    std::int64_t from = 0;
    std::int64_t asked = 0;
    std::int64_t until = 0;  // where the clock stood when the wait ended
    bool woken = false;      // ended by a message, not by the time
  };

  bool DispatchOne() override {
    DeliverArrivals();
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

  bool WaitForMessage(std::int64_t nanoseconds) override {
    DeliverArrivals();
    Wait wait;
    wait.from = m_clock != nullptr ? m_clock->Nanoseconds() : 0;
    wait.asked = nanoseconds;
    if (m_queue.empty() && m_clock != nullptr) {
      std::int64_t passes = nanoseconds;
      if (!m_arrivals.empty() && m_arrivals.begin()->first - wait.from <= nanoseconds) {
        passes = m_arrivals.begin()->first - wait.from;
      }
      m_clock->AdvanceNanoseconds(passes > 0 ? passes : 0);
      DeliverArrivals();
    }
    wait.until = m_clock != nullptr ? m_clock->Nanoseconds() : 0;
    wait.woken = !m_queue.empty();
    m_waits.push_back(wait);
    return wait.woken;
  }

  void Post(Message message) { m_queue.push_back(std::move(message)); }
  // `message` joins the queue once the clock given to PassTimeOn reaches
  // `nanoseconds`.
  void PostAt(std::int64_t nanoseconds, Message message) {
    m_arrivals.emplace(nanoseconds, std::move(message));
  }
  void SetIdle(std::function<void()> idle) { m_idle = std::move(idle); }
  void PassTimeOn(FakeClock& clock) { m_clock = &clock; }

  bool Empty() const { return m_queue.empty(); }
  int Dispatched() const { return m_dispatched; }
  int EmptyPolls() const { return m_emptyPolls; }
  const std::vector<Wait>& Waits() const { return m_waits; }

 private:
  void DeliverArrivals() {
    if (m_clock == nullptr) {
      return;
    }
    const std::int64_t now = m_clock->Nanoseconds();
    while (!m_arrivals.empty() && m_arrivals.begin()->first <= now) {
      m_queue.push_back(std::move(m_arrivals.begin()->second));
      m_arrivals.erase(m_arrivals.begin());
    }
  }

  std::deque<Message> m_queue;
  std::multimap<std::int64_t, Message> m_arrivals;
  std::function<void()> m_idle;
  FakeClock* m_clock = nullptr;
  std::vector<Wait> m_waits;
  int m_dispatched = 0;
  int m_emptyPolls = 0;
};

}  // namespace Platform
