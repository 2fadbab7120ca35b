// The station's LAN traffic log: kept in its working folder, so that what the
// interface did (its channel, its failed sends) can be read after a run.

#include "StationFixture.h"

namespace {

class LanLog : public StationTest {};

TEST_F(LanLog, ConnectStartsTheTrafficLogInTheWorkingFolder) {
  StartDialog();
  RunConnected([&](int step) {
    if (step == 3) pump.Post([this] { dialog->OnClose(); });
  });
  ASSERT_TRUE(dialog->GetStation().IsRtLanOk());
  std::string log = folder.Read("QM_RT_LAN_Log.txt");
  EXPECT_NE(log.find("\tCreating Tx Datagram\n"), std::string::npos) << log;
  EXPECT_NE(log.find("\tDeleting Tx Datagram\n"), std::string::npos) << log;
}

TEST_F(LanLog, TheLogOfTheRunBeforeIsKeptOneGeneration) {
  folder.Write("QM_RT_LAN_Log.txt", "the run before\n");
  folder.Write("QM_RT_LAN_Log.1.txt", "two runs before\n");
  StartDialog();
  RunConnected([&](int step) {
    if (step == 3) pump.Post([this] { dialog->OnClose(); });
  });
  EXPECT_EQ(folder.Read("QM_RT_LAN_Log.1.txt"), "the run before\n");
  EXPECT_NE(folder.Read("QM_RT_LAN_Log.txt").find("\tCreating Tx Datagram\n"), std::string::npos);
}

}  // namespace
