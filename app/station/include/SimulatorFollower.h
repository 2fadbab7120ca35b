#pragma once
// The frames that send, placed just after the simulator's writes of the
// record instead of at a phase of the loop's own (tavrion
// --follow-simulator), so that a datagram carries a write a fraction of a
// millisecond old rather than up to a frame.
//
// The simulator says nothing of when it writes: the follower learns it by
// looking at the record (RecordProbe: has it changed since the last look?).
// Once a change is seen at a frame it searches: it looks every kLookEvery
// between frames until five changes, each found within kLongestLookGap of
// the look before, fit one write period (the intervals whole periods, the
// period from the line fitted through them). Locked, it predicts the write
// the next send is to carry (the first at least a send period, less 5 %,
// after the one the last send carried) and looks only in a window around
// it: from a lead before it, every kLookEvery, until the change is seen
// (the frame then starts at once) or until a lag after it (the frame starts
// then, with what the record holds). Each write found moves the predicted
// phase halfway to it and the period by an eighth of the error; the lead
// and lag follow the writes' departures from the prediction. When a write
// between sends is skipped (a simulator writing faster than the datagram
// rate), one look halfway before the window takes the record as it stands,
// so that the skipped write is not taken for the one awaited. Sends move
// onto the writes by at most 1/kStretchParts of a send period an interval
// (a send period at most in all: about half a second at 30 a second).
//
// Frames that do not send (every second one at 30 datagrams a second) come
// a frame period after the one before, or halfway to the next send's window
// when that is sooner. After kMissesToLetGo windows in a row with the record
// unchanged even after them (a parked aircraft, a paused simulator, one
// that changed its rate) the loop goes back to its own steady pace, one
// frame period apart, with one look at each frame (no wake-up of its own)
// for writes to come back; a search that finds no period within
// kLongestSearch is given up and tried again after 1 s, then 2, 4 and 8 s
// while it keeps failing. Simulators writing 10 to 500 times a second are
// followed.
//
// Whatever the writes do, the sends keep to the datagram rate: each is
// given a send period of its own on a schedule that a send may come ahead
// of by half a period at most (so never two within half a period, and over
// any span no more than the rate allows, give or take one). A stricter rule,
// no send less than a second after the one `rate` sends before, would hold
// a simulator writing at exactly the rate to the slowest moment it was ever
// followed at: one late send would make that one in every `rate` late for
// good.
//
// Times are nanoseconds of one monotonic clock.

#include <cstdint>
#include <limits>
#include <vector>

// A look at the simulator's record.
class RecordProbe {
 public:
  virtual ~RecordProbe() = default;
  // True when the record differs from what the last look saw (or this is
  // the first); the look is remembered either way.
  virtual bool Changed() = 0;
};

class SimulatorFollower {
 public:
  static constexpr std::int64_t kNever = std::numeric_limits<std::int64_t>::max();
  static constexpr std::int64_t kLookEvery = 250000;
  static constexpr std::int64_t kLeastLead = 500000;
  static constexpr std::int64_t kMostLead = 3000000;
  static constexpr std::int64_t kLeastLag = 3000000;
  static constexpr std::int64_t kMostLag = 5000000;
  // Sends move onto the writes by at most a send period over this an
  // interval.
  static constexpr int kStretchParts = 16;
  // A change found more than this after the look before it is not timed
  // closely enough for a search.
  static constexpr std::int64_t kLongestLookGap = 2000000;
  static constexpr int kMissesToLetGo = 4;
  static constexpr int kChangesToLock = 5;
  // The shortest write period followed: 2 ms (500 Hz).
  static constexpr std::int64_t kShortestPeriod = 2000000;
  static constexpr std::int64_t kLongestSearch = 400000000;
  static constexpr std::int64_t kFirstRetry = 1000000000;
  static constexpr std::int64_t kLastRetry = 8000000000;

  enum class State { kOwnPace, kSearching, kLocked };

  // When the next frame falls due at the latest, and when the loop is to
  // call Ready first (kNever: not before it is due).
  struct Plan {
    std::int64_t due;
    std::int64_t ask;
  };

  // `framePeriod`: the loop's own; `sendsPerSecond`: the datagram rate.
  // The probe must outlive the follower.
  SimulatorFollower(RecordProbe& probe, std::int64_t framePeriod, int sendsPerSecond);

  // After each frame step, which started at `start` and sent a datagram or
  // not; `nextSends`: the next step will send.
  Plan AfterFrame(std::int64_t start, bool sent, bool nextSends);
  // At the ask time: true when the frame is to start now; else `*ask` says
  // when to be asked again.
  bool Ready(std::int64_t now, std::int64_t* ask);

  State GetState() const { return m_state; }
  // The write period found; 0 before the first lock.
  std::int64_t WritePeriod() const { return m_period; }
  // Looks at the record so far, and times locked since start.
  long Looks() const { return m_looks; }
  int Locks() const { return m_locks; }

 private:
  bool Look();
  void RememberSend(std::int64_t start);
  std::int64_t EarliestSend() const;
  Plan PlanNext(std::int64_t start, bool nextSends);
  void ChooseTarget(std::int64_t start);
  void Caught(std::int64_t now);
  void CaughtLate(std::int64_t start);
  void Follow(std::int64_t written);
  void Missed(std::int64_t start);
  void BeginSearch(std::int64_t now);
  void Search(std::int64_t now);
  void TryLock();
  void GiveUpSearch(std::int64_t now);
  std::int64_t Lead() const;
  std::int64_t Lag() const;

  RecordProbe& m_probe;
  const std::int64_t m_framePeriod;
  const std::int64_t m_sendPeriod;
  State m_state;
  long m_looks;
  int m_locks;
  std::int64_t m_lastLook;
  // When the next send is due on the rate's schedule; it may start half a
  // send period before.
  std::int64_t m_sendDue;
  std::int64_t m_lastSend;
  // Searching.
  std::int64_t m_searchStart;
  std::int64_t m_retryAt;
  std::int64_t m_retryDelay;
  std::vector<std::int64_t> m_changes;
  // Locked: the write followed last (found or predicted), the period, the
  // mean departure of the writes from their prediction.
  std::int64_t m_phase;
  std::int64_t m_period;
  std::int64_t m_lockedPeriod;
  std::int64_t m_jitter;
  int m_misses;
  bool m_lastMissed;
  // The window of the next send: around the write it awaits (m_target, the
  // m_targetGap-th after m_phase), opened at m_windowOpen, closed at
  // m_windowClose; a look first at m_baselineAt when m_needBaseline.
  bool m_windowPlanned;
  bool m_caught;
  std::int64_t m_target;
  int m_targetGap;
  // The writes' time between two sends: m_targetGap write periods.
  std::int64_t m_sendGap;
  std::int64_t m_windowOpen;
  std::int64_t m_windowClose;
  bool m_needBaseline;
  std::int64_t m_baselineAt;
  std::int64_t m_earliest;
};
