// Real-time scheduling of the frame loop's thread on Linux.

#include <linux/capability.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
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

}  // namespace

ThreadScheduling::ThreadScheduling() : m_changed(false), m_policy(SCHED_OTHER), m_priority(0) {
  std::snprintf(m_text, sizeof m_text, "Real-time priority not asked for");
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
