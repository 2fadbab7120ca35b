// The frame loop's thread at a real-time priority while the loop runs, when
// the station is set up for it.

#include <cstdio>

#include "TavrionDlg.h"

void CTavrionDlg::EnterLoopScheduling() {
  if (!m_settings.realtime) {
    return;
  }
  const char* text = m_priority.Enter(m_settings.busyWait);
  m_link.Log(text);
  std::fprintf(stderr, "%s\n", text);
}

void CTavrionDlg::LeaveLoopScheduling() {
  m_priority.Leave();
}
