#pragma once
// visim's command line.

#include "BaseSharedMemory.h"
#include "VisimFields.h"

struct VisimOptions {
  bool help = false;
  bool version = false;        // --version
  bool demo = false;           // --demo
  char replayFile[1024] = "";  // --replay FILE.csv; empty: none
  char recordFile[1024] = "";  // --record FILE.csv; empty: none
  char writeLogFile[1024] = "";  // --write-log LOG.csv; empty: none
  VisimFields sets;            // --set FIELD=VALUE, all of them
  bool dump = false;           // --dump
  bool remove = false;         // --remove
  double rate = 60.0;          // --rate HZ: frames written a second
  double duration = 0.0;       // --duration S; 0: until interrupted
  char segment[BaseSharedMemory::kNameSize] = "VisualInterface";  // --segment NAME

  bool Replays() const { return replayFile[0] != '\0'; }
  bool Records() const { return recordFile[0] != '\0'; }
  bool Logs() const { return writeLogFile[0] != '\0'; }
  // Something is written into the record.
  bool Writes() const { return demo || Replays() || sets.mask != 0; }
};

// Fills options from argv (argv[0] is the program). False with the fault in
// error (terminated, cut to errorSize - 1) on an unknown option, a missing or
// bad value, or options that do not go together. Options take their value as
// the next argument or after "=" (--rate=30), as getopt_long reads them.
bool ParseVisimOptions(int argc, const char* const* argv, VisimOptions* options, char* error,
                       int errorSize);

// The --help text.
const char* VisimUsage();
