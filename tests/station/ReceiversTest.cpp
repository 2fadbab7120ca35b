// Several Google Earth displays from one station: every receiver given beside
// the destination gets each datagram, with the same text and counter, in the
// same frame step; one that fails costs the others nothing and leaves a line
// in the LAN log, not one per datagram.

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "FakeSocketLan.h"
#include "StationRig.h"
#include "ViewSyncReceivers.h"

namespace {

ViewSyncReceiver On(const char* address, int port) {
  return ViewSyncReceiver{Platform::InetAddr(address), port};
}

class StationReceivers : public StationRig {
 protected:
  StationSettings Settings() override {
    StationSettings settings = StationRig::Settings();
    for (const ViewSyncReceiver& fed : extra) {
      settings.receivers[settings.receiverCount++] = fed;
    }
    settings.broadcast = broadcast;
    return settings;
  }

  // What each receiver got, frame step by frame step.
  struct Streams {
    std::vector<std::vector<std::string>> destination, second, third;
  };
  Streams RunFor(int closingStep) {
    Streams streams;
    RunConnected([&](int step) {
      streams.destination.push_back(Received());
      streams.second.push_back(second.TakeWaiting());
      streams.third.push_back(third.TakeWaiting());
      EndAt(step, closingStep);
    });
    return streams;
  }

