// The station's configuration: ini file, identity, aircraft tables, rates,
// package lists and the failures Initialise reports.

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "QMP0001_02_InitMessage.h"
#include "StationSupport.h"

using StationTest::ComputerAddress;
using StationTest::ComputerText;
using StationTest::IniSettings;
using StationTest::MakeStation;
using StationTest::Station;

namespace {

constexpr int kMain = 0;
constexpr int kPfdLeft = 3;

class StationConfig : public ::testing::Test {
 protected:
  void SetUp() override {
    m_local = FreeUdpPorts(2);
    ASSERT_NE(m_local, 0);
  }

  Station Make(const IniSettings& settings, int computer = kPfdLeft, bool lists = true) {
    std::string ini = m_dir.Write("lan.ini", StationTest::IniText(settings));
    return MakeStation(&m_data, ini, ComputerAddress(computer), m_local, m_local + 1, lists);
  }

  // A station that reads the ini file and nothing else.
  QMP0001_02_RtLan& ReadOnly(const IniSettings& settings, bool lists = false) {
    std::string ini = m_dir.Write("lan.ini", StationTest::IniText(settings));
    m_reader.SetIniFileName(ini.c_str());
    m_readResult = m_reader.ReadIniFile(lists);
    return m_reader;
  }

  TempDir m_dir;
  int m_local = 0;
  RtLan::SimulatorData m_data{};
  QMP0001_02_RtLan m_reader{nullptr};
  bool m_readResult = false;
};

TEST_F(StationConfig, AMissingIniFileFailsInitialiseWithTheReadersText) {
  std::string path = m_dir.File("absent.ini");
  Station station = MakeStation(&m_data, path, ComputerAddress(kMain), m_local, m_local + 1);
  EXPECT_FALSE(station.initialised);
  EXPECT_FALSE(station.lan->IsInitialised());
  EXPECT_EQ(std::string(station.lan->GetErrorText()),
            "QMP0001_02_RtLan::ReadIniFile\nSettingsFileClass::OpenFileForReading\n"
            "No such file or directory\n" +
                path);
  EXPECT_EQ(station.lan->SendString(0, "x", LoopbackAddress()), 0);
}

TEST_F(StationConfig, WithoutAnIniFileNameTheStationLooksForNoName) {
  QMP0001_02_RtLan lan(nullptr);
  EXPECT_FALSE(lan.Initialise());
  std::string text = lan.GetErrorText();
  EXPECT_EQ(text.substr(0, text.find('\n')), "QMP0001_02_RtLan::ReadIniFile");
  EXPECT_NE(text.find("No Name Given"), std::string::npos);
}

TEST_F(StationConfig, AMissingComputerFailsButTheOtherFifteenAreRead) {
  IniSettings settings;
  settings.missingComputers = {5};
  ReadOnly(settings);
  EXPECT_FALSE(m_readResult);
  EXPECT_EQ(std::string(m_reader.GetErrorText()),
            "QMP0001_02_RtLan::ReadIniFileForIpAddresses\nIni_File_Reader::LookForValue\n"
            "Did not find Item <QM_P_0001_02_HSI_L_DISPLAY> under Key [COMPUTERS]\nin file \n" +
                m_dir.File("lan.ini"));
  for (int i = 0; i < RtLan::kComputerCount; ++i) {
    EXPECT_EQ(m_reader.GetComputerAddressText(i), i == 5 ? std::string() : ComputerText(i)) << i;
  }
}

TEST_F(StationConfig, AHostThatIsNoneOfTheComputersIsRefused) {
  std::string ini = m_dir.Write("lan.ini", StationTest::IniText(IniSettings{}));
  Station station = MakeStation(&m_data, ini, LoopbackAddress(99), m_local, m_local + 1);
  EXPECT_FALSE(station.initialised);
  EXPECT_STREQ(station.lan->GetErrorText(),
               "QMP0001_02_RtLan::Initialise\nNot an assigned computer\n127.0.0.99");
  EXPECT_EQ(station.lan->GetDeviceIndex(), 16);
  EXPECT_STREQ(station.lan->GetDeviceName(), "Unknown Device");
  int octets[4] = {7, 7, 7, 7};
  EXPECT_FALSE(station.lan->GetIpOctets(&octets[0], &octets[1], &octets[2], &octets[3]));
  EXPECT_EQ(octets[0], 7);
}

TEST_F(StationConfig, AHostWhoseNameDoesNotResolveHasAddressZero) {
  std::string ini = m_dir.Write("lan.ini", StationTest::IniText(IniSettings{}));
  StationTest::HostSockets host(ComputerAddress(kMain));
  host.hostNameFails = true;
  Platform::ScopedSockets installed(host);

  QMP0001_02_RtLan networked(nullptr);
  networked.SetIniFileName(ini.c_str());
  networked.SetLocalPort(m_local);
  networked.SetRemotePort(m_local + 1);
  EXPECT_FALSE(networked.Initialise());
  EXPECT_STREQ(networked.GetErrorText(),
               "QMP0001_02_RtLan::Initialise\nNot an assigned computer\n0.0.0.0");

  host.hostNameFails = false;
  host.resolves = false;
  QMP0001_02_RtLan standalone(nullptr);
  standalone.SetLocalPort(m_local);
  standalone.SetRemotePort(m_local + 1);
  standalone.SetStandalone();
  ASSERT_TRUE(standalone.Initialise());
  EXPECT_STREQ(standalone.GetIpText(), "0.0.0.0");
  EXPECT_EQ(standalone.GetOwnAddress(), 0u);
}

TEST_F(StationConfig, AnAddressNoComputerHasMatchesNoEmptyEntry) {
  // An empty entry is address 0, no computer, and must not match a host
  // whose own address could not be found either.
  IniSettings settings;
  settings.addresses[kMain] = "";
  std::string ini = m_dir.Write("lan.ini", StationTest::IniText(settings));
  StationTest::HostSockets host(0);
  host.resolves = false;
  Platform::ScopedSockets installed(host);
  QMP0001_02_RtLan lan(nullptr);
  lan.SetIniFileName(ini.c_str());
  EXPECT_FALSE(lan.Initialise());
  EXPECT_EQ(lan.GetDeviceIndex(), 16);
  EXPECT_EQ(lan.GetComputerAddress(kMain), 0u);
}

TEST_F(StationConfig, AnUnknownAircraftSelectsTheA330Table) {
  IniSettings settings;
  settings.aircraft = "B747";
  Station station = Make(settings);
  ASSERT_TRUE(station.initialised) << station.lan->GetErrorText();
  EXPECT_TRUE(station.lan->IsA330());
  EXPECT_FALSE(station.lan->IsA320() || station.lan->IsA340());
  EXPECT_STREQ(station.lan->GetAircraftText(), "B747");
  EXPECT_EQ(station.lan->GetPackageRow(15)->size, 376);
  EXPECT_EQ(station.lan->GetPackageRow(20)->size, 460);
}

TEST_F(StationConfig, TheA320TableDiffersInTheOverheadAndPedestalPackages) {
  IniSettings settings;
  settings.aircraft = "A 320";  // blanks inside a value do not count
  Station a320 = Make(settings);
  ASSERT_TRUE(a320.initialised) << a320.lan->GetErrorText();
  EXPECT_TRUE(a320.lan->IsA320());
  EXPECT_EQ(a320.lan->GetPackageRow(15)->size, 408);
  EXPECT_EQ(a320.lan->GetPackageRow(16)->size, 324);
  EXPECT_EQ(a320.lan->GetPackageRow(20)->size, 440);
  EXPECT_EQ(a320.lan->GetPackageRow(15)->data,
            reinterpret_cast<char*>(&m_data.blocks[RtLan::kBlockA320OverheadIn]));
  EXPECT_EQ(a320.lan->GetPackageRow(20)->data,
            reinterpret_cast<char*>(&m_data.blocks[RtLan::kBlockA320PedestalOut]));
  a320.lan.reset();

  settings.aircraft = "A340";
  Station a340 = Make(settings);
  ASSERT_TRUE(a340.initialised) << a340.lan->GetErrorText();
  EXPECT_TRUE(a340.lan->IsA340());
  EXPECT_EQ(a340.lan->GetPackageRow(15)->size, 376);
  EXPECT_EQ(a340.lan->GetPackageRow(15)->data,
            reinterpret_cast<char*>(&m_data.blocks[RtLan::kBlockOverheadIn]));
}

TEST_F(StationConfig, TheA330AndA340TablesAgreeAndTheA320OneDiffersOnlyInThreeRows) {
  const RtLan::PackageDefinition* a320 = RtLan::A320Packages();
  const RtLan::PackageDefinition* a330 = RtLan::A330Packages();
  const RtLan::PackageDefinition* a340 = RtLan::A340Packages();
  for (int i = 0; i < RtLan::kPackageCount; ++i) {
    EXPECT_STREQ(a330[i].name, a340[i].name) << i;
    EXPECT_EQ(a330[i].size, a340[i].size) << i;
    EXPECT_EQ(a330[i].block, a340[i].block) << i;
    EXPECT_EQ(a330[i].source, a340[i].source) << i;
    EXPECT_EQ(a330[i].destination, a340[i].destination) << i;
    EXPECT_STREQ(a330[i].name, a320[i].name) << i;
    EXPECT_EQ(a330[i].source, a320[i].source) << i;
    EXPECT_EQ(a330[i].destination, a320[i].destination) << i;
    bool differs = i == 15 || i == 16 || i == 20;
    EXPECT_EQ(a330[i].size != a320[i].size, differs) << i;
    EXPECT_EQ(a330[i].block != a320[i].block, differs) << i;
  }
}

struct ExpectedPackage {
  const char* key;
  const char* name;
  int size;
  int source;
  int destination;
};

const ExpectedPackage kExpectedA330[RtLan::kPackageCount] = {
    {nullptr, "Invalid", 0, 0, 0},
    {"RT_LAN_PACKAGE_PFD_L", "Pfd left", 268, 0, 3},
    {"RT_LAN_PACKAGE_HSI_L", "ND left", 488, 0, 5},
    {"RT_LAN_PACKAGE_PFD_R", "Pfd Right", 268, 0, 4},
    {"RT_LAN_PACKAGE_HSI_R", "ND Right", 488, 0, 6},
    {"RT_LAN_PACKAGE_EWD", "Ewd", 244, 0, 7},
    {"RT_LAN_PACKAGE_SD", "System Display", 488, 0, 8},
    {"RT_LAN_PACKAGE_FMA_L", "FMA L", 340, 0, 3},
    {"RT_LAN_PACKAGE_FMA_R", "FMA R", 340, 0, 4},
    {"RT_LAN_PACKAGE_AIRCRAFT", "Aircraft", 48, 0, 9},
    {"RT_LAN_PACKAGE_ECAM_LEFT", "ECAM LEFT", 268, 0, 7},
    {nullptr, "ECAM RIGHT", 268, 0, 7},
    {"RT_LAN_PACKAGE_FMC_OUT", "FMC Steer", 304, 10, 0},
    {"RT_LAN_PACKAGE_FMC_IN", "FMC In", 288, 0, 10},
    {"RT_LAN_PACKAGE_FLT_PLAN", "Flt Plan", 536, 10, 5},
    {"RT_LAN_PACKAGE_OVHD_IN", "Main->Ovhd", 376, 0, 12},
    {"RT_LAN_PACKAGE_OVHD_OUT", "Ovhd->Main", 316, 12, 0},
    {"RT_LAN_PACKAGE_FRONT_IN", "Main->Front", 212, 0, 14},
    {"RT_LAN_PACKAGE_FRONT_OUT", "Front->Main", 200, 14, 0},
    {"RT_LAN_PACKAGE_PEDESTAL_IN", "Main->Pedestal", 192, 0, 13},
    {"RT_LAN_PACKAGE_PEDESTAL_OUT", "Pedestal->Main", 460, 13, 0},
    {"RT_LAN_PACKAGE_AURAL_Q", "Main->AuralQ", 460, 0, 15},
    {"RT_LAN_PACKAGE_VISUAL", "Main->Visual", 460, 0, 1},
    {"RT_LAN_PACKAGE_DU_CONFIG", "Main->DU", 16, 0, 3},
    {"RT_LAN_PACKAGE_MCDU_L", "Main->MCDU_L", 700, 0, 13},
    {"RT_LAN_PACKAGE_MCDU_R", "Main->MCDU_R", 700, 0, 13},
};

TEST_F(StationConfig, ThePackageTableNamesSizesAndRoutesEveryPackage) {
  Station station = Make(IniSettings{});
  ASSERT_TRUE(station.initialised) << station.lan->GetErrorText();
  for (int i = 0; i < RtLan::kPackageCount; ++i) {
    const RtLan::PackageRow* row = station.lan->GetPackageRow(i);
    const ExpectedPackage& expected = kExpectedA330[i];
    EXPECT_STREQ(row->name, expected.name) << i;
    EXPECT_EQ(row->size, expected.size) << i;
    EXPECT_EQ(row->source, expected.source) << i;
    EXPECT_EQ(row->destination, expected.destination) << i;
    EXPECT_EQ(row->identifier, i);
    EXPECT_EQ(row->data == nullptr, i == 0) << i;
    if (expected.key == nullptr) {
      EXPECT_EQ(RtLan::PackageKey(i), nullptr) << i;
    } else {
      EXPECT_STREQ(RtLan::PackageKey(i), expected.key) << i;
    }
  }
  // The aural queue and the visual share one block.
  EXPECT_EQ(station.lan->GetPackageRow(21)->data, station.lan->GetPackageRow(22)->data);
  EXPECT_EQ(station.lan->GetPackageRow(22)->counterWord,
            &m_data.blocks[RtLan::kBlockAuralAndVisual].header.counter);
}

TEST_F(StationConfig, TheComputerTableKeysAndDisplayNames) {
  const char* const keys[] = {
      "QM_P_0001_02_MAIN",          "QM_P_0001_02_VISUAL",        "QM_P_0001_02_CNTRLS",
      "QM_P_0001_02_PFD_L_DISPLAY", "QM_P_0001_02_PFD_R_DISPLAY", "QM_P_0001_02_HSI_L_DISPLAY",
      "QM_P_0001_02_HSI_R_DISPLAY", "QM_P_0001_02_EICAS_DISPLAY", "QM_P_0001_02_SYS_DISPLAY",
      "QM_P_0001_02_IOS_COMPUTER",  "QM_P_0001_02_FMC_L",         "QM_P_0001_02_FMC_R",
      "QM_P_0001_02_OVERHEAD",      "QM_P_0001_02_PEDISTAL_IO",   "QM_P_0001_02_FRONT_IO",
      "QM_P_0001_02_AURAL_Q"};
  const char* const names[] = {
      "Main Computer", "Visual I/F",   "Controls",  "PFD Left",    "PFD Right",  "ND Left",
      "ND Right",      "EWD",          "SD",        "Sim Control", "MCDU/FMC L", "MCDU/FMC R",
      "OverHead I/O",  "Pedestal I/O", "Front I/O", "Aural Queue"};
  for (int i = 0; i < RtLan::kComputerCount; ++i) {
    EXPECT_STREQ(RtLan::ComputerKey(i), keys[i]);
    std::string padded = names[i];
    padded.resize(13, ' ');
    EXPECT_EQ(RtLan::ComputerDisplayName(i), padded);
  }
  EXPECT_EQ(RtLan::ComputerKey(16), nullptr);
}

TEST_F(StationConfig, MissingSettingsLeaveTheirMessagesAndDefaults) {
  IniSettings settings;
  settings.aircraft = "";
  settings.frequency = 25;
  ReadOnly(settings);
  EXPECT_TRUE(m_readResult);
  EXPECT_STREQ(m_reader.GetErrorText(), "No aircraft type given");
  EXPECT_STREQ(m_reader.GetAircraftText(), "");
  EXPECT_TRUE(m_reader.IsA330());
  EXPECT_EQ(m_reader.GetFrequency(), 25);

  settings.aircraft = "A330";
  settings.frequency = -1;
  ReadOnly(settings);
  EXPECT_TRUE(m_readResult);
  EXPECT_STREQ(m_reader.GetErrorText(), "No Frequency Given\nDefault to 20 Hz");
  EXPECT_EQ(m_reader.GetFrequency(), 20);
}

TEST_F(StationConfig, ALogWantedWithoutAFileNameIsNamedInTheErrorText) {
  IniSettings settings;
  settings.useLogFile = true;
  ReadOnly(settings);
  EXPECT_TRUE(m_readResult);
  EXPECT_STREQ(m_reader.GetErrorText(), "No Log File name given");
  EXPECT_TRUE(m_reader.IsLogEnabled());
  EXPECT_STREQ(m_reader.GetLogFileName(), "");

  // Initialise then goes on without a log.
  Station station = Make(settings);
  EXPECT_TRUE(station.initialised);
  EXPECT_FALSE(station.lan->IsLogEnabled());
  EXPECT_EQ(m_data.board[20].messageCounter, 2);  // "No Log File Set Up", then the identity
}

TEST_F(StationConfig, ALogInAMissingFolderIsPostedAndInitialiseGoesOn) {
  IniSettings settings;
  settings.useLogFile = true;
  settings.logFile = m_dir.File("no/such/folder/lan.log");
  Station station = Make(settings);
  ASSERT_TRUE(station.initialised);
  EXPECT_FALSE(station.lan->IsLogEnabled());
  EXPECT_STREQ(station.lan->GetLogFileName(), "");
  std::string text = station.lan->GetErrorText();
  EXPECT_EQ(text.substr(0, text.find('\n')), "QMP0001_02_RtLan::SetUpLogFile");
  EXPECT_NE(text.find("Could not set up Log file \n" + settings.logFile +
                      "\nInputFileClass::OpenInputFile\nNo such file or directory\n"),
            std::string::npos);
  EXPECT_EQ(m_data.board[20].messageCounter, 2);

  // Where Initialise stops before the identity is posted, the message stays on the board.
  std::string ini = m_dir.Write("lan.ini", StationTest::IniText(settings));
  RtLan::SimulatorData data{};
  Station refused = MakeStation(&data, ini, LoopbackAddress(99), m_local, m_local + 1);
  EXPECT_FALSE(refused.initialised);
  EXPECT_STREQ(data.board[20].text, "No Log File Set Up");
  EXPECT_STREQ(data.board[20].name, "RT_LAN");
}

TEST_F(StationConfig, PackageRatesComeFromTheRatesSectionWithinLimits) {
  IniSettings settings;
  settings.frequency = 60;
  settings.rates = {
      {"RT_LAN_PACKAGE_PFD_L", 0}, {"RT_LAN_PACKAGE_SD", 100}, {"RT_LAN_PACKAGE_DU_CONFIG", 15}};
  Station station = Make(settings, kMain);
  ASSERT_TRUE(station.initialised) << station.lan->GetErrorText();
  EXPECT_EQ(station.lan->GetPackageRow(1)->rate, 1);
  EXPECT_EQ(station.lan->GetPackageRow(6)->rate, 60);
  EXPECT_EQ(station.lan->GetPackageRow(23)->rate, 15);
  EXPECT_EQ(station.lan->GetPackageRow(11)->rate, 10);  // no key: the default
  EXPECT_EQ(station.lan->GetPackageRow(1)->period, 60);
  EXPECT_EQ(station.lan->GetPackageRow(6)->period, 1);
  EXPECT_EQ(station.lan->GetPackageRow(23)->period, 4);
}

TEST_F(StationConfig, PackageListsAreReadOnlyWhenAskedFor) {
  IniSettings settings;
  settings.transmits = {"RT_LAN_PACKAGE_FMC_OUT", "RT_LAN_PACKAGE_FLT_PLAN"};
  settings.receives = {"RT_LAN_PACKAGE_FMC_IN"};
  ReadOnly(settings, false);
  EXPECT_FALSE(m_reader.IsTransmitted(12));
  ReadOnly(settings, true);
  EXPECT_TRUE(m_reader.IsTransmitted(12));
  EXPECT_TRUE(m_reader.IsTransmitted(14));
  EXPECT_FALSE(m_reader.IsTransmitted(13));
  EXPECT_TRUE(m_reader.IsReceived(13));
  EXPECT_FALSE(m_reader.IsReceived(12));
  EXPECT_FALSE(m_reader.IsTransmitted(26));
  EXPECT_FALSE(m_reader.IsReceived(-1));
}

TEST_F(StationConfig, OverLongTextsAreCutToTheirFields) {
  IniSettings settings;
  settings.aircraft = std::string(1200, 'A');
  settings.useLogFile = true;
  settings.logFile = "/" + std::string(1100, 'l');
  ReadOnly(settings);
  EXPECT_TRUE(m_readResult);
  EXPECT_LE(std::strlen(m_reader.GetAircraftText()), 1023u);
  EXPECT_LE(std::strlen(m_reader.GetLogFileName()), 1023u);
  EXPECT_TRUE(m_reader.IsA330());
}

TEST_F(StationConfig, AccessorsDescribeTheComputersAndPackages) {
  IniSettings settings;
  settings.addresses[kPfdLeft + 1] = "192.168.1.20";
  Station station = Make(settings);
  ASSERT_TRUE(station.initialised) << station.lan->GetErrorText();
  QMP0001_02_RtLan& lan = *station.lan;
  char buffer[64];
  lan.FormatComputerIp(4, buffer, sizeof buffer);
  EXPECT_STREQ(buffer, "192 : 168 : 001 : 020 : ");
  lan.FormatComputerIp(16, buffer, sizeof buffer);
  EXPECT_STREQ(buffer, "Invalid Device No");
  lan.FormatComputerIp(-1, buffer, sizeof buffer);
  EXPECT_STREQ(buffer, "Invalid Device No");
  lan.FormatComputerIp(4, buffer, 8);
  EXPECT_STREQ(buffer, "192 : 1");

  EXPECT_EQ(lan.GetComputerAddress(kMain), ComputerAddress(kMain));
  EXPECT_EQ(lan.GetComputerAddress(16), 0u);
  EXPECT_STREQ(lan.AddressToText(lan.GetComputerAddress(4)), "192.168.1.20");
  int octets[4];
  ASSERT_TRUE(lan.GetIpOctets(&octets[0], &octets[1], &octets[2], &octets[3]));
  EXPECT_EQ(octets[0], 127);
  EXPECT_EQ(octets[3], 13);

  // Package 1 comes to this station from the main computer; package 2 goes
  // from the main computer to the left ND.
  EXPECT_EQ(lan.GetPeerAddress(1), ComputerAddress(kMain));
  EXPECT_EQ(lan.GetPeerAddress(2), ComputerAddress(5));
  EXPECT_EQ(lan.GetPeerAddress(26), 0u);
  EXPECT_EQ(lan.GetSentCount(26), -1);
  EXPECT_EQ(lan.GetReceivedCount(-1), -1);
  EXPECT_EQ(lan.GetSentCount(1), 0);
  EXPECT_EQ(lan.GetGapCount(26), 0);
  EXPECT_EQ(lan.GetLastCounter(-1), 0);
}

TEST_F(StationConfig, StandAloneLeavesTheDataAreaAlone) {
  QMP0001_02_RtLan lan(&m_data);
  lan.SetLocalPort(m_local);
  lan.SetRemotePort(m_local + 1);
  lan.SetStandalone();
  ASSERT_TRUE(lan.Initialise());
  EXPECT_EQ(m_data.board[20].messageCounter, 0);
  EXPECT_EQ(lan.GetPackageRow(1)->data, nullptr);
  lan.SetPackageRate(1, 5);
  EXPECT_EQ(lan.GetPackageRow(1)->rate, 0);
  RtLan::SimulatorData untouched{};
  EXPECT_EQ(std::memcmp(&m_data, &untouched, sizeof m_data), 0);
}

TEST_F(StationConfig, InitialiseMayRunAgain) {
  Station station = Make(IniSettings{}, kPfdLeft);
  ASSERT_TRUE(station.initialised);
  StationTest::HostSockets host(ComputerAddress(kPfdLeft));
  Platform::ScopedSockets installed(host);
  ASSERT_TRUE(station.lan->Initialise(true)) << station.lan->GetErrorText();
  EXPECT_EQ(station.lan->GetDeviceIndex(), kPfdLeft);
  EXPECT_EQ(m_data.board[20].messageCounter, 2);
}

TEST(ExampleIniFiles, ReadCompletely) {
  QMP0001_02_RtLan a320(nullptr);
  a320.SetIniFileName(TAVRION_CONFIG_DIR "/RtLan_A320_MainComputer.ini");
  ASSERT_TRUE(a320.ReadIniFile(true)) << a320.GetErrorText();
  EXPECT_TRUE(a320.IsA320());
  EXPECT_TRUE(a320.IsLogEnabled());
  EXPECT_STREQ(a320.GetComputerAddressText(15), "192.168.1.25");
  EXPECT_EQ(a320.GetFrequency(), 20);
  EXPECT_TRUE(a320.IsTransmitted(1));
  EXPECT_FALSE(a320.IsTransmitted(12));
  EXPECT_TRUE(a320.IsReceived(20));

  QMP0001_02_RtLan a330(nullptr);
  a330.SetIniFileName(TAVRION_CONFIG_DIR "/RtLan_A330_PfdLeft.ini");
  ASSERT_TRUE(a330.ReadIniFile(true)) << a330.GetErrorText();
  EXPECT_TRUE(a330.IsA330());
  EXPECT_FALSE(a330.IsLogEnabled());
  EXPECT_STREQ(a330.GetComputerAddressText(3), "10.20.0.13");
  EXPECT_EQ(a330.GetFrequency(), 30);
  for (int i = 0; i < RtLan::kPackageCount; ++i) EXPECT_FALSE(a330.IsTransmitted(i));
  EXPECT_TRUE(a330.IsReceived(1));
  EXPECT_TRUE(a330.IsReceived(7));
  EXPECT_TRUE(a330.IsReceived(23));
  EXPECT_FALSE(a330.IsReceived(3));
}

TEST(InitMessageBoard, PostsCountAndCutTheirTexts) {
  RtLan::SimulatorData data{};
  QMP0001_02_InitMessage board(&data, 21);
  ASSERT_TRUE(board.IsValid());
  board.Post(std::string(150, 'n').c_str(), std::string(600, 't').c_str());
  const RtLan::BoardSlot& slot = data.board[20];
  EXPECT_EQ(slot.messageCounter, 1);
  EXPECT_EQ(std::strlen(slot.name), 99u);
  EXPECT_EQ(std::strlen(slot.text), 512u);
  EXPECT_EQ(slot.flag, 1);
  board.Post("RT_LAN", "flagged", 7);
  EXPECT_EQ(slot.messageCounter, 2);
  EXPECT_STREQ(slot.text, "flagged");
  EXPECT_EQ(slot.flag, 7);

  board.SetStatusTexts(std::string(40, 'a').c_str(), std::string(40, 'b').c_str(),
                       std::string(40, 'c').c_str());
  EXPECT_EQ(std::string(slot.statusLeft), std::string(28, 'a'));
  EXPECT_EQ(std::string(slot.statusCentre), std::string(24, 'b'));
  EXPECT_EQ(std::string(slot.statusRight), std::string(24, 'c'));
  board.SetSuppress(true);
  board.SetStatusTexts("x", "y", "z");
  EXPECT_EQ(std::string(slot.statusLeft), std::string(28, 'a'));
  // Neighbouring slots are untouched.
  EXPECT_EQ(data.board[19].messageCounter, 0);
  EXPECT_EQ(data.board[21].messageCounter, 0);
}

TEST(InitMessageBoard, OnlySlotsOneToFortyOfADataAreaAreWritten) {
  RtLan::SimulatorData data{};
  for (int slot : {0, 41, -1}) {
    QMP0001_02_InitMessage board(&data, slot);
    EXPECT_FALSE(board.IsValid());
    board.Post("RT_LAN", "lost");
    board.SetStatusTexts("a", "b", "c");
  }
  QMP0001_02_InitMessage first(&data, 1);
  QMP0001_02_InitMessage last(&data, 40);
  first.Post("first", "text");
  last.Post("last", "text");
  EXPECT_STREQ(data.board[0].name, "first");
  EXPECT_STREQ(data.board[39].name, "last");
  int counted = 0;
  for (const RtLan::BoardSlot& slot : data.board) counted += slot.messageCounter;
  EXPECT_EQ(counted, 2);

  QMP0001_02_InitMessage nowhere(nullptr, 21);
  nowhere.Post("RT_LAN", "lost");  // does nothing, and does not crash
  nowhere.SetStatusTexts("a", "b", "c");
}

}  // namespace
