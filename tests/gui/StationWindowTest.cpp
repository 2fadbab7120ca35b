// The station program on a private display, driven with real X input against
// a real segment and a ViewSync receiver. These tests run in private network,
// mount and IPC views (tests/common/private-view.sh): the station binds ports
// 7000 and 7001 and attaches to "VisualInterface", and here both are the
// test's own. Outside such views they are skipped before touching either.

#include <gtest/gtest.h>
#include <locale.h>
#include <netdb.h>
#include <netinet/in.h>
#include <signal.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "PrivateView.h"
#include "SegmentResize.h"
#include "SharedSegment.h"
#include "StationHarness.h"
#include "TempDir.h"
#include "Tolerance.h"
#include "XSession.h"

using namespace std::chrono_literals;

namespace {

constexpr char kOffsets[] =
    ";\n"
    ";Airport ground level datum offsets for Google Earth \n"
    "\n"
    "KJFK|    5.0| New York Kennedy\n"
    "EGLL|   12.0| London Heathrow\n";

// The simulator's eye point for every test.
constexpr double kHeightAgl = 250.0;
constexpr double kAltitude = 300.0;
constexpr double kPitch = 2.0;
constexpr double kBank = 5.0;
constexpr double kHeading = 100.0;
constexpr double kLatitude = 51.4775;
constexpr double kLongitude = -0.461389;
constexpr double kEgllOffset = 12.0;

constexpr int kViewSyncPort = 7001;
// The window's client area in dialog units, and where the template's 0,0 lies
// in it (a margin on the left).
constexpr int kClientWidth = 241;
constexpr int kClientHeight = 219;
constexpr int kOriginX = 3;

// The first IPv4 address that the host's own name resolves to, in network
// order; 0 when it does not resolve.
std::uint32_t HostAddress() {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0) {
    return 0;
  }
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_DGRAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(name, nullptr, &hints, &found) != 0 || found == nullptr) {
    return 0;
  }
  const std::uint32_t address = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
  freeaddrinfo(found);
  return address;
}

