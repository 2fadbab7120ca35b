// The frame loop thread's real-time priority: what a thread may take, what it
// gets, that threads it starts do not inherit it, and that it goes back.
// Each case runs on a thread of its own, so the test's threads keep theirs.

#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sched.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <thread>

#include "ThreadScheduling.h"

namespace {

using Platform::ThreadScheduling;

int Policy() {
  return sched_getscheduler(0) & ~SCHED_RESET_ON_FORK;
}

int Priority() {
  sched_param param{};
  sched_getparam(0, &param);
  return param.sched_priority;
}

// Takes CAP_SYS_NICE out of the calling thread's effective set.
void DropCapSysNice() {
  __user_cap_header_struct header{};
  header.version = _LINUX_CAPABILITY_VERSION_3;
  __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] = {};
  ASSERT_EQ(syscall(SYS_capget, &header, data), 0);
  data[CAP_SYS_NICE / 32].effective &= ~(1u << (CAP_SYS_NICE % 32));
  ASSERT_EQ(syscall(SYS_capset, &header, data), 0);
}

// Sets the process's rtprio limit for one test and puts it back after.
class RtprioLimit {
 public:
  explicit RtprioLimit(rlim_t value) {
    getrlimit(RLIMIT_RTPRIO, &m_saved);
    rlimit limit = m_saved;
    limit.rlim_cur = value;
    if (limit.rlim_max != RLIM_INFINITY && limit.rlim_max < value) {
      limit.rlim_max = value;  // needs the privilege to raise it; else skipped
    }
    m_set = setrlimit(RLIMIT_RTPRIO, &limit) == 0;
  }
  ~RtprioLimit() { setrlimit(RLIMIT_RTPRIO, &m_saved); }
  bool IsSet() const { return m_set; }

 private:
  rlimit m_saved{};
  bool m_set = false;
};

TEST(ThreadScheduling, AllowedPriorityFollowsTheCapabilityAndTheRtprioLimit) {
  EXPECT_EQ(ThreadScheduling::AllowedPriority(10, 0, true), 10);
  EXPECT_EQ(ThreadScheduling::AllowedPriority(10, -1, false), 10);
  EXPECT_EQ(ThreadScheduling::AllowedPriority(10, 20, false), 10);
  EXPECT_EQ(ThreadScheduling::AllowedPriority(10, 5, false), 5);
  EXPECT_EQ(ThreadScheduling::AllowedPriority(10, 0, false), 0);
}

TEST(ThreadScheduling, WhatItReportsIsWhatTheThreadGetsAndRestoreGivesTheOldPolicyBack) {
  std::thread([] {
    ThreadScheduling scheduling;
    const bool granted = scheduling.RequestRealtime();
    const std::string text = scheduling.Text();
    EXPECT_LT(text.size(), static_cast<std::size_t>(ThreadScheduling::kTextSize));
    EXPECT_EQ(text.find('\n'), std::string::npos);
    if (granted) {
      EXPECT_EQ(text, "Real-time priority: SCHED_FIFO 10 for the frame loop");
      EXPECT_EQ(Policy(), SCHED_FIFO);
      EXPECT_EQ(Priority(), ThreadScheduling::kRealtimePriority);
      int childPolicy = -1;
      std::thread([&childPolicy] { childPolicy = Policy(); }).join();
      EXPECT_EQ(childPolicy, SCHED_OTHER) << "a thread started later inherited the priority";
    } else {
      EXPECT_EQ(text.rfind("Real-time priority ", 0), 0u) << text;
      EXPECT_EQ(Policy(), SCHED_OTHER);
    }
    EXPECT_EQ(scheduling.IsRealtime(), granted);
    scheduling.Restore();
    EXPECT_EQ(Policy(), SCHED_OTHER);
    EXPECT_FALSE(scheduling.IsRealtime());
  }).join();
}

// Asks for the priority on a thread of its own without CAP_SYS_NICE; the
// outcome's text, and the priority the thread had (0 when none).
std::string RequestWithoutCapability(int& priority) {
  std::string text;
  std::thread([&] {
    DropCapSysNice();
    ThreadScheduling scheduling;
    scheduling.RequestRealtime();
    text = scheduling.Text();
    priority = Policy() == SCHED_FIFO ? Priority() : 0;
    scheduling.Restore();
    EXPECT_EQ(Policy(), SCHED_OTHER);
  }).join();
  return text;
}

TEST(ThreadScheduling, WithoutCapabilityTheRtprioLimitDecides) {
  int priority = -1;
  {
    RtprioLimit none(0);
    if (!none.IsSet()) {
      GTEST_SKIP() << "cannot set the rtprio limit here";
    }
    EXPECT_EQ(RequestWithoutCapability(priority),
              "Real-time priority not allowed: rtprio limit 0, no CAP_SYS_NICE");
    EXPECT_EQ(priority, 0);
  }
  RtprioLimit five(5);
  if (!five.IsSet()) {
    GTEST_SKIP() << "cannot raise the rtprio limit here";
  }
  EXPECT_EQ(RequestWithoutCapability(priority),
            "Real-time priority: SCHED_FIFO 5 for the frame loop");
  EXPECT_EQ(priority, 5);
}

TEST(ThreadScheduling, AShortSliceAndTheLeastTimerSlackAreToldAndGivenBack) {
  std::thread([] {
    const int slackBefore = prctl(PR_GET_TIMERSLACK);
    ThreadScheduling scheduling;
    const bool granted = scheduling.RequestShortSlice(300000);
    const std::string text = scheduling.SliceText();
    EXPECT_LT(text.size(), static_cast<std::size_t>(ThreadScheduling::kTextSize));
    EXPECT_EQ(prctl(PR_GET_TIMERSLACK), 1);
    std::uint64_t attributes[6] = {};  // the kernel's sched_attr: runtime is the fourth
    ASSERT_EQ(syscall(SYS_sched_getattr, 0, attributes, 48, 0), 0);
    if (granted) {
      EXPECT_EQ(text, "Time slice: 0.3 ms for the frame loop, timer slack 1 ns");
      EXPECT_EQ(attributes[3], 300000u);
    } else {
      EXPECT_EQ(text, "Time slice of 0.3 ms ignored by this kernel; timer slack 1 ns");
    }
    EXPECT_EQ(scheduling.HasShortSlice(), granted);
    scheduling.Restore();
    EXPECT_EQ(prctl(PR_GET_TIMERSLACK), slackBefore);
    ASSERT_EQ(syscall(SYS_sched_getattr, 0, attributes, 48, 0), 0);
    EXPECT_NE(attributes[3], 300000u);
  }).join();
}

}  // namespace
