#include "FramePriority.h"

#include "TextFunctions.h"

FramePriority::FramePriority() : m_text() {}

const char* FramePriority::Enter(bool busyWait) {
  if (busyWait) {
    SafeCopy(m_text, "Real-time priority not asked for: the loop polls (busy wait)",
             Platform::ThreadScheduling::kTextSize);
  } else {
    m_scheduling.RequestRealtime();
    SafeCopy(m_text, m_scheduling.Text(), Platform::ThreadScheduling::kTextSize);
  }
  return m_text;
}
