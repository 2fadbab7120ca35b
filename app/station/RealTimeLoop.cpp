#include "RealTimeLoop.h"

#include "Station.h"

RealTimeLoop::RealTimeLoop(Station* station, int rate, Platform::Clock& clock,
                           Platform::MessagePump& pump)
    : RTLoop(rate, clock, pump), m_station(station) {}

int RealTimeLoop::Execute(int /*frameIndex*/, int state) {
  if (state != kStopped && m_station != nullptr) {
    m_station->FrameStep();
  }
  return 0;
}
