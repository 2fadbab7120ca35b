#include "MonitorStatistics.h"

void MonitorStatistics::Add(std::int64_t arrivalNs, const ReceivedCamera* camera) {
  if (m_counts.received == 0) {
    m_firstArrivalNs = arrivalNs;
  } else {
    m_intervals.Add((arrivalNs - m_lastArrivalNs) / 1000);
  }
  m_lastArrivalNs = arrivalNs;
  ++m_counts.received;
  if (camera == nullptr) {
    ++m_counts.malformed;
    return;
  }
  FollowCounter(camera->counter);
  m_lastCamera = *camera;
}

void MonitorStatistics::FollowCounter(int counter) {
  if (!m_hasCamera) {
    m_hasCamera = true;
    m_firstCounter = counter;
    return;
  }
  // Widened, so a counter at the top of the int range cannot overflow.
  std::int64_t step = std::int64_t{counter} - m_lastCamera.counter;
  if (step == 0) {
    ++m_counts.repeats;
  } else if (step < 0) {
    ++m_counts.backwards;
  } else if (step > 1) {
    ++m_counts.gaps;
    m_counts.lost += step - 1;
  }
}

double MonitorStatistics::RateHz() const {
  std::int64_t span = m_lastArrivalNs - m_firstArrivalNs;
  if (m_counts.received < 2 || span <= 0) return 0.0;
  return static_cast<double>(m_counts.received - 1) * 1e9 / static_cast<double>(span);
}

double MonitorStatistics::IntervalPercentileMs(double percent) const {
  return m_intervals.Percentile(percent) / 1000.0;
}

double MonitorStatistics::MaxIntervalMs() const {
  return static_cast<double>(m_intervals.Max()) / 1000.0;
}
