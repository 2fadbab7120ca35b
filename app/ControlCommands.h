#pragma once
// One line of the control protocol carried out on the station: the command
// and its words read, the station's operation called, the reply written.
// A command that changes something is logged in the LAN log with what
// changed and who asked.

#include <string>

#include "LocalSocket.h"

class Station;

struct ControlAnswer {
  std::string reply;  // one JSON object, without the newline
  bool ok = false;
  bool watch = false;  // the client watches from now on
};

// `line` without its newline; `who` asked for it.
ControlAnswer RunControlCommand(Station& station, const char* line,
                                const Platform::PeerCredentials& who);
