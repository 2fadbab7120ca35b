#pragma once
// The viewsync-monitor program: listens, checks, reports once a second and
// ends with the summary line; every time it reads comes from the clock.
// Returns the exit status (0 done, 1 could not listen or record, 2 bad
// command line).

#include "Clock.h"

int RunViewSyncMonitor(int argc, const char* const* argv, Platform::Clock& clock);
