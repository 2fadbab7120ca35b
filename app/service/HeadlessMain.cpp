// The `tavrion` of a build without the window (-DTAVRION_GUI=OFF): the
// station runs only as tavrion --headless does.

#include <cstdio>

#include "Clock.h"
#include "CommandLine.h"
#include "HeadlessStation.h"
#include "StationOptions.h"
#include "StopSignals.h"
#include "TavrionVersion.h"

int main(int argc, char** argv) {
  // Stop requests are the station's own from its first moment.
  Platform::WatchStopSignals();
  StationSettings settings;
  settings.headless = true;  // the only way this program runs
  char fault[512];
  switch (ParseStationOptions(argc, argv, &settings, fault, sizeof fault)) {
    case StationCommand::Help:
      std::fputs(StationUsage().c_str(), stdout);
      return 0;
    case StationCommand::Version:
      PrintTavrionVersion(stdout, "tavrion");
      return 0;
    case StationCommand::Fault:
      Platform::PrintUsageFault(stderr, "tavrion", fault);
      return 2;
    case StationCommand::Run:
      break;
  }
  if (Platform::TakeStopSignal() != 0) {
    return 0;  // asked to stop before anything was started
  }
  return RunHeadlessStation(settings, Platform::SystemClock());
}
