#pragma once
// The viewsync-monitor program: listens, checks, reports once a second and
// ends with the summary line. Returns the exit status (0 done, 1 could not
// listen or record, 2 bad command line).

int RunViewSyncMonitor(int argc, const char* const* argv);