// The one file in the folder whose name matches, whatever its letter case.
std::string ReadFileAnyCase(const std::filesystem::path& folder, const std::string& lowerName) {
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    std::string name = entry.path().filename().string();
    for (char& c : name) {
      c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    if (name == lowerName) {
      std::ifstream in(entry.path(), std::ios::binary);
      return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
  }
  return std::string();
}

class StationWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Prepare();
    if (IsSkipped() || HasFatalFailure()) {
      return;
    }
    m_folder.Write("Offsets.dat", kOffsets);
    ASSERT_TRUE(Launch());
    WaitForMainWindow();
  }

  // The display, the simulator's segment with its eye point and the
  // receiver; the station is not started yet. Nothing is made outside a
  // private view, where the segment and the port may be a live station's.
  void Prepare() {
    std::string noView;
    if (!InPrivateView(noView)) {
      GTEST_SKIP() << noView;
    }
    const std::uint32_t host = HostAddress();
    if (host != htonl(INADDR_LOOPBACK)) {
      GTEST_SKIP() << "the host name does not resolve to 127.0.0.1, where the station's "
                      "datagrams could be received";
    }
    m_x = std::make_unique<XSession>();
    if (m_x->NoServerProgram()) {
      GTEST_SKIP() << m_x->Error();
    }
    ASSERT_TRUE(m_x->IsUp()) << m_x->Error();
    m_segment.emplace("VisualInterface");
    m_receiver.emplace(kViewSyncPort);
    ASSERT_TRUE(m_segment->IsOpen());
    ASSERT_TRUE(m_receiver->IsOpen());
    VisualBlock& block = m_segment->Record().visualBlock;
    std::strcpy(block.airportIdent, "EGLL");
    block.timeValue = 7;
    block.heightAgl = kHeightAgl;
    block.altitude = kAltitude;
    block.pitch = kPitch;
    block.bank = kBank;
    block.heading = kHeading;
    block.latitude = kLatitude;
    block.longitude = kLongitude;
    block.viewSelect = kSimViewForward;
  }

  bool Launch(const std::string& locale = std::string()) {
    return m_station.Start({TAVRION_PROGRAM},
                           StationSetup(m_folder.Path().string(), m_x->DisplayName(), locale));
  }
  // As a start script does: from another folder, with a command line.
  bool LaunchWith(const std::vector<std::string>& arguments) {
    std::vector<std::string> command = {TAVRION_PROGRAM};
    command.insert(command.end(), arguments.begin(), arguments.end());
    return m_station.Start(command,
                           StationSetup(m_startFolder.Path().string(), m_x->DisplayName()));
  }
  // True when the station ended within the timeout; `status` gets its exit
  // status, or -1 when a signal ended it.
  bool WaitForExit(std::chrono::milliseconds timeout, int& status) {
    if (!m_station.WaitForExit(timeout)) {
      return false;
    }
    status = m_station.ExitStatus();
    return true;
  }

  void WaitForMainWindow() {
    m_window = m_x->WaitForWindow("TVR v3 ", 20s);
    ASSERT_NE(m_window, 0u) << "the station window did not come up";
    m_client = m_x->Geometry(m_window);
    ASSERT_GT(m_client.width, 0);
    m_x->Focus(m_window);
  }

  // Answers a message box of the station with Enter once it has come up.
  void AnswerMessageBox(const std::string& caption) {
    const XWindowId box = m_x->WaitForWindow(caption, 20s);
    ASSERT_NE(box, 0u) << "no message box " << caption;
    EXPECT_EQ(m_x->Title(box), caption);
    m_x->Focus(box);
    ASSERT_TRUE(m_x->Key("Return"));
    EXPECT_TRUE(m_x->WaitForNoWindow(caption, 5s));
  }

  // Root coordinates of a point of the template, in dialog units. The scale
  // is the window's own: its client area is 241 x 219 units.
  int X(double units) const {
    return m_client.x + static_cast<int>((units + kOriginX) * m_client.width / kClientWidth);
  }
  int Y(double units) const {
    return m_client.y + static_cast<int>(units * m_client.height / kClientHeight);
  }
  // Clicks the middle of a control given by its template rectangle.
  void ClickControl(double x, double y, double width, double height) {
    ASSERT_TRUE(m_x->Click(X(x + width / 2), Y(y + height / 2)));
  }
  void ClickConnect() { ClickControl(4, 20, 63, 18); }

  ViewSyncDatagram ConnectAndReceive() {
    ClickConnect();
    ViewSyncDatagram datagram;
    EXPECT_TRUE(m_receiver->Receive(datagram, 10s)) << "no datagram after Connect";
    return datagram;
  }

  // The colour in the middle of the link indication (control 1006).
  Rgb LinkColour() { return m_x->Pixel(X(70.0) + 9, Y(23.0) + 8); }
  // Polls the indication until it shows the colour (the window paints after
  // it maps, and the indication refreshes 5.5 times a second).
  bool WaitForLinkColour(int red, int green, int blue) {
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    for (;;) {
      const Rgb colour = LinkColour();
      if (colour.red == red && colour.green == green && colour.blue == blue) {
        return true;
      }
      if (std::chrono::steady_clock::now() >= deadline) {
        ADD_FAILURE() << "the link indication shows " << colour.red << "," << colour.green << ","
                      << colour.blue;
        return false;
      }
      std::this_thread::sleep_for(20ms);
    }
  }

  // The offsets file once it holds `text`, within 5 s.
  std::string WaitForSavedFile(const std::string& text) {
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    std::string saved = ReadFileAnyCase(m_folder.Path(), "offsets.dat");
    while (saved.find(text) == std::string::npos && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(20ms);
      saved = ReadFileAnyCase(m_folder.Path(), "offsets.dat");
    }
    return saved;
  }

  // The pixels along the start of the message line, below the template.
  std::vector<Rgb> MessageLinePixels() {
    std::vector<Rgb> pixels;
    for (int x = X(2); x < X(120); x += 2) {
      for (int y = Y(208); y < Y(215); ++y) {
        pixels.push_back(m_x->Pixel(x, y));
      }
    }
    return pixels;
  }

  // Polls the message line until it is (or is no longer) as `blank` shows it.
  bool WaitForMessageLine(const std::vector<Rgb>& blank, bool wantBlank,
                          std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
      const std::vector<Rgb> now = MessageLinePixels();
      bool same = now.size() == blank.size();
      for (std::size_t i = 0; same && i < now.size(); ++i) {
        same = now[i].red == blank[i].red && now[i].green == blank[i].green &&
               now[i].blue == blank[i].blue;
      }
      if (same == wantBlank) {
        return true;
      }
      if (std::chrono::steady_clock::now() >= deadline) {
        return false;
      }
      std::this_thread::sleep_for(50ms);
    }
  }

  void ExpectEndsCleanly() {
    int status = -1;
    ASSERT_TRUE(WaitForExit(TestProcess::kHangGuard, status)) << "the station did not end";
    EXPECT_EQ(status, 0);
    EXPECT_EQ(m_segment->UserCount(), 1) << "the station left its attachment counted";
  }

  std::unique_ptr<XSession> m_x;
  std::optional<SimulatorSegment> m_segment;
  std::optional<ViewSyncReceiver> m_receiver;
  TempDir m_folder;
  TempDir m_startFolder;
  TestProcess m_station;
  XWindowId m_window = 0;
  ScreenRect m_client;
};

TEST_F(StationWindowTest, ComesUpWithItsCaptionGreyLinkAndAttachedSegment) {
  const std::string title = m_x->Title(m_window);
  char pattern[64];
  unsigned long long address = 0;
  int size = 0;
  ASSERT_EQ(
      std::sscanf(title.c_str(), "TVR v3 $Revision: 1.2.0 %llX %d%63s", &address, &size, pattern),
      2)
      << title;
  EXPECT_NE(address, 0u);
  EXPECT_EQ(size, 15944);
  EXPECT_TRUE(WaitForLinkColour(0xA0, 0xA0, 0xA0)) << "not the template's grey";
  EXPECT_EQ(m_segment->UserCount(), 2);
  EXPECT_STREQ(m_segment->Record().visualBlock.airportIdent, "EGLL");
}

