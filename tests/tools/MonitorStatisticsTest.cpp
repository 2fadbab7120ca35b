// The monitor's figures, fed with made-up arrival times: counter gaps,
// repeats and restarts, interval percentiles and the summary line scripts read.

#include <gtest/gtest.h>

#include <climits>
#include <clocale>
#include <cstdint>
#include <string>

#include "IntervalHistogram.h"
#include "MonitorReport.h"
#include "MonitorStatistics.h"

namespace {

constexpr std::int64_t kMs = 1000000;  // nanoseconds

ReceivedCamera Camera(int counter) {
  ReceivedCamera camera;
  camera.counter = counter;
  camera.latitude = 51.4775;
  camera.longitude = -0.461389;
  camera.altitude = 120.5;
  camera.heading = 270.0;
  camera.tilt = 90.0;
  camera.roll = -2.5;
  return camera;
}

// Feeds counters (INT_MIN stands for a malformed datagram) 10 ms apart.
MonitorStatistics Feed(std::initializer_list<int> counters) {
  MonitorStatistics statistics;
  std::int64_t at = 0;
  for (int counter : counters) {
    ReceivedCamera camera = Camera(counter);
    statistics.Add(at, counter == INT_MIN ? nullptr : &camera);
    at += 10 * kMs;
  }
  return statistics;
}

std::string Summary(const MonitorStatistics& statistics) {
  char line[kReportLineSize];
  FormatSummary(statistics, line, sizeof line);
  return line;
}

TEST(MonitorStatistics, CountsGapsRepeatsAndRestartsOfTheCounter) {
  MonitorStatistics statistics = Feed({1510, 1511, 1513, 1513, 1520, 1510, 1511});
  const MonitorCounts& counts = statistics.Counts();
  EXPECT_EQ(counts.received, 7);
  EXPECT_EQ(counts.malformed, 0);
  EXPECT_EQ(counts.gaps, 2);
  EXPECT_EQ(counts.lost, 7);
  EXPECT_EQ(counts.repeats, 1);
  EXPECT_EQ(counts.backwards, 1);
  EXPECT_EQ(statistics.FirstCounter(), 1510);
  EXPECT_EQ(statistics.LastCamera().counter, 1511);
}

TEST(MonitorStatistics, MalformedDatagramsDoNotBreakTheSequence) {
  MonitorStatistics statistics = Feed({INT_MIN, 1510, INT_MIN, 1511, INT_MIN});
  EXPECT_EQ(statistics.Counts().received, 5);
  EXPECT_EQ(statistics.Counts().malformed, 3);
  EXPECT_EQ(statistics.Counts().gaps, 0);
  EXPECT_EQ(statistics.FirstCounter(), 1510);
  // Every datagram counts for the spacing, malformed or not.
  EXPECT_DOUBLE_EQ(statistics.MaxIntervalMs(), 10.0);
  EXPECT_DOUBLE_EQ(statistics.RateHz(), 100.0);
}

TEST(MonitorStatistics, CounterAtTheEndOfItsRangeDoesNotOverflow) {
  MonitorStatistics statistics = Feed({INT_MAX - 1, INT_MAX, INT_MIN + 1, INT_MAX});
  EXPECT_EQ(statistics.Counts().backwards, 1);
  EXPECT_EQ(statistics.Counts().gaps, 1);
  EXPECT_EQ(statistics.Counts().lost, std::int64_t{INT_MAX} - (INT_MIN + 1) - 1);
}

TEST(MonitorStatistics, SummaryLineHasTheFixedShape) {
  MonitorStatistics statistics;
  const std::int64_t arrivals[] = {0, 1 * kMs, 2 * kMs, 5 * kMs};
  for (int i = 0; i < 4; ++i) {
    ReceivedCamera camera = Camera(1510 + i);
    statistics.Add(arrivals[i], &camera);
  }
  EXPECT_EQ(Summary(statistics),
            "received 4 malformed 0 gaps 0 rate 600.00 Hz p50 1.000 ms p99 3.000 ms max 3.000 ms "
            "first 1510 last 1513");
}

TEST(MonitorStatistics, SummaryShowsDashesForWhatWasNotSeen) {
  MonitorStatistics statistics;
  EXPECT_EQ(Summary(statistics),
            "received 0 malformed 0 gaps 0 rate - Hz p50 - ms p99 - ms max - ms first - last -");
  statistics.Add(5 * kMs, nullptr);
  EXPECT_EQ(Summary(statistics),
            "received 1 malformed 1 gaps 0 rate - Hz p50 - ms p99 - ms max - ms first - last -");
}

TEST(MonitorStatistics, ThirtyHertzWithOneLateDatagram) {
  MonitorStatistics statistics;
  std::int64_t at = 0;
  for (int i = 0; i <= 300; ++i) {
    at += (i == 150) ? 100 * kMs : 33333333;
    ReceivedCamera camera = Camera(1510 + i);
    statistics.Add(at, &camera);
  }
  EXPECT_NEAR(statistics.IntervalPercentileMs(50.0), 33.333, 0.02);
  EXPECT_NEAR(statistics.IntervalPercentileMs(99.0), 33.333, 0.02);
  EXPECT_DOUBLE_EQ(statistics.MaxIntervalMs(), 100.0);
  EXPECT_NEAR(statistics.RateHz(), 300.0 / (299 * 0.033333333 + 0.1), 1e-6);

  // The per-second line carries what the summary leaves out.
  char line[kReportLineSize];
  FormatProgress(statistics, 10.04, 29.9, line, sizeof line);
  EXPECT_EQ(std::string(line).rfind("t 10.0 s received 301 malformed 0 gaps 0 lost 0 repeats 0 "
                                    "backwards 0 now 29.9 Hz p50 33.3",
                                    0),
            0u)
      << line;
  EXPECT_NE(std::string(line).find(
                "camera 1810,51.477500,-0.461389,120.500000,270.000000,90.000000,-2.500000,0,0,"),
            std::string::npos)
      << line;
}

TEST(MonitorStatistics, LinesUsePointDecimalsUnderACommaDecimalLocale) {
  std::string previous = std::setlocale(LC_ALL, nullptr);
  if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) GTEST_SKIP() << "no de_DE.UTF-8 locale";
  MonitorStatistics statistics = Feed({1510, 1511});
  std::string summary = Summary(statistics);
  std::setlocale(LC_ALL, previous.c_str());
  EXPECT_EQ(
      summary,
      "received 2 malformed 0 gaps 0 rate 100.00 Hz p50 10.000 ms p99 10.000 ms max 10.000 ms "
      "first 1510 last 1511");
}

