// What the operator does in the window before the station sends: the
// destination boxes and Connect, and what the window tells about them.

#include "BoxText.h"
#include "QMP0001_02_RtLan.h"
#include "SocketFake.h"
#include "StationFixture.h"

namespace {

class Operator : public StationTest {
 protected:
  void ExpectBoxes(int a, int b, int c, int d) {
    EXPECT_EQ(controls.shown.ipOctets[0], a);
    EXPECT_EQ(controls.shown.ipOctets[1], b);
    EXPECT_EQ(controls.shown.ipOctets[2], c);
    EXPECT_EQ(controls.shown.ipOctets[3], d);
  }
};

TEST(BoxText, ReadsIntegersAsTheExchangeDoesAndOctetsFromZeroToTwoFiftyFive) {
  int value = 0;
  EXPECT_TRUE(ParseBoxInteger(" -12 ", value));
  EXPECT_EQ(value, -12);
  EXPECT_TRUE(ParseBoxInteger("+7", value));
  EXPECT_EQ(value, 7);
  EXPECT_TRUE(ParseBoxInteger("2147483647", value));
  EXPECT_EQ(value, 2147483647);
  value = 5;
  for (const char* text : {"", "  ", "-", "1.5", "12a", "0x10", "2147483648", "1 2"}) {
    EXPECT_FALSE(ParseBoxInteger(text, value)) << '"' << text << '"';
    EXPECT_FALSE(ParseAddressOctet(text, value)) << '"' << text << '"';
  }
  EXPECT_EQ(value, 5);
  EXPECT_TRUE(ParseAddressOctet(" 0", value));
  EXPECT_EQ(value, 0);
  EXPECT_TRUE(ParseAddressOctet("255 ", value));
  EXPECT_EQ(value, 255);
  for (const char* text : {"256", "300", "-1"}) {
    EXPECT_FALSE(ParseAddressOctet(text, value)) << text;
  }
  EXPECT_EQ(value, 255);
}

TEST_F(Operator, StartUpShowsTheHostsAddressAndTheStartingFigures) {
  StartDialog();
  const std::uint32_t host = QMP0001_02_RtLan::FindOwnAddress();
  ASSERT_NE(host, 0u) << "this machine's name does not resolve";
  const auto* bytes = reinterpret_cast<const unsigned char*>(&host);
  ExpectBoxes(bytes[0], bytes[1], bytes[2], bytes[3]);
  EXPECT_STREQ(controls.shown.frameText, "0");
  EXPECT_STREQ(controls.shown.altitudeText, "  0.0");
  EXPECT_STREQ(controls.shown.datumText, "0.0");
  EXPECT_STREQ(controls.shown.airportText, "No Airport");
}

TEST_F(Operator, DatagramsGoToTheTypedAddressAndConnectLeavesTheBoxesAlone) {
  LoopbackPeer second(receiver.Port(), LoopbackAddress(2), PortSharing::kShared);
  ASSERT_TRUE(second.IsBound());
  StartDialog();
  controls.TypeAddress(127, 0, 0, 2);
  dialog->OnAddressChanged();
  typeLoopback = false;
  RunConnected([&](int step) {
    if (step == 6) pump.Post([this] { dialog->OnClose(); });
  });
  ExpectBoxes(127, 0, 0, 2);
  EXPECT_EQ(second.TakeWaiting().size(), 2u);  // steps 2 and 4
  EXPECT_TRUE(Received().empty()) << "datagrams reached 127.0.0.1";
  EXPECT_TRUE(controls.messageBoxes.empty());
}

TEST_F(Operator, ABoxOutsideZeroToTwoFiftyFiveRefusesConnectUntilCorrected) {
  StartDialog();
  controls.TypeAddress(127, 300, 0, 1);
  dialog->OnConnect();
  ASSERT_EQ(controls.messageBoxes.size(), 1u);
  EXPECT_EQ(controls.messageBoxes[0].caption, CTavrionDlg::kAddressFailureCaption);
  EXPECT_NE(controls.messageBoxes[0].text.find("second box"), std::string::npos)
      << controls.messageBoxes[0].text;
  EXPECT_NE(controls.messageBoxes[0].text.find("\"300\""), std::string::npos);

  controls.TypeAddress(127, 0, 0, 1);
  controls.TypeText(IDC_IP4, "1x");
  dialog->OnConnect();
  ASSERT_EQ(controls.messageBoxes.size(), 2u);
  EXPECT_NE(controls.messageBoxes[1].text.find("fourth box"), std::string::npos);
  EXPECT_NE(controls.messageBoxes[1].text.find("\"1x\""), std::string::npos);
  EXPECT_FALSE(dialog->GetStation().IsRunning());
  EXPECT_FALSE(dialog->GetStation().HasRtLan());
  EXPECT_EQ(dialog->GetStation().GetFrameCount(), -1);

  // Corrected, the next press sends to the address shown.
  controls.TypeAddress(127, 0, 0, 1);
  RunConnected([&](int step) {
    if (step == 4) pump.Post([this] { dialog->OnClose(); });
  });
  EXPECT_EQ(Received().size(), 1u);
  EXPECT_EQ(controls.messageBoxes.size(), 2u);
}

class OperatorWithoutHostAddress : public Operator {
 protected:
  OperatorWithoutHostAddress() { m_sockets.SetHost("nowhere", 0, false); }
  Platform::FakeSockets m_sockets;
  Platform::ScopedSockets m_installed{m_sockets};
};

TEST_F(OperatorWithoutHostAddress, BoxesStayZeroAndConnectIsDisabledOnceRefused) {
  StartDialog();
  ExpectBoxes(0, 0, 0, 0);
  typeLoopback = false;
  RunConnected([&](int step) {
    if (step == 3) pump.Post([this] { dialog->OnClose(); });
  });
  ExpectBoxes(0, 0, 0, 0);
  EXPECT_EQ(controls.messageBoxes.size(), 1u);
  EXPECT_FALSE(controls.IsEnabled(IDC_CONNECT));
}

}  // namespace