TEST_F(StationWindowTest, ConnectHasTheFirstFocus) {
  ASSERT_TRUE(m_x->Key("space"));
  ViewSyncDatagram datagram;
  EXPECT_TRUE(m_receiver->Receive(datagram, 10s)) << "space did not press Connect";
}

TEST_F(StationWindowTest, ConnectSendsTheForwardViewToTheHostAndTurnsTheLinkGreen) {
  const ViewSyncDatagram first = ConnectAndReceive();
  EXPECT_EQ(first.counter, 1510);
  EXPECT_DATAGRAM_VALUE_NEAR(first.latitude, kLatitude);
  EXPECT_DATAGRAM_VALUE_NEAR(first.longitude, kLongitude);
  EXPECT_DATAGRAM_VALUE_NEAR(first.altitude, kEgllOffset + kHeightAgl) << first.text;
  EXPECT_DATAGRAM_VALUE_NEAR(first.heading, kHeading);
  EXPECT_DATAGRAM_VALUE_NEAR(first.tilt, 90.0 + kPitch);
  EXPECT_DATAGRAM_VALUE_NEAR(first.roll, -kBank);
  EXPECT_EQ(first.timeStart, 0);
  EXPECT_EQ(first.timeEnd, 7);
  ViewSyncDatagram next;
  ASSERT_TRUE(m_receiver->Receive(next, 2s));
  EXPECT_EQ(next.counter, 1511);

  EXPECT_TRUE(WaitForLinkColour(0x00, 0xC0, 0x00)) << "the link indication did not turn green";
}

TEST_F(StationWindowTest, ViewBoxesChangeTheHeadingAndTiltOfTheNextDatagrams) {
  ConnectAndReceive();
  ClickControl(70, 131, 72, 10);  // "Left Window View"
  ViewSyncDatagram left;
  ASSERT_TRUE(m_receiver->ReceiveUntil(left, 5s, [](const ViewSyncDatagram& d) {
    return DatagramValueNear(d.heading, kHeading - 90.0);
  })) << "no datagram looked out of the left window";
  // Left window: the bank raises the view, the height above ground lowers it
  // by 0.02 degrees a metre.
  EXPECT_DATAGRAM_VALUE_NEAR(left.tilt, 90.0 + kBank - 0.02 * kHeightAgl) << left.text;
  EXPECT_DATAGRAM_VALUE_NEAR(left.roll, 0.0);

  ClickControl(147, 116, 39, 10);  // "Fwd R"
  ViewSyncDatagram right;
  ASSERT_TRUE(m_receiver->ReceiveUntil(right, 5s, [](const ViewSyncDatagram& d) {
    return DatagramValueNear(d.heading, kHeading + 20.0);
  }));
  EXPECT_DATAGRAM_VALUE_NEAR(right.tilt, 90.0 + kPitch - 0.02 * kHeightAgl) << right.text;
  EXPECT_DATAGRAM_VALUE_NEAR(right.roll, -kBank);
}

TEST_F(StationWindowTest, SpinArrowsMoveTheAltitudeHalfAMetrePerClick) {
  const ViewSyncDatagram before = ConnectAndReceive();
  ASSERT_NEAR(before.altitude, kEgllOffset + kHeightAgl, Tolerance::kDatagramText);
  for (int click = 0; click < 3; ++click) {
    ClickControl(95, 65, 9, 16);  // upper arrow
  }
  ViewSyncDatagram raised;
  EXPECT_TRUE(m_receiver->ReceiveUntil(raised, 5s, [](const ViewSyncDatagram& d) {
    return DatagramValueNear(d.altitude, kEgllOffset + 1.5 + kHeightAgl);
  })) << "three clicks on the upper arrow did not raise the altitude by 1.5 m";
  ClickControl(95, 81, 9, 16);  // lower arrow
  ViewSyncDatagram lowered;
  EXPECT_TRUE(m_receiver->ReceiveUntil(lowered, 5s, [](const ViewSyncDatagram& d) {
    return DatagramValueNear(d.altitude, kEgllOffset + 1.0 + kHeightAgl);
  })) << "one click on the lower arrow did not lower the altitude by 0.5 m";
}

TEST_F(StationWindowTest, SaveWritesTheTrimmedOffsetAndKeepsTheOldFile) {
  ConnectAndReceive();
  ClickControl(95, 65, 9, 16);
  ClickControl(95, 65, 9, 16);
  ViewSyncDatagram raised;
  ASSERT_TRUE(m_receiver->ReceiveUntil(raised, 5s, [](const ViewSyncDatagram& d) {
    return DatagramValueNear(d.altitude, kEgllOffset + 1.0 + kHeightAgl);
  }));
  ClickControl(157, 74, 63, 18);  // "Save"
  const auto deadline = std::chrono::steady_clock::now() + 5s;
  std::string saved = ReadFileAnyCase(m_folder.Path(), "offsets.dat");
  while (saved.find("EGLL|   13.0| London Heathrow\n") == std::string::npos &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(20ms);
    saved = ReadFileAnyCase(m_folder.Path(), "offsets.dat");
  }
  EXPECT_EQ(saved,
            ";\n"
            ";Airport ground level datum offsets for Google Earth \n"
            "\n"
            "KJFK|    5.0| New York Kennedy\n"
            "EGLL|   13.0| London Heathrow\n");
  EXPECT_EQ(ReadFileAnyCase(m_folder.Path(), "offsets_old.dat"), kOffsets);
}

