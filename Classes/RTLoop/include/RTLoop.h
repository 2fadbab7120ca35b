#pragma once
// Frame pacing on the user-interface thread. Run keeps the window's messages
// flowing, one per pass and always before a frame, and calls Execute once
// whenever a frame period has passed. Between frames it sleeps in the message
// pump until a message comes or the next frame is nearly due (the wake-ahead
// before it). The last short stretch is then either polled (messages and the
// clock) or slept on the clock to the frame's due time, a deadline that a
// late start of the sleep does not move; the pass after it still looks for
// a message before the frame. Either way a frame starts as soon as it is due
// without holding a core the rest of the time. In busy wait it never sleeps:
// it polls from one frame to the next, as hosts whose wake-ups come late may
// need. Everything Execute and the dispatched messages do runs inside Run,
// and Stop called from there ends Run after the current pass.
//
// A subclass may steer the frames' timing (ScheduleNext, FrameReady): set
// each frame's due time, and have the loop ask it at given moments before
// that whether the frame should start at once, sleeping in the pump in
// between. Unsteered, frames are one period apart.

#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

#include "Clock.h"
#include "MessagePump.h"

class RTLoop {
 public:
  static constexpr int kRunning = 0;
  static constexpr int kPaused = 1;
  static constexpr int kStopped = 2;
  static constexpr int kMaxRate = 1000;
  // The millisecond timer's period, whatever the rate asked for.
  static constexpr std::int64_t kMillisecondPeriod = 16;
  static constexpr int kFrameIndexCount = 16;
  // How long before a frame is due the loop stops sleeping and polls: longer
  // than this host's usual lateness of a wake-up, short enough to cost little.
  static constexpr std::int64_t kWakeAheadNanoseconds = 1000000;
  // The wake-ahead when the rest is slept to the frame's due time: enough
  // for the pump's own round after its wait, short enough that a message
  // coming in it waits little.
  static constexpr std::int64_t kDeadlineWakeAheadNanoseconds = 200000;
  // The longest wake-ahead: a frame period at the highest rate.
  static constexpr std::int64_t kMostWakeAheadNanoseconds = 1000000;
  // The learnt lead: how many of the last sleeps it is taken from, the share
  // of them that must come within it, and where it starts.
  static constexpr int kLeadSamples = 256;
  static constexpr double kLeadQuantile = 0.99;
  static constexpr std::int64_t kFirstLeadNanoseconds = 50000;
  static constexpr std::int64_t kPreemptedNanoseconds = 100000;
  static constexpr int kPreemptedWithin = 64;
  static constexpr int kLeadOffFrames = 512;

  // `rate` frames a second, 1 to 1000; anything else runs at 1. Starts
  // stopped. The clock and the pump must outlive the loop.
  RTLoop(int rate, Platform::Clock& clock, Platform::MessagePump& pump);
  // Virtual so that a loop deleted through this class ends its subclass too.
  virtual ~RTLoop();
  RTLoop(const RTLoop&) = delete;
  RTLoop& operator=(const RTLoop&) = delete;

  // Stopped becomes running; any other state is kept. True.
  bool Start();
  // Runs frames and messages while the state is running or paused.
  void Run();
  // Running or paused becomes stopped. True.
  bool Stop();

  // One due frame: `frameIndex` counts 0 to 15 and over again, `state` is the
  // loop's state. This one does nothing and returns -1.
  virtual int Execute(int frameIndex, int state);