TEST(IntervalHistogram, PercentilesByNearestRank) {
  IntervalHistogram histogram;
  EXPECT_EQ(histogram.Percentile(50.0), 0.0);
  for (int ms = 100; ms >= 1; --ms) histogram.Add(ms * 1000);
  EXPECT_EQ(histogram.Count(), 100);
  EXPECT_NEAR(histogram.Percentile(50.0), 50000.0, 50000.0 * 0.0005);
  EXPECT_NEAR(histogram.Percentile(99.0), 99000.0, 99000.0 * 0.0005);
  EXPECT_EQ(histogram.Percentile(100.0), 100000.0);
  EXPECT_EQ(histogram.Percentile(0.0), 1000.0);
  EXPECT_EQ(histogram.Max(), 100000);
}

TEST(IntervalHistogram, StaysWithinItsPrecisionAcrossTheRange) {
  for (std::int64_t value = 1; value < (std::int64_t{1} << 40); value = value * 3 + 1) {
    IntervalHistogram histogram;
    histogram.Add(value);
    histogram.Add(value * 2);
    double shown = histogram.Percentile(50.0);
    EXPECT_LE(shown, static_cast<double>(value * 2));
    EXPECT_NEAR(shown, static_cast<double>(value), static_cast<double>(value) * 0.0005 + 0.5)
        << value;
  }
}

TEST(IntervalHistogram, KeepsOddIntervalsInRange) {
  IntervalHistogram histogram;
  histogram.Add(-5);
  histogram.Add(INT64_MAX);
  EXPECT_EQ(histogram.Percentile(50.0), 0.0);
  EXPECT_EQ(histogram.Max(), INT64_MAX);
  EXPECT_GT(histogram.Percentile(100.0), 1e12);
  histogram.Clear();
  EXPECT_EQ(histogram.Count(), 0);
  EXPECT_EQ(histogram.Max(), 0);
}

}  // namespace
