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
  ASSERT_TRUE(dialog->IsRtLanOk());
  std::string log = folder.Read("QM_RT_LAN_Log.txt");
  EXPECT_NE(log.find("\tCreating Tx Datagram\n"), std::string::npos) << log;
  EXPECT_NE(log.find("\tDeleting Tx Datagram\n"), std::string::npos) << log;
}

}  // namespace
