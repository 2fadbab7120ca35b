#pragma once
// The scheduling of the thread that runs the frame loop. A loop that sleeps
// between frames may run at a real-time priority: it then takes a core from
// CPU-bound processes the moment it wakes, and gives it back as soon as it
// sleeps again. Without privileges it may still ask the fair scheduler for a
// short time slice, which lets it preempt a CPU-bound process sooner when it
// wakes, and for the smallest timer slack, so that its sleeps end on time.
// Asked for and given back on the loop's own thread.

#include <cstdint>

namespace Platform {

class ThreadScheduling {
 public:
  static constexpr int kRealtimePriority = 10;
  // One line, short enough for the LAN traffic log's event lines.
  static constexpr int kTextSize = 80;

  ThreadScheduling();
  ~ThreadScheduling() = default;
  ThreadScheduling(const ThreadScheduling&) = delete;
  ThreadScheduling& operator=(const ThreadScheduling&) = delete;

  // Moves the calling thread to SCHED_FIFO at kRealtimePriority, or at the
  // rtprio limit when that is lower and the thread lacks CAP_SYS_NICE.
  // Threads it starts afterwards get the normal policy. True when granted;
  // Text() tells the outcome either way.
  bool RequestRealtime();
  // Gives the calling thread back the policy it had before RequestRealtime,
  // if that changed it, and the time slice and timer slack it had before
  // RequestShortSlice.
  void Restore();
  bool IsRealtime() const { return m_changed; }
  const char* Text() const { return m_text; }

  // The fair scheduler's slice for the calling thread (kernels from 6.12
  // honour it, 0.1 to 100 ms, without privileges) and a timer slack of 1 ns.
  // True when the kernel took the slice; SliceText() tells the outcome
  // either way. A thread of another policy than SCHED_OTHER is left as it is.
  bool RequestShortSlice(std::int64_t nanoseconds);
  bool HasShortSlice() const { return m_sliceChanged; }
  const char* SliceText() const { return m_sliceText; }

  // The real-time priority a thread may take: `wanted` when it may raise its
  // priority freely, else no more than the rtprio limit (negative for
  // unlimited); 0 when it may take none.
  static int AllowedPriority(int wanted, long long rtprioLimit, bool mayRaise);

 private:
  bool m_changed;
  int m_policy;
  int m_priority;
  char m_text[kTextSize];
  bool m_sliceChanged;
  bool m_slackChanged;
  int m_oldSlack;
  char m_sliceText[kTextSize];
};

}  // namespace Platform
