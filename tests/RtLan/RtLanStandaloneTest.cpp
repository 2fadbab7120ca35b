// The station as the visual interface uses it: stand-alone, no ini file, one
// text datagram per send from the local port to the remote port.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netdb.h>
#include <unistd.h>

#include <string>

#include "LoopbackPeer.h"
#include "QMP0001_02_RtLan.h"
#include "TempDir.h"

namespace {

// What this host's name resolves to, as the station finds it.
std::string HostAddressText() {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0) return "0.0.0.0";
  addrinfo hints{};
  hints.ai_family = AF_INET;
  addrinfo* found = nullptr;
  if (getaddrinfo(name, nullptr, &hints, &found) != 0) return "0.0.0.0";
  char text[INET_ADDRSTRLEN] = {};
  inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr, text, sizeof text);
  freeaddrinfo(found);
  return text;
}

class StandaloneStation : public ::testing::Test {
 protected:
  void SetUp() override {
    m_local = FreeUdpPorts(2);
    ASSERT_NE(m_local, 0);
    m_remote = m_local + 1;
    m_lan.SetLocalPort(m_local);
    m_lan.SetRemotePort(m_remote);
    m_lan.SetStandalone();
  }

  int m_local = 0;
  int m_remote = 0;
  QMP0001_02_RtLan m_lan{nullptr};
};

TEST_F(StandaloneStation, InitialisesWithoutAnIniFileAndKnowsItsOwnAddress) {
  ASSERT_TRUE(m_lan.Initialise());
  EXPECT_TRUE(m_lan.IsInitialised());
  EXPECT_STREQ(m_lan.GetDeviceName(), "Unknown Device");
  EXPECT_EQ(m_lan.GetDeviceIndex(), -128);
  EXPECT_EQ(m_lan.GetIpText(), HostAddressText());
  EXPECT_STREQ(m_lan.AddressToText(m_lan.GetOwnAddress()), HostAddressText().c_str());

  int octets[4] = {-1, -1, -1, -1};
  ASSERT_TRUE(m_lan.GetIpOctets(&octets[0], &octets[1], &octets[2], &octets[3]));
  std::string joined = std::to_string(octets[0]) + "." + std::to_string(octets[1]) + "." +
                       std::to_string(octets[2]) + "." + std::to_string(octets[3]);
  EXPECT_EQ(joined, HostAddressText());
  EXPECT_FALSE(m_lan.IsA320() || m_lan.IsA330() || m_lan.IsA340());
  EXPECT_FALSE(m_lan.IsLogEnabled());
}

TEST_F(StandaloneStation, SendStringGoesFromTheLocalPortToTheRemotePort) {
  LoopbackPeer viewSync(m_remote, LoopbackAddress(), PortSharing::kShared);
  ASSERT_TRUE(m_lan.Initialise());
  EXPECT_EQ(m_lan.SendString(1510, "1510,51.477500,-0.461389", LoopbackAddress()), 24);
  std::string bytes;
  UdpSource source;
  ASSERT_TRUE(viewSync.Receive(bytes, LoopbackPeer::kArrival, &source));
  EXPECT_EQ(bytes, "1510,51.477500,-0.461389");
  EXPECT_EQ(source.port, m_local);
}

TEST_F(StandaloneStation, SendStringSendsNothingForAnEmptyTextOrAddressZero) {
  LoopbackPeer viewSync(m_remote, LoopbackAddress(), PortSharing::kShared);
  ASSERT_TRUE(m_lan.Initialise());
  EXPECT_EQ(m_lan.SendString(0, "", LoopbackAddress()), 0);
  EXPECT_EQ(m_lan.SendString(0, "text", 0), 0);
  EXPECT_EQ(m_lan.SendString(0, nullptr, LoopbackAddress()), 0);
  // The next datagram to arrive is the marker: nothing went before it.
  ASSERT_EQ(m_lan.SendString(0, "marker", LoopbackAddress()), 6);
  std::string bytes;
  ASSERT_TRUE(viewSync.Receive(bytes));
  EXPECT_EQ(bytes, "marker");
}

TEST_F(StandaloneStation, NothingIsSentOrReceivedBeforeInitialise) {
  LoopbackPeer viewSync(m_remote, LoopbackAddress(), PortSharing::kShared);
  EXPECT_FALSE(m_lan.IsInitialised());
  EXPECT_EQ(m_lan.SendString(0, "early", LoopbackAddress()), 0);
  EXPECT_EQ(m_lan.SendStringToIp(0, "early", "127.0.0.1"), 0);
  EXPECT_EQ(m_lan.SendPackage(300, 1, true), 0);
  EXPECT_EQ(m_lan.TransmitDue(300, true), 0);
  EXPECT_EQ(m_lan.ReceivePackage(300, 1, true), 0);
  char buffer[RtLan::kBufferSize];
  EXPECT_EQ(m_lan.ReceiveRaw(buffer), 0);
  ASSERT_TRUE(m_lan.Initialise());
  ASSERT_EQ(m_lan.SendString(0, "marker", LoopbackAddress()), 6);
  std::string bytes;
  ASSERT_TRUE(viewSync.Receive(bytes));
  EXPECT_EQ(bytes, "marker");
}

// Ten datagrams through the station; how many the receiver got.
int SendTenAndCount(QMP0001_02_RtLan& lan, LoopbackPeer& receiver) {
  int received = 0;
  for (int i = 0; i < 10; ++i) {
    std::string text = "datagram " + std::to_string(i);
    if (lan.SendString(0, text.c_str(), LoopbackAddress()) != static_cast<int>(text.size()))
      continue;
    std::string bytes;
    if (receiver.Receive(bytes) && bytes == text) ++received;
  }
  return received;
}

