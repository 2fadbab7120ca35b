#include "IntervalHistogram.h"

#include <cmath>

namespace {

// Below 2^kExactBits every microsecond has its own bucket; each power-of-two
// range above it has 2^kSubBits buckets.
constexpr int kExactBits = 12;
constexpr int kSubBits = 11;
constexpr int kTopBit = 40;  // 2^40 us, about 12.7 days
constexpr std::int64_t kExactLimit = std::int64_t{1} << kExactBits;
constexpr int kSubBuckets = 1 << kSubBits;
constexpr int kBucketCount = static_cast<int>(kExactLimit) + (kTopBit - kExactBits) * kSubBuckets;

int HighestBit(std::int64_t value) {
  int bit = 0;
  while (value >> (bit + 1)) ++bit;
  return bit;
}

}  // namespace

IntervalHistogram::IntervalHistogram()
    : m_buckets(static_cast<std::size_t>(kBucketCount), 0), m_count(0), m_max(0) {}

int IntervalHistogram::BucketOf(std::int64_t microseconds) {
  if (microseconds < kExactLimit) return static_cast<int>(microseconds);
  int bit = HighestBit(microseconds);
  if (bit >= kTopBit) return kBucketCount - 1;
  int shift = bit - kSubBits;
  int sub = static_cast<int>((microseconds >> shift) - kSubBuckets);
  return static_cast<int>(kExactLimit) + (bit - kExactBits) * kSubBuckets + sub;
}

double IntervalHistogram::MiddleOf(int bucket) {
  if (bucket < kExactLimit) return bucket;
  int range = (bucket - static_cast<int>(kExactLimit)) / kSubBuckets;
  int sub = (bucket - static_cast<int>(kExactLimit)) % kSubBuckets;
  int shift = range + kExactBits - kSubBits;
  double width = std::ldexp(1.0, shift);
  return (kSubBuckets + sub) * width + (width - 1.0) / 2.0;
}

void IntervalHistogram::Add(std::int64_t microseconds) {
  if (microseconds < 0) microseconds = 0;
  ++m_buckets[static_cast<std::size_t>(BucketOf(microseconds))];
  ++m_count;
  if (microseconds > m_max) m_max = microseconds;
}

void IntervalHistogram::Clear() {
  m_buckets.assign(m_buckets.size(), 0);
  m_count = 0;
  m_max = 0;
}

double IntervalHistogram::Percentile(double percent) const {
  if (m_count == 0) return 0.0;
  // Multiplying first keeps whole ranks whole (99 % of 100 is rank 99, not 100).
  double wanted = std::ceil(percent * static_cast<double>(m_count) / 100.0 - 1e-9);
  std::int64_t rank = wanted < 1.0 ? 1 : static_cast<std::int64_t>(wanted);
  if (rank > m_count) rank = m_count;
  std::int64_t seen = 0;
  for (int bucket = 0; bucket < kBucketCount; ++bucket) {
    seen += m_buckets[static_cast<std::size_t>(bucket)];
    if (seen >= rank) {
      double middle = MiddleOf(bucket);
      return middle > static_cast<double>(m_max) ? static_cast<double>(m_max) : middle;
    }
  }
  return static_cast<double>(m_max);
}
