#include "SimulatorFollower.h"

#include <algorithm>

namespace {

constexpr std::int64_t kSecond = 1000000000;
constexpr std::int64_t kLongAgo = std::numeric_limits<std::int64_t>::min() / 2;

std::int64_t Clamp(std::int64_t value, std::int64_t least, std::int64_t most) {
  return std::min(std::max(value, least), most);
}

std::int64_t Magnitude(std::int64_t value) {
  return value < 0 ? -value : value;
}

}  // namespace

SimulatorFollower::SimulatorFollower(RecordProbe& probe, std::int64_t framePeriod,
                                     int sendsPerSecond)
    : m_probe(probe),
      m_framePeriod(framePeriod),
      m_sendPeriod(kSecond / std::max(sendsPerSecond, 1)),
      m_state(State::kOwnPace),
      m_looks(0),
      m_locks(0),
      m_lastLook(kLongAgo),
      m_sendDue(kLongAgo),
      m_lastSend(kLongAgo),
      m_searchStart(0),
      m_retryAt(kLongAgo),
      m_retryDelay(kFirstRetry),
      m_phase(0),
      m_period(0),
      m_lockedPeriod(0),
      m_jitter(0),
      m_misses(0),
      m_lastMissed(false),
      m_windowPlanned(false),
      m_caught(false),
      m_target(0),
      m_targetGap(1),
      m_sendGap(0),
      m_windowOpen(0),
      m_windowClose(0),
      m_needBaseline(false),
      m_baselineAt(0),
      m_earliest(kLongAgo) {
  m_changes.reserve(kChangesToLock);
}

bool SimulatorFollower::Look() {
  ++m_looks;
  return m_probe.Changed();
}

// --- After each frame ----------------------------------------------------------

SimulatorFollower::Plan SimulatorFollower::AfterFrame(std::int64_t start, bool sent,
                                                      bool nextSends) {
  if (sent) {
    RememberSend(start);
  }
  switch (m_state) {
    case State::kOwnPace:
      // One look a frame, which costs no wake-up of its own.
      if (Look() && start >= m_retryAt) {
        BeginSearch(start);
      }
      m_lastLook = start;
      break;
    case State::kSearching:
      // No look here: it comes after the frame step, whose time it would
      // not be told.
      if (start - m_searchStart > kLongestSearch) {
        GiveUpSearch(start);
      }
      break;
    case State::kLocked:
      if (m_windowPlanned && !m_caught) {
        // The window closed before a look found the write. A look now tells
        // whether it came all the same (the loop woke late, a machine under
        // load) or the record stands still.
        if (Look()) {
          CaughtLate(start);
        } else {
          Missed(start);
        }
        m_lastLook = start;
      }
      break;
  }
  m_caught = false;
  return PlanNext(start, nextSends);
}

void SimulatorFollower::RememberSend(std::int64_t start) {
  m_lastSend = start;
  m_sendDue = std::max(m_sendDue, start) + m_sendPeriod;
}

std::int64_t SimulatorFollower::EarliestSend() const {
  return m_sendDue - m_sendPeriod / 2;
}

SimulatorFollower::Plan SimulatorFollower::PlanNext(std::int64_t start, bool nextSends) {
  Plan plan{start + m_framePeriod, kNever};
  m_windowPlanned = false;
  m_earliest = nextSends ? EarliestSend() : kLongAgo;
  if (m_state == State::kLocked) {
    ChooseTarget(start);
    // Sends move onto the writes by at most a sixteenth of a send period
    // an interval, so that no interval is much longer than the loop's own.
    const std::int64_t latest =
        m_lastSend == kLongAgo ? kNever : m_lastSend + m_sendGap + m_sendPeriod / kStretchParts;
    if (nextSends && m_target > latest) {
      plan.due = std::max(latest, start);
    } else if (nextSends) {
      m_windowPlanned = true;
      plan.due = m_windowClose;
      plan.ask = m_needBaseline ? m_baselineAt : m_windowOpen;
    } else {
      // A step between sends: halfway to the send's window when that is
      // sooner than a frame period.
      plan.due = std::min(plan.due, start + std::max<std::int64_t>(m_windowOpen - start, 0) / 2);
    }
  } else if (m_state == State::kSearching) {
    plan.ask = start + kLookEvery;
  }
  plan.due = std::max(plan.due, m_earliest);
  return plan;
}

