// Text datagrams to a port of the caller's choosing through the transmit
// channel, and the broadcast permission of the transmit channels. The socket
// calls are the fakes, which record every send and can fail the sends to one
// destination.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "FakeSocketLan.h"

using Platform::FakeSockets;
using Platform::SocketOption;

namespace {

constexpr int kLocalPort = 7200;
constexpr std::uint32_t kSecond = 0x0200007F;  // 127.0.0.2
constexpr std::uint32_t kThird = 0x0300007F;   // 127.0.0.3

class PortSend : public FakeSocketLan {
 protected:
  void Start(bool broadcast) { StartLan(kLocalPort, broadcast); }
};

TEST_F(PortSend, GoesThroughTheTransmitChannelToTheGivenPort) {
  Start(false);
  EXPECT_EQ(m_lan->SendStringToPort("1510,1,2,", kSecond, 7005), 9);
  EXPECT_EQ(m_lan->SendString(0, "1510,1,2,", kThird), 9);
  ASSERT_EQ(m_fake.Sent().size(), 2u);
  const FakeSockets::Datagram& toPort = m_fake.Sent()[0];
  EXPECT_EQ(toPort.bytes, "1510,1,2,");
  EXPECT_EQ(toPort.peer.address, kSecond);
  EXPECT_EQ(Platform::NetworkToHost16(toPort.peer.port), 7005);
  EXPECT_EQ(m_fake.BoundPort(toPort.socket), kLocalPort);
  // SendString still goes to the remote port.
  EXPECT_EQ(m_fake.Sent()[1].socket, toPort.socket);
  EXPECT_EQ(Platform::NetworkToHost16(m_fake.Sent()[1].peer.port), 7001);
}

TEST_F(PortSend, SendsNothingBeforeInitialiseOrWithoutTextAddressOrPort) {
  QMP0001_02_RtLan idle(nullptr);
  EXPECT_EQ(idle.SendStringToPort("x", kSecond, 7001), 0);
  EXPECT_EQ(idle.GetTransmitErrorNumber(), 0);
  Start(false);
  EXPECT_EQ(m_lan->SendStringToPort("", kSecond, 7001), 0);
  EXPECT_EQ(m_lan->SendStringToPort(nullptr, kSecond, 7001), 0);
  EXPECT_EQ(m_lan->SendStringToPort("x", 0, 7001), 0);
  EXPECT_EQ(m_lan->SendStringToPort("x", kSecond, 0), 0);
  EXPECT_TRUE(m_fake.Sent().empty());
}

TEST_F(PortSend, AFailureIsLeftToTheCallerWithItsNumberAndText) {
  Start(false);
  m_fake.FailSendsTo(kSecond, 7001, 10065);
  EXPECT_EQ(m_lan->SendStringToPort("x", kSecond, 7001), -1);
  EXPECT_EQ(m_lan->GetTransmitErrorNumber(), 10065);
  EXPECT_STREQ(m_lan->GetTransmitError(), "WSAEHOSTUNREACH::No route to the host");
  // Another port of the same address is another destination.
  EXPECT_EQ(m_lan->SendStringToPort("x", kSecond, 7002), 1);
  EXPECT_EQ(m_lan->GetTransmitErrorNumber(), 0);
  const std::string log = CloseAndReadLog();
  EXPECT_EQ(log.find("WSAEHOSTUNREACH"), std::string::npos) << log;
}

TEST_F(PortSend, BroadcastIsSetOnTheTransmitChannelOnlyWhenAskedFor) {
  Start(false);
  ASSERT_EQ(m_lan->SendStringToPort("x", kSecond, 7001), 1);
  EXPECT_EQ(m_fake.OptionValue(m_fake.Sent()[0].socket, SocketOption::Broadcast), 0);
  m_fake.ClearSent();
  Start(true);
  ASSERT_EQ(m_lan->SendStringToPort("x", kSecond, 7001), 1);
  EXPECT_EQ(m_fake.OptionValue(m_fake.Sent()[0].socket, SocketOption::Broadcast), 1);
}

TEST_F(PortSend, ABroadcastPermissionRefusedStopsInitialiseWithTheReason) {
  m_fake.FailOption(SocketOption::Broadcast, 10013);
  m_lan = std::make_unique<QMP0001_02_RtLan>(nullptr);
  m_lan->SetStandalone();
  m_lan->SetBroadcast(true);
  EXPECT_FALSE(m_lan->Initialise());
  const std::string error = m_lan->GetErrorText();
  EXPECT_NE(error.find("QMP0001_02_RtLan::TranmitSetup"), std::string::npos) << error;
  EXPECT_NE(error.find("CUDP::SetBroadcast"), std::string::npos) << error;
  EXPECT_EQ(m_fake.OpenSockets(), 0);
}

}  // namespace
