// The loop between frames: it sleeps in the pump until shortly before the
// next frame is due and polls the rest, wakes for messages, and in busy wait
// never sleeps. The fake pump's waits pass time on the fake clock.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ClockFake.h"
#include "MessagePumpFake.h"
#include "RTLoop.h"
#include "RecordingLoop.h"

namespace {

constexpr std::int64_t kMicrosecond = 1000;
constexpr std::int64_t kMillisecond = 1000000;

// A loop at 60 frames a second on a nanosecond counter that moves one
// microsecond per read, with waits that pass time on it.
class WaitingLoop : public ::testing::Test {
 protected:
  WaitingLoop() : loop(60, clock, pump) {
    pump.PassTimeOn(clock);
    clock.SetCounterStep(kMicrosecond);
    loop.onFrame = [this](int count) {
      frameTimes.push_back(clock.Counter() - kMicrosecond);  // the read that found it due
      readsAtFrame.push_back(clock.CounterReads());
      if (count >= frameLimit) {
        loop.Stop();
      }
    };
  }

  void RunLoop() {
    loop.Start();
    loop.Run();
  }

  // When the frame after frame `i` falls due: on the first tick after one
  // period from the read that found frame `i` due.
  std::int64_t DueAfter(std::size_t i) const { return frameTimes[i] + loop.GetPeriod() + 1; }