// The write the next send is to carry, and the window it is awaited in.
void SimulatorFollower::ChooseTarget(std::int64_t start) {
  const std::int64_t leastGap = m_sendPeriod - m_sendPeriod / 20;
  m_targetGap = static_cast<int>(std::max<std::int64_t>(1, (leastGap + m_period - 1) / m_period));
  m_sendGap = m_targetGap * m_period;
  m_target = m_phase + m_targetGap * m_period;
  // A window already over (a frame that ran late) awaits the write after it,
  // and so does a write that comes before the rate lets the send start
  // (the loop's own sends went at a phase the writes must meet within half
  // a send period): one longer interval, and the sends then meet the writes.
  while (m_target + Lag() < start || m_target + kLookEvery < m_earliest) {
    m_target += m_period;
    ++m_targetGap;
  }
  m_windowOpen = m_target - Lead();
  m_windowClose = m_target + Lag();
  // Writes that come between the one followed and the one awaited, or a
  // write that came after its window closed, would be taken for it.
  m_needBaseline = m_targetGap > 1 || m_lastMissed;
  m_baselineAt = m_target - m_period / 2;
}

std::int64_t SimulatorFollower::Lead() const {
  return Clamp(2 * kLookEvery + 3 * m_jitter, kLeastLead, std::min(kMostLead, m_period / 3));
}

std::int64_t SimulatorFollower::Lag() const {
  return Clamp(kLookEvery + 4 * m_jitter + 1000000, kLeastLag, std::min(kMostLag, m_period / 3));
}

// --- Asked between frames ------------------------------------------------------

bool SimulatorFollower::Ready(std::int64_t now, std::int64_t* ask) {
  *ask = kNever;
  if (m_state == State::kSearching) {
    Search(now);
    if (m_state == State::kSearching) {
      *ask = now + kLookEvery;
    }
    return false;  // searching never brings a frame forward
  }
  if (m_state != State::kLocked || !m_windowPlanned || m_caught) {
    return false;
  }
  if (m_needBaseline && now < m_windowOpen) {
    Look();
    m_lastLook = now;
    m_needBaseline = false;
    *ask = std::max(m_windowOpen, m_earliest);
    return false;
  }
  m_needBaseline = false;
  if (now < m_earliest) {
    *ask = m_earliest;
    return false;
  }
  if (Look()) {
    Caught(now);
    m_lastLook = now;
    return true;
  }
  m_lastLook = now;
  *ask = now + kLookEvery;
  return false;
}

// The write awaited came: it was made between the last look and this one.
void SimulatorFollower::Caught(std::int64_t now) {
  const std::int64_t since = std::min(now - m_lastLook, 2 * kLookEvery);
  Follow(now - since / 2);
  m_caught = true;
}

// The prediction moves halfway to a write found at `written`, the period by
// an eighth of the error a write period.
void SimulatorFollower::Follow(std::int64_t written) {
  const std::int64_t error = Clamp(written - m_target, -Lead() - kLookEvery, Lag() + kLookEvery);
  m_phase = m_target + error / 2;
  m_period = Clamp(m_period + error / (8 * m_targetGap), m_lockedPeriod - m_lockedPeriod / 20,
                   m_lockedPeriod + m_lockedPeriod / 20);
  m_jitter += (Magnitude(error) - m_jitter) / 8;
  m_misses = 0;
  m_lastMissed = false;
}

