// Package datagrams between two networked stations on loopback addresses of
// their own: the main computer (127.0.0.10) and the left PFD (127.0.0.13).

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <iterator>
#include <string>

#include "QMP0001_02_InitMessage.h"
#include "StationSupport.h"

using StationTest::ComputerAddress;
using StationTest::FirstResult;
using StationTest::IniSettings;
using StationTest::MakeStation;
using StationTest::Station;

namespace {

constexpr int kMain = 0;
constexpr int kPfdLeft = 3;
constexpr int kPfdPackage = 1;  // "Pfd left", 268 bytes, main -> PFD left
constexpr int kFmaPackage = 7;  // "FMA L", 340 bytes, main -> PFD left

// A package datagram as a peer would send it: identifier, counter, payload.
std::string Datagram(std::int32_t identifier, std::int32_t counter, std::size_t size,
                     char fill = 'p') {
  std::string bytes(size, fill);
  if (size >= 4) std::memcpy(&bytes[0], &identifier, 4);
  if (size >= 8) std::memcpy(&bytes[4], &counter, 4);
  return bytes;
}

// The line that follows `header` in the log, with its line break; empty when
// the header is not there.
std::string LineAfter(const std::string& log, const std::string& header) {
  std::size_t at = log.find(header);
  if (at == std::string::npos) return "";
  std::size_t begin = at + header.size();
  std::size_t end = log.find('\n', begin);
  return end == std::string::npos ? log.substr(begin) : log.substr(begin, end + 1 - begin);
}

class StationPair : public ::testing::Test {
 protected:
  void SetUp() override {
    m_local = FreeUdpPorts(2);
    ASSERT_NE(m_local, 0);
    m_remote = m_local + 1;
    IniSettings settings;
    settings.useLogFile = true;
    settings.rates["RT_LAN_PACKAGE_PFD_L"] = 5;
    settings.logFile = m_dir.File("main.log");
    m_mainIni = m_dir.Write("main.ini", StationTest::IniText(settings));
    settings.logFile = m_dir.File("pfd.log");
    m_pfdIni = m_dir.Write("pfd.ini", StationTest::IniText(settings));
    m_main = MakeStation(&m_mainData, m_mainIni, ComputerAddress(kMain), m_local, m_remote);
    m_pfd = MakeStation(&m_pfdData, m_pfdIni, ComputerAddress(kPfdLeft), m_local, m_remote);
    ASSERT_TRUE(m_main.initialised) << m_main.lan->GetErrorText();
    ASSERT_TRUE(m_pfd.initialised) << m_pfd.lan->GetErrorText();
  }

  QMP0001_02_RtLan& Main() { return *m_main.lan; }
  QMP0001_02_RtLan& Pfd() { return *m_pfd.lan; }

  // A raw datagram into the PFD station's receive port, from a third address.
  void Inject(const std::string& bytes) {
    LoopbackPeer peer(0, LoopbackAddress(99));
    ASSERT_TRUE(peer.SendTo(m_remote, bytes, ComputerAddress(kPfdLeft)));
  }

  int ReceiveOnPfd(int package, int frame = 300) {
    return FirstResult([&] { return Pfd().ReceivePackage(frame, package, true); });
  }

  std::string CloseAndRead(Station& station, const char* log) {
    station.lan.reset();
    return m_dir.Read(log);
  }

