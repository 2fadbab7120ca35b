// The frame loop's thread at a real-time priority while the loop runs, when
// the station is set up for it; otherwise, unless the loop polls, with a
// short time slice and the smallest timer slack, which need no privilege.

#include <cstdint>
#include <cstdio>

#include "TavrionDlg.h"

void CTavrionDlg::TellLoopScheduling(const char* text) {
  m_link.Log(text);
  std::fprintf(stderr, "%s\n", text);
}

void CTavrionDlg::EnterLoopScheduling() {
  if (m_settings.realtime) {
    TellLoopScheduling(m_priority.Enter(m_settings.busyWait));
  }
  if (m_settings.timeSliceMicroseconds > 0 && !m_settings.busyWait && !m_priority.IsRealtime()) {
    TellLoopScheduling(
        m_priority.EnterShortSlice(static_cast<std::int64_t>(m_settings.timeSliceMicroseconds) * 1000));
  }
}

void CTavrionDlg::LeaveLoopScheduling() {
  m_priority.Leave();
}
