#include "MonitorProgram.h"

#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <memory>

#include "CommandLine.h"
#include "CsvRecorder.h"
#include "KmlRecorder.h"
#include "MonitorOptions.h"
#include "MonitorReport.h"
#include "MonitorSocket.h"
#include "MonitorStatistics.h"
#include "TavrionVersion.h"
#include "TextFunctions.h"
#include "ViewSyncParser.h"

namespace {

constexpr std::int64_t kSecondNs = 1000000000;
// Larger than any UDP payload, so nothing is ever cut.
constexpr std::size_t kReceiveSize = 65536;
constexpr int kExcerptSize = 100;

volatile std::sig_atomic_t g_stopRequested = 0;

void RequestStop(int) {
  g_stopRequested = 1;
}

// Ctrl-C and SIGTERM interrupt the wait (no restart) so the summary follows
// at once; a reader that goes away must not kill the monitor mid-line.
void InstallSignalHandlers() {
  struct sigaction action {};
  action.sa_handler = RequestStop;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  std::signal(SIGPIPE, SIG_IGN);
}

std::int64_t MonotonicNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

double UnixSeconds() {
  return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}

// A failure text on one line of standard error, its parts joined by ": ".
void PrintFailure(const char* text) {
  std::fputs("viewsync-monitor: ", stderr);
  for (; *text != '\0'; ++text) {
    if (*text == '\n') {
      std::fputs(": ", stderr);
    } else {
      std::fputc(*text, stderr);
    }
  }
  std::fputc('\n', stderr);
}

void PrintLine(const char* line) {
  std::fputs(line, stdout);
  std::fputc('\n', stdout);
}

// One monitoring run, from the bound socket to the summary.
class MonitorRun {
 public:
  MonitorRun(const MonitorOptions& options, MonitorSocket& socket, CsvRecorder& csv,
             KmlRecorder& kml)
      : m_options(options), m_socket(socket), m_csv(csv), m_kml(kml) {}

  // False when the socket failed; the summary is printed either way.
  bool Run();
  const MonitorStatistics& Statistics() const { return m_statistics; }

 private:
  bool Drain();
  void Take(const char* data, std::size_t length);
  void Map(std::int64_t arrival, const ReceivedCamera& camera);
  void PrintProgress(std::int64_t now);
  bool CountReached() const {
    return m_options.count > 0 && m_statistics.Counts().received >= m_options.count;
  }

  const MonitorOptions& m_options;
  MonitorSocket& m_socket;
  CsvRecorder& m_csv;
  KmlRecorder& m_kml;
  MonitorStatistics m_statistics;
  std::int64_t m_startNs = 0;
  double m_startUnixSeconds = 0.0;
  std::int64_t m_windowStartNs = 0;
  std::int64_t m_windowStartCount = 0;
  std::int64_t m_shownMalformed = 0;
  char m_malformedReason[kParseReasonSize] = "";
  char m_malformedExcerpt[kExcerptSize] = "";
  char m_buffer[kReceiveSize];
};

bool MonitorRun::Run() {
  m_startNs = MonotonicNs();
  m_startUnixSeconds = UnixSeconds();
  m_windowStartNs = m_startNs;
  const bool timed = m_options.durationSeconds > 0.0;
  const std::int64_t deadline =
      m_startNs + static_cast<std::int64_t>(m_options.durationSeconds * 1e9);
  std::int64_t nextTick = m_startNs + kSecondNs;
  bool healthy = true;
  while (healthy && g_stopRequested == 0 && !CountReached()) {
    std::int64_t now = MonotonicNs();
    if (timed && now >= deadline) break;
    if (now >= nextTick) {
      PrintProgress(now);
      nextTick = (now - nextTick < kSecondNs) ? nextTick + kSecondNs : now + kSecondNs;
    }
    std::int64_t wakeUp = timed && deadline < nextTick ? deadline : nextTick;
    int timeoutMs = static_cast<int>((wakeUp - now + 999999) / 1000000);
    int ready = m_socket.Wait(timeoutMs < 1 ? 1 : timeoutMs);
    if (ready < 0) healthy = false;
    if (ready > 0) healthy = Drain();
  }
  if (!healthy) PrintFailure(m_socket.GetErrorText());
  PrintProgress(MonotonicNs());
  return healthy;
}

// Takes every waiting datagram, each stamped as it is taken.
bool MonitorRun::Drain() {
  while (!CountReached()) {
    std::size_t length = 0;
    int taken = m_socket.Receive(m_buffer, sizeof m_buffer, length);
    if (taken < 0) return false;
    if (taken == 0) return true;
    Take(m_buffer, length);
  }
  return true;
}

void MonitorRun::Take(const char* data, std::size_t length) {
  std::int64_t arrival = MonotonicNs();
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
    PrintFailure(m_csv.GetErrorText());
    m_csv.Close();
  }
  if (wellFormed) Map(arrival, camera);
}

