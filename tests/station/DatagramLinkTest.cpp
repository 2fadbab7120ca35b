// Where the camera goes, driven without any window: the destination and the
// receivers get the same datagram, a camera no receiver could read is held
// back, and the lamp follows the destination alone.

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "DatagramLink.h"
#include "LoopbackPeer.h"
#include "TempDir.h"

namespace {

ViewSyncCamera Heathrow(int counter) {
  ViewSyncCamera camera{};
  camera.counter = counter;
  camera.latitude = 51.4775;
  camera.longitude = -0.461389;
  camera.tilt = 90.0;
  return camera;
}

TEST(DatagramLink, SendsToTheDestinationAndEveryReceiverAndHoldsBackWhatNoneCouldRead) {
  TempDir folder;
  LoopbackPeer destination;
  LoopbackPeer other;
  ASSERT_TRUE(destination.IsBound() && other.IsBound());
  const std::string folderText = folder.Path().string();
  ViewSyncReceiver receivers[1] = {{LoopbackAddress(), other.Port()}};
  DatagramLink link(receivers, 1, folderText.c_str());
  link.Restart();
  ASSERT_TRUE(link.Open(FreeUdpPorts(), destination.Port(), false)) << link.ErrorText();
  bool startedOver = true;
  EXPECT_EQ(link.StartCounter(&startedOver), 1509);

  EXPECT_EQ(link.Send(Heathrow(1510), LoopbackAddress()), DatagramLink::Sent::kLeft);
  std::string atDestination;
  std::string atOther;
  ASSERT_TRUE(destination.Receive(atDestination));
  ASSERT_TRUE(other.Receive(atOther));
  EXPECT_EQ(atDestination, atOther);
  EXPECT_EQ(atDestination.rfind("1510,51.477500,", 0), 0u) << atDestination;
  EXPECT_EQ(link.UpdateStatus(false, false), LinkUp);
  EXPECT_EQ(link.UpdateStatus(true, false), LinkHeld) << "the simulator holds the link";

  ViewSyncCamera offTheGlobe = Heathrow(1511);
  offTheGlobe.longitude = 200.0;
  ViewSyncCamera notFinite = Heathrow(1511);
  notFinite.roll = std::nan("");
  EXPECT_EQ(link.Send(offTheGlobe, LoopbackAddress()), DatagramLink::Sent::kHeld);
  EXPECT_EQ(link.Send(notFinite, LoopbackAddress()), DatagramLink::Sent::kHeld);
  EXPECT_EQ(link.GetHeld(), 2);
  EXPECT_EQ(link.GetSent(), 1);
  EXPECT_FALSE(destination.Receive(atDestination, std::chrono::milliseconds(0)));
  link.DropWatchdog();
  EXPECT_EQ(link.UpdateStatus(false, false), LinkDown);
  link.Close(1510);
  EXPECT_FALSE(link.IsOpen());
}

}  // namespace
