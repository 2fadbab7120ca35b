#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "ClockFake.h"
#include "ConfigControl.h"
#include "MessagePumpFake.h"
#include "RTLoop.h"
#include "RecordingLoop.h"

namespace {

constexpr std::int64_t kSecond = 1000000000;

// The registration is once per process: checked in a fresh process of its own.
void FirstLoopRegistersAndSecondDoesNot() {
  Platform::FakeClock clock;
  Platform::FakeMessagePump pump;
  ConfigControl::Clear();
  { RTLoop first(60, clock, pump); }
  // The block's last string is the source unit's.
  const bool first = std::string(ConfigControl::GetComponent()) == "RTLoop" &&
                     std::string(ConfigControl::GetPartNumber()) == "QM2114:01" &&
                     std::string(ConfigControl::GetFileName()) == "RTLoop.cpp" &&
                     std::string(ConfigControl::GetRevision()) == "1.1";
  ConfigControl::Clear();
  RTLoop second(60, clock, pump);
  const bool once = std::string(ConfigControl::GetComponent()).empty();
  std::exit(first && once ? 0 : 1);
}

TEST(RTLoop, RegistersOnceUnderItsClassName) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(FirstLoopRegistersAndSecondDoesNot(), ::testing::ExitedWithCode(0), "");
}

TEST(RTLoop, RatesOutsideOneToThousandRunAtOnePerSecond) {
  Platform::FakeClock clock;
  Platform::FakeMessagePump pump;
  for (int rate : {0, -5, 5000}) {
    RTLoop loop(rate, clock, pump);
    EXPECT_EQ(loop.GetRate(), 1) << rate;
    EXPECT_EQ(loop.GetPeriod(), kSecond) << rate;
  }
  RTLoop thousand(1000, clock, pump);
  EXPECT_EQ(thousand.GetPeriod(), kSecond / 1000);
  RTLoop sixty(60, clock, pump);
  EXPECT_TRUE(sixty.UsesPerformanceCounter());
  EXPECT_EQ(sixty.GetPeriod(), kSecond / 60);
}

TEST(RTLoop, WithoutACounterFallsBackToSixteenMilliseconds) {
  Platform::FakeClock clock(0);
  Platform::FakeMessagePump pump;
  RecordingLoop loop(250, clock, pump);
  EXPECT_FALSE(loop.UsesPerformanceCounter());
  EXPECT_EQ(loop.GetPeriod(), 16);

  clock.SetMillisecondStep(1);
  loop.StopAfter(3);
  loop.Start();
  loop.Run();
  ASSERT_EQ(loop.indices.size(), 3u);
  EXPECT_EQ(clock.CounterReads(), 0);
  // Run reads 0 as its start; frames are due after 0, 17 and 34 ms: the
  // reads are 1, 18 and 35, and each moves the schedule from itself.
  EXPECT_EQ(clock.Milliseconds(), 36u);
}

TEST(RTLoop, MillisecondScheduleCarriesOnAcrossTheTimerWrap) {
  Platform::FakeClock clock(0);
  Platform::FakeMessagePump pump;
  clock.SetMilliseconds(0xFFFFFFF0u);
  RecordingLoop loop(60, clock, pump);
  clock.SetMillisecondStep(1);
  loop.StopAfter(4);
  loop.Start();
  loop.Run();
  EXPECT_EQ(loop.indices.size(), 4u);
  EXPECT_LT(clock.Milliseconds(), 100u);  // wrapped and went on
}

TEST(RTLoop, StartsStoppedAndStartStopOnlyMoveBetweenRunningAndStopped) {
  Platform::FakeClock clock;
  Platform::FakeMessagePump pump;
  RTLoop loop(60, clock, pump);
  EXPECT_EQ(loop.GetState(), RTLoop::kStopped);
  EXPECT_TRUE(loop.Start());
  EXPECT_EQ(loop.GetState(), RTLoop::kRunning);
  EXPECT_TRUE(loop.Start());
  EXPECT_EQ(loop.GetState(), RTLoop::kRunning);
  EXPECT_TRUE(loop.Stop());
  EXPECT_EQ(loop.GetState(), RTLoop::kStopped);
  EXPECT_TRUE(loop.Stop());
  EXPECT_EQ(loop.GetState(), RTLoop::kStopped);
}

TEST(RTLoop, StopBeforeRunMakesRunReturnAtOnce) {
  Platform::FakeClock clock;
  Platform::FakeMessagePump pump;
  RecordingLoop loop(60, clock, pump);
  pump.Post([] {});
  loop.Start();
  loop.Stop();
  loop.Run();
  EXPECT_TRUE(loop.indices.empty());
  EXPECT_EQ(pump.Dispatched(), 0);
}