TEST_F(StationWindowTest, SaveShowsItsConfirmationOnTheMessageLine) {
  const std::vector<Rgb> before = MessageLinePixels();
  ClickControl(157, 74, 63, 18);  // "Save"
  const auto deadline = std::chrono::steady_clock::now() + 5s;
  bool changed = false;
  while (!changed && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(50ms);
    const std::vector<Rgb> after = MessageLinePixels();
    for (std::size_t i = 0; i < after.size() && !changed; ++i) {
      changed = after[i].red != before[i].red || after[i].green != before[i].green ||
                after[i].blue != before[i].blue;
    }
  }
  EXPECT_TRUE(changed) << "Save showed nothing on the message line";
  EXPECT_NE(ReadFileAnyCase(m_folder.Path(), "offsets_old.dat"), "");
}

TEST_F(StationWindowTest, ATrimAtAnAirportNotInTheFileAddsOneLineAndLeavesTheOthers) {
  std::strcpy(m_segment->Record().visualBlock.airportIdent, "EDDF");
  ConnectAndReceive();
  ClickControl(95, 65, 9, 16);  // upper arrow, twice
  ClickControl(95, 65, 9, 16);
  ViewSyncDatagram raised;
  ASSERT_TRUE(m_receiver->ReceiveUntil(raised, 5s, [](const ViewSyncDatagram& d) {
    return DatagramValueNear(d.altitude, 1.0 + kHeightAgl);  // the empty table's 0 plus the trim
  }));
  ClickControl(157, 74, 63, 18);  // "Save"
  const std::string saved = WaitForSavedFile("EDDF|");
  EXPECT_EQ(saved, std::string(kOffsets) + "EDDF|    1.0| \n");
}

TEST_F(StationWindowTest, ATrimOfTheFilesFirstAirportIsSaved) {
  std::strcpy(m_segment->Record().visualBlock.airportIdent, "KJFK");
  ConnectAndReceive();
  ClickControl(95, 81, 9, 16);  // lower arrow
  ViewSyncDatagram lowered;
  ASSERT_TRUE(m_receiver->ReceiveUntil(lowered, 5s, [](const ViewSyncDatagram& d) {
    return DatagramValueNear(d.altitude, 4.5 + kHeightAgl);
  }));
  ClickControl(157, 74, 63, 18);  // "Save"
  const std::string saved = WaitForSavedFile("KJFK|    4.5|");
  EXPECT_EQ(saved,
            ";\n"
            ";Airport ground level datum offsets for Google Earth \n"
            "\n"
            "KJFK|    4.5| New York Kennedy\n"
            "EGLL|   12.0| London Heathrow\n");
}

TEST_F(StationWindowTest, MapSliderReleasedAtTheRightEndViewsFromOneHundredKilometres) {
  ConnectAndReceive();
  ClickControl(3, 131, 61, 10);  // "Map View"
  // Drags the thumb from its start at the left end well past the right end.
  const int y = Y(183 + 6.5);
  ASSERT_TRUE(m_x->Drag(X(2) + 9, y, X(2 + 218) + 40, y));
  ViewSyncDatagram map;
  EXPECT_TRUE(m_receiver->ReceiveUntil(map, 5s, [](const ViewSyncDatagram& d) {
    return DatagramValueNear(d.altitude, 100000.0);
  })) << "the map view did not go to 100,000 m";
  EXPECT_DATAGRAM_VALUE_NEAR(map.tilt, 0.0);
  EXPECT_DATAGRAM_VALUE_NEAR(map.roll, 0.0);
  EXPECT_DATAGRAM_VALUE_NEAR(map.heading, kHeading);
}

TEST_F(StationWindowTest, EscapeWhileSendingEndsTheProgram) {
  ConnectAndReceive();
  ASSERT_TRUE(m_x->Key("Escape"));
  ExpectEndsCleanly();
}

TEST_F(StationWindowTest, CloseBoxWhileSendingEndsTheProgram) {
  ConnectAndReceive();
  m_x->SendCloseRequest(m_window);
  ExpectEndsCleanly();
}

