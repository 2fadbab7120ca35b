#pragma once
// Requests from outside to end the program (SIGTERM, SIGINT, SIGHUP) turned
// into something an event loop can watch: a descriptor that becomes
// readable. The signal handler does nothing but note the signal and write
// one byte to a pipe; the program closes down in its own time, as it would
// from its window's close box. A second request while the first is being
// carried out ends the program at once, as that signal does by default.

#include <cstdint>

namespace Platform {

// Installs the handlers and unblocks the signals (once; later calls give the
// same descriptor). A program calls it before anything else, so that a
// request at any moment of its start-up is noted rather than fatal. The
// descriptor to watch for reading, or -1 when the pipe could not be made
// (the signals then keep their default action).
int WatchStopSignals();

// Once the descriptor has become readable: empties it and gives the first
// signal received, or 0 when none has been.
int TakeStopSignal();

// Waits until a stop signal has come or `nanoseconds` have passed; true when
// one has come (the descriptor is readable). False at once without
// WatchStopSignals.
bool WaitForStopSignal(std::int64_t nanoseconds);

// Puts the default actions back and closes the pipe (tests).
void StopWatchingStopSignals();

}  // namespace Platform
