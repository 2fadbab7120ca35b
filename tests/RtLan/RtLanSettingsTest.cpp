// Settings whose values are not what the setting needs: the ini file's
// frequency, rates and computer addresses, and the ports the owner gives.
// Each is refused by name and value, and the station does not initialise.

#include <gtest/gtest.h>

#include <string>

#include "StationSupport.h"

using StationTest::ComputerAddress;
using StationTest::IniSettings;
using StationTest::MakeStation;
using StationTest::Station;

namespace {

constexpr int kPfdLeft = 3;

class StationSettings : public ::testing::Test {
 protected:
  void SetUp() override {
    m_local = FreeUdpPorts(2);
    ASSERT_NE(m_local, 0);
  }

  // A networked station on the settings, its traffic log in the test's folder.
  Station Make(IniSettings settings) {
    settings.useLogFile = true;
    settings.logFile = m_dir.File("lan.log");
    m_ini = m_dir.Write("lan.ini", StationTest::IniText(settings));
    return MakeStation(&m_data, m_ini, ComputerAddress(kPfdLeft), m_local, m_local + 1);
  }

  // Refused: not initialised, nothing sent, the text and the log name the value.
  void ExpectRefused(Station& station, const std::string& message) {
    EXPECT_FALSE(station.initialised);
    EXPECT_FALSE(station.lan->IsInitialised());
    EXPECT_EQ(std::string(station.lan->GetErrorText()),
              "QMP0001_02_RtLan::ReadIniFile\n" + message + "\nin file " + m_ini);
    EXPECT_EQ(station.lan->SendString(0, "x", LoopbackAddress()), 0);
    station.lan.reset();
    // Event lines hold 79 characters; a longer text goes on over the next lines.
    std::string log = m_dir.Read("lan.log");
    std::string first = message.size() > 79 ? message.substr(0, 79) : message + "\n";
    EXPECT_NE(log.find("\t" + first), std::string::npos) << log;
    EXPECT_NE(log.find("\tin file " + m_ini + "\n"), std::string::npos) << log;
  }

