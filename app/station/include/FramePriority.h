#pragma once
// The frame loop's thread at a real-time priority while the loop runs, for a
// station set up for it, and one line saying what became of the request.

#include "ThreadScheduling.h"

class FramePriority {
 public:
  FramePriority();

  // Asks for the priority for the calling thread, unless the loop polls
  // (busy wait): a polling loop never gives its core back, and at a
  // real-time priority it would starve everything else on that core. The
  // line that tells the outcome.
  const char* Enter(bool busyWait);
  // The thread's scheduling as it was before Enter.
  void Leave() { m_scheduling.Restore(); }
  // The last Enter's line; empty before.
  const char* Text() const { return m_text; }

 private:
  Platform::ThreadScheduling m_scheduling;
  char m_text[Platform::ThreadScheduling::kTextSize];
};
