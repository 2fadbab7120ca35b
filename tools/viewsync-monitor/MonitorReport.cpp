#include "MonitorReport.h"

#include <cstring>

#include "TextFunctions.h"

namespace {

constexpr int kValueSize = 32;

// "%.<decimals>f" of the value, or "-" when it does not exist.
const char* ValueOrDash(bool exists, double value, const char* format, char* buffer) {
  if (!exists) return "-";
  SafeFormat(buffer, kValueSize, format, value);
  return buffer;
}

bool IsPlain(char c) {
  return c >= ' ' && c <= '~' && c != '\\';
}

const char* CounterOrDash(bool exists, int counter, char* buffer) {
  if (!exists) return "-";
  SafeFormat(buffer, kValueSize, "%d", counter);
  return buffer;
}

}  // namespace

int FormatSummary(const MonitorStatistics& statistics, char* buffer, int size) {
  const MonitorCounts& counts = statistics.Counts();
  bool spaced = statistics.HasIntervals();
  bool framed = statistics.HasCamera();
  char rate[kValueSize], p50[kValueSize], p99[kValueSize], max[kValueSize];
  char first[kValueSize], last[kValueSize];
  return SafeFormat(buffer, size,
                    "received %lld malformed %lld gaps %lld rate %s Hz p50 %s ms p99 %s ms max %s "
                    "ms first %s last %s",
                    static_cast<long long>(counts.received),
                    static_cast<long long>(counts.malformed), static_cast<long long>(counts.gaps),
                    ValueOrDash(spaced, statistics.RateHz(), "%.2f", rate),
                    ValueOrDash(spaced, statistics.IntervalPercentileMs(50.0), "%.3f", p50),
                    ValueOrDash(spaced, statistics.IntervalPercentileMs(99.0), "%.3f", p99),
                    ValueOrDash(spaced, statistics.MaxIntervalMs(), "%.3f", max),
                    CounterOrDash(framed, statistics.FirstCounter(), first),
                    CounterOrDash(framed, statistics.LastCamera().counter, last));
}

int FormatProgress(const MonitorStatistics& statistics, double elapsedSeconds, double recentRateHz,
                   char* buffer, int size) {
  const MonitorCounts& counts = statistics.Counts();
  bool spaced = statistics.HasIntervals();
  char p50[kValueSize], p99[kValueSize], max[kValueSize];
  char camera[kReportLineSize / 2] = "-";
  if (statistics.HasCamera()) FormatCamera(statistics.LastCamera(), camera, sizeof camera);
  return SafeFormat(
      buffer, size,
      "t %.1f s received %lld malformed %lld gaps %lld lost %lld repeats %lld backwards %lld "
      "now %.1f Hz p50 %s ms p99 %s ms max %s ms camera %s",
      elapsedSeconds, static_cast<long long>(counts.received),
      static_cast<long long>(counts.malformed), static_cast<long long>(counts.gaps),
      static_cast<long long>(counts.lost), static_cast<long long>(counts.repeats),
      static_cast<long long>(counts.backwards), recentRateHz,
      ValueOrDash(spaced, statistics.IntervalPercentileMs(50.0), "%.3f", p50),
      ValueOrDash(spaced, statistics.IntervalPercentileMs(99.0), "%.3f", p99),
      ValueOrDash(spaced, statistics.MaxIntervalMs(), "%.3f", max), camera);
}

int FormatCamera(const ReceivedCamera& camera, char* buffer, int size) {
  return SafeFormat(buffer, size, "%d,%f,%f,%f,%f,%f,%f,%lld,%lld,%s", camera.counter,
                    camera.latitude, camera.longitude, camera.altitude, camera.heading, camera.tilt,
                    camera.roll, static_cast<long long>(camera.timeStart),
                    static_cast<long long>(camera.timeEnd), camera.planet);
}

void FormatExcerpt(const char* data, std::size_t length, char* buffer, int size) {
  if (buffer == nullptr || size <= 0) return;
  static const char kHex[] = "0123456789ABCDEF";
  if (data == nullptr) length = 0;
  std::size_t whole = 0;
  for (std::size_t in = 0; in < length; ++in) whole += IsPlain(data[in]) ? 1 : 4;
  const std::size_t room = static_cast<std::size_t>(size) - 1;
  // When the whole excerpt does not fit, stop early enough to say so.
  const std::size_t limit = whole <= room ? room : (room >= 3 ? room - 3 : 0);
  std::size_t out = 0;
  for (std::size_t in = 0; in < length; ++in) {
    unsigned char c = static_cast<unsigned char>(data[in]);
    bool plain = IsPlain(data[in]);
    if (out + (plain ? 1 : 4) > limit) break;
    if (plain) {
      buffer[out++] = static_cast<char>(c);
    } else {
      buffer[out++] = '\\';
      buffer[out++] = 'x';
      buffer[out++] = kHex[c >> 4];
      buffer[out++] = kHex[c & 0x0F];
    }
  }
  if (whole > room && room >= 3) {
    std::memcpy(buffer + out, "...", 3);
    out += 3;
  }
  buffer[out] = '\0';
}
