#pragma once
// The station's frame loop: each due frame is one frame step of the station.
// Set to follow the simulator, it places the steps that send just after
// the simulator's writes of the record (SimulatorFollower.h).

#include <memory>

#include "RTLoop.h"
#include "SimulatorFollower.h"

class Station;

inline constexpr char kRealTimeLoopRevision[] =
    "%Z% Tavrion QM2114:01 RealTimeLoop.cpp $Revision: 1.1 $";

class RealTimeLoop : public RTLoop, private RecordProbe {
 public:
  // The station must outlive the loop.
  RealTimeLoop(Station* station, int rate, Platform::Clock& clock, Platform::MessagePump& pump);
  ~RealTimeLoop() override;

  // The station's FrameStep, unless the loop is stopping (state 2). The frame
  // index is not used. Returns 0.
  int Execute(int frameIndex, int state) override;

  // From the next Run on, the steps that send follow the simulator's
  // writes, at most `sendsPerSecond` a second. False, and the loop keeps
  // its own pace, without the high-resolution counter.
  bool FollowSimulator(int sendsPerSecond);
  // Null unless following.
  const SimulatorFollower* Follower() const { return m_follower.get(); }

 protected:
  FrameSchedule ScheduleNext(std::int64_t start) override;
  bool FrameReady(std::int64_t now, std::int64_t* ask) override;

 private:
  bool Changed() override;
  // Tells the station when the follower locked onto the writes or let go.
  void TellStateChange();
  std::int64_t Nanoseconds(std::int64_t ticks) const;
  std::int64_t Ticks(std::int64_t nanoseconds) const;

  Station* m_station;
  std::unique_ptr<SimulatorFollower> m_follower;
  SimulatorFollower::State m_toldState = SimulatorFollower::State::kOwnPace;
};
