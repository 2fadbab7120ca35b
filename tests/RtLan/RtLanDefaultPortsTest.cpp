// The station's own ports, 7000 and 7001, in a private network namespace of a
// child process, so that no running station or ViewSync receiver is touched.

#include <gtest/gtest.h>
#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "QMP0001_02_RtLan.h"
#include "UdpTestSupport.h"

namespace {

constexpr int kNoNamespace = 77;

// A network of its own with its loopback interface up; false without the right to make one.
bool PrivateNetwork() {
  if (unshare(CLONE_NEWNET) != 0) return false;
  int handle = socket(AF_INET, SOCK_DGRAM, 0);
  ifreq request{};
  std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
  bool up = ioctl(handle, SIOCGIFFLAGS, &request) == 0;
  request.ifr_flags = static_cast<short>(request.ifr_flags | IFF_UP);
  up = up && ioctl(handle, SIOCSIFFLAGS, &request) == 0;
  close(handle);
  return up;
}

// Sends one text through a stand-alone station; 0 when it left from
// `expectedSource` and reached port 7001, another code saying what failed.
int SendAndCheck(int localPort, int expectedSource) {
  UdpTest::Peer viewSync(7001, UdpTest::Loopback(), true);
  if (!viewSync.Bound()) return 2;
  QMP0001_02_RtLan lan(nullptr);
  if (localPort != 0) lan.SetLocalPort(localPort);
  lan.SetStandalone();
  if (!lan.Initialise()) return 3;
  if (lan.SendString(0, "viewsync", UdpTest::Loopback()) != 8) return 4;
  std::string bytes;
  int source = 0;
  if (!viewSync.Receive(&bytes, &source)) return 5;
  if (bytes != "viewsync") return 6;
  return source == expectedSource ? 0 : 7;
}

// Runs the check in a child process inside a network of its own.
int InPrivateNetwork(int localPort, int expectedSource) {
  pid_t child = fork();
  if (child == 0) {
    if (!PrivateNetwork()) _exit(kNoNamespace);
    _exit(SendAndCheck(localPort, expectedSource));
  }
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

TEST(StationDefaultPorts, SendStringGoesFromPort7000ToPort7001) {
  int result = InPrivateNetwork(0, 7000);
  if (result == kNoNamespace) GTEST_SKIP() << "no private network namespace available";
  EXPECT_EQ(result, 0);
}

TEST(StationDefaultPorts, TheLocalPortMovesOnlyTheSource) {
  int result = InPrivateNetwork(7010, 7010);
  if (result == kNoNamespace) GTEST_SKIP() << "no private network namespace available";
  EXPECT_EQ(result, 0);
}

}  // namespace
