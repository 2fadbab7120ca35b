#pragma once
// The station's frame loop: each due frame is one frame step of the station.

#include "RTLoop.h"

class Station;

inline constexpr char kRealTimeLoopRevision[] =
    "%Z% Tavrion QM2114:01 RealTimeLoop.cpp $Revision: 1.1 $";

class RealTimeLoop : public RTLoop {
 public:
  // The station must outlive the loop.
  RealTimeLoop(Station* station, int rate, Platform::Clock& clock, Platform::MessagePump& pump);

  // The station's FrameStep, unless the loop is stopping (state 2). The frame
  // index is not used. Returns 0.
  int Execute(int frameIndex, int state) override;

 private:
  Station* m_station;
};
