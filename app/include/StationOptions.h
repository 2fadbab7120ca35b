#pragma once
// The station's command line. It is read before anything of the window
// exists, so --help, --version and a bad command line need no display.

#include <string>

#include "StationSettings.h"

enum class StationCommand {
  Run,      // the settings hold what the command line gave
  Help,     // --help: print StationUsage()
  Version,  // --version
  Fault,    // a bad option or value: the fault text says which
};

// Reads argv (argv[0] is the program) over the settings' defaults. Texts in
// the settings point into argv. On Fault, `fault` (cut to faultSize - 1)
// holds one line saying what is wrong and the settings are partly filled.
StationCommand ParseStationOptions(int argc, const char* const* argv, StationSettings* settings,
                                   char* fault, int faultSize);

// The --help text.
std::string StationUsage();

// What both programs do with their command line before the station starts:
// help and version printed, a fault told with the "Try" line, a stop signal
// already taken. -1 when the station is to run; otherwise the exit status.
int SettleStationCommand(int argc, char** argv, StationSettings* settings);
