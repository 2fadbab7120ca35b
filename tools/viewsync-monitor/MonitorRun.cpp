#include "MonitorRun.h"

#include "MonitorReport.h"
#include "TextFunctions.h"

namespace {

constexpr std::int64_t kSecondNs = 1000000000;

}  // namespace

void PrintMonitorFailure(std::FILE* err, const char* text) {
  std::fputs("viewsync-monitor: ", err);
  for (; *text != '\0'; ++text) {
    if (*text == '\n') {
      std::fputs(": ", err);
    } else {
      std::fputc(*text, err);
    }
  }
  std::fputc('\n', err);
}

MonitorRun::MonitorRun(const MonitorOptions& options, DatagramSource& source, CsvRecorder& csv,
                       KmlRecorder& kml, Platform::Clock& clock, MonitorOutput output,
                       const volatile std::sig_atomic_t* stop)
    : m_options(options),
      m_source(source),
      m_csv(csv),
      m_kml(kml),
      m_clock(clock),
      m_output(output),
      m_stop(stop) {}

bool MonitorRun::Run() {
  m_startNs = m_clock.ReadNanoseconds();
  m_startUnixSeconds = UnixSeconds();
  m_windowStartNs = m_startNs;
  const bool timed = m_options.durationSeconds > 0.0;
  const std::int64_t deadline =
      m_startNs + static_cast<std::int64_t>(m_options.durationSeconds * 1e9);
  std::int64_t nextTick = m_startNs + kSecondNs;
  bool healthy = true;
  while (healthy && !Stopped() && !CountReached()) {
    std::int64_t now = m_clock.ReadNanoseconds();
    if (timed && now >= deadline) break;
    if (now >= nextTick) {
      PrintProgress(now);
      nextTick = (now - nextTick < kSecondNs) ? nextTick + kSecondNs : now + kSecondNs;
    }
    std::int64_t wakeUp = timed && deadline < nextTick ? deadline : nextTick;
    int timeoutMs = static_cast<int>((wakeUp - now + 999999) / 1000000);
    int ready = m_source.Wait(timeoutMs < 1 ? 1 : timeoutMs);
    if (ready < 0) healthy = false;
    if (ready > 0) healthy = Drain();
  }
  if (!healthy) PrintMonitorFailure(m_output.err, m_source.GetErrorText());
  PrintProgress(m_clock.ReadNanoseconds());
  return healthy;
}

// Takes every waiting datagram, each stamped as it is taken.
bool MonitorRun::Drain() {
  while (!CountReached()) {
    std::size_t length = 0;
    int taken = m_source.Receive(m_buffer, sizeof m_buffer, length);
    if (taken < 0) return false;
    if (taken == 0) return true;
    Take(m_buffer, length);
  }
  return true;
}

void MonitorRun::Take(const char* data, std::size_t length) {
  std::int64_t arrival = m_clock.ReadNanoseconds();
  ReceivedCamera camera;
  char reason[kParseReasonSize];
  bool wellFormed = ParseViewSync(data, length, camera, reason, sizeof reason);
  m_statistics.Add(arrival, wellFormed ? &camera : nullptr);
  if (!wellFormed) {
    SafeCopy(m_malformedReason, reason, sizeof m_malformedReason);
    FormatExcerpt(data, length, m_malformedExcerpt, sizeof m_malformedExcerpt);
  }
  if (m_csv.IsOpen() && !m_csv.Write(static_cast<double>(arrival - m_startNs) / 1e9, UnixSeconds(),
                                     data, length, wellFormed ? &camera : nullptr, reason)) {
    PrintMonitorFailure(m_output.err, m_csv.GetErrorText());
    m_csv.Close();
  }
  if (wellFormed) Map(arrival, camera);
}

// The path's times are the wall clock at the start plus the monotonic time
// since, so they never go back when the system clock is set during a run.
void MonitorRun::Map(std::int64_t arrival, const ReceivedCamera& camera) {
  double unixSeconds = m_startUnixSeconds + static_cast<double>(arrival - m_startNs) / 1e9;
  if (m_kml.IsOpen() && !m_kml.Add(unixSeconds, camera)) {
    PrintMonitorFailure(m_output.err, m_kml.GetErrorText());
  }
}

// The files first, so that whoever reads a line finds at least what it counts
// in them (in the KML of a flight past 13 minutes, only every few lines: see
// KmlRecorder.h).
void MonitorRun::PrintProgress(std::int64_t now) {
  m_csv.Flush();
  if (m_kml.IsOpen() && !m_kml.Flush()) PrintMonitorFailure(m_output.err, m_kml.GetErrorText());
  std::int64_t received = m_statistics.Counts().received;
  std::int64_t windowNs = now - m_windowStartNs;
  double recentRate =
      windowNs > 0 ? static_cast<double>(received - m_windowStartCount) * 1e9 / windowNs : 0.0;
  char line[kReportLineSize];
  FormatProgress(m_statistics, static_cast<double>(now - m_startNs) / 1e9, recentRate, line,
                 sizeof line);
  PrintLine(line);
  if (m_statistics.Counts().malformed > m_shownMalformed) {
    m_shownMalformed = m_statistics.Counts().malformed;
    char notice[kReportLineSize];
    SafeFormat(notice, sizeof notice, "malformed: %s: \"%s\"", m_malformedReason,
               m_malformedExcerpt);
    PrintLine(notice);
  }
  m_windowStartNs = now;
  m_windowStartCount = received;
}

void MonitorRun::PrintLine(const char* line) {
  std::fputs(line, m_output.out);
  std::fputc('\n', m_output.out);
}