TEST_F(StationWindowTest, EnterInEachEditBoxLeavesTheStationUp) {
  // Before Connect the four address boxes and the port box take the focus.
  const double boxes[][4] = {
      {86, 22, 17, 13}, {107, 22, 17, 13}, {128, 22, 17, 13}, {149, 22, 17, 13}, {171, 22, 38, 13}};
  for (const auto& box : boxes) {
    ClickControl(box[0], box[1], box[2], box[3]);
    ASSERT_TRUE(m_x->Key("End"));
    ASSERT_TRUE(m_x->Key("Return"));
  }
  int status = 0;
  EXPECT_FALSE(WaitForExit(300ms, status)) << "Enter ended the station";
  const ViewSyncDatagram first = ConnectAndReceive();
  EXPECT_EQ(first.counter, 1510);
}

TEST_F(StationWindowTest, EnterOnACheckBoxOrTheSliderLeavesTheStationSending) {
  ConnectAndReceive();
  ClickControl(3, 146, 76, 10);  // "Slew eye positions"
  ASSERT_TRUE(m_x->Key("Return"));
  ClickControl(2, 183, 10, 13);  // the map slider, at its thumb
  ASSERT_TRUE(m_x->Key("Return"));
  ViewSyncDatagram after;
  EXPECT_TRUE(m_receiver->ReceiveFresh(after, 5s)) << "the station stopped sending after Enter";
  int status = 0;
  EXPECT_FALSE(WaitForExit(300ms, status)) << "Enter ended the station";
}

TEST_F(StationWindowTest, DatagramsGoToTheTypedAddressOnly) {
  ViewSyncReceiver typed(kViewSyncPort, "127.0.0.2");
  ASSERT_TRUE(typed.IsOpen());
  ClickControl(149, 22, 17, 13);  // fourth address box
  ASSERT_TRUE(m_x->Key("ctrl+a"));
  ASSERT_TRUE(m_x->Type("2"));
  ClickConnect();
  ViewSyncDatagram datagram;
  ASSERT_TRUE(typed.Receive(datagram, 10s)) << "nothing reached 127.0.0.2";
  EXPECT_EQ(datagram.counter, 1510);
  ASSERT_TRUE(typed.Receive(datagram, 2s));
  EXPECT_FALSE(m_receiver->Receive(datagram, 500ms)) << "a datagram reached 127.0.0.1";
}

TEST_F(StationWindowTest, AnAddressBoxAbove255RefusesConnectWithAMessage) {
  ClickControl(107, 22, 17, 13);  // second address box
  ASSERT_TRUE(m_x->Key("ctrl+a"));
  ASSERT_TRUE(m_x->Type("300"));
  ClickConnect();
  AnswerMessageBox("CTavrionDlg::OnConnect");
  ViewSyncDatagram datagram;
  EXPECT_FALSE(m_receiver->Receive(datagram, 500ms)) << "Connect sent to a silently other address";
  m_x->Focus(m_window);
  ClickControl(107, 22, 17, 13);
  ASSERT_TRUE(m_x->Key("ctrl+a"));
  ASSERT_TRUE(m_x->Type("0"));
  const ViewSyncDatagram first = ConnectAndReceive();
  EXPECT_EQ(first.counter, 1510);
}

TEST_F(StationWindowTest, TheTrimSpinIsReachedWithTabAndMovedWithTheArrowKeys) {
  ConnectAndReceive();
  ClickControl(147, 116, 39, 10);  // "Fwd R": the control before the spin buttons
  ASSERT_TRUE(m_x->Key("Tab"));
  ASSERT_TRUE(m_x->Key("Up"));
  ASSERT_TRUE(m_x->Key("Up"));
  ViewSyncDatagram raised;
  EXPECT_TRUE(m_receiver->ReceiveUntil(raised, 5s, [](const ViewSyncDatagram& d) {
    return DatagramValueNear(d.altitude, kEgllOffset + 1.0 + kHeightAgl);
  })) << "two Up keys did not raise the altitude by 1 m";
  ASSERT_TRUE(m_x->Key("Down"));
  ViewSyncDatagram lowered;
  EXPECT_TRUE(m_receiver->ReceiveUntil(lowered, 5s, [](const ViewSyncDatagram& d) {
    return DatagramValueNear(d.altitude, kEgllOffset + 0.5 + kHeightAgl);
  }));
}

TEST_F(StationWindowTest, CloseBoxBeforeConnectEndsTheProgram) {
  m_x->SendCloseRequest(m_window);
  ExpectEndsCleanly();
}

TEST_F(StationWindowTest, F1ShowsTheAboutBoxWhileTheDatagramsGoOn) {
  ConnectAndReceive();
  ASSERT_TRUE(m_x->Key("F1"));
  const XWindowId about = m_x->WaitForWindow("About Tavrion", 5s);
  ASSERT_NE(about, 0u);
  m_x->Focus(about);
  ASSERT_TRUE(m_x->Key("Return"));
  EXPECT_TRUE(m_x->WaitForNoWindow("About Tavrion", 5s));
  ViewSyncDatagram after;
  EXPECT_TRUE(m_receiver->ReceiveFresh(after, 5s));
}

