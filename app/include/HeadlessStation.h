#pragma once
// The station without a window (tavrion --headless), for hosts with no
// display and no operator: started at boot by a service manager, restarted
// when it hangs. It drives the same Station as the window does, started unattended:
// it attaches the segment (waiting for a usable one), loads the offsets,
// connects at once and sends to the destination and the receivers at the pace
// of the same frame loop, in the view the command line chose, following the
// simulator's view selection as the window does. There are no trims, and Save
// never happens: the offsets file is only read.
//
// What the window would show goes to standard error, one line each: the
// start, the first datagram with its counter, every new text of the message
// line (segment lost and attached again, data frozen, held datagrams,
// start-up findings). SIGTERM, SIGINT and SIGHUP close it down as the close
// box does, with status 0.
//
// Run by systemd (Type=notify), it says READY=1 once the first datagram has
// left, a STATUS= line about once a second (rate, receivers, airport),
// WATCHDOG=1 from the frame loop itself at half the watchdog interval while
// frames run, so that a hung loop stops the pings and gets the station
// restarted, and STOPPING=1 when it closes down.

#include "StationSettings.h"

namespace Platform {
class Clock;
}

// Runs the station until it is told to stop; the exit status (0 once closed
// down, 1 when it could not start, with the reason on standard error). The
// stop signals must be watched already (Platform::WatchStopSignals).
int RunHeadlessStation(const StationSettings& settings, Platform::Clock& clock);
