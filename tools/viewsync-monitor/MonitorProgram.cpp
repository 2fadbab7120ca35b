#include "MonitorProgram.h"

#include <csignal>
#include <cstdio>
#include <memory>
#include <string>

#include "CommandLine.h"
#include "CsvRecorder.h"
#include "KmlLink.h"
#include "KmlRecorder.h"
#include "MonitorOptions.h"
#include "MonitorReport.h"
#include "MonitorRun.h"
#include "MonitorSocket.h"
#include "TavrionVersion.h"
#include "TextFunctions.h"

namespace {

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

void PrintFailure(const char* text) {
  PrintMonitorFailure(stderr, text);
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

int RunViewSyncMonitor(int argc, const char* const* argv, Platform::Clock& clock) {
  MonitorOptions options;
  char error[2600];  // room for two file names
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
  std::string linkError;
  if (options.kmlLinkPath[0] != '\0' &&
      !WriteKmlNetworkLink(options.kmlLinkPath, options.kmlPath, source, &linkError)) {
    PrintFailure(linkError.c_str());
    return 1;
  }
  InstallSignalHandlers();
  std::printf("listening on %s\n", source);

  // On the heap: the run holds a receive buffer of 64 KiB.
  auto run = std::make_unique<MonitorRun>(options, socket, csv, *kml, clock,
                                          MonitorOutput{stdout, stderr}, &g_stopRequested);
  bool healthy = run->Run();
  bool recorded = CloseWritten(options.csvPath, csv);
  recorded = CloseWritten(options.kmlPath, *kml) && recorded;
  char summary[kReportLineSize];
  FormatSummary(run->Statistics(), summary, sizeof summary);
  std::puts(summary);
  std::fflush(stdout);
  return healthy && recorded ? 0 : 1;
}