TEST_F(StationWindowTest, RightClickOffersTheAboutBox) {
  ASSERT_TRUE(m_x->Click(X(230), Y(206), 3));
  // The menu opens at the pointer; its one item lies just below it.
  ASSERT_TRUE(m_x->Click(X(230) + 20, Y(206) + 12));
  const XWindowId about = m_x->WaitForWindow("About Tavrion", 5s);
  ASSERT_NE(about, 0u);
  m_x->Focus(about);
  ASSERT_TRUE(m_x->Key("Escape"));
  EXPECT_TRUE(m_x->WaitForNoWindow("About Tavrion", 5s));
}

TEST_F(StationWindowTest, AnEmptiedAddressBoxPromptsForAnInteger) {
  ClickControl(86, 22, 17, 13);  // first address box
  ASSERT_TRUE(m_x->Key("ctrl+a"));
  ASSERT_TRUE(m_x->Key("BackSpace"));
  const XWindowId prompt = m_x->WaitForWindow("Tavrion", 5s);
  ASSERT_NE(prompt, 0u);
  EXPECT_EQ(m_x->Title(prompt), "Tavrion");
  m_x->Focus(prompt);
  ASSERT_TRUE(m_x->Key("Return"));
  ASSERT_TRUE(m_x->WaitForNoWindow("Tavrion", 5s));
  m_x->Focus(m_window);
  // The box is filled again and the station goes on: Connect still works.
  ClickControl(86, 22, 17, 13);
  ASSERT_TRUE(m_x->Key("ctrl+a"));
  ASSERT_TRUE(m_x->Type("127"));
  ClickConnect();
  ViewSyncDatagram datagram;
  EXPECT_TRUE(m_receiver->Receive(datagram, 10s));
}

TEST_F(StationWindowTest, ASegmentRemovedAndMadeAnewIsFollowedWithoutAGapAndCountedOnce) {
  ViewSyncDatagram last = ConnectAndReceive();
  ASSERT_TRUE(Platform::RemoveSharedSegment("VisualInterface") == 0);
  SimulatorSegment remade("VisualInterface");
  ASSERT_TRUE(remade.IsOpen());
  remade.Record().visualBlock = m_segment->Record().visualBlock;
  remade.Record().visualBlock.latitude = 48.0;
  // Datagrams go on from the orphaned segment until the station's check,
  // then from the new one, with no counter skipped.
  ViewSyncDatagram next;
  bool followed = false;
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (!followed && std::chrono::steady_clock::now() < deadline &&
         m_receiver->Receive(next, 2s)) {
    EXPECT_EQ(next.counter, last.counter + 1) << next.text;
    followed = DatagramValueNear(next.latitude, 48.0);
    last = next;
  }
  EXPECT_TRUE(followed) << "the station did not follow the segment made anew";
  EXPECT_EQ(m_segment->UserCount(), 1) << "the station left its count in the old segment";
  EXPECT_EQ(remade.UserCount(), 2);
  m_x->SendCloseRequest(m_window);
  int status = -1;
  ASSERT_TRUE(WaitForExit(10s, status));
  EXPECT_EQ(status, 0);
  EXPECT_EQ(remade.UserCount(), 1);
}

TEST_F(StationWindowTest, ASegmentShrunkUnderTheStationTurnsTheLampOrangeAndIsTakenBackWhole) {
  ConnectAndReceive();
  EXPECT_TRUE(WaitForLinkColour(0x00, 0xC0, 0x00));
  ASSERT_TRUE(ResizeSharedSegment("VisualInterface", 0));
  EXPECT_TRUE(WaitForLinkColour(0xFF, 0x80, 0x00)) << "the lamp did not turn orange";
  ViewSyncDatagram datagram;
  m_receiver->ReceiveFresh(datagram, 0ms);  // what was sent before the lamp turned
  EXPECT_FALSE(m_receiver->Receive(datagram, 500ms)) << "sent without a record";

  // The simulator makes its record whole again.
  ASSERT_TRUE(ResizeSharedSegment("VisualInterface", kVisualInterfaceSize));
  VisualInterfaceRecord& record = m_segment->Record();
  std::memcpy(record.version, kVisualInterfaceVersion, sizeof kVisualInterfaceVersion);
  record.userCount = 1;
  record.visualBlock.latitude = 45.0;
  record.visualBlock.heightAgl = kHeightAgl;
  ASSERT_TRUE(m_receiver->ReceiveUntil(datagram, 10s, [](const ViewSyncDatagram& d) {
    return DatagramValueNear(d.latitude, 45.0);
  })) << "the station did not take the segment back";
  EXPECT_EQ(m_segment->UserCount(), 2);
  m_x->SendCloseRequest(m_window);
  ExpectEndsCleanly();
}

TEST_F(StationWindowTest, DataStandingStillIsToldOnTheMessageLineUntilItMovesAgain) {
  ConnectAndReceive();
  const std::vector<Rgb> blank = MessageLinePixels();
  // The record has not changed since start-up: after 5 s the line says so.
  EXPECT_TRUE(WaitForMessageLine(blank, false, 15s)) << "nothing told about the frozen data";
  ViewSyncDatagram datagram;
  EXPECT_TRUE(m_receiver->ReceiveFresh(datagram, 2s)) << "frozen data is still sent";
  m_segment->Record().visualBlock.longitude = kLongitude + 0.001;
  EXPECT_TRUE(WaitForMessageLine(blank, true, 5s)) << "the line did not clear";
}

