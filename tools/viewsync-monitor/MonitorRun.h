#pragma once
// One monitoring run, from the bound source to the last progress line: takes
// the datagrams as they come, records them, prints a line once a second (the
// files flushed first) and ends at --duration, at --count or on a stop
// request. Every time comes from the clock given, so tests step through the
// deadlines without waiting for them.

#include <csignal>
#include <cstdint>
#include <cstdio>

#include "Clock.h"
#include "CsvRecorder.h"
#include "DatagramSource.h"
#include "KmlRecorder.h"
#include "MonitorOptions.h"
#include "MonitorStatistics.h"
#include "ViewSyncParser.h"

// Where the run's lines go: progress to out, failures to err.
struct MonitorOutput {
  std::FILE* out;
  std::FILE* err;
};

// A failure text on one line of err, "viewsync-monitor: " first and its
// parts joined by ": ".
void PrintMonitorFailure(std::FILE* err, const char* text);

class MonitorRun {
 public:
  // Everything given must outlive the run; stop may be null.
  MonitorRun(const MonitorOptions& options, DatagramSource& source, CsvRecorder& csv,
             KmlRecorder& kml, Platform::Clock& clock, MonitorOutput output,
             const volatile std::sig_atomic_t* stop);

  // False when the source failed; the last progress line is printed either way.
  bool Run();
  const MonitorStatistics& Statistics() const { return m_statistics; }

  // Larger than any UDP payload, so nothing is ever cut.
  static constexpr std::size_t kReceiveSize = 65536;

 private:
  static constexpr int kExcerptSize = 100;

  bool Drain();
  void Take(const char* data, std::size_t length);
  void Map(std::int64_t arrival, const ReceivedCamera& camera);
  void PrintProgress(std::int64_t now);
  void PrintLine(const char* line);
  bool Stopped() const { return m_stop != nullptr && *m_stop != 0; }
  bool CountReached() const {
    return m_options.count > 0 && m_statistics.Counts().received >= m_options.count;
  }
  double UnixSeconds() { return static_cast<double>(m_clock.ReadWallNanoseconds()) / 1e9; }

  const MonitorOptions& m_options;
  DatagramSource& m_source;
  CsvRecorder& m_csv;
  KmlRecorder& m_kml;
  Platform::Clock& m_clock;
  MonitorOutput m_output;
  const volatile std::sig_atomic_t* m_stop;
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
