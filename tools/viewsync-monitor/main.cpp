// viewsync-monitor: shows what a ViewSync receiver gets from the station.
#include "MonitorProgram.h"

int main(int argc, char** argv) {
  return RunViewSyncMonitor(argc, argv, Platform::SystemClock());
}