  Platform::FakeClock clock;
  Platform::FakeMessagePump pump;
  RecordingLoop loop;
  std::vector<std::int64_t> frameTimes;
  std::vector<int> readsAtFrame;
  int frameLimit = 20;
};

TEST_F(WaitingLoop, SleepsUntilShortlyBeforeEachFrameAndPollsOnlyTheRest) {
  RunLoop();
  ASSERT_EQ(frameTimes.size(), 20u);
  ASSERT_FALSE(pump.Waits().empty());
  std::size_t frame = 0;
  for (const auto& wait : pump.Waits()) {
    while (frame + 1 < frameTimes.size() && frameTimes[frame + 1] < wait.from) {
      ++frame;
    }
    EXPECT_FALSE(wait.woken);
    // Every sleep ends the wake-ahead before the frame is due, give or take
    // the step the clock moved between the reading and the sleep.
    EXPECT_LE(wait.until, DueAfter(frame) - loop.GetWakeAhead() + kMicrosecond);
  }
  for (std::size_t i = 1; i < frameTimes.size(); ++i) {
    // Each frame starts on the tick it falls due, to the poll's resolution.
    EXPECT_GE(frameTimes[i], DueAfter(i - 1));
    EXPECT_LT(frameTimes[i], DueAfter(i - 1) + kMicrosecond);
    // Only the wake-ahead is polled, not the whole period.
    const int reads = readsAtFrame[i] - readsAtFrame[i - 1];
    EXPECT_LE(reads, loop.GetWakeAhead() / kMicrosecond + 3);
  }
}

TEST_F(WaitingLoop, BusyWaitPollsTheWholePeriodAndNeverSleeps) {
  loop.SetBusyWait(true);
  frameLimit = 4;
  RunLoop();
  ASSERT_EQ(frameTimes.size(), 4u);
  EXPECT_TRUE(pump.Waits().empty());
  for (std::size_t i = 1; i < frameTimes.size(); ++i) {
    EXPECT_GE(frameTimes[i], DueAfter(i - 1));
    EXPECT_LT(frameTimes[i], DueAfter(i - 1) + kMicrosecond);
    EXPECT_GE(readsAtFrame[i] - readsAtFrame[i - 1], loop.GetPeriod() / kMicrosecond);
  }
}

TEST_F(WaitingLoop, AMessageArrivingDuringASleepIsHandledAtOnceAndTheFrameStillWaitsItsTurn) {
  std::vector<std::string> order;
  std::int64_t handledAt = 0;
  const std::int64_t arrival = loop.GetPeriod() / 2;  // halfway to the second frame
  pump.PostAt(arrival, [&] {
    order.push_back("message");
    handledAt = clock.Counter();
  });
  frameLimit = 3;
  loop.onFrame = [&, inner = loop.onFrame](int count) {
    order.push_back("frame");
    inner(count);
  };
  RunLoop();
  EXPECT_EQ(order, (std::vector<std::string>{"frame", "message", "frame", "frame"}));
  ASSERT_EQ(frameTimes.size(), 3u);
  EXPECT_LT(handledAt - arrival, 10 * kMicrosecond) << "the sleep did not end for the message";
  // The message did not bring the frame forward: after it the loop sleeps
  // again for the rest of the period.
  EXPECT_GE(frameTimes[1], DueAfter(0));
  int wokenWaits = 0;
  for (const auto& wait : pump.Waits()) {
    if (wait.woken) {
      ++wokenWaits;
      EXPECT_EQ(wait.until, arrival);
    }
    const std::size_t frame = wait.from < frameTimes[1] ? 0 : 1;
    EXPECT_LE(wait.until, DueAfter(frame) - loop.GetWakeAhead() + kMicrosecond);
  }
  EXPECT_EQ(wokenWaits, 1);
  // Before the second frame: the sleep the message ended and one for the rest.
  EXPECT_EQ(pump.Waits().size(), 3u);
}

TEST_F(WaitingLoop, StopFromAMessageThatEndsASleepEndsTheLoopWithoutAnotherFrame) {
  pump.PostAt(loop.GetPeriod() / 3, [this] { loop.Stop(); });
  RunLoop();
  EXPECT_EQ(loop.indices.size(), 1u);
  EXPECT_EQ(loop.GetState(), RTLoop::kStopped);
  ASSERT_FALSE(pump.Waits().empty());
  EXPECT_TRUE(pump.Waits().back().woken);
  EXPECT_EQ(pump.Dispatched(), 1);
}

TEST_F(WaitingLoop, AFrameThatOverrunsItsPeriodIsFollowedByTheNextWithoutASleep) {
  frameLimit = 3;
  loop.onFrame = [&, inner = loop.onFrame](int count) {
    inner(count);
    if (count == 1) {
      clock.Advance(2 * loop.GetPeriod());
    }
  };
  RunLoop();
  ASSERT_EQ(frameTimes.size(), 3u);
  for (const auto& wait : pump.Waits()) {
    EXPECT_GT(wait.from, frameTimes[1]) << "slept while a frame was overdue";
  }
  EXPECT_GE(frameTimes[2], DueAfter(1));
}

// Slept to the due time instead of polled: the pump's wait ends the
// wake-ahead before the frame, the clock sleeps to the frame's tick, and a
// message that comes in that stretch still goes before the frame.
TEST_F(WaitingLoop, TheLastStretchSleptOnTheClockEndsOnTheFramesTick) {
  const auto recordFrame = loop.onFrame;
  for (const std::int64_t wakeAhead : {RTLoop::kDeadlineWakeAheadNanoseconds, kMillisecond}) {
    frameTimes.clear();
    readsAtFrame.clear();
    loop.indices.clear();
    loop.SetWakeAhead(wakeAhead, false);
    const std::int64_t start = clock.Counter();
    std::vector<std::string> order;
    // In the slept stretch before the third frame.
    pump.PostAt(start + 2 * loop.GetPeriod() + 2 - wakeAhead / 2,
                [&] { order.push_back("message"); });
    loop.onFrame = [&](int count) {
      order.push_back("frame");
      recordFrame(count);
    };
    const std::size_t sleepsBefore = clock.DeadlineSleeps().size();
    frameLimit = 5;
    RunLoop();
    ASSERT_EQ(frameTimes.size(), 5u) << wakeAhead;
    EXPECT_EQ(order,
              (std::vector<std::string>{"frame", "frame", "message", "frame", "frame", "frame"}))
        << wakeAhead;
    for (std::size_t i = 1; i < frameTimes.size(); ++i) {
      EXPECT_EQ(frameTimes[i], DueAfter(i - 1)) << wakeAhead << " frame " << i;
      EXPECT_LE(readsAtFrame[i] - readsAtFrame[i - 1], 4) << "polled: " << wakeAhead;
      EXPECT_EQ(clock.DeadlineSleeps()[sleepsBefore + i - 1], DueAfter(i - 1)) << wakeAhead;
    }
  }
}

// A loop whose subclass steers the frames: each falls due two periods after
// the one before, and from half a period on the subclass is asked every
// 100 us; it starts every second frame at its fourth ask.
class SteeredLoop : public RecordingLoop {
 public:
  SteeredLoop(int rate, Platform::FakeClock& clock, Platform::MessagePump& pump)
      : RecordingLoop(rate, clock, pump), m_clock(clock) {}
  std::vector<std::int64_t> asks;
  // The clock's reads before each ask, whether a frame ran since the ask
  // before, and when the frame asked about falls due.
  std::vector<int> readsAtAsk;
  std::vector<bool> firstAfterFrame;
  std::vector<std::int64_t> dueAtAsk;

