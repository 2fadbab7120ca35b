// The station's frame loop settings: the loop sleeps between frames unless it
// is set to busy wait, and a real-time priority asked for is told and given
// back when the loop ends. Time passes only on the fake clock; the loop runs
// on this thread, whose scheduling is back to normal when each test ends.

#include <sched.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <string>

#include "StationRig.h"

namespace {

constexpr std::int64_t kMicrosecond = 1000;

class LoopSettings : public StationRig {
 protected:
  // Connects with the loopback address as the destination and runs the
  // station for a fifth of a second of fake time, clock moving a microsecond
  // per read and in the pump's sleeps; `during` runs in a message halfway.
  void RunForAFifthOfASecond(const std::function<void()>& during = nullptr) {
    Start();
    pump.PassTimeOn(clock);
    clock.SetCounterStep(kMicrosecond);
    const std::int64_t start = clock.Nanoseconds();
    pump.Post([this] { station->SetDestination(LoopbackAddress()); });
    if (during) {
      pump.PostAt(start + kFrequency / 10, during);
    }
    pump.PostAt(start + kFrequency / 5, [this] { station->End(); });
    station->Connect();
  }

  static int Policy() { return sched_getscheduler(0) & ~SCHED_RESET_ON_FORK; }
  // The fair scheduler's slice of this thread, in nanoseconds.
  static std::uint64_t SliceNow() {
    std::uint64_t attributes[6] = {};  // size and policy, flags, nice and priority, runtime
    syscall(SYS_sched_getattr, 0, attributes, 48, 0);
    return attributes[3];
  }
};

TEST_F(LoopSettings, TheLoopSleepsBetweenFrames) {
  RunForAFifthOfASecond();
  EXPECT_FALSE(station->IsBusyWait());
  EXPECT_GE(station->GetFrameCount(), 10);
  EXPECT_GE(pump.Waits().size(), 10u);
  EXPECT_FALSE(Received().empty());
  EXPECT_STREQ(station->GetSchedulingText(), "");
}

TEST_F(LoopSettings, BusyWaitKeepsTheLoopPolling) {
  busyWait = true;
  RunForAFifthOfASecond();
  EXPECT_TRUE(station->IsBusyWait());
  EXPECT_GE(station->GetFrameCount(), 10);
  EXPECT_TRUE(pump.Waits().empty());
}

TEST_F(LoopSettings, RealtimeIsToldAndHeldOnlyWhileTheLoopRuns) {
  realtime = true;
  int policyDuring = -1;
  RunForAFifthOfASecond([&] { policyDuring = Policy(); });
  const std::string text = station->GetSchedulingText();
  if (text == "Real-time priority: SCHED_FIFO 10 for the frame loop") {
    EXPECT_EQ(policyDuring, SCHED_FIFO);
  } else {
    EXPECT_TRUE(text.rfind("Real-time priority not allowed", 0) == 0 ||
                text.rfind("Real-time priority refused", 0) == 0)
        << text;
    EXPECT_EQ(policyDuring, SCHED_OTHER);
  }
  EXPECT_EQ(Policy(), SCHED_OTHER);
  EXPECT_FALSE(pump.Waits().empty());
}

TEST_F(LoopSettings, RealtimeIsNotAskedForWhileTheLoopPolls) {
  realtime = true;
  busyWait = true;
  int policyDuring = -1;
  RunForAFifthOfASecond([&] { policyDuring = Policy(); });
  EXPECT_STREQ(station->GetSchedulingText(),
               "Real-time priority not asked for: the loop polls (busy wait)");
  EXPECT_EQ(policyDuring, SCHED_OTHER);
}

TEST_F(LoopSettings, TheTimeSliceIsToldAndHeldOnlyWhileTheLoopRuns) {
  std::uint64_t sliceDuring = 0;
  RunForAFifthOfASecond([&] { sliceDuring = SliceNow(); });
  const std::string text = station->GetSliceText();
  if (text == "Time slice: 0.3 ms for the frame loop, timer slack 1 ns") {
    EXPECT_EQ(sliceDuring, 300000u);
    EXPECT_NE(SliceNow(), 300000u) << "the kernel's own slice is back";
  } else {
    EXPECT_EQ(text.rfind("Time slice ", 0), 0u) << text;
  }
  EXPECT_NE(TrafficLog().find(text), std::string::npos);
}

// Each frame step sends at 60 a second, every second one at 30; the link
// watchdog spans the same time at either rate.
TEST_F(LoopSettings, TheDatagramRateDecidesWhichFrameStepsSend) {
  for (int rate : {30, 60}) {
    sendRate = rate;
    Start();
    RunConnected([&](int step) { EndAt(step, 21); });
    EXPECT_EQ(station->GetFrameCount(), 19) << rate;
    EXPECT_EQ(station->GetSentDatagrams(), rate == 60 ? 20 : 10) << rate;
    EXPECT_EQ(Received().size(), rate == 60 ? 20u : 10u) << rate;
    EXPECT_EQ(station->GetLinkWatchdog(), (rate == 60 ? 100 : 50) - 1) << rate;
    station.reset();
  }
}

}  // namespace
