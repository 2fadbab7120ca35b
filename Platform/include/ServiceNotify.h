#pragma once
// The service manager's notify protocol (systemd's sd_notify): a program run
// as a service says when it is ready, what it is doing, that it is still
// alive and that it is stopping. Outside a service (no NOTIFY_SOCKET), or in
// a build without libsystemd, every call does nothing.

#include <cstdint>

namespace Platform {

// Sends one or more "NAME=value" lines; false when nothing was sent.
bool NotifyServiceManager(const char* state);

// The interval within which the service manager wants a "WATCHDOG=1" from
// this process, in microseconds; 0 when it watches none.
std::int64_t ServiceWatchdogMicroseconds();

}  // namespace Platform