TEST(RTLoop, RunsOneFramePerPeriodWithIndexCountingToFifteen) {
  Platform::FakeClock clock;
  Platform::FakeMessagePump pump;
  RecordingLoop loop(60, clock, pump);
  const std::int64_t period = loop.GetPeriod();
  std::vector<std::int64_t> frameTimes;
  loop.onFrame = [&](int count) {
    frameTimes.push_back(clock.Counter());
    if (count >= 34) {
      loop.Stop();
    }
  };
  clock.SetCounterStep(period / 4);
  loop.Start();
  loop.Run();
  ASSERT_EQ(loop.indices.size(), 34u);
  for (std::size_t i = 0; i < loop.indices.size(); ++i) {
    EXPECT_EQ(loop.indices[i], static_cast<int>(i % 16));
    EXPECT_EQ(loop.states[i], RTLoop::kRunning);
  }
  for (std::size_t i = 1; i < frameTimes.size(); ++i) {
    EXPECT_GT(frameTimes[i] - frameTimes[i - 1], period);
  }
}

TEST(RTLoop, RunAgainAfterStopStartsTheIndexAtZero) {
  Platform::FakeClock clock;
  Platform::FakeMessagePump pump;
  RecordingLoop loop(60, clock, pump);
  clock.SetCounterStep(loop.GetPeriod());
  loop.StopAfter(5);
  loop.Start();
  loop.Run();
  loop.indices.clear();
  loop.StopAfter(2);
  loop.Start();
  loop.Run();
  EXPECT_EQ(loop.indices, (std::vector<int>{0, 1}));
}

TEST(RTLoop, ALateFrameMovesTheScheduleInsteadOfCatchingUp) {
  Platform::FakeClock clock;
  Platform::FakeMessagePump pump;
  RecordingLoop loop(60, clock, pump);
  const std::int64_t period = loop.GetPeriod();
  std::vector<std::int64_t> frameTimes;
  loop.onFrame = [&](int count) {
    frameTimes.push_back(clock.Counter());
    if (count == 2) {
      clock.Advance(10 * period);  // a frame that takes ten periods
    }
    if (count >= 4) {
      loop.Stop();
    }
  };
  clock.SetCounterStep(1000);
  loop.Start();
  loop.Run();
  ASSERT_EQ(frameTimes.size(), 4u);
  // After the slow frame the next one still waits a whole period from when
  // the slow one was found due; none of the missed ten is made up.
  EXPECT_GT(frameTimes[2] - frameTimes[1], period);
  EXPECT_GT(frameTimes[3] - frameTimes[2], period);
}

TEST(RTLoop, WaitingMessagesGoBeforeADueFrame) {
  Platform::FakeClock clock;
  Platform::FakeMessagePump pump;
  RecordingLoop loop(60, clock, pump);
  std::vector<std::string> order;
  for (int i = 0; i < 5; ++i) {
    pump.Post([&order] { order.push_back("message"); });
  }
  clock.SetCounterStep(10 * loop.GetPeriod());  // a frame is due on every read
  loop.onFrame = [&](int count) {
    order.push_back("frame");
    if (count == 1) {
      pump.Post([&order] { order.push_back("late message"); });
    }
    if (count >= 2) {
      loop.Stop();
    }
  };
  loop.Start();
  loop.Run();
  EXPECT_EQ(order, (std::vector<std::string>{"message", "message", "message", "message", "message",
                                             "frame", "late message", "frame"}));
}

TEST(RTLoop, StopFromAMessageEndsRunAfterThatMessage) {
  Platform::FakeClock clock;
  Platform::FakeMessagePump pump;
  RecordingLoop loop(60, clock, pump);
  bool secondRan = false;
  pump.Post([&loop] { loop.Stop(); });
  pump.Post([&secondRan] { secondRan = true; });
  clock.SetCounterStep(loop.GetPeriod() * 2);
  loop.Start();
  loop.Run();
  EXPECT_TRUE(loop.indices.empty());
  EXPECT_FALSE(secondRan);
  EXPECT_EQ(loop.GetState(), RTLoop::kStopped);
}

TEST(RTLoop, AQuitLikeMessageDoesNotEndTheLoop) {
  Platform::FakeClock clock;
  Platform::FakeMessagePump pump;
  RecordingLoop loop(60, clock, pump);
  pump.Post(nullptr);  // a message whose dispatch does nothing
  clock.SetCounterStep(loop.GetPeriod());
  loop.StopAfter(2);
  loop.Start();
  loop.Run();
  EXPECT_EQ(pump.Dispatched(), 1);
  EXPECT_EQ(loop.indices.size(), 2u);
}

TEST(RTLoop, BaseExecuteDoesNothingAndDestructorLeavesTheLoopStopped) {
  Platform::FakeClock clock;
  Platform::FakeMessagePump pump;
  auto* loop = new RTLoop(60, clock, pump);
  EXPECT_EQ(loop->Execute(3, 0), -1);
  loop->Start();
  pump.Post([] {});
  delete loop;  // its Run returns at once: nothing dispatched
  EXPECT_EQ(pump.Dispatched(), 0);
}

}  // namespace
