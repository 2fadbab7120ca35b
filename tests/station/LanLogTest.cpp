// The station's LAN traffic log: kept in its working folder, so that what the
// interface did (its channel, its failed sends) can be read after a run.

#include "StationRig.h"

namespace {

class LanLog : public StationRig {};

TEST_F(LanLog, ConnectStartsTheTrafficLogInTheWorkingFolder) {
  Start();
  RunConnected([&](int step) { EndAt(step, 3); });
  ASSERT_TRUE(station->IsRtLanOk());
  std::string log = TrafficLog();
  EXPECT_NE(log.find("\tCreating Tx Datagram\n"), std::string::npos) << log;
  EXPECT_NE(log.find("\tDeleting Tx Datagram\n"), std::string::npos) << log;
}

TEST_F(LanLog, TheLogOfTheRunBeforeIsKeptOneGeneration) {
  folder.Write("QM_RT_LAN_Log.txt", "the run before\n");
  folder.Write("QM_RT_LAN_Log.1.txt", "two runs before\n");
  Start();
  RunConnected([&](int step) { EndAt(step, 3); });
  EXPECT_EQ(folder.Read("QM_RT_LAN_Log.1.txt"), "the run before\n");
  EXPECT_NE(TrafficLog().find("\tCreating Tx Datagram\n"), std::string::npos);
}

}  // namespace
