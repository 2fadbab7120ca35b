// Checks of the values a station is configured with: a value that is not what
// its setting needs is refused, never read as some other value.

#include "RtLan.h"

bool RtLan::IsPortNumber(int port) {
  return port >= 1 && port <= 65535;
}