  // Busy wait polls between frames instead of sleeping. Off at construction.
  void SetBusyWait(bool busyWait) { m_busyWait = busyWait; }
  bool IsBusyWait() const { return m_busyWait; }
  // The pump's wait ends `nanoseconds` (0 to kMostWakeAheadNanoseconds,
  // held within) before a frame is due; the rest is polled, or with `poll`
  // false slept on the clock to the frame's due time. At construction:
  // kWakeAheadNanoseconds, polled.
  void SetWakeAhead(std::int64_t nanoseconds, bool poll);
  bool PollsWakeAhead() const { return m_pollWakeAhead; }
  // With the rest slept on the clock: the sleep ends a lead before the
  // frame's due time, and the lead is polled. The lead is learnt from the
  // loop's own wake-ups: the kLeadQuantile of how late its last
  // kLeadSamples sleeps to a deadline came (within 0 and
  // kMostWakeAheadNanoseconds; kFirstLeadNanoseconds before any), so that
  // on a host whose wake-ups come late the frame still starts on its time,
  // without holding the core longer than those wake-ups take. On a busy
  // machine a poll is cut short by other programs: when a frame comes more
  // than kPreemptedNanoseconds late out of a poll begun before its time
  // twice within kPreemptedWithin frames, the loop sleeps to the due time
  // itself for the next kLeadOffFrames frames. Off at construction; only
  // with the high-resolution counter.
  void LearnWakeLead(bool learn) { m_learnLead = learn && m_usesPerformanceCounter; }
  bool LearnsWakeLead() const { return m_learnLead; }
  // The lead learnt so far, in ticks of the counter.
  std::int64_t GetLearntLead() const { return m_lead; }
  // The lead is off: polls were cut short.
  bool IsLeadOff() const { return m_leadOffFrames > 0; }

  int GetState() const { return m_state; }
  int GetRate() const { return m_rate; }
  bool UsesPerformanceCounter() const { return m_usesPerformanceCounter; }
  std::int64_t GetFrequency() const { return m_frequency; }
  std::int64_t GetPeriod() const { return m_period; }
  // The polled stretch before a due frame, in ticks of the clock in use.
  std::int64_t GetWakeAhead() const { return m_wakeAhead; }

 protected:
  // When the next frame falls due (it starts on the first tick after
  // `due`), and from when on FrameReady is asked before that.
  struct FrameSchedule {
    std::int64_t due;
    std::int64_t ask;
  };
  static constexpr std::int64_t kNeverAsk = std::numeric_limits<std::int64_t>::max();
  // After each frame, with the clock reading that found it due: this one
  // gives `start` + the period, never asked.
  virtual FrameSchedule ScheduleNext(std::int64_t start);
  // Asked once the clock has reached the ask time, in a pass with no
  // message waiting: true starts the frame now. False leaves it to its due
  // time, with `*ask` set to when to ask again (kNeverAsk: not before it).
  // This one returns false and never asks again.
  virtual bool FrameReady(std::int64_t now, std::int64_t* ask);

 private:
  void Calibrate();
  // The clock in use: counter ticks, or milliseconds widened past their wrap.
  std::int64_t ReadClock();
  // The frame starts now: it is due, or its subclass says so when asked.
  bool FrameStartsNow();
  // Sleeps in the pump until a message comes, the subclass is to be asked
  // or the frame is nearly due, then, unless the rest is polled, on the
  // clock to its due time.
  void WaitUntilDue();
  void SleepUntil(std::int64_t due);
  // Sleeps to the learnt lead before `due` and learns from how late it came.
  void SleepLeadBefore(std::int64_t due);
  // At a frame's start: whether a poll of the lead was cut short.
  void WatchLeadPoll();
  std::int64_t TicksToNanoseconds(std::int64_t ticks) const;

  Platform::Clock& m_clock;
  Platform::MessagePump& m_pump;
  int m_state;
  int m_rate;
  bool m_usesPerformanceCounter;
  std::int64_t m_frequency;
  std::int64_t m_period;
  std::int64_t m_wakeAhead;
  std::int64_t m_wakeAheadNanoseconds;
  bool m_pollWakeAhead;
  bool m_busyWait;
  bool m_learnLead;
  std::int64_t m_lead;
  std::vector<std::int64_t> m_lateness;  // ring of the last sleeps' lateness, ticks
  std::size_t m_latenessNext;
  std::int64_t m_pollFrom;  // where the last poll of the lead began, and for which due time
  std::int64_t m_pollDue;
  int m_framesSincePreempted;
  int m_leadOffFrames;
  std::int64_t m_nextDue;
  std::int64_t m_ask;
  std::int64_t m_now;
  std::uint32_t m_lastMilliseconds;
  std::int64_t m_millisecondWraps;
};
