#pragma once
// The station's frame loop: each due frame is one frame step of the dialog.

#include "RTLoop.h"

class CTavrionDlg;

inline constexpr char kRealTimeLoopRevision[] =
    "%Z% Tavrion QM2114:01 RealTimeLoop.cpp $Revision: 1.1 $";

class RealTimeLoop : public RTLoop {
 public:
  // The dialog must outlive the loop.
  RealTimeLoop(CTavrionDlg* dialog, int rate, Platform::Clock& clock, Platform::MessagePump& pump);

  // The dialog's FrameStep, unless the loop is stopping (state 2). The frame
  // index is not used. Returns 0.
  int Execute(int frameIndex, int state) override;

 private:
  CTavrionDlg* m_dialog;
};
