// Real-time scheduling of the frame loop's thread on Linux.

#include <linux/capability.h>
#include <sched.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "ThreadScheduling.h"

namespace Platform {
namespace {

bool HasCapSysNice() {
  __user_cap_header_struct header{};
  header.version = _LINUX_CAPABILITY_VERSION_3;
  header.pid = 0;
  __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] = {};
  if (syscall(SYS_capget, &header, data) != 0) {
    return false;
  }
  return (data[CAP_SYS_NICE / 32].effective & (1u << (CAP_SYS_NICE % 32))) != 0;
}

long long RtprioLimit() {
  rlimit limit{};
  if (getrlimit(RLIMIT_RTPRIO, &limit) != 0) {
    return 0;
  }
  return limit.rlim_cur == RLIM_INFINITY ? -1 : static_cast<long long>(limit.rlim_cur);
}

// The kernel's sched_attr as its first version lays it out; the C library
// has no wrapper for sched_setattr.
struct SchedulingAttributes {
  std::uint32_t size;
  std::uint32_t policy;
  std::uint64_t flags;
  std::int32_t nice;
  std::uint32_t priority;
  std::uint64_t runtime;  // the fair scheduler's slice, in ns, for SCHED_OTHER
  std::uint64_t deadline;
  std::uint64_t period;
};
static_assert(sizeof(SchedulingAttributes) == 48, "the kernel's first sched_attr");
constexpr std::uint64_t kResetOnForkFlag = 0x01;

bool ReadAttributes(SchedulingAttributes& attributes) {
  attributes = SchedulingAttributes{};
  return syscall(SYS_sched_getattr, 0, &attributes, sizeof attributes, 0) == 0;
}

bool WriteSlice(SchedulingAttributes attributes, std::uint64_t slice) {
  attributes.size = sizeof attributes;
  attributes.runtime = slice;
  // Only the reset-on-fork flag is kept: without CAP_SYS_NICE it cannot be
  // cleared, and clearing it would be refused.
  attributes.flags &= kResetOnForkFlag;
  return syscall(SYS_sched_setattr, 0, &attributes, 0) == 0;
}

}  // namespace

ThreadScheduling::ThreadScheduling()
    : m_changed(false),
      m_policy(SCHED_OTHER),
      m_priority(0),
      m_sliceChanged(false),
      m_slackChanged(false),
      m_oldSlack(0) {
  std::snprintf(m_text, sizeof m_text, "Real-time priority not asked for");
  std::snprintf(m_sliceText, sizeof m_sliceText, "Time slice not asked for");
}

bool ThreadScheduling::RequestShortSlice(std::int64_t nanoseconds) {
  if (m_sliceChanged) {
    return true;
  }
  const double milliseconds = static_cast<double>(nanoseconds) / 1e6;
  if (!m_slackChanged) {
    const int slack = prctl(PR_GET_TIMERSLACK);
    if (slack >= 0 && prctl(PR_SET_TIMERSLACK, 1UL) == 0) {
      m_oldSlack = slack;
      m_slackChanged = true;
    }
  }
  const char* slack = m_slackChanged ? "timer slack 1 ns" : "timer slack unchanged";
  SchedulingAttributes attributes{};
  if (!ReadAttributes(attributes)) {
    std::snprintf(m_sliceText, sizeof m_sliceText, "Time slice refused: %s; %s",
                  std::strerror(errno), slack);
    return false;
  }
  if (attributes.policy != SCHED_OTHER) {
    std::snprintf(m_sliceText, sizeof m_sliceText, "Time slice not asked for: policy %u; %s",
                  attributes.policy, slack);
    return false;
  }
  if (!WriteSlice(attributes, static_cast<std::uint64_t>(nanoseconds))) {
    std::snprintf(m_sliceText, sizeof m_sliceText, "Time slice of %.1f ms refused: %s; %s",
                  milliseconds, std::strerror(errno), slack);
    return false;
  }
  // A kernel before 6.12 takes the call and ignores the slice: it reads
  // back as something else.
  SchedulingAttributes now{};
  if (!ReadAttributes(now) || now.runtime != static_cast<std::uint64_t>(nanoseconds)) {
    std::snprintf(m_sliceText, sizeof m_sliceText,
                  "Time slice of %.1f ms ignored by this kernel; %s", milliseconds, slack);
    return false;
  }
  m_sliceChanged = true;
  std::snprintf(m_sliceText, sizeof m_sliceText, "Time slice: %.1f ms for the frame loop, %s",
                milliseconds, slack);
  return true;
}

int ThreadScheduling::AllowedPriority(int wanted, long long rtprioLimit, bool mayRaise) {
  if (mayRaise || rtprioLimit < 0 || rtprioLimit >= wanted) {
    return wanted;
  }
  return static_cast<int>(rtprioLimit);
}

bool ThreadScheduling::RequestRealtime() {
  if (m_changed) {
    return true;
  }
  const bool mayRaise = HasCapSysNice();
  const long long limit = RtprioLimit();
  const int priority = AllowedPriority(kRealtimePriority, limit, mayRaise);
  if (priority <= 0) {
    std::snprintf(m_text, sizeof m_text,
                  "Real-time priority not allowed: rtprio limit %lld, no CAP_SYS_NICE", limit);
    return false;
  }
  const int oldPolicy = sched_getscheduler(0);
  sched_param oldParam{};
  sched_getparam(0, &oldParam);
  sched_param param{};
  param.sched_priority = priority;
  // Threads the toolkit starts later must not inherit a real-time policy.
  if (sched_setscheduler(0, SCHED_FIFO | SCHED_RESET_ON_FORK, &param) != 0) {
    std::snprintf(m_text, sizeof m_text, "Real-time priority refused: %s", std::strerror(errno));
    return false;
  }
  m_changed = true;
  m_policy = oldPolicy < 0 ? SCHED_OTHER : oldPolicy & ~SCHED_RESET_ON_FORK;
  m_priority = oldParam.sched_priority;
  std::snprintf(m_text, sizeof m_text, "Real-time priority: SCHED_FIFO %d for the frame loop",
                priority);
  return true;
}

void ThreadScheduling::Restore() {
  if (m_slackChanged) {
    prctl(PR_SET_TIMERSLACK, static_cast<unsigned long>(m_oldSlack));
    m_slackChanged = false;
  }
  if (m_sliceChanged) {
    SchedulingAttributes attributes{};
    // The slice it had was the kernel's default unless one was asked for
    // before: 0 gives the default back.
    if (ReadAttributes(attributes)) WriteSlice(attributes, 0);
    m_sliceChanged = false;
  }
  if (!m_changed) {
    return;
  }
  sched_param param{};
  param.sched_priority = m_priority;
  // The reset-on-fork flag stays: without CAP_SYS_NICE it cannot be cleared.
  sched_setscheduler(0, m_policy | SCHED_RESET_ON_FORK, &param);
  m_changed = false;
}

}  // namespace Platform
