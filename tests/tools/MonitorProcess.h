#pragma once
// viewsync-monitor as the tests run it, and the datagrams that feed it from
// a loopback peer: a real process, real UDP on 127.0.0.1.

#include <cstdlib>
#include <string>
#include <vector>

#include "LoopbackPeer.h"
#include "TestProcess.h"

// The viewsync-monitor program, its standard output and error read as one
// stream. fileSizeLimit above 0 limits the files it writes to that many
// bytes, so a test can make the disk full for it alone.
class MonitorProcess : public TestProcess {
 public:
  explicit MonitorProcess(const std::vector<std::string>& args, long fileSizeLimit = 0) {
    ProcessSetup setup;
    setup.fileSizeLimit = fileSizeLimit;
    std::vector<std::string> command = {VIEWSYNC_MONITOR_PATH};
    command.insert(command.end(), args.begin(), args.end());
    Start(command, setup);
  }

  // The port from the first line, "listening on ADDR:PORT"; 0 when missing.
  int ListeningPort() {
    std::string line;
    if (!ReadLine(line) || line.rfind("listening on ", 0) != 0) return 0;
    return std::atoi(line.c_str() + line.rfind(':') + 1);
  }
};

// A datagram as the station writes it, with the counter and an optional tenth field.
inline std::string Datagram(int counter, const char* tail = "") {
  return std::to_string(counter) +
         ",51.477500,-0.461389,120.500000,270.000000,90.000000,-2.500000,0,0," + tail;
}
