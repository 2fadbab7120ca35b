#include "FramePriority.h"

#include "TextFunctions.h"

FramePriority::FramePriority() : m_text(), m_sliceText() {}

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

const char* FramePriority::EnterShortSlice(std::int64_t nanoseconds) {
  m_scheduling.RequestShortSlice(nanoseconds);
  SafeCopy(m_sliceText, m_scheduling.SliceText(), Platform::ThreadScheduling::kTextSize);
  return m_sliceText;
}
