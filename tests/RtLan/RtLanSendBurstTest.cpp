// The station's sends never wait for room in the socket's send buffer: a full
// buffer fails the send at once, and a run of such failures leaves one line
// in the traffic log. The socket calls are the fakes, which can fail a send
// with the number a full buffer gives.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "FakeSocketLan.h"
#include "StationSupport.h"
#include "TempDir.h"

using Platform::FakeSockets;
using Platform::SocketOption;

namespace {

constexpr int kWouldBlock = 10035;
constexpr int kLocalPort = 7100;
constexpr std::uint32_t kReceiver = 0x0200007F;  // 127.0.0.2

class SendBurst : public FakeSocketLan {
 protected:
  void SetUp() override { StartLan(kLocalPort); }

  int Send() { return m_lan->SendString(0, "1510,51.4775,", kReceiver); }
};

TEST_F(SendBurst, TheTransmitChannelNeverWaitsToSend) {
  ASSERT_EQ(Send(), 13);
  ASSERT_EQ(m_fake.Sent().size(), 1u);
  EXPECT_EQ(m_fake.OptionValue(m_fake.Sent()[0].socket, SocketOption::NonBlocking), 1);
}

TEST_F(SendBurst, AFullSendBufferIsAFailedSendLoggedOncePerRun) {
  m_fake.FailNext(FakeSockets::Call::SendTo, kWouldBlock, 3);
  EXPECT_EQ(Send(), -1);
  EXPECT_EQ(Send(), -1);
  EXPECT_EQ(Send(), -1);
  EXPECT_EQ(Send(), 13);
  m_fake.FailNext(FakeSockets::Call::SendTo, kWouldBlock, 2);
  EXPECT_EQ(Send(), -1);
  EXPECT_EQ(Send(), -1);
  std::string log = CloseAndReadLog();
  EXPECT_EQ(
      CountOf(log, "\t127.0.0.2:7001: send buffer full: datagrams dropped until a send succeeds\n"),
      2)
      << log;
}

TEST_F(SendBurst, ARepeatedTextSendFailureIsLoggedOnceUntilASendSucceeds) {
  // An unreachable receiver would otherwise leave a line 30 times a second.
  m_fake.FailNext(FakeSockets::Call::SendTo, 10065, 3);
  EXPECT_EQ(Send(), -1);
  EXPECT_EQ(Send(), -1);
  EXPECT_EQ(Send(), -1);
  EXPECT_EQ(Send(), 13);
  m_fake.FailNext(FakeSockets::Call::SendTo, 10065, 2);
  EXPECT_EQ(Send(), -1);
  EXPECT_EQ(Send(), -1);
  m_fake.FailNext(FakeSockets::Call::SendTo, 10061, 1);  // another failure is told at once
  EXPECT_EQ(Send(), -1);
  std::string log = CloseAndReadLog();
  EXPECT_EQ(CountOf(log, "\t127.0.0.2:7001: WSAEHOSTUNREACH::No route to the host\n"), 2) << log;
  EXPECT_EQ(CountOf(log, "\t127.0.0.2:7001: WSAECONNREFUSED::Connection refused\n"), 1) << log;
}

// Address and port, then the reason in words; the line is in the file while
// the station runs, not only once the log is closed.
TEST_F(SendBurst, AFailureLineNamesWhereAndWhyAndIsInTheFileAtOnce) {
  const struct {
    int error;
    const char* line;
  } cases[] = {
      {10065, "\t127.0.0.2:7001: WSAEHOSTUNREACH::No route to the host\n"},
      {10051, "\t127.0.0.2:7001: Network is unreachable (10051)\n"},
      {10060, "\t127.0.0.2:7001: Connection timed out (10060)\n"},
  };
  for (const auto& c : cases) {
    m_fake.FailNext(FakeSockets::Call::SendTo, c.error, 1);
    EXPECT_EQ(Send(), -1);
    EXPECT_EQ(CountOf(m_dir.Read("lan.log"), c.line), 1) << c.line;
  }
}

TEST(SendBurstNetworked, EveryTransmitChannelOfANetworkedStationNeverWaits) {
  FakeSockets fake;
  Platform::ScopedSockets installed(fake);
  fake.SetHost("fakehost", StationTest::ComputerAddress(0));
  TempDir dir;
  std::string ini = dir.Write("lan.ini", StationTest::IniText(StationTest::IniSettings{}));
  QMP0001_02_RtLan lan(nullptr);
  lan.SetIniFileName(ini.c_str());
  lan.SetLocalPort(kLocalPort);
  lan.SetRemotePort(kLocalPort + 1);
  ASSERT_TRUE(lan.Initialise(true)) << lan.GetErrorText();
  ASSERT_TRUE(lan.PackageChannelSetup()) << lan.GetErrorText();
  // Sockets on the local port transmit, the others receive.
  int transmitting = 0;
  for (Platform::SocketHandle handle = 0; handle < 1000; ++handle) {
    int port = fake.BoundPort(handle);
    if (port == 0) continue;
    int nonBlocking = fake.OptionValue(handle, SocketOption::NonBlocking);
    EXPECT_EQ(nonBlocking, port == kLocalPort ? 1 : 0) << "port " << port;
    if (port == kLocalPort) ++transmitting;
  }
  EXPECT_EQ(transmitting, 1 + RtLan::kPackageCount);
}

}  // namespace