class StationStopSignalTest : public StationWindowTest,
                              public ::testing::WithParamInterface<int> {};

TEST_P(StationStopSignalTest, EndsLikeTheCloseBoxWithStatusZeroAndItsCountRestored) {
  ConnectAndReceive();
  ASSERT_TRUE(m_station.Signal(GetParam()));
  int status = -1;
  ASSERT_TRUE(WaitForExit(10s, status)) << "the station did not end";
  EXPECT_EQ(status, 0);
  EXPECT_EQ(m_segment->UserCount(), 1);
}

INSTANTIATE_TEST_SUITE_P(Signals, StationStopSignalTest, ::testing::Values(SIGTERM, SIGINT, SIGHUP),
                         [](const ::testing::TestParamInfo<int>& signal) {
                           return std::string(sigabbrev_np(signal.param));
                         });

TEST_F(StationWindowTest, ASignalBeforeConnectEndsTheStationCleanly) {
  ASSERT_TRUE(m_station.Signal(SIGTERM));
  int status = -1;
  ASSERT_TRUE(WaitForExit(10s, status));
  EXPECT_EQ(status, 0);
  EXPECT_EQ(m_segment->UserCount(), 1);
}

TEST_F(StationWindowTest, ASecondSignalDuringTheCloseDownEndsTheStationAtOnce) {
  ConnectAndReceive();
  ASSERT_TRUE(m_station.Signal(SIGTERM));
  // Detached: the close-down now waits its two seconds before it ends.
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (m_segment->UserCount() != 1 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(5ms);
  }
  ASSERT_EQ(m_segment->UserCount(), 1);
  ASSERT_TRUE(m_station.Signal(SIGTERM));
  int status = 0;
  ASSERT_TRUE(WaitForExit(10s, status));
  EXPECT_EQ(status, -1) << "ended by the second signal, not by the close-down";
}

// Start-up cases: the station is started by the test itself.
class StationStartUpTest : public StationWindowTest {
 protected:
  void SetUp() override { Prepare(); }
};

TEST_F(StationStartUpTest, MissingOffsetsFileIsToldOnceAndTheWindowComesUp) {
  ASSERT_TRUE(Launch());
  AnswerMessageBox("InitialiseAirportDataBase");
  WaitForMainWindow();
  // No table: the datum offset stays 0 and the altitude is the height alone.
  const ViewSyncDatagram datagram = ConnectAndReceive();
  EXPECT_DATAGRAM_VALUE_NEAR(datagram.altitude, kHeightAgl) << datagram.text;
}

TEST_F(StationStartUpTest, ASignalWhileAStartUpMessageBoxIsUpClosesItAndEndsTheStation) {
  ASSERT_TRUE(Launch());  // no offsets file: a message box before the window
  const XWindowId box = m_x->WaitForWindow("InitialiseAirportDataBase", 20s);
  ASSERT_NE(box, 0u);
  ASSERT_TRUE(m_station.Signal(SIGINT));
  int status = -1;
  ASSERT_TRUE(WaitForExit(10s, status)) << "the message box held the station up";
  EXPECT_EQ(status, 0);
  EXPECT_EQ(m_segment->UserCount(), 1);
}

TEST_F(StationStartUpTest, SegmentOfAnotherLayoutIsToldAndNothingIsSent) {
  m_folder.Write("Offsets.dat", kOffsets);
  std::strcpy(m_segment->Record().version, "QMXXXY");
  ASSERT_TRUE(Launch());
  AnswerMessageBox("CTavrionDlg::InitialiseSharedMemory");
  const XWindowId window = m_x->WaitForWindow("Tavrion", 20s);
  ASSERT_NE(window, 0u) << "the window did not come up with its template caption";
  EXPECT_EQ(m_x->Title(window), "Tavrion");
  m_window = window;
  m_client = m_x->Geometry(window);
  m_x->Focus(window);
  ClickConnect();
  ViewSyncDatagram datagram;
  EXPECT_FALSE(m_receiver->Receive(datagram, 1s)) << "frames ran without a usable segment";
  EXPECT_EQ(m_segment->UserCount(), 1);
  m_x->SendCloseRequest(window);
  int status = -1;
  ASSERT_TRUE(WaitForExit(5s, status));
  EXPECT_EQ(status, 0);
}

// Started by a simulator room's start script: nobody at the keyboard.
TEST_F(StationStartUpTest, ConnectOptionSendsWithoutAClick) {
  m_folder.Write("Offsets.dat", kOffsets);
  ASSERT_TRUE(LaunchWith({"--directory", m_folder.Path().string(), "--connect"}));
  ViewSyncDatagram first;
  ASSERT_TRUE(m_receiver->Receive(first, 20s)) << "no datagram without a click";
  EXPECT_EQ(first.counter, 1510);
  EXPECT_EQ(first.sourcePort, 7000);
  WaitForMainWindow();
  EXPECT_TRUE(WaitForLinkColour(0x00, 0xC0, 0x00));
  ASSERT_TRUE(m_x->Key("Escape"));
  int status = -1;
  ASSERT_TRUE(WaitForExit(15s, status));
  EXPECT_EQ(status, 0);
  EXPECT_EQ(m_segment->UserCount(), 1);
}

