#include "RTLoop.h"

#include <algorithm>

#include "ConfigControl.h"

namespace {

const char kHeaderRevision[] = "%Z% RTLoop QM2114:01 RTLoop.h $Revision: 1.1 $";
const char kSourceRevision[] = "%Z% RTLoop QM2114:01 RTLoop.cpp $Revision: 1.1 $";
bool s_registered = false;
using Platform::kNanosecondsPerMillisecond;

}  // namespace

RTLoop::RTLoop(int rate, Platform::Clock& clock, Platform::MessagePump& pump)
    : m_clock(clock),
      m_pump(pump),
      m_state(kStopped),
      m_rate(rate),
      m_usesPerformanceCounter(false),
      m_frequency(0),
      m_period(kMillisecondPeriod),
      m_wakeAhead(1),
      m_wakeAheadNanoseconds(kWakeAheadNanoseconds),
      m_pollWakeAhead(true),
      m_busyWait(false),
      m_learnLead(false),
      m_lead(0),
      m_latenessNext(0),
      m_pollFrom(0),
      m_pollDue(0),
      m_framesSincePreempted(kPreemptedWithin),
      m_leadOffFrames(0),
      m_nextDue(0),
      m_ask(kNeverAsk),
      m_now(0),
      m_lastMilliseconds(0),
      m_millisecondWraps(0) {
  RegisterClassOnce(s_registered, "RTLoop Class ", {kHeaderRevision, kSourceRevision});
  Calibrate();
}

RTLoop::~RTLoop() {
  m_state = kStopped;
  Run();
}

void RTLoop::Calibrate() {
  if (m_rate <= 0 || m_rate > kMaxRate) {
    m_rate = 1;
  }
  std::int64_t frequency = 0;
  if (m_clock.QueryFrequency(frequency) && frequency > 0) {
    m_usesPerformanceCounter = true;
    m_frequency = frequency;
    m_period = frequency / m_rate;
    m_nextDue = m_clock.ReadCounter();
  } else {
    m_usesPerformanceCounter = false;
    m_lastMilliseconds = m_clock.ReadMilliseconds();
    m_nextDue = m_lastMilliseconds;
    m_period = kMillisecondPeriod;
  }
  SetWakeAhead(m_wakeAheadNanoseconds, m_pollWakeAhead);
  if (m_usesPerformanceCounter) {
    m_lead = Platform::NanosecondsToTicks(kFirstLeadNanoseconds, m_frequency);
  }
}

void RTLoop::SetWakeAhead(std::int64_t nanoseconds, bool poll) {
  if (nanoseconds < 0) nanoseconds = 0;
  if (nanoseconds > kMostWakeAheadNanoseconds) nanoseconds = kMostWakeAheadNanoseconds;
  m_wakeAheadNanoseconds = nanoseconds;
  m_pollWakeAhead = poll;
  if (m_usesPerformanceCounter) {
    m_wakeAhead = Platform::NanosecondsToTicks(nanoseconds, m_frequency);
  } else {
    m_wakeAhead = (nanoseconds + kNanosecondsPerMillisecond - 1) / kNanosecondsPerMillisecond;
  }
  // A polled stretch is at least one tick, so that the frame's own tick is
  // polled for and not slept past.
  if (poll && m_wakeAhead < 1) {
    m_wakeAhead = 1;
  }
}

std::int64_t RTLoop::ReadClock() {
  if (m_usesPerformanceCounter) {
    return m_clock.ReadCounter();
  }
  // The millisecond timer wraps after about 49 days; widening it keeps the
  // schedule moving across the wrap instead of waiting for 2^32 ms.
  const std::uint32_t milliseconds = m_clock.ReadMilliseconds();
  if (milliseconds < m_lastMilliseconds) {
    ++m_millisecondWraps;
  }
  m_lastMilliseconds = milliseconds;
  return (m_millisecondWraps << 32) + milliseconds;
}

bool RTLoop::Start() {
  if (m_state == kStopped) {
    m_state = kRunning;
  }
  return true;
}

bool RTLoop::Stop() {
  if (m_state == kRunning || m_state == kPaused) {
    m_state = kStopped;
  }
  return true;
}

int RTLoop::Execute(int /*frameIndex*/, int /*state*/) {
  return -1;
}

RTLoop::FrameSchedule RTLoop::ScheduleNext(std::int64_t start) {
  // A late frame moves the whole schedule: missed frames are not made up.
  return {start + m_period, kNeverAsk};
}

bool RTLoop::FrameReady(std::int64_t /*now*/, std::int64_t* ask) {
  *ask = kNeverAsk;
  return false;
}

