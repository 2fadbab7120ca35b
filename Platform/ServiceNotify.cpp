#include "ServiceNotify.h"

#ifdef TAVRION_HAVE_LIBSYSTEMD
#include <systemd/sd-daemon.h>
#endif

namespace Platform {

#ifdef TAVRION_HAVE_LIBSYSTEMD

bool NotifyServiceManager(const char* state) {
  return state != nullptr && sd_notify(0, state) > 0;
}

std::int64_t ServiceWatchdogMicroseconds() {
  std::uint64_t microseconds = 0;
  return sd_watchdog_enabled(0, &microseconds) > 0 ? static_cast<std::int64_t>(microseconds) : 0;
}

#else

bool NotifyServiceManager(const char* state) {
  (void)state;
  return false;
}

std::int64_t ServiceWatchdogMicroseconds() {
  return 0;
}

#endif

}  // namespace Platform
