// What the dialog makes of a destination given on the command line.

#include <arpa/inet.h>

#include <cstring>
#include <vector>

#include "StationFixture.h"

namespace {

// --- the dialog with a destination given -------------------------------------

class GivenDestination : public StationTest {
 protected:
  StationSettings Settings() override {
    StationSettings settings = StationTest::Settings();
    settings.destinationGiven = true;
    const unsigned char given[4] = {127, 0, 0, 2};
    std::memcpy(settings.destination, given, sizeof given);
    return settings;
  }

  // Connect with no typing; the station closes itself after a few frames.
  void ConnectForAFewFrames() {
    bool closing = false;
    pump.SetIdle([this, &closing] {
      if (!closing && dialog->GetStation().GetFrameCount() >= 4) {
        closing = true;
        pump.Post([this] { dialog->OnClose(); });
      }
    });
    dialog->OnConnect();
    pump.SetIdle(nullptr);
  }
};

TEST_F(GivenDestination, TheBoxesStartWithItAndConnectKeepsIt) {
  StartDialog();
  const int shown[4] = {controls.shown.ipOctets[0], controls.shown.ipOctets[1],
                        controls.shown.ipOctets[2], controls.shown.ipOctets[3]};
  EXPECT_EQ(std::vector<int>(shown, shown + 4), std::vector<int>({127, 0, 0, 2}));
  EXPECT_EQ(dialog->GetStation().GetDestinationAddress(), inet_addr("127.0.0.2"));

  ConnectForAFewFrames();
  EXPECT_TRUE(controls.messageBoxes.empty());
  EXPECT_EQ(controls.shown.ipOctets[3], 2) << "Connect put another address in the boxes";
  EXPECT_EQ(dialog->GetStation().GetDestinationAddress(), inet_addr("127.0.0.2"));
  EXPECT_TRUE(Received().empty()) << "the datagrams went to the receiver on 127.0.0.1";
}

TEST_F(GivenDestination, TheOperatorMayStillTypeAnotherBeforeConnect) {
  StartDialog();
  RunConnected([this](int step) {
    if (step == 6) pump.Post([this] { dialog->OnClose(); });
  });
  EXPECT_EQ(Received().size(), 2u) << "the sending steps before the close reach the typed "
                                      "127.0.0.1";
  EXPECT_EQ(controls.shown.ipOctets[3], 1);
}

}  // namespace