// The write came before the frame that closed the window, but when is not
// known closely: taken as made halfway between the last look and the frame.
void SimulatorFollower::CaughtLate(std::int64_t start) {
  Follow(m_lastLook + (start - m_lastLook) / 2);
}

// The window closed without the write: taken as made where predicted. The
// jitter is taken to be as large as the window allowed, so that a writer
// that comes late at times gets a longer lag.
void SimulatorFollower::Missed(std::int64_t start) {
  m_phase = m_target;
  m_lastMissed = true;
  m_jitter += (Lag() + kLookEvery - m_jitter) / 8;
  if (++m_misses >= kMissesToLetGo) {
    m_state = State::kOwnPace;
    m_retryAt = start;
  }
}

// --- Searching -------------------------------------------------------------------

void SimulatorFollower::BeginSearch(std::int64_t now) {
  m_state = State::kSearching;
  m_searchStart = now;
  m_changes.clear();
}

void SimulatorFollower::Search(std::int64_t now) {
  const std::int64_t since = now - m_lastLook;
  m_lastLook = now;
  if (!Look()) {
    return;
  }
  if (since > kLongestLookGap) {
    return;  // not timed closely enough to count
  }
  m_changes.push_back(now - since / 2);
  if (static_cast<int>(m_changes.size()) >= kChangesToLock) {
    TryLock();
  }
}

// Locks when the changes timed closely fit one write period: each
// interval between them a whole number of periods (writes whose change was
// not timed closely left out), the period taken from the line fitted
// through them. Otherwise the oldest is dropped and the search goes on.
void SimulatorFollower::TryLock() {
  const std::size_t n = m_changes.size();
  std::vector<std::int64_t> intervals;
  for (std::size_t i = 1; i < n; ++i) intervals.push_back(m_changes[i] - m_changes[i - 1]);
  std::vector<std::int64_t> sorted = intervals;
  std::sort(sorted.begin(), sorted.end());
  const std::int64_t rough = sorted[sorted.size() / 2];  // most are one period
  // Each change's number of periods from the first, and the least squares
  // line through them.
  std::vector<std::int64_t> counts(n, 0);
  bool steady = rough >= kShortestPeriod;
  for (std::size_t i = 1; i < n && steady; ++i) {
    const std::int64_t periods = (intervals[i - 1] + rough / 2) / rough;
    steady = periods >= 1 && Magnitude(intervals[i - 1] - periods * rough) < rough / 4;
    counts[i] = counts[i - 1] + periods;
  }
  if (!steady) {
    m_changes.erase(m_changes.begin());
    return;
  }
  double sumN = 0, sumT = 0, sumNN = 0, sumNT = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const double k = static_cast<double>(counts[i]);
    const double t = static_cast<double>(m_changes[i] - m_changes.front());
    sumN += k;
    sumT += t;
    sumNN += k * k;
    sumNT += k * t;
  }
  const double size = static_cast<double>(n);
  const double slope = (size * sumNT - sumN * sumT) / (size * sumNN - sumN * sumN);
  const double intercept = (sumT - slope * sumN) / size;
  std::int64_t departure = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const double fitted = intercept + slope * static_cast<double>(counts[i]);
    departure += Magnitude(m_changes[i] - m_changes.front() - static_cast<std::int64_t>(fitted));
  }
  const std::int64_t period = static_cast<std::int64_t>(slope);
  m_state = State::kLocked;
  ++m_locks;
  m_period = m_lockedPeriod = period;
  m_jitter = departure / static_cast<std::int64_t>(n);
  m_phase = m_changes.front() +
            static_cast<std::int64_t>(intercept + slope * static_cast<double>(counts[n - 1]));
  m_misses = 0;
  m_lastMissed = false;
  m_retryDelay = kFirstRetry;
}

void SimulatorFollower::GiveUpSearch(std::int64_t now) {
  m_state = State::kOwnPace;
  m_retryAt = now + m_retryDelay;
  m_retryDelay = std::min(2 * m_retryDelay, kLastRetry);
}
