#include "RealTimeLoop.h"

#include "TavrionDlg.h"

RealTimeLoop::RealTimeLoop(CTavrionDlg* dialog, int rate, Platform::Clock& clock,
                           Platform::MessagePump& pump)
    : RTLoop(rate, clock, pump), m_dialog(dialog) {}

int RealTimeLoop::Execute(int /*frameIndex*/, int state) {
  if (state != kStopped && m_dialog != nullptr) {
    m_dialog->FrameStep();
  }
  return 0;
}
