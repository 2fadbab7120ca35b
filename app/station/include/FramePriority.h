#pragma once
// The frame loop's thread at a real-time priority while the loop runs, for a
// station set up for it, or else with a short time slice and the smallest
// timer slack, and one line saying what became of each request.

#include <cstdint>

#include "ThreadScheduling.h"

class FramePriority {
 public:
  FramePriority();

  // Asks for the priority for the calling thread, unless the loop polls
  // (busy wait): a polling loop never gives its core back, and at a
  // real-time priority it would starve everything else on that core. The
  // line that tells the outcome.
  const char* Enter(bool busyWait);
  // Asks for a time slice of `nanoseconds` and a timer slack of 1 ns for
  // the calling thread; the line that tells the outcome.
  const char* EnterShortSlice(std::int64_t nanoseconds);
  bool IsRealtime() const { return m_scheduling.IsRealtime(); }
  // The thread's scheduling as it was before Enter and EnterShortSlice.
  void Leave() { m_scheduling.Restore(); }
  // The last Enter's line; empty before.
  const char* Text() const { return m_text; }
  // The last EnterShortSlice's line; empty before.
  const char* SliceText() const { return m_sliceText; }

 private:
  Platform::ThreadScheduling m_scheduling;
  char m_text[Platform::ThreadScheduling::kTextSize];
  char m_sliceText[Platform::ThreadScheduling::kTextSize];
};
