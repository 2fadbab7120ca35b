// The frame loop's thread at a real-time priority while the loop runs, when
// the station is set up for it.

#include <cstdio>

#include "QMP0001_02_RtLan.h"
#include "TavrionDlg.h"
#include "TextFunctions.h"

void CTavrionDlg::EnterLoopScheduling() {
  if (!m_settings.realtime) {
    return;
  }
  if (m_settings.busyWait) {
    // A polling loop never gives its core back: at a real-time priority it
    // would starve everything else on that core.
    SafeCopy(m_schedulingText, "Real-time priority not asked for: the loop polls (busy wait)",
             Platform::ThreadScheduling::kTextSize);
  } else {
    m_scheduling.RequestRealtime();
    SafeCopy(m_schedulingText, m_scheduling.Text(), Platform::ThreadScheduling::kTextSize);
  }
  m_link.Log(m_schedulingText);
  std::fprintf(stderr, "%s\n", m_schedulingText);
}

void CTavrionDlg::LeaveLoopScheduling() {
  m_scheduling.Restore();
}
