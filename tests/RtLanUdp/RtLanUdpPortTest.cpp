// Sends to a port of the caller's choosing and to broadcast addresses, on
// real loopback sockets: 127.255.255.255 is the loopback network's broadcast
// address, which never leaves the machine.

#include <gtest/gtest.h>

#include <string>

#include "LoopbackPeer.h"
#include "RtLanUdp.h"

namespace {

const std::uint32_t kLoopbackBroadcast = Platform::InetAddr("127.255.255.255");

class CudpToAPort : public ::testing::Test {
 protected:
  void SetUp() override {
    m_local = FreeUdpPorts(3);
    ASSERT_NE(m_local, 0);
    ASSERT_TRUE(m_udp.CreateSocket(m_local, m_local + 1, 0));
  }
  int m_local = 0;
  CUDP m_udp;
};

TEST_F(CudpToAPort, SendToReachesItsOwnPortAndLeavesTheAddressRecord) {
  LoopbackPeer remote(m_local + 1, LoopbackAddress(2));
  LoopbackPeer other(m_local + 2, LoopbackAddress(3));
  ASSERT_TRUE(remote.IsBound() && other.IsBound());
  EXPECT_EQ(m_udp.Send("first", LoopbackAddress(2), 0), 5);
  EXPECT_EQ(m_udp.SendTo("second", LoopbackAddress(3), m_local + 2, 0), 6);
  // Address 0 reuses the record: still the remote port of 127.0.0.2.
  EXPECT_EQ(m_udp.Send("third", 0, 0), 5);

  std::string bytes;
  UdpSource source;
  ASSERT_TRUE(other.Receive(bytes, LoopbackPeer::kArrival, &source));
  EXPECT_EQ(bytes, "second");
  EXPECT_EQ(source.port, m_local);
  ASSERT_TRUE(remote.Receive(bytes));
  EXPECT_EQ(bytes, "first");
  ASSERT_TRUE(remote.Receive(bytes));
  EXPECT_EQ(bytes, "third");
}

TEST_F(CudpToAPort, SendToWithoutAddressOrUsablePortSendsNothing) {
  EXPECT_EQ(m_udp.SendTo("x", 0, m_local + 2, 0), 0);
  EXPECT_EQ(m_udp.SendTo("x", LoopbackAddress(), 0, 0), 0);
  EXPECT_EQ(m_udp.SendTo("x", LoopbackAddress(), 65536, 0), 0);
  EXPECT_EQ(m_udp.SendTo(nullptr, LoopbackAddress(), m_local + 2, 0), 0);
}

TEST_F(CudpToAPort, ABroadcastAddressNeedsTheBroadcastOption) {
  LoopbackPeer listener(m_local + 2, kLoopbackBroadcast, PortSharing::kShared);
  ASSERT_TRUE(listener.IsBound());
  EXPECT_EQ(m_udp.SendTo("refused", kLoopbackBroadcast, m_local + 2, 0), -1);
  EXPECT_EQ(m_udp.LastSendError(), Platform::kWsaAccess);
  EXPECT_STREQ(m_udp.GetErrorText(), "WSAEACCES::Permission denied");

  ASSERT_TRUE(m_udp.SetBroadcast(true)) << m_udp.GetErrorText();
  EXPECT_EQ(m_udp.SendTo("allowed", kLoopbackBroadcast, m_local + 2, 0), 7);
  EXPECT_EQ(m_udp.LastSendError(), 0);
  std::string bytes;
  ASSERT_TRUE(listener.Receive(bytes));
  EXPECT_EQ(bytes, "allowed");
}

TEST(CudpBroadcast, IsOffUntilAskedForAndRefusedWithoutASocket) {
  CUDP udp;
  EXPECT_FALSE(udp.SetBroadcast(true));
  EXPECT_NE(std::string(udp.GetErrorText()).find("CUDP::SetBroadcast"), std::string::npos);
  const int port = FreeUdpPorts(1);
  ASSERT_TRUE(udp.CreateSocket(port, port + 1, 0));
  int value = -1;
  ASSERT_EQ(
      Platform::Sockets().GetOption(udp.GetSocket(), Platform::SocketOption::Broadcast, &value), 0);
  EXPECT_EQ(value, 0);
}

}  // namespace
