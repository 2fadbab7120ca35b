// visim: stands in for the simulator's host, writing the visual-interface
// record that the station reads. See VisimUsage() or "visim --help".

#include <csignal>
#include <cstdio>

#include "VisimRun.h"

namespace {

volatile std::sig_atomic_t s_stop = 0;

extern "C" void OnStopSignal(int) {
  s_stop = 1;
}

}  // namespace

int main(int argc, char** argv) {
  // Ctrl-C and SIGTERM end the frames; the attachment is then let go as usual.
  std::signal(SIGINT, OnStopSignal);
  std::signal(SIGTERM, OnStopSignal);
  return VisimMain(argc, argv, stdout, stderr, Platform::SystemClock(), &s_stop);
}
