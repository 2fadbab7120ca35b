#include "RTLoop.h"

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
      m_busyWait(false),
      m_nextDue(0),
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
    m_wakeAhead = Platform::NanosecondsToTicks(kWakeAheadNanoseconds, frequency);
    m_nextDue = m_clock.ReadCounter();
  } else {
    m_usesPerformanceCounter = false;
    m_lastMilliseconds = m_clock.ReadMilliseconds();
    m_nextDue = m_lastMilliseconds;
    m_period = kMillisecondPeriod;
    m_wakeAhead = (kWakeAheadNanoseconds + kNanosecondsPerMillisecond - 1) / kNanosecondsPerMillisecond;
  }
  if (m_wakeAhead < 1) {
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

void RTLoop::Run() {
  int frameIndex = 0;
  m_nextDue = ReadClock();
  while (m_state == kRunning || m_state == kPaused) {
    if (m_pump.DispatchOne()) {
      continue;  // messages always go before frames
    }
    m_now = ReadClock();
    if (m_now <= m_nextDue) {
      WaitUntilNearlyDue();
      continue;
    }
    Execute(frameIndex, m_state);
    // A late frame moves the whole schedule: missed frames are not made up.
    m_nextDue = m_now + m_period;
    if (++frameIndex >= kFrameIndexCount) {
      frameIndex = 0;
    }
  }
}

void RTLoop::WaitUntilNearlyDue() {
  if (m_busyWait) {
    return;
  }
  // The frame is due at the first tick after next due. The sleep ends the
  // wake-ahead before that; the passes after it poll the rest, so a prompt
  // wake-up still finds the frame on its tick. A message ends the sleep early
  // and the next pass dispatches it.
  const std::int64_t ticks = m_nextDue + 1 - m_now - m_wakeAhead;
  if (ticks > 0) {
    m_pump.WaitForMessage(TicksToNanoseconds(ticks));
  }
}

std::int64_t RTLoop::TicksToNanoseconds(std::int64_t ticks) const {
  if (!m_usesPerformanceCounter) {
    return ticks * kNanosecondsPerMillisecond;
  }
  // Rounded down, so that a sleep never ends after the tick it aims for.
  return Platform::TicksToNanoseconds(ticks, m_frequency);
}
