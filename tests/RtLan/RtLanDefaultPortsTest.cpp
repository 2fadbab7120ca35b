// The station's own ports, 7000 and 7001, in a private network namespace of a
// child process, so that no running station or ViewSync receiver is touched.

#include <gtest/gtest.h>

#include <string>

#include "LoopbackPeer.h"
#include "PrivateView.h"
#include "QMP0001_02_RtLan.h"

namespace {

// Sends one text through a stand-alone station; 0 when it left from
// `expectedSource` and reached port 7001, another code saying what failed.
int SendAndCheck(int localPort, int expectedSource) {
  LoopbackPeer viewSync(7001, LoopbackAddress(), PortSharing::kShared);
  if (!viewSync.IsBound()) return 2;
  QMP0001_02_RtLan lan(nullptr);
  if (localPort != 0) lan.SetLocalPort(localPort);
  lan.SetStandalone();
  if (!lan.Initialise()) return 3;
  if (lan.SendString(0, "viewsync", LoopbackAddress()) != 8) return 4;
  std::string bytes;
  UdpSource source;
  if (!viewSync.Receive(bytes, LoopbackPeer::kArrival, &source)) return 5;
  if (bytes != "viewsync") return 6;
  return source.port == expectedSource ? 0 : 7;
}

TEST(StationDefaultPorts, SendStringGoesFromPort7000ToPort7001) {
  std::string reason;
  const int result = RunInPrivateNetwork([] { return SendAndCheck(0, 7000); }, reason);
  if (result == kNoPrivateNetwork) GTEST_SKIP() << reason;
  EXPECT_EQ(result, 0);
}

TEST(StationDefaultPorts, TheLocalPortMovesOnlyTheSource) {
  std::string reason;
  const int result = RunInPrivateNetwork([] { return SendAndCheck(7010, 7010); }, reason);
  if (result == kNoPrivateNetwork) GTEST_SKIP() << reason;
  EXPECT_EQ(result, 0);
}

}  // namespace