// The ways a receiver on this host may hold the remote port: bound to every
// address or to the loopback one, sharing the port or not.
struct ReceiverKind {
  std::uint32_t address;
  PortSharing sharing;
};
const ReceiverKind kReceiverKinds[] = {{AnyAddress(), PortSharing::kShared},
                                       {AnyAddress(), PortSharing::kExclusive},
                                       {LoopbackAddress(), PortSharing::kShared},
                                       {LoopbackAddress(), PortSharing::kExclusive}};

std::string Describe(const ReceiverKind& kind) {
  return std::string(kind.address == AnyAddress() ? "any address" : "loopback") +
         (kind.sharing == PortSharing::kShared ? ", shared" : ", not shared");
}

TEST_F(StandaloneStation, AReceiverOnThisHostGetsEveryDatagramWhenStartedFirst) {
  // Stand-alone, nothing reads a receive channel, so the station holds none:
  // a receiver on the remote port is the only socket there.
  for (const ReceiverKind& kind : kReceiverKinds) {
    LoopbackPeer viewSync(m_remote, kind.address, kind.sharing);
    ASSERT_TRUE(viewSync.IsBound()) << Describe(kind);
    QMP0001_02_RtLan lan(nullptr);
    lan.SetLocalPort(m_local);
    lan.SetRemotePort(m_remote);
    lan.SetStandalone();
    ASSERT_TRUE(lan.Initialise()) << lan.GetErrorText();
    EXPECT_EQ(SendTenAndCount(lan, viewSync), 10) << Describe(kind);
    char buffer[RtLan::kBufferSize];
    EXPECT_EQ(lan.ReceiveRaw(buffer), 0);
  }
}

TEST_F(StandaloneStation, AReceiverOnThisHostGetsEveryDatagramWhenStartedAfterTheStation) {
  ASSERT_TRUE(m_lan.Initialise());
  for (const ReceiverKind& kind : kReceiverKinds) {
    LoopbackPeer viewSync(m_remote, kind.address, kind.sharing);
    ASSERT_TRUE(viewSync.IsBound()) << Describe(kind);
    EXPECT_EQ(SendTenAndCount(m_lan, viewSync), 10) << Describe(kind);
  }
}

TEST_F(StandaloneStation, TheTrafficLogIsKeptWhenTheOwnerNamesIt) {
  TempDir dir;
  {
    QMP0001_02_RtLan lan(nullptr);
    lan.SetLocalPort(m_local);
    lan.SetRemotePort(m_remote);
    lan.SetStandalone();
    lan.SetLogFileName(dir.File("lan.log").c_str());
    ASSERT_TRUE(lan.Initialise()) << lan.GetErrorText();
    EXPECT_TRUE(lan.IsLogEnabled());
    lan.LogText("The owner's own line");
  }
  std::string log = dir.Read("lan.log");
  EXPECT_NE(log.find("\tCreating Tx Datagram\n"), std::string::npos) << log;
  EXPECT_NE(log.find("\tQMP0001_02_RtLan::TranmitSetup -- Socket Info : "), std::string::npos);
  EXPECT_NE(log.find("\tThe owner's own line\n"), std::string::npos);
  EXPECT_NE(log.find("\tDeleting Tx Datagram\n"), std::string::npos);
  EXPECT_EQ(log.find("Rx Datagram"), std::string::npos);
}

TEST_F(StandaloneStation, ALogThatCannotBeOpenedDoesNotStopTheStation) {
  TempDir dir;
  m_lan.SetLogFileName(dir.File("no/such/folder/lan.log").c_str());
  ASSERT_TRUE(m_lan.Initialise());
  EXPECT_FALSE(m_lan.IsLogEnabled());
  LoopbackPeer viewSync(m_remote, LoopbackAddress(), PortSharing::kShared);
  EXPECT_EQ(SendTenAndCount(m_lan, viewSync), 10);
}

TEST_F(StandaloneStation, ATransmitPortThatCannotBeBoundFailsInitialise) {
  LoopbackPeer holder(m_local);
  ASSERT_TRUE(holder.IsBound());
  EXPECT_FALSE(m_lan.Initialise());
  EXPECT_FALSE(m_lan.IsInitialised());
  EXPECT_STREQ(m_lan.GetErrorText(),
               "QMP0001_02_RtLan::TranmitSetup\nCUDP::CreateSocket Binding Socket\n"
               "Error Creating Socket! Address already in use");
  EXPECT_EQ(m_lan.SendString(0, "x", LoopbackAddress()), 0);
}

TEST_F(StandaloneStation, TextSendersAddressComputersAndDottedTexts) {
  LoopbackPeer viewSync(m_remote, LoopbackAddress(), PortSharing::kShared);
  ASSERT_TRUE(m_lan.Initialise());
  EXPECT_EQ(m_lan.SendStringToIp(0, "dotted", "127.0.0.1"), 6);
  EXPECT_EQ(m_lan.SendStringToIp(0, "bad", "not an address"), 0);
  // Stand-alone, no computer has an address.
  EXPECT_EQ(m_lan.SendStringToComputer(0, "computer", 0), 0);
  EXPECT_EQ(m_lan.SendStringToComputer(0, "computer", 99), 0);
  std::string bytes;
  ASSERT_TRUE(viewSync.Receive(bytes));
  EXPECT_EQ(bytes, "dotted");
}

}  // namespace
