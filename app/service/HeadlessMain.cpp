// The `tavrion` of a build without the window (-DTAVRION_GUI=OFF): the
// station runs only as tavrion --headless does.


#include "Clock.h"
#include "HeadlessStation.h"
#include "StationOptions.h"
#include "StopSignals.h"

int main(int argc, char** argv) {
  // Stop requests are the station's own from its first moment.
  Platform::WatchStopSignals();
  StationSettings settings;
  settings.headless = true;  // the only way this program runs
  const int settled = SettleStationCommand(argc, argv, &settings);
  if (settled >= 0) {
    return settled;
  }
  return RunHeadlessStation(settings, Platform::SystemClock());
}