  TempDir m_dir;
  int m_local = 0;
  int m_remote = 0;
  std::string m_mainIni;
  std::string m_pfdIni;
  RtLan::SimulatorData m_mainData{};
  RtLan::SimulatorData m_pfdData{};
  Station m_main;
  Station m_pfd;
};

TEST_F(StationPair, StationsFindThemselvesAmongTheComputers) {
  EXPECT_EQ(Main().GetDeviceIndex(), kMain);
  EXPECT_EQ(Pfd().GetDeviceIndex(), kPfdLeft);
  EXPECT_STREQ(Pfd().GetDeviceName(), "PFD Left     ");
  EXPECT_STREQ(Pfd().GetStationName(), "QM_P_0001_02_PFD_L_DISPLAY 127.0.0.13");
  EXPECT_STREQ(Pfd().GetIpText(), "127.0.0.13");
  // Each station leaves its identity on the message board.
  const RtLan::BoardSlot& slot = m_pfdData.board[20];
  EXPECT_EQ(slot.messageCounter, 1);
  EXPECT_STREQ(slot.name, "RT_LAN");
  EXPECT_STREQ(slot.text, "Device : PFD Left      IP  : 127.0.0.13");
  EXPECT_EQ(slot.flag, 1);
  // Identifier words are preset in the data area.
  EXPECT_EQ(m_mainData.blocks[RtLan::kBlockFmaLeft].header.identifier, kFmaPackage);
}

TEST_F(StationPair, APackageCarriesItsIdentifierAndCounterToItsDestination) {
  std::memset(m_mainData.blocks[RtLan::kBlockPfdLeft].payload, 'M', 268 - 8);
  EXPECT_EQ(Main().SendPackage(300, kPfdPackage, true), 268);
  EXPECT_EQ(Main().GetSentCount(kPfdPackage), 1);
  EXPECT_EQ(m_mainData.blocks[RtLan::kBlockPfdLeft].header.counter, 1);

  EXPECT_EQ(ReceiveOnPfd(kPfdPackage), 268);
  const RtLan::PackageBlock& block = m_pfdData.blocks[RtLan::kBlockPfdLeft];
  EXPECT_EQ(block.header.identifier, kPfdPackage);
  EXPECT_EQ(block.header.counter, 1);
  EXPECT_EQ(block.payload[0], 'M');
  EXPECT_EQ(block.payload[268 - 9], 'M');
  EXPECT_EQ(block.payload[268 - 8], 0);  // nothing past the package's size
  EXPECT_EQ(Pfd().GetReceivedCount(kPfdPackage), 1);
  EXPECT_EQ(Pfd().GetLastCounter(kPfdPackage), 1);
  EXPECT_EQ(Pfd().GetGapCount(kPfdPackage), 0);

  // A jump in the counter counts as a gap.
  m_mainData.blocks[RtLan::kBlockPfdLeft].header.counter = 5;
  EXPECT_EQ(Main().SendPackage(301, kPfdPackage, true), 268);
  EXPECT_EQ(ReceiveOnPfd(kPfdPackage), 268);
  EXPECT_EQ(Pfd().GetLastCounter(kPfdPackage), 6);
  EXPECT_EQ(Pfd().GetGapCount(kPfdPackage), 1);
  EXPECT_EQ(Pfd().GetReceivedCount(kPfdPackage), 2);
}

TEST_F(StationPair, ACounterThatGoesBackIsARestartOfTheSenderNotAGap) {
  // Counters come from the network: any int, in any order.
  const std::int32_t counters[] = {1, 2, 5, 1000, 7, 8, INT32_MAX, INT32_MIN, INT32_MIN + 1};
  const int gaps[] = {0, 0, 1, 2, 2, 2, 3, 3, 3};
  for (std::size_t i = 0; i < std::size(counters); ++i) {
    Inject(Datagram(kPfdPackage, counters[i], 268));
    ASSERT_EQ(ReceiveOnPfd(kPfdPackage), 268) << counters[i];
    EXPECT_EQ(Pfd().GetLastCounter(kPfdPackage), counters[i]);
    EXPECT_EQ(Pfd().GetGapCount(kPfdPackage), gaps[i]) << "after " << counters[i];
  }
  // Back by more than half the range of an int.
  Inject(Datagram(kFmaPackage, 1000, 340));
  ASSERT_EQ(ReceiveOnPfd(kFmaPackage), 340);
  Inject(Datagram(kFmaPackage, -2147483000, 340));
  ASSERT_EQ(ReceiveOnPfd(kFmaPackage), 340);
  EXPECT_EQ(Pfd().GetGapCount(kFmaPackage), 1);  // the first datagram's jump from 0 only
}

TEST_F(StationPair, TheSendersCounterGoesOnFromTheLargestIntToTheSmallest) {
  m_mainData.blocks[RtLan::kBlockPfdLeft].header.counter = INT32_MAX;
  EXPECT_EQ(Main().SendPackage(300, kPfdPackage, true), 268);
  EXPECT_EQ(m_mainData.blocks[RtLan::kBlockPfdLeft].header.counter, INT32_MIN);
  EXPECT_EQ(ReceiveOnPfd(kPfdPackage), 268);
  EXPECT_EQ(Pfd().GetLastCounter(kPfdPackage), INT32_MIN);
  EXPECT_EQ(Pfd().GetGapCount(kPfdPackage), 0);
}

TEST_F(StationPair, ADatagramOfAnotherPackageIsDroppedAndTheNextOneTaken) {
  Inject(Datagram(5, 1, 244));
  Inject(Datagram(4, 1, 488));
  // Nothing is waiting for package 1 of the wrong kind: the 5 goes first.
  EXPECT_EQ(FirstResult([&] { return Pfd().ReceivePackage(300, 4, true); }), -1);
  EXPECT_EQ(ReceiveOnPfd(4), 488);
  EXPECT_EQ(Pfd().GetReceivedCount(4), 1);
  EXPECT_EQ(Pfd().GetReceivedCount(5), 0);
}

TEST_F(StationPair, ReceivePackageRefusesWithoutReadingWhenItCannotAccept) {
  Inject(Datagram(kPfdPackage, 1, 268));
  EXPECT_EQ(Pfd().ReceivePackage(300, 26, true), 0);
  EXPECT_EQ(Pfd().ReceivePackage(300, -1, true), 0);
  EXPECT_EQ(Pfd().ReceivePackage(300, kPfdPackage, false), 0);
  // The datagram is still there for a call that can take it.
  EXPECT_EQ(ReceiveOnPfd(kPfdPackage), 268);
}

TEST_F(StationPair, AnOversizedDatagramFillsOnlyItsPackagesBlock) {
  Inject(Datagram(kPfdPackage, 3, 5000, 'X'));
  EXPECT_EQ(ReceiveOnPfd(kPfdPackage), 5000);
  const RtLan::PackageBlock& block = m_pfdData.blocks[RtLan::kBlockPfdLeft];
  EXPECT_EQ(block.header.counter, 3);
  EXPECT_EQ(block.payload[268 - 9], 'X');
  for (int i = 268 - 8; i < RtLan::kBlockSize - 8; ++i) ASSERT_EQ(block.payload[i], 0) << i;
  EXPECT_EQ(m_pfdData.blocks[RtLan::kBlockNdLeft].header.identifier, 2);  // next block intact
  EXPECT_EQ(m_pfdData.blocks[RtLan::kBlockNdLeft].payload[0], 0);
}

TEST_F(StationPair, ADatagramShorterThanItsHeaderIsDropped) {
  Inject(std::string("\x01\x00\x00\x00\x09", 5));
  EXPECT_EQ(FirstResult([&] { return Pfd().ReceivePackage(300, kPfdPackage, true); }), -1);
  EXPECT_EQ(m_pfdData.blocks[RtLan::kBlockPfdLeft].header.counter, 0);
  EXPECT_EQ(Pfd().GetReceivedCount(kPfdPackage), 0);

  // A bare header is a whole datagram: it replaces the header alone.
  m_pfdData.blocks[RtLan::kBlockPfdLeft].payload[0] = 'k';
  Inject(Datagram(kPfdPackage, 9, 8));
  EXPECT_EQ(ReceiveOnPfd(kPfdPackage), 8);
  EXPECT_EQ(m_pfdData.blocks[RtLan::kBlockPfdLeft].header.counter, 9);
  EXPECT_EQ(m_pfdData.blocks[RtLan::kBlockPfdLeft].payload[0], 'k');
}

TEST_F(StationPair, ReceiveDueTakesOnlyPackagesAddressedToThisStation) {
  Pfd().SetReceiveEnabled(true);
  Inject(Datagram(0, 1, 16));             // the invalid package
  Inject(Datagram(2, 1, 488));            // ND left: for another computer
  Inject(Datagram(26, 1, 16));            // no such package
  Inject(Datagram(kFmaPackage, 4, 340));  // for this station
  EXPECT_EQ(FirstResult([&] { return Pfd().ReceiveDue(300); }), -1);
  EXPECT_EQ(FirstResult([&] { return Pfd().ReceiveDue(300); }), -1);
  EXPECT_EQ(FirstResult([&] { return Pfd().ReceiveDue(300); }), -1);
  EXPECT_EQ(FirstResult([&] { return Pfd().ReceiveDue(300); }), 340);
  EXPECT_EQ(Pfd().GetLastCounter(kFmaPackage), 4);
  EXPECT_EQ(Pfd().GetReceivedCount(kFmaPackage), 0);  // ReceiveDue does not count
  EXPECT_EQ(Pfd().ReceiveDue(300, false), 0);
}

TEST_F(StationPair, ReceiveDueRejectsPackageZeroEvenAtItsDestination) {
  // Package 0 runs from the main computer to itself.
  Main().SetReceiveEnabled(true);
  LoopbackPeer peer(0, LoopbackAddress(99));
  ASSERT_TRUE(peer.SendTo(m_remote, Datagram(0, 1, 16), ComputerAddress(kMain)));
  EXPECT_EQ(FirstResult([&] { return Main().ReceiveDue(300); }), -1);
}

TEST_F(StationPair, ReceiveAnyTakesEveryPackageWithABlock) {
  Inject(Datagram(2, 7, 488));
  Inject(Datagram(0, 1, 16));
  Inject(Datagram(-3, 1, 16));
  EXPECT_EQ(FirstResult([&] { return Pfd().ReceiveAny(300, true); }), 488);
  EXPECT_EQ(m_pfdData.blocks[RtLan::kBlockNdLeft].header.counter, 7);
  EXPECT_EQ(FirstResult([&] { return Pfd().ReceiveAny(300); }), -1);
  EXPECT_EQ(FirstResult([&] { return Pfd().ReceiveAny(300); }), -1);
}

TEST_F(StationPair, ReceiveRawHandsOverAnyDatagram) {
  Inject("raw text");
  char buffer[RtLan::kBufferSize];
  EXPECT_EQ(FirstResult([&] { return Pfd().ReceiveRaw(buffer); }), 8);
  EXPECT_EQ(std::string(buffer, 8), "raw text");
  EXPECT_EQ(Pfd().ReceiveRaw(buffer), 0);
}

TEST_F(StationPair, SendPackageChecksItsIndexAndAdvancesTheRowEvenWhenDisabled) {
  EXPECT_EQ(Main().SendPackage(300, 26, true), -1);
  int due = Main().GetPackageRow(3)->nextDueFrame;
  int period = Main().GetPackageRow(3)->period;
  EXPECT_EQ(Main().SendPackage(300, 3, false), 0);
  EXPECT_EQ(Main().GetPackageRow(3)->nextDueFrame, due + period);
  EXPECT_EQ(Main().GetSentCount(3), 0);
  EXPECT_EQ(m_mainData.blocks[RtLan::kBlockPfdRight].header.counter, 0);
}

TEST_F(StationPair, TheScheduleStaggersTheFirstFramesAndKeepsEachRowsRate) {
  // 20 Hz station; the left PFD package asks 5 Hz, the others the default 10 Hz.
  EXPECT_EQ(Main().GetPackageRow(0)->nextDueFrame, 302);
  EXPECT_EQ(Main().GetPackageRow(2)->nextDueFrame, 304);  // the station's third row
  EXPECT_EQ(Main().GetPackageRow(kPfdPackage)->period, 4);
  EXPECT_EQ(Main().GetPackageRow(2)->period, 2);
  // Rows of other computers are not on this station's schedule.
  EXPECT_EQ(Main().GetPackageRow(12)->nextDueFrame, 0);

  Main().SetTransmitEnabled(true);
  for (int frame = 300; frame < 320; ++frame) Main().TransmitDue(frame);
  EXPECT_EQ(Main().GetSentCount(kPfdPackage), 5);  // frames 303, 307, 311, 315, 319
  EXPECT_EQ(Main().GetSentCount(2), 8);            // frames 304, 306, ..., 318
  EXPECT_EQ(Main().GetSentCount(0), 0);            // the invalid package is never sent
  EXPECT_EQ(Main().GetSentCount(12), 0);

  // A rate of 0 counts as 10 Hz: every second frame, first due at frame 52.
  Main().SetPackageRate(kPfdPackage, 0);
  EXPECT_EQ(Main().GetPackageRow(kPfdPackage)->rate, 10);
  EXPECT_EQ(Main().GetPackageRow(kPfdPackage)->period, 2);
  EXPECT_EQ(Main().GetPackageRow(kPfdPackage)->nextDueFrame, 52);

  Main().SetFrequency(40);
  EXPECT_EQ(Main().GetPackageRow(2)->period, 4);
  EXPECT_EQ(Main().GetPackageRow(2)->nextDueFrame, 304);
}

TEST_F(StationPair, DisabledTransmissionStaysOnItsCadence) {
  EXPECT_EQ(Main().TransmitDue(302, false), 0);
  EXPECT_EQ(Main().GetPackageRow(0)->nextDueFrame, 304);
  EXPECT_EQ(Main().GetSentCount(kPfdPackage), 0);
  Main().TransmitDue(303, true);
  EXPECT_EQ(Main().GetSentCount(kPfdPackage), 1);
}

TEST_F(StationPair, TransmittedPackagesArriveWithRisingCounters) {
  Main().SetTransmitEnabled(true);
  for (int frame = 300; frame < 312; ++frame) Main().TransmitDue(frame);
  Pfd().SetReceiveEnabled(true);
  // Packages 1 (frames 303, 307, 311) and 7 (309, 311) went to the left PFD.
  int accepted = 0;
  for (int i = 0; i < 5; ++i) {
    if (FirstResult([&] { return Pfd().ReceiveDue(400 + i); }) > 0) ++accepted;
  }
  EXPECT_EQ(accepted, 5);
  EXPECT_EQ(Pfd().ReceiveDue(405), 0);
  EXPECT_EQ(Pfd().GetLastCounter(kPfdPackage), 3);
  EXPECT_EQ(Pfd().GetGapCount(kPfdPackage), 0);
}

TEST_F(StationPair, BothLogsShowTheTraffic) {
  EXPECT_EQ(Main().SendPackage(300, kPfdPackage, true), 268);
  EXPECT_EQ(ReceiveOnPfd(kPfdPackage, 301), 268);
  std::string mainLog = CloseAndRead(m_main, "main.log");
  std::string pfdLog = CloseAndRead(m_pfd, "pfd.log");

  // The time stamps differ from run to run; everything else is fixed.
  std::string sentLine = LineAfter(
      mainLog,
      "             Time                    | Bytes|      Packet     |    Count   |     Frame  | "
      "From/To\n");
  const std::string sentTail =
      "  |-----|  268 |        Pfd left |          1 |        300 | 127.0.0.13\n";
  ASSERT_EQ(sentLine.size(), 3u + 25u + sentTail.size()) << mainLog;
  EXPECT_EQ(sentLine.substr(0, 3), "<= ");
  EXPECT_EQ(sentLine.substr(28), sentTail);

  std::string receivedLine = LineAfter(
      pfdLog,
      "             Time            | ms   | Bytes|      Packet     |    Count   |     Frame  | "
      "From/To \n");
  const std::string receivedTail =
      "|  268 |        Pfd left |          1 |        301 | 127.0.0.10\n";
  ASSERT_EQ(receivedLine.size(), 3u + 25u + 2u + 6u + receivedTail.size()) << pfdLog;
  EXPECT_EQ(receivedLine.substr(0, 3), "=> ");
  EXPECT_EQ(receivedLine.substr(28, 2), " |");
  EXPECT_EQ(receivedLine.substr(36), receivedTail);

  EXPECT_NE(mainLog.find("\tCreating Tx Datagram\n"), std::string::npos);
  EXPECT_NE(mainLog.find("\tQMP0001_02_RtLan::ReceiveSetup -- Socket Info : "), std::string::npos);
  EXPECT_NE(mainLog.find("\tMy IP is 127.0.0.10\n"), std::string::npos);
  EXPECT_NE(mainLog.find("\tDeleting Rx Datagram\n"), std::string::npos);
}

TEST_F(StationPair, AFailedSendIsLoggedWithItsDestination) {
  StationTest::HostSockets failing(0);
  failing.failSendError = 10065;
  {
    Platform::ScopedSockets installed(failing);
    EXPECT_EQ(Main().SendPackage(300, kPfdPackage, true), -1);
    EXPECT_EQ(Main().SendString(0, "text", ComputerAddress(kPfdLeft)), -1);
  }
  EXPECT_EQ(Main().GetSentCount(kPfdPackage), 0);
  EXPECT_STREQ(Main().GetTransmitError(), "WSAEHOSTUNREACH::No route to the host");
  std::string log = CloseAndRead(m_main, "main.log");
  EXPECT_NE(log.find("\t127.0.0.13:" + std::to_string(m_remote) +
                     ": WSAEHOSTUNREACH::No route to the host\n"),
            std::string::npos)
      << log;
}

TEST_F(StationPair, PackagesCanBeSentToAnyAddress) {
  LoopbackPeer peer(m_remote, LoopbackAddress(98));
  ASSERT_EQ(Main().SendPackageToIp(kFmaPackage, "127.0.0.98"), 340);
  EXPECT_EQ(Main().GetSentCount(kFmaPackage), 1);
  std::string bytes;
  ASSERT_TRUE(peer.Receive(bytes));
  EXPECT_EQ(
      bytes,
      std::string(reinterpret_cast<const char*>(&m_mainData.blocks[RtLan::kBlockFmaLeft]), 340));

  ASSERT_EQ(Main().SendPackageToAddress(kFmaPackage, LoopbackAddress(98)), 340);
  EXPECT_EQ(m_mainData.blocks[RtLan::kBlockFmaLeft].header.counter, 1);
  EXPECT_EQ(Main().GetSentCount(kFmaPackage), 1);
  ASSERT_TRUE(peer.Receive(bytes));
  EXPECT_EQ(Main().SendPackageToAddress(26, LoopbackAddress(98)), -1);
  EXPECT_EQ(Main().SendPackageToIp(0, "127.0.0.98"), 0);  // the invalid package has no block
}

TEST_F(StationPair, PackagesTravelOnTheirOwnChannels) {
  int base = FreeUdpPorts(RtLan::kPackageCount + 1);
  ASSERT_NE(base, 0);
  RtLan::SimulatorData mainData{};
  RtLan::SimulatorData pfdData{};
  Station main = MakeStation(&mainData, m_mainIni, ComputerAddress(kMain), base, base + 1);
  Station pfd = MakeStation(&pfdData, m_pfdIni, ComputerAddress(kPfdLeft), base, base + 1);
  ASSERT_TRUE(main.initialised && pfd.initialised);
  ASSERT_TRUE(main.lan->PackageChannelSetup()) << main.lan->GetErrorText();
  ASSERT_TRUE(pfd.lan->PackageChannelSetup()) << pfd.lan->GetErrorText();

  main.lan->TransmitDueMulti(303, true);  // package 1 only
  EXPECT_EQ(main.lan->GetSentCount(kPfdPackage), 1);
  EXPECT_EQ(FirstResult([&] { return pfd.lan->ReceiveMulti(303, true); }), 1);
  EXPECT_EQ(pfd.lan->GetMultiResult(kPfdPackage), 268);
  EXPECT_EQ(pfd.lan->GetMultiResult(2), 0);
  EXPECT_EQ(pfdData.blocks[RtLan::kBlockPfdLeft].header.counter, 1);
  // Nothing arrived on the shared receive channel.
  EXPECT_EQ(pfd.lan->ReceivePackage(303, kPfdPackage, true), 0);
}

TEST(NetworkedStation, WithoutADataAreaNothingIsSentOrCopied) {
  TempDir dir;
  int local = FreeUdpPorts(2);
  ASSERT_NE(local, 0);
  std::string ini = dir.Write("lan.ini", StationTest::IniText(IniSettings{}));
  Station main = MakeStation(nullptr, ini, ComputerAddress(kMain), local, local + 1);
  ASSERT_TRUE(main.initialised) << main.lan->GetErrorText();
  EXPECT_EQ(main.lan->GetPackageRow(kPfdPackage)->data, nullptr);
  EXPECT_EQ(main.lan->SendPackage(300, kPfdPackage, true), 0);
  EXPECT_EQ(main.lan->TransmitDue(303, true), 0);
  LoopbackPeer peer(0, LoopbackAddress(99));
  ASSERT_TRUE(peer.SendTo(local + 1, Datagram(kPfdPackage, 1, 268), ComputerAddress(kMain)));
  EXPECT_EQ(FirstResult([&] { return main.lan->ReceiveAny(300, true); }), -1);
}

}  // namespace