  LoopbackPeer second{0, LoopbackAddress(2), PortSharing::kShared};
  LoopbackPeer third{0, LoopbackAddress(3), PortSharing::kShared};
  std::vector<ViewSyncReceiver> extra{On("127.0.0.2", second.Port()),
                                      On("127.0.0.3", third.Port())};
  bool broadcast = false;
};

TEST_F(StationReceivers, EachGetsTheDestinationsDatagramsInTheSameFrameStep) {
  Start();
  Sim().latitude = 51.4775;
  Sim().longitude = -0.461389;
  const Streams streams = RunFor(40);
  EXPECT_EQ(streams.second, streams.destination);
  EXPECT_EQ(streams.third, streams.destination);
  int expected = 1510;
  for (const std::vector<std::string>& step : streams.destination) {
    for (const std::string& payload : step) EXPECT_EQ(std::stoi(payload), expected++) << payload;
  }
  EXPECT_EQ(expected, 1510 + 19);
  const std::string log = TrafficLog();
  EXPECT_NE(log.find("\tReceiver 1 of 2: 127.0.0.2:" + std::to_string(second.Port()) + "\n"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("\tReceiver 2 of 2: 127.0.0.3:"), std::string::npos) << log;
}

TEST_F(StationReceivers, OneThatFailsCostsTheOthersNothingAndIsLoggedOnce) {
  // Without --broadcast the system refuses every send to a broadcast address.
  extra.insert(extra.begin(), On("127.255.255.255", second.Port()));
  Start();
  const Streams streams = RunFor(30);
  EXPECT_EQ(streams.second, streams.destination);
  EXPECT_EQ(streams.third, streams.destination);
  EXPECT_EQ(station->GetReceivers().GetFailedSends(0), 14);
  EXPECT_EQ(station->GetLinkStatus(),
            LinkUp);  // the destination's sends drive the lamp
  const std::string log = TrafficLog();
  EXPECT_EQ(CountOf(log, "\tReceiver 127.255.255.255:" + std::to_string(second.Port()) +
                             ": WSAEACCES::Permission denied\n"),
            1)
      << log;
}

TEST_F(StationReceivers, TheLampFollowsTheDestinationAlone) {
  Start();
  sendToLoopback = false;
  // Refused by the system: no --broadcast.
  ASSERT_TRUE(station->SetDestination(Ipv4Address("127.255.255.255")).ok);
  const Streams streams = RunFor(30);
  EXPECT_EQ(station->GetLinkStatus(), LinkDown);
  std::size_t sent = 0;
  for (const std::vector<std::string>& step : streams.second) sent += step.size();
  EXPECT_EQ(sent, 14u);
  EXPECT_EQ(streams.third, streams.second);
}

TEST_F(StationReceivers, WithBroadcastAllowedABroadcastAddressIsFedToo) {
  LoopbackPeer network(0, Ipv4Address("127.255.255.255"), PortSharing::kShared);
  ASSERT_TRUE(network.IsBound());
  extra = {On("127.255.255.255", network.Port())};
  broadcast = true;
  Start();
  RunConnected([&](int step) { EndAt(step, 5); });
  const std::vector<std::string> atDestination = Received();
  EXPECT_EQ(network.TakeWaiting(), atDestination);
  EXPECT_EQ(atDestination.size(), 2u);
}

// The receivers on their own, over the fake socket calls.
class ReceiverFailures : public FakeSocketLan {
 protected:
  void SetUp() override { StartLan(7000); }
  void SendTimes(int times) {
    for (int i = 0; i < times; ++i) receivers.Send(*m_lan, "1510,1,2,");
  }

  const ViewSyncReceiver list[3] = {On("127.0.0.11", 7001), On("127.0.0.12", 7001),
                                    On("127.0.0.12", 7002)};
  ViewSyncReceivers receivers{list, 3};
};

TEST_F(ReceiverFailures, AFailingReceiverLeavesTheLaterOnesTheirDatagrams) {
  m_fake.FailSendsTo(list[0].address, 7001, Platform::kWsaHostUnreachable);
  EXPECT_EQ(receivers.Send(*m_lan, "1510,1,2,"), 2);
  ASSERT_EQ(m_fake.Sent().size(), 2u);
  EXPECT_EQ(m_fake.Sent()[0].peer.address, list[1].address);
  EXPECT_EQ(Platform::NetworkToHost16(m_fake.Sent()[1].peer.port), 7002);
}

TEST_F(ReceiverFailures, EachFailureIsLoggedOncePerReceiverAndError) {
  std::FILE* echo = std::tmpfile();
  ASSERT_NE(echo, nullptr);
  receivers.EchoTo(echo);
  m_fake.FailSendsTo(list[0].address, 7001, Platform::kWsaHostUnreachable);
  m_fake.FailSendsTo(list[2].address, 7002, Platform::kWsaWouldBlock);
  SendTimes(90);
  m_fake.FailSendsTo(list[0].address, 7001, Platform::kWsaNetworkDown);  // another reason
  SendTimes(90);
  m_fake.FailSendsTo(list[0].address, 7001, Platform::kWsaNetworkUnreachable);  // no table text
  SendTimes(1);
  EXPECT_EQ(receivers.GetFailedSends(0), 181);
  EXPECT_EQ(receivers.GetFailedSends(1), 0);
  const std::string log = CloseAndReadLog();
  EXPECT_EQ(CountOf(log, "\tReceiver 127.0.0.11:7001: WSAEHOSTUNREACH::No route to the host\n"), 1)
      << log;
  EXPECT_EQ(CountOf(log, "\tReceiver 127.0.0.11:7001: WSAENETDOWN::Network is down\n"), 1) << log;
  EXPECT_EQ(CountOf(log, "\tReceiver 127.0.0.11:7001: Network is unreachable (10051)\n"), 1) << log;
  EXPECT_EQ(CountOf(log, "\tReceiver 127.0.0.12:7002: send buffer full, datagrams dropped\n"), 1)
      << log;
  EXPECT_EQ(CountOf(log, "127.0.0.12:7001"), 0) << log;
  // The same four lines on the echo stream, as a station without a window tells them.
  std::string echoed(512, '\0');
  std::rewind(echo);
  echoed.resize(std::fread(&echoed[0], 1, echoed.size(), echo));
  std::fclose(echo);
  EXPECT_EQ(CountOf(echoed, "tavrion: Receiver 127.0.0.1"), 4) << echoed;
}

TEST_F(ReceiverFailures, AfterASecondOfGoodSendsTheNextFailureIsLoggedAfresh) {
  m_fake.FailSendsTo(list[0].address, 7001, Platform::kWsaHostUnreachable);
  SendTimes(5);
  m_fake.FailSendsTo(list[0].address, 7001, 0);
  SendTimes(ViewSyncReceivers::kRecoverySends - 1);
  // A flicker inside that second is the same run of failures: not logged.
  m_fake.FailSendsTo(list[0].address, 7001, Platform::kWsaHostUnreachable);
  SendTimes(1);
  m_fake.FailSendsTo(list[0].address, 7001, 0);
  SendTimes(ViewSyncReceivers::kRecoverySends);
  m_fake.FailSendsTo(list[0].address, 7001, Platform::kWsaHostUnreachable);
  SendTimes(3);
  const std::string log = CloseAndReadLog();
  EXPECT_EQ(CountOf(log, "\tReceiver 127.0.0.11:7001: WSAEHOSTUNREACH::No route to the host\n"), 2)
      << log;
  EXPECT_EQ(CountOf(log, "\tReceiver 127.0.0.11:7001: datagrams leave again (6 failed so far)\n"),
            1)
      << log;
}

}  // namespace
