#include "RealTimeLoop.h"

#include "Station.h"
#include "TextFunctions.h"

RealTimeLoop::RealTimeLoop(Station* station, int rate, Platform::Clock& clock,
                           Platform::MessagePump& pump)
    : RTLoop(rate, clock, pump), m_station(station) {}

RealTimeLoop::~RealTimeLoop() = default;

int RealTimeLoop::Execute(int /*frameIndex*/, int state) {
  if (state != kStopped && m_station != nullptr) {
    m_station->FrameStep();
  }
  return 0;
}

bool RealTimeLoop::FollowSimulator(int sendsPerSecond) {
  if (!UsesPerformanceCounter() || m_station == nullptr) {
    return false;
  }
  RecordProbe& probe = *this;
  m_follower = std::make_unique<SimulatorFollower>(probe, Nanoseconds(GetPeriod()), sendsPerSecond);
  return true;
}

RTLoop::FrameSchedule RealTimeLoop::ScheduleNext(std::int64_t start) {
  if (m_follower == nullptr) {
    return RTLoop::ScheduleNext(start);
  }
  const SimulatorFollower::Plan plan = m_follower->AfterFrame(
      Nanoseconds(start), m_station->LastStepSent(), m_station->NextStepSends());
  TellStateChange();
  return {Ticks(plan.due), plan.ask == SimulatorFollower::kNever ? kNeverAsk : Ticks(plan.ask)};
}

bool RealTimeLoop::FrameReady(std::int64_t now, std::int64_t* ask) {
  if (m_follower == nullptr) {
    return RTLoop::FrameReady(now, ask);
  }
  std::int64_t next = SimulatorFollower::kNever;
  const bool ready = m_follower->Ready(Nanoseconds(now), &next);
  *ask = next == SimulatorFollower::kNever ? kNeverAsk : Ticks(next);
  return ready;
}

void RealTimeLoop::TellStateChange() {
  const SimulatorFollower::State state = m_follower->GetState();
  const bool locked = state == SimulatorFollower::State::kLocked;
  if (locked == (m_toldState == SimulatorFollower::State::kLocked)) {
    return;  // a search begun or given up is not told
  }
  m_toldState = state;
  char text[128];
  if (locked) {
    SafeFormat(text, sizeof text, "Frames follow the simulator's writes: %.1f a second",
               1e9 / static_cast<double>(m_follower->WritePeriod()));
  } else {
    SafeFormat(text, sizeof text,
               "The simulator's record stands still: frames keep the loop's own pace");
  }
  m_station->TellFrameTiming(text);
}

bool RealTimeLoop::Changed() {
  return m_station->SimulatorRecordChanged();
}

std::int64_t RealTimeLoop::Nanoseconds(std::int64_t ticks) const {
  return Platform::TicksToNanoseconds(ticks, GetFrequency());
}

std::int64_t RealTimeLoop::Ticks(std::int64_t nanoseconds) const {
  return Platform::NanosecondsToTicks(nanoseconds, GetFrequency());
}