void RTLoop::Run() {
  int frameIndex = 0;
  m_nextDue = ReadClock();
  m_ask = kNeverAsk;
  while (m_state == kRunning || m_state == kPaused) {
    if (m_pump.DispatchOne()) {
      continue;  // messages always go before frames
    }
    m_now = ReadClock();
    if (!FrameStartsNow()) {
      WaitUntilDue();
      continue;
    }
    if (m_learnLead) {
      WatchLeadPoll();
    }
    Execute(frameIndex, m_state);
    const FrameSchedule next = ScheduleNext(m_now);
    m_nextDue = next.due;
    m_ask = next.ask;
    if (++frameIndex >= kFrameIndexCount) {
      frameIndex = 0;
    }
  }
}

bool RTLoop::FrameStartsNow() {
  if (m_now > m_nextDue) {
    return true;
  }
  return m_now >= m_ask && FrameReady(m_now, &m_ask);
}

void RTLoop::WaitUntilDue() {
  if (m_busyWait) {
    return;
  }
  // The frame is due at the first tick after next due. The pump's sleep ends
  // the wake-ahead before that, or when the subclass is to be asked before
  // that; a message ends it early and the next pass dispatches it.
  const std::int64_t due = m_nextDue + 1;
  // A learnt lead is slept to after the wake-ahead: the pump's wait ends
  // that much sooner.
  const std::int64_t ahead = m_learnLead ? m_wakeAhead + m_lead : m_wakeAhead;
  if (m_ask < due - ahead) {
    const std::int64_t untilAsk = m_ask - m_now;
    if (untilAsk > 0) {
      m_pump.WaitForMessage(TicksToNanoseconds(untilAsk));
    }
    return;
  }
  const std::int64_t ticks = due - m_now - ahead;
  if (ticks > 0 && m_pump.WaitForMessage(TicksToNanoseconds(ticks))) {
    return;
  }
  if (m_pollWakeAhead) {
    return;  // the passes after this poll the rest
  }
  // A pump that came back well before the wake-ahead (one that cannot wait)
  // is asked again on the next pass rather than slept past its messages.
  const std::int64_t now = ReadClock();
  if (due - now > ahead) {
    return;
  }
  if (m_learnLead) {
    SleepLeadBefore(due);  // the passes after this poll the lead
  } else {
    SleepUntil(due);
  }
}

void RTLoop::WatchLeadPoll() {
  if (m_framesSincePreempted < kPreemptedWithin) {
    ++m_framesSincePreempted;
  }
  if (m_leadOffFrames > 0) {
    --m_leadOffFrames;
  }
  const bool polled = m_pollDue == m_nextDue + 1 && m_pollFrom < m_pollDue;
  m_pollDue = 0;
  if (!polled ||
      m_now - (m_nextDue + 1) <= Platform::NanosecondsToTicks(kPreemptedNanoseconds, m_frequency)) {
    return;
  }
  if (m_framesSincePreempted < kPreemptedWithin) {
    m_leadOffFrames = kLeadOffFrames;
  }
  m_framesSincePreempted = 0;
}

void RTLoop::SleepLeadBefore(std::int64_t due) {
  const std::int64_t aim = due - (m_leadOffFrames > 0 ? 0 : m_lead);
  if (ReadClock() >= aim) {
    return;  // within the lead: polled
  }
  m_clock.SleepUntilCounter(aim);
  const std::int64_t woke = ReadClock();
  m_pollFrom = woke;
  m_pollDue = due;
  const std::int64_t late = woke - aim;
  if (m_lateness.size() < static_cast<std::size_t>(kLeadSamples)) {
    m_lateness.push_back(late);
  } else {
    m_lateness[m_latenessNext] = late;
    m_latenessNext = (m_latenessNext + 1) % m_lateness.size();
  }
  // Taken again every sixteenth sleep, once a few are known.
  if (m_lateness.size() >= 16 &&
      (m_lateness.size() < static_cast<std::size_t>(kLeadSamples) || m_latenessNext % 16 == 0)) {
    std::vector<std::int64_t> sorted = m_lateness;
    const std::size_t at =
        static_cast<std::size_t>(kLeadQuantile * static_cast<double>(sorted.size() - 1));
    std::nth_element(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(at),
                     sorted.end());
    const std::int64_t most = Platform::NanosecondsToTicks(kMostWakeAheadNanoseconds, m_frequency);
    m_lead = sorted[at] < 0 ? 0 : (sorted[at] > most ? most : sorted[at]);
  }
}

void RTLoop::SleepUntil(std::int64_t due) {
  if (m_usesPerformanceCounter) {
    m_clock.SleepUntilCounter(due);
    return;
  }
  const std::int64_t now = ReadClock();
  if (due > now) {
    m_clock.SleepMilliseconds(static_cast<int>(due - now));
  }
}

std::int64_t RTLoop::TicksToNanoseconds(std::int64_t ticks) const {
  if (!m_usesPerformanceCounter) {
    return ticks * kNanosecondsPerMillisecond;
  }
  // Rounded down, so that a sleep never ends after the tick it aims for.
  return Platform::TicksToNanoseconds(ticks, m_frequency);
}
