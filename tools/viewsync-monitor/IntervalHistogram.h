#pragma once
// Distribution of the intervals between datagrams, in microseconds, in a
// fixed amount of memory however long the monitor runs: exact below
// 4.096 ms, within 0.05 % above (each power-of-two range is split into 2048
// equal buckets), up to about 12 days. The maximum is kept exactly.

#include <cstdint>
#include <vector>

class IntervalHistogram {
 public:
  IntervalHistogram();

  // Negative intervals count as 0; longer than the top bucket as the top.
  void Add(std::int64_t microseconds);
  void Clear();

  std::int64_t Count() const { return m_count; }
  std::int64_t Max() const { return m_max; }
  // The nearest-rank percentile (the smallest interval with at least
  // percent % of all at or below it), in microseconds: the middle of its
  // bucket, never above Max(). 0 when empty.
  double Percentile(double percent) const;

 private:
  static int BucketOf(std::int64_t microseconds);
  static double MiddleOf(int bucket);

  std::vector<std::uint32_t> m_buckets;
  std::int64_t m_count;
  std::int64_t m_max;
};