  TempDir m_dir;
  std::string m_ini;
  int m_local = 0;
  RtLan::SimulatorData m_data{};
};

TEST_F(StationSettings, AFrequencyThatIsNoWholeNumberIsRefused) {
  IniSettings settings;
  settings.frequencyText = "twenty";
  Station station = Make(settings);
  ExpectRefused(station, "[RATES] Frequency = <twenty>: not a whole number from 1 to 1000");
}

TEST_F(StationSettings, FrequenciesOutsideOneToAThousandAreRefused) {
  for (const char* text : {"0", "-20", "1001", "99999999999", "2147483648", "-5Hz"}) {
    IniSettings settings;
    settings.frequencyText = text;
    Station station = Make(settings);
    ExpectRefused(station, std::string("[RATES] Frequency = <") + text +
                               ">: not a whole number from 1 to 1000");
  }
}

TEST_F(StationSettings, FrequenciesFromOneToAThousandAreTaken) {
  for (const char* text : {"1", "60", "1000", "+30"}) {
    IniSettings settings;
    settings.frequencyText = text;
    Station station = Make(settings);
    ASSERT_TRUE(station.initialised) << text << ": " << station.lan->GetErrorText();
    EXPECT_EQ(station.lan->GetFrequency(), std::stoi(text));
  }
}

TEST_F(StationSettings, ARateThatIsNoWholeNumberIsRefused) {
  for (const char* text : {"fast", "99999999999", "Hz5"}) {
    IniSettings settings;
    settings.rateTexts["RT_LAN_PACKAGE_SD"] = text;
    Station station = Make(settings);
    ExpectRefused(station,
                  std::string("[RATES] RT_LAN_PACKAGE_SD = <") + text + ">: not a whole number");
  }
}

TEST_F(StationSettings, AComputerAddressThatIsNoDottedAddressIsRefused) {
  for (const std::string& text : {std::string("192.168.1.300"), std::string("nonsense"),
                                  "127.0.0.13" + std::string(60, '9')}) {
    IniSettings settings;
    settings.addresses[5] = text;
    Station station = Make(settings);
    ExpectRefused(station, "[COMPUTERS] QM_P_0001_02_HSI_L_DISPLAY = <" + text +
                               ">: not a dotted IPv4 address");
  }
}

// Files that loaded before keep loading: a number keeps its number when a
// remark follows it, an address loads as inet_addr reads it.
TEST_F(StationSettings, ValuesAsOlderFilesWroteThemStillLoad) {
  const struct {
    const char* frequency;
    const char* rate;
    const char* address;
    int hertz;
    const char* dotted;
  } cases[] = {
      {"20;Hz", "5Hz", "192.168.001.005", 20, "192.168.1.5"},
      {"+30", "2.5", "127.0.0.007", 30, "127.0.0.7"},
      {"60", "-3", "10.0.0.0", 60, "10.0.0.0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.frequency);
    IniSettings settings;
    settings.frequencyText = c.frequency;
    settings.rateTexts["RT_LAN_PACKAGE_SD"] = c.rate;
    settings.addresses[5] = c.address;
    Station station = Make(settings);
    ASSERT_TRUE(station.initialised) << station.lan->GetErrorText();
    EXPECT_EQ(station.lan->GetFrequency(), c.hertz);
    EXPECT_STREQ(station.lan->GetComputerAddressText(5), c.dotted);
  }
}

TEST_F(StationSettings, AnAddressWhoseZeroPaddedPartReadsAsOctalIsRefusedSayingSo) {
  IniSettings settings;
  settings.addresses[5] = "192.168.001.010";
  Station station = Make(settings);
  ExpectRefused(station,
                "[COMPUTERS] QM_P_0001_02_HSI_L_DISPLAY = <192.168.001.010>: reads as "
                "192.168.1.8: a part with a leading zero is octal; write it without leading "
                "zeros");
}

TEST_F(StationSettings, AnEmptyComputerAddressMeansNoSuchComputer) {
  IniSettings settings;
  settings.addresses[5] = "";
  Station station = Make(settings);
  ASSERT_TRUE(station.initialised) << station.lan->GetErrorText();
  EXPECT_EQ(station.lan->GetComputerAddress(5), 0u);
}

TEST_F(StationSettings, WithoutALogTheRefusalIsInTheErrorTextAlone) {
  IniSettings settings;
  settings.frequencyText = "twenty";
  m_ini = m_dir.Write("lan.ini", StationTest::IniText(settings));
  Station station = MakeStation(&m_data, m_ini, ComputerAddress(kPfdLeft), m_local, m_local + 1);
  EXPECT_FALSE(station.initialised);
  EXPECT_EQ(std::string(station.lan->GetErrorText()),
            "QMP0001_02_RtLan::ReadIniFile\n"
            "[RATES] Frequency = <twenty>: not a whole number from 1 to 1000\nin file " +
                m_ini);
}

struct PortCase {
  int local;
  int remote;
  const char* message;
};

class StationPorts : public ::testing::TestWithParam<PortCase> {};

TEST_P(StationPorts, APortOutsideOneTo65535IsRefused) {
  TempDir dir;
  {
    QMP0001_02_RtLan lan(nullptr);
    lan.SetLocalPort(GetParam().local);
    lan.SetRemotePort(GetParam().remote);
    lan.SetStandalone();
    lan.SetLogFileName(dir.File("lan.log").c_str());
    EXPECT_FALSE(lan.Initialise());
    EXPECT_FALSE(lan.IsInitialised());
    std::string expected = std::string("QMP0001_02_RtLan::Initialise\n") + GetParam().message;
    EXPECT_EQ(std::string(lan.GetErrorText()), expected);
    EXPECT_EQ(lan.SendString(0, "x", LoopbackAddress()), 0);
  }
  EXPECT_NE(dir.Read("lan.log").find(std::string("\t") + GetParam().message + "\n"),
            std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    OutOfRange, StationPorts,
    ::testing::Values(PortCase{70000, 41001, "Local port 70000 is not a port number (1 to 65535)"},
                      PortCase{0, 41001, "Local port 0 is not a port number (1 to 65535)"},
                      PortCase{41000, -1, "Remote port -1 is not a port number (1 to 65535)"},
                      PortCase{41000, 65536,
                               "Remote port 65536 is not a port number (1 to 65535)"}));

TEST(StationPackagePorts, PackageChannelsBeyondPort65535AreRefused) {
  int local = FreeUdpPorts(1);
  ASSERT_NE(local, 0);
  TempDir dir;
  IniSettings settings;
  std::string ini = dir.Write("lan.ini", StationTest::IniText(settings));
  RtLan::SimulatorData data{};
  Station station = MakeStation(&data, ini, ComputerAddress(kPfdLeft), local, 65530);
  ASSERT_TRUE(station.initialised) << station.lan->GetErrorText();
  EXPECT_FALSE(station.lan->PackageChannelSetup());
  EXPECT_STREQ(station.lan->GetErrorText(),
               "QMP0001_02_RtLan::ReceiveSetup\n"
               "Port 65536 of package 6 is not a port number (1 to 65535)");
}

}  // namespace
