// tavrion-web: the operator's page of the Tavrion stations of this machine.
// See "tavrion-web --help".

#include <csignal>
#include <cstdio>

#include "WebProgram.h"

int main(int argc, char** argv) {
  // A browser that goes away while its reply is written must not end the
  // server: the write fails and its connection is closed.
  std::signal(SIGPIPE, SIG_IGN);
  return WebMain(argc, argv, stdout, stderr);
}
