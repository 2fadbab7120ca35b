#pragma once
// The monitor's command line.

#include <cstdint>

struct MonitorOptions {
  // Bound to this address, not to every address, so that on a machine that
  // also runs the station the monitor, not the station's own receive channel
  // (bound to every address at the same port), gets the datagrams.
  char bindAddress[64] = "127.0.0.1";
  int port = 7001;               // 0: any free port, announced on the first line
  double durationSeconds = 0.0;  // 0: no limit
  std::int64_t count = 0;        // 0: no limit
  char csvPath[1024] = "";       // empty: no recording
  char kmlPath[1024] = "";       // empty: no path written
  char kmlLinkPath[1024] = "";   // empty: no network link to the path written
  bool help = false;
  bool version = false;
};

// Fills options from argv (argv[0] is the program). False with the fault in
// error (terminated, cut to errorSize - 1) on an unknown option, a missing
// value or a value that is not usable, and when two outputs (--csv, --kml,
// --kml-link) name one file, however spelt: "./a.kml" and "a.kml", a
// symbolic or hard link to it. Values come as "--port 7001" or
// "--port=7001", as getopt_long reads them.
bool ParseMonitorOptions(int argc, const char* const* argv, MonitorOptions& options, char* error,
                         int errorSize);

// The --help text.
const char* MonitorUsage();