TEST_F(StationStartUpTest, DestinationOptionSendsThereAndNotToTheHost) {
  ViewSyncReceiver elsewhere(kViewSyncPort, "127.0.0.2");
  ASSERT_TRUE(elsewhere.IsOpen());
  m_folder.Write("Offsets.dat", kOffsets);
  ASSERT_TRUE(LaunchWith({"-C", m_folder.Path().string(), "-d", "127.0.0.2", "-c"}));
  ViewSyncDatagram datagram;
  ASSERT_TRUE(elsewhere.Receive(datagram, 20s)) << "nothing reached 127.0.0.2";
  EXPECT_EQ(datagram.counter, 1510);
  EXPECT_FALSE(m_receiver->Receive(datagram, 500ms)) << "a datagram went to the host's address";
}

TEST_F(StationStartUpTest, PortSegmentAndFolderOptionsAreTheStationsOwn) {
  // The simulator of this test publishes under another name; the default
  // segment is left with no eye point and must stay unattached.
  SimulatorSegment other("TavrionWindowTest-2");
  ASSERT_TRUE(other.IsOpen());
  other.Record().visualBlock = m_segment->Record().visualBlock;
  m_folder.Write("Offsets.dat", kOffsets);
  ASSERT_TRUE(LaunchWith({"--port=7100", "--segment=TavrionWindowTest-2",
                          "--directory=" + m_folder.Path().string(), "--connect"}));
  ViewSyncDatagram first;
  ASSERT_TRUE(m_receiver->Receive(first, 20s));
  EXPECT_EQ(first.sourcePort, 7100);
  EXPECT_DATAGRAM_VALUE_NEAR(first.latitude, kLatitude) << first.text;
  EXPECT_DATAGRAM_VALUE_NEAR(first.altitude, kEgllOffset + kHeightAgl)
      << "offsets not read from -C";
  EXPECT_EQ(other.UserCount(), 2);
  EXPECT_EQ(m_segment->UserCount(), 1);

  WaitForMainWindow();
  ClickControl(157, 74, 63, 18);  // "Save"
  const auto deadline = std::chrono::steady_clock::now() + 5s;
  while (ReadFileAnyCase(m_folder.Path(), "offsets_old.dat").empty() &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(20ms);
  }
  EXPECT_EQ(ReadFileAnyCase(m_folder.Path(), "offsets_old.dat"), kOffsets);
  EXPECT_NE(ReadFileAnyCase(m_folder.Path(), "offsets.dat").find("EGLL|   12.0| London Heathrow"),
            std::string::npos);
  EXPECT_TRUE(std::filesystem::is_empty(m_startFolder.Path())) << "a file landed where it started";
  ASSERT_TRUE(m_x->Key("Escape"));
  int status = -1;
  ASSERT_TRUE(WaitForExit(15s, status));
  EXPECT_EQ(status, 0);
  EXPECT_EQ(other.UserCount(), 1);
}

TEST_F(StationStartUpTest, CommaDecimalDesktopStillSendsAndSavesDecimalPoints) {
  constexpr char kGerman[] = "de_DE.UTF-8";
  locale_t german = newlocale(LC_ALL_MASK, kGerman, static_cast<locale_t>(nullptr));
  if (german == static_cast<locale_t>(nullptr)) {
    GTEST_SKIP() << "no comma-decimal locale installed on this machine";
  }
  freelocale(german);
  m_folder.Write("Offsets.dat", kOffsets);
  ASSERT_TRUE(Launch(kGerman));  // the toolkit takes the desktop's locale
  WaitForMainWindow();
  const ViewSyncDatagram first = ConnectAndReceive();
  EXPECT_NE(first.text.find(",51.477500,-0.461389,262.000000,"), std::string::npos) << first.text;
  ClickControl(95, 65, 9, 16);  // upper arrow: 12.5
  ViewSyncDatagram raised;
  ASSERT_TRUE(m_receiver->ReceiveUntil(
      raised, 5s, [](const ViewSyncDatagram& d) { return DatagramValueNear(d.altitude, 262.5); }));
  ClickControl(157, 74, 63, 18);  // "Save"
  const auto deadline = std::chrono::steady_clock::now() + 5s;
  std::string saved;
  do {
    std::this_thread::sleep_for(20ms);
    saved = ReadFileAnyCase(m_folder.Path(), "offsets.dat");
  } while (saved.find("EGLL|   12.5| London Heathrow\n") == std::string::npos &&
           std::chrono::steady_clock::now() < deadline);
  EXPECT_NE(saved.find("EGLL|   12.5| London Heathrow\n"), std::string::npos) << saved;
}

}  // namespace
