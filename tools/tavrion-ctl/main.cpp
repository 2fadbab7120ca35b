// tavrion-ctl: steers a Tavrion station through its control socket. See
// "tavrion-ctl --help".

#include <csignal>
#include <cstdio>

#include "CtlProgram.h"

namespace {

volatile std::sig_atomic_t s_stop = 0;

extern "C" void OnStopSignal(int) {
  s_stop = 1;
}

}  // namespace

int main(int argc, char** argv) {
  // Ctrl-C ends a watch; the connection is then closed as usual.
  std::signal(SIGINT, OnStopSignal);
  std::signal(SIGTERM, OnStopSignal);
  std::signal(SIGPIPE, SIG_IGN);
  return CtlMain(argc, argv, stdout, stderr, &s_stop);
}
