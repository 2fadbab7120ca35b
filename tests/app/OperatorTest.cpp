// What the operator does in the window before and while the station sends:
// the destination boxes, Connect, the trims of the airport the simulator
// reports, and what the window tells about them.

#include <cstring>

#include "BoxText.h"
#include "QMP0001_02_RtLan.h"
#include "SocketFake.h"
#include "StationFixture.h"
#include "Tolerance.h"

namespace {

const char kSavedHeader[] = ";\n;Airport ground level datum offsets for Google Earth \n\n";

class Operator : public StationTest {
 protected:
  void SetAirport(const char* ident) {
    std::memset(Sim().airportIdent, 0, sizeof Sim().airportIdent);
    std::memcpy(Sim().airportIdent, ident, std::strlen(ident));
  }
  double Send() {
    dialog->GetStation().SendViewSync();
    return dialog->GetStation().GetCamera().altitude;
  }
  int Airports() {
    AirportManager table;
    return table.GetNumberOfAirports();
  }
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
  EXPECT_EQ(dialog->GetStation().GetDestinationAddress(), host);
  EXPECT_FALSE(std::string(dialog->GetStation().GetHostIpText()).empty());
  EXPECT_STREQ(controls.shown.frameText, "0");
  EXPECT_STREQ(controls.shown.altitudeText, "  0.0");
  EXPECT_STREQ(controls.shown.datumText, "0.0");
  EXPECT_STREQ(controls.shown.airportText, "No Airport");
  EXPECT_STREQ(controls.shown.messageText, "");
  EXPECT_TRUE(controls.messageBoxes.empty());
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

TEST_F(OperatorWithoutHostAddress, BoxesStayZeroAndConnectWithoutAnAddressIsRefused) {
  StartDialog();
  ExpectBoxes(0, 0, 0, 0);
  EXPECT_TRUE(controls.messageBoxes.empty()) << "told before the operator could type";
  typeLoopback = false;
  RunConnected([&](int step) {
    if (step == 3) pump.Post([this] { dialog->OnClose(); });
  });
  ASSERT_EQ(controls.messageBoxes.size(), 1u);
  EXPECT_EQ(controls.messageBoxes[0].caption, "CTavrionDlg::DisplayInitialIp");
  EXPECT_FALSE(controls.IsEnabled(IDC_CONNECT));
  EXPECT_TRUE(m_sockets.Sent().empty());
}

TEST_F(OperatorWithoutHostAddress, ATypedAddressIsEnough) {
  StartDialog();
  controls.TypeAddress(10, 1, 2, 3);
  dialog->OnAddressChanged();
  typeLoopback = false;
  RunConnected([&](int step) {
    if (step == 4) pump.Post([this] { dialog->OnClose(); });
  });
  EXPECT_TRUE(controls.messageBoxes.empty());
  ASSERT_EQ(m_sockets.Sent().size(), 1u);
  EXPECT_EQ(m_sockets.Sent()[0].peer.address, Platform::AddressFromOctets(10, 1, 2, 3));
}

TEST_F(Operator, ATrimAtAnAirportNotInTheTableGoesToANewRecordOfIt) {
  StartDialog();
  Sim().heightAgl = 100.0;
  Send();  // EGLL, 12.0
  SetAirport("EDDF");
  EXPECT_METRES_NEAR(Send(), 112.0);  // unknown: EGLL's offset stays in force
  EXPECT_EQ(dialog->GetStation().GetAirportIndex(), CTavrionDlg::kNoAirport);
  dialog->OnDatumSpin(-1);
  dialog->OnDatumSpin(-1);
  EXPECT_METRES_NEAR(Send(), 113.0);
  ASSERT_TRUE(dialog->OnSave());
  EXPECT_EQ(folder.Read("Offsets.dat"), std::string(kSavedHeader) +
                                            "ZZZZ|    0.0| Placeholder\n"
                                            "EGLL|   12.0| London Heathrow\n"
                                            "EGKK|   -3.5| London Gatwick\n"
                                            "LFPG|    5.0| Paris Charles de Gaulle\n"
                                            "EDDF|   13.0| \n");
  // Further trims move the same record; EGLL comes back with its own offset.
  dialog->OnDatumSpin(1);
  SetAirport("EGLL");
  EXPECT_METRES_NEAR(Send(), 112.0);
  SetAirport("EDDF");
  EXPECT_METRES_NEAR(Send(), 112.5);
  EXPECT_EQ(Airports(), 5);
}

TEST_F(Operator, TheFirstAirportOfTheFileIsTrimmedAndSaved) {
  StartDialog();
  SetAirport("ZZZZ");
  Send();
  EXPECT_EQ(dialog->GetStation().GetAirportIndex(), 0);
  dialog->OnDatumSpin(-1);
  ASSERT_TRUE(dialog->OnSave());
  EXPECT_NE(folder.Read("Offsets.dat").find("ZZZZ|    0.5| Placeholder\n"), std::string::npos);
}

TEST_F(Operator, AnAirportFoundAgainAfterAnUnknownOneTakesItsTrimsAgain) {
  StartDialog();
  Send();  // EGLL
  SetAirport("XXXX");
  Send();
  SetAirport("EGLL");
  Send();
  EXPECT_EQ(dialog->GetStation().GetAirportIndex(), 1);
  dialog->OnDatumSpin(-1);
  ASSERT_TRUE(dialog->OnSave());
  const std::string saved = folder.Read("Offsets.dat");
  EXPECT_NE(saved.find("EGLL|   12.5| London Heathrow\n"), std::string::npos) << saved;
  EXPECT_EQ(saved.find("XXXX"), std::string::npos) << saved;
}

TEST_F(Operator, ATrimBeforeAnyAirportIsReportedMovesTheCameraAlone) {
  StartDialog();
  dialog->OnDatumSpin(-1);
  EXPECT_METRES_NEAR(dialog->GetStation().GetDatumOffset(), 0.5);
  EXPECT_EQ(Airports(), 4);
  Sim().heightAgl = 100.0;
  EXPECT_METRES_NEAR(Send(), 112.0);  // the first send finds EGLL and its offset
}

}  // namespace
