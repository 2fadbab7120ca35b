#include "PrivateView.h"

#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "TestProcess.h"

namespace {

// Brings the loopback interface of the current network up.
bool LoopbackUp() {
  const int handle = socket(AF_INET, SOCK_DGRAM, 0);
  ifreq request{};
  std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
  bool up = handle >= 0 && ioctl(handle, SIOCGIFFLAGS, &request) == 0;
  request.ifr_flags = static_cast<short>(request.ifr_flags | IFF_UP);
  up = up && ioctl(handle, SIOCSIFFLAGS, &request) == 0;
  if (handle >= 0) close(handle);
  return up;
}

}  // namespace

bool InPrivateView(std::string& reason) {
  const char* inside = std::getenv("TAVRION_PRIVATE_VIEW");
  if (inside != nullptr && std::strcmp(inside, "1") == 0) return true;
  const char* refused = std::getenv("TAVRION_NO_PRIVATE_VIEW");
  reason = refused != nullptr && refused[0] != '\0'
               ? refused
               : "not run in a private view (tests/common/private-view.sh), where the "
                 "station's ports and segment are the test's own";
  return false;
}

int RunInPrivateNetwork(const std::function<int()>& body, std::string& reason) {
  TestProcess child;
  const bool started = child.StartFunction([&body] {
    if (unshare(CLONE_NEWNET) != 0) {
      std::printf("no network namespace of its own: %s", std::strerror(errno));
      return kNoPrivateNetwork;
    }
    if (!LoopbackUp()) {
      std::printf("the loopback interface of its own network does not come up: %s",
                  std::strerror(errno));
      return kNoPrivateNetwork;
    }
    return body();
  });
  if (!started) {
    reason = "no child process";
    return kNoPrivateNetwork;
  }
  const int status = child.Finish();
  if (status == kNoPrivateNetwork) reason = child.Output();
  return status;
}