 protected:
  FrameSchedule ScheduleNext(std::int64_t start) override {
    m_asked = 0;
    m_due = start + 2 * GetPeriod();
    return {m_due, start + GetPeriod() / 2};
  }
  bool FrameReady(std::int64_t now, std::int64_t* ask) override {
    asks.push_back(now);
    readsAtAsk.push_back(m_clock.CounterReads());
    firstAfterFrame.push_back(m_asked == 0);
    dueAtAsk.push_back(m_due);
    if (++m_asked == 4 && indices.size() % 2 == 1) return true;
    *ask = now + 100 * kMicrosecond;
    return false;
  }

 private:
  Platform::FakeClock& m_clock;
  int m_asked = 0;
  std::int64_t m_due = 0;
};

TEST(RTLoopSteered, AFrameStartsWhenItsSubclassSaysOrWhenDueAndTheLoopSleepsBetweenAsks) {
  Platform::FakeClock clock;
  Platform::FakeMessagePump pump;
  pump.PassTimeOn(clock);
  clock.SetCounterStep(kMicrosecond);
  SteeredLoop loop(60, clock, pump);
  std::vector<std::int64_t> frameTimes;
  loop.onFrame = [&](int count) {
    frameTimes.push_back(clock.Counter() - kMicrosecond);
    if (count >= 5) loop.Stop();
  };
  loop.Start();
  loop.Run();
  ASSERT_EQ(frameTimes.size(), 5u);
  const std::int64_t period = loop.GetPeriod();
  for (std::size_t i = 1; i < frameTimes.size(); ++i) {
    const std::int64_t from = frameTimes[i] - frameTimes[i - 1];
    if (i % 2 == 1) {
      // At the fourth ask: half a period, then three asks 100 us apart.
      EXPECT_NEAR(from, period / 2 + 300 * kMicrosecond, 10 * kMicrosecond) << "frame " << i;
    } else {
      EXPECT_EQ(from, 2 * period + 1) << "frame " << i;  // due, asked to no avail
    }
  }
  // Each ask came on time after a sleep, not after a poll: a few reads of
  // the clock since the ask before (the last stretch before a due frame is
  // polled, asks or not).
  ASSERT_GT(loop.asks.size(), 10u);
  for (std::size_t i = 1; i < loop.asks.size(); ++i) {
    if (loop.firstAfterFrame[i] || loop.asks[i] >= loop.dueAtAsk[i] - loop.GetWakeAhead()) continue;
    EXPECT_NEAR(loop.asks[i] - loop.asks[i - 1], 100 * kMicrosecond, 3 * kMicrosecond) << i;
    EXPECT_LE(loop.readsAtAsk[i] - loop.readsAtAsk[i - 1], 3) << i;
  }
}

// Sleeps to a deadline that come late by a fixed time: the loop learns how
// late, sleeps that much less and polls the rest, so that frames start on
// their tick again; a lead beyond the longest wake-ahead is held to it.
struct LateCase {
  std::int64_t late;
  std::int64_t lead;
};

class LearntLead : public WaitingLoop, public ::testing::WithParamInterface<LateCase> {};

TEST_P(LearntLead, FramesStartOnTheirTickOnceTheLoopKnowsHowLateItsSleepsCome) {
  const LateCase c = GetParam();
  loop.SetWakeAhead(RTLoop::kDeadlineWakeAheadNanoseconds, false);
  loop.LearnWakeLead(true);
  clock.AfterEachSleep([&] { clock.AdvanceNanoseconds(c.late); });
  frameLimit = 60;
  RunLoop();
  ASSERT_EQ(frameTimes.size(), 60u);
  EXPECT_NEAR(loop.GetLearntLead(), c.lead, 5 * kMicrosecond);
  for (std::size_t i = 30; i < frameTimes.size(); ++i) {
    const std::int64_t late = frameTimes[i] - DueAfter(i - 1);
    EXPECT_GE(late, 0) << "frame " << i;
    EXPECT_LE(late, std::max<std::int64_t>(c.late - c.lead, 0) + 5 * kMicrosecond) << "frame " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Sleeps, LearntLead,
    ::testing::Values(LateCase{0, 0}, LateCase{300 * kMicrosecond, 300 * kMicrosecond},
                      LateCase{5 * kMillisecond, RTLoop::kMostWakeAheadNanoseconds}));

// On a busy machine the polled lead is cut short (here: 200 us taken from
// the loop in the middle of each poll from frame 30 on). Twice is enough:
// the loop then sleeps to the due time itself, no poll left to be cut.
TEST_F(WaitingLoop, PollsOfTheLeadCutShortTurnTheLeadOff) {
  loop.SetWakeAhead(RTLoop::kDeadlineWakeAheadNanoseconds, false);
  loop.LearnWakeLead(true);
  clock.AfterEachSleep([&] { clock.AdvanceNanoseconds(300 * kMicrosecond); });
  const auto recordFrame = loop.onFrame;
  loop.onFrame = [&](int count) {
    recordFrame(count);
    if (count >= 30) {
      const std::int64_t due = clock.Counter() + loop.GetPeriod();
      clock.At(due - 100 * kMicrosecond, [&] { clock.AdvanceNanoseconds(200 * kMicrosecond); });
    }
  };
  frameLimit = 40;
  RunLoop();
  ASSERT_EQ(frameTimes.size(), 40u);
  EXPECT_TRUE(loop.IsLeadOff());
  // The last sleeps aimed at the frames' due times, not a lead before.
  const std::vector<std::int64_t>& aims = clock.DeadlineSleeps();
  ASSERT_GE(aims.size(), 3u);
  EXPECT_EQ(aims.back(), DueAfter(frameTimes.size() - 2)) << "last sleep";
}

TEST(RTLoopWithoutCounter, SleepsInWholeMillisecondsAndNeverPastADueFrame) {
  Platform::FakeClock clock(0);
  Platform::FakeMessagePump pump;
  pump.PassTimeOn(clock);
  clock.SetMillisecondStep(1);
  RecordingLoop loop(60, clock, pump);
  std::vector<std::uint32_t> frameTimes;
  loop.onFrame = [&](int count) {
    frameTimes.push_back(clock.Milliseconds() - 1);
    if (count >= 4) {
      loop.Stop();
    }
  };
  loop.Start();
  loop.Run();
  ASSERT_EQ(frameTimes.size(), 4u);
  ASSERT_FALSE(pump.Waits().empty());
  for (const auto& wait : pump.Waits()) {
    EXPECT_EQ(wait.asked % kMillisecond, 0) << wait.asked;
  }
  for (std::size_t i = 1; i < frameTimes.size(); ++i) {
    // Due after 16 ms on the millisecond timer, found on its first tick.
    EXPECT_EQ(frameTimes[i] - frameTimes[i - 1], 17u);
  }
}

}  // namespace
