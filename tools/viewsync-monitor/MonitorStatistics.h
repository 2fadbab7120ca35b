#pragma once
// What the monitor has seen so far: datagram counts, the counter sequence of
// the well-formed ones and the spacing of all of them. Times come in from the
// caller (nanoseconds on any monotonic scale), so tests feed made-up arrivals.

#include <cstdint>

#include "IntervalHistogram.h"
#include "ViewSyncParser.h"

struct MonitorCounts {
  std::int64_t received = 0;  // every datagram, malformed ones too
  std::int64_t malformed = 0;
  std::int64_t gaps = 0;       // times the counter jumped forward by more than 1
  std::int64_t lost = 0;       // counter values skipped by those jumps
  std::int64_t repeats = 0;    // counter equal to the one before
  std::int64_t backwards = 0;  // counter below the one before (sender restarted)
};

class MonitorStatistics {
 public:
  // One datagram arrived; camera is null when it was malformed.
  void Add(std::int64_t arrivalNs, const ReceivedCamera* camera);

  const MonitorCounts& Counts() const { return m_counts; }
  bool HasCamera() const { return m_hasCamera; }
  int FirstCounter() const { return m_firstCounter; }
  const ReceivedCamera& LastCamera() const { return m_lastCamera; }

  // Datagrams per second between the first and the last arrival; 0 before
  // the second datagram.
  double RateHz() const;
  bool HasIntervals() const { return m_intervals.Count() > 0; }
  double IntervalPercentileMs(double percent) const;
  double MaxIntervalMs() const;

 private:
  void FollowCounter(int counter);

  MonitorCounts m_counts;
  IntervalHistogram m_intervals;
  std::int64_t m_firstArrivalNs = 0;
  std::int64_t m_lastArrivalNs = 0;
  bool m_hasCamera = false;
  int m_firstCounter = 0;
  ReceivedCamera m_lastCamera;
};