// The path's times are the wall clock at the start plus the monotonic time
// since, so they never go back when the system clock is set during a run.
void MonitorRun::Map(std::int64_t arrival, const ReceivedCamera& camera) {
  double unixSeconds = m_startUnixSeconds + static_cast<double>(arrival - m_startNs) / 1e9;
  if (m_kml.IsOpen() && !m_kml.Add(unixSeconds, camera)) PrintFailure(m_kml.GetErrorText());
}

// The files first, so that whoever reads a line finds at least what it counts
// in them.
void MonitorRun::PrintProgress(std::int64_t now) {
  m_csv.Flush();
  if (m_kml.IsOpen() && !m_kml.Flush()) PrintFailure(m_kml.GetErrorText());
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

// Closes a file the run wrote. False when that failed, now (said here) or
// during the run (said then, when the file was closed).
template <typename Recorder>
bool CloseWritten(const char* path, Recorder& recorder) {
  if (path[0] == '\0') return true;
  if (!recorder.IsOpen()) return false;
  if (recorder.Close()) return true;
  PrintFailure(recorder.GetErrorText());
  return false;
}

}  // namespace

int RunViewSyncMonitor(int argc, const char* const* argv) {
  MonitorOptions options;
  char error[1200];
  if (!ParseMonitorOptions(argc, argv, options, error, sizeof error)) {
    Platform::PrintUsageFault(stderr, "viewsync-monitor", error);
    return 2;
  }
  if (options.help) {
    std::fputs(MonitorUsage(), stdout);
    return 0;
  }
  if (options.version) {
    PrintTavrionVersion(stdout, "viewsync-monitor");
    return 0;
  }
  // Scripts read the lines as they come, even through a pipe or a file.
  std::setvbuf(stdout, nullptr, _IOLBF, 0);

  MonitorSocket socket;
  if (!socket.Open(options.bindAddress, options.port)) {
    PrintFailure(socket.GetErrorText());
    return 1;
  }
  CsvRecorder csv;
  if (options.csvPath[0] != '\0' && !csv.Open(options.csvPath)) {
    PrintFailure(csv.GetErrorText());
    return 1;
  }
  char source[96];
  SafeFormat(source, sizeof source, "%s:%d", options.bindAddress, socket.BoundPort());
  // On the heap: it holds back up to a chunk of cameras.
  auto kml = std::make_unique<KmlRecorder>();
  if (options.kmlPath[0] != '\0' && !kml->Open(options.kmlPath, source)) {
    PrintFailure(kml->GetErrorText());
    return 1;
  }
  InstallSignalHandlers();
  std::printf("listening on %s\n", source);

  // On the heap: the run holds a receive buffer of 64 KiB.
  auto run = std::make_unique<MonitorRun>(options, socket, csv, *kml);
  bool healthy = run->Run();
  bool recorded = CloseWritten(options.csvPath, csv);
  recorded = CloseWritten(options.kmlPath, *kml) && recorded;
  char summary[kReportLineSize];
  FormatSummary(run->Statistics(), summary, sizeof summary);
  PrintLine(summary);
  std::fflush(stdout);
  return healthy && recorded ? 0 : 1;
}
