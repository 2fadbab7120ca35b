// The station's command line: what each option sets, what is refused and
// why.

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "StationOptions.h"
#include "TempDir.h"
#include "ViewSync.h"

namespace {

struct Parsed {
  StationCommand command;
  StationSettings settings;
  std::string fault;
};

Parsed Parse(std::vector<const char*> arguments) {
  arguments.insert(arguments.begin(), "tavrion");
  Parsed parsed;
  char fault[256];
  parsed.command = ParseStationOptions(static_cast<int>(arguments.size()), arguments.data(),
                                       &parsed.settings, fault, sizeof fault);
  parsed.fault = fault;
  return parsed;
}

std::string Octets(const StationSettings& settings) {
  return std::to_string(settings.destination[0]) + "." + std::to_string(settings.destination[1]) +
         "." + std::to_string(settings.destination[2]) + "." +
         std::to_string(settings.destination[3]);
}

TEST(StationOptions, NoOptionsKeepEveryDefault) {
  Parsed parsed = Parse({});
  ASSERT_EQ(parsed.command, StationCommand::Run) << parsed.fault;
  const StationSettings defaults;
  EXPECT_STREQ(parsed.settings.segmentName, "VisualInterface");
  EXPECT_EQ(parsed.settings.localPort, 7000);
  EXPECT_EQ(parsed.settings.remotePort, defaults.remotePort);
  EXPECT_STREQ(parsed.settings.workingFolder, "");
  EXPECT_EQ(parsed.settings.frameRate, defaults.frameRate);
  EXPECT_FALSE(parsed.settings.destinationGiven);
  EXPECT_FALSE(parsed.settings.connect);
  EXPECT_FALSE(parsed.settings.busyWait);
  EXPECT_FALSE(parsed.settings.realtime);
  EXPECT_FALSE(parsed.settings.followSimulator);
}

TEST(StationOptions, TheFrameLoopModesAreSwitchesOfTheirOwn) {
  EXPECT_TRUE(Parse({"--busy-wait"}).settings.busyWait);
  EXPECT_TRUE(Parse({"--follow-simulator", "--busy-wait"}).settings.followSimulator);
  Parsed realtime = Parse({"--realtime", "-c"});
  ASSERT_EQ(realtime.command, StationCommand::Run) << realtime.fault;
  EXPECT_TRUE(realtime.settings.realtime);
  EXPECT_FALSE(realtime.settings.busyWait);
}

TEST(StationOptions, TheDatagramRateAndTheLoopsWaitingAreNumbersOfTheirOwn) {
  const StationSettings defaults;
  EXPECT_EQ(defaults.sendRate, 30);
  Parsed parsed = Parse({"--rate", "60", "--time-slice=100", "--final-poll", "250"});
  ASSERT_EQ(parsed.command, StationCommand::Run) << parsed.fault;
  EXPECT_EQ(parsed.settings.sendRate, 60);
  EXPECT_EQ(parsed.settings.timeSliceMicroseconds, 100);
  EXPECT_EQ(parsed.settings.finalPollMicroseconds, 250);
  Parsed off = Parse({"--rate=30", "--time-slice", "0", "--final-poll=0"});
  EXPECT_EQ(off.settings.sendRate, 30);
  EXPECT_EQ(off.settings.timeSliceMicroseconds, 0);
  EXPECT_EQ(off.settings.finalPollMicroseconds, 0);
  EXPECT_FALSE(off.settings.learnWakeLead);
  // auto: slept to the due time less a learnt lead; a number given after it wins.
  EXPECT_TRUE(Parse({"--final-poll", "auto"}).settings.learnWakeLead);
  EXPECT_EQ(Parse({"--final-poll", "auto"}).settings.finalPollMicroseconds, 0);
  const Parsed last = Parse({"--final-poll=auto", "--final-poll=300"});
  EXPECT_FALSE(last.settings.learnWakeLead);
  EXPECT_EQ(last.settings.finalPollMicroseconds, 300);
}

TEST(StationOptions, WithoutAWindowTheViewMapHeightAndSlewAreGiven) {
  Parsed parsed = Parse(
      {"--headless", "-d", "10.0.0.2", "--view", "right-window", "--slew", "--map-altitude=500"});
  ASSERT_EQ(parsed.command, StationCommand::Run) << parsed.fault;
  EXPECT_TRUE(parsed.settings.headless);
  EXPECT_EQ(parsed.settings.view, ViewRightWindow);
  EXPECT_TRUE(parsed.settings.slew);
  EXPECT_EQ(parsed.settings.mapAltitude, 500.0);
}

TEST(StationOptions, LongFormsTakeTheirValueNextOrAfterAnEqualsSign) {
  TempDir folder;
  const std::string path = folder.Path().string();
  const std::string directory = "--directory=" + path;
  Parsed parsed = Parse({"--destination", "10.0.0.21", "--port=7100", "--segment", "Visual-2",
                         directory.c_str(), "--connect"});
  ASSERT_EQ(parsed.command, StationCommand::Run) << parsed.fault;
  EXPECT_TRUE(parsed.settings.destinationGiven);
  EXPECT_EQ(Octets(parsed.settings), "10.0.0.21");
  EXPECT_EQ(parsed.settings.localPort, 7100);
  EXPECT_STREQ(parsed.settings.segmentName, "Visual-2");
  EXPECT_EQ(parsed.settings.workingFolder, path);
  EXPECT_TRUE(parsed.settings.connect);
}

TEST(StationOptions, ShortFormsMayBeGroupedAndTakeTheirValueAttached) {
  TempDir folder;
  const std::string path = folder.Path().string();
  Parsed parsed = Parse({"-cp7200", "-d", "192.168.1.255", "-sVisual-3", "-C", path.c_str()});
  ASSERT_EQ(parsed.command, StationCommand::Run) << parsed.fault;
  EXPECT_TRUE(parsed.settings.connect);
  EXPECT_EQ(parsed.settings.localPort, 7200);
  EXPECT_EQ(Octets(parsed.settings), "192.168.1.255");
  EXPECT_STREQ(parsed.settings.segmentName, "Visual-3");
  EXPECT_EQ(parsed.settings.workingFolder, path);
}

TEST(StationOptions, TheLastOfARepeatedOptionWins) {
  Parsed parsed = Parse({"-p", "7001", "--port", "65535", "-d", "1.2.3.4", "-d", "5.6.7.8"});
  ASSERT_EQ(parsed.command, StationCommand::Run) << parsed.fault;
  EXPECT_EQ(parsed.settings.localPort, 65535);
  EXPECT_EQ(Octets(parsed.settings), "5.6.7.8");
}

TEST(StationOptions, HelpAndVersionAreAskedFor) {
  EXPECT_EQ(Parse({"-h"}).command, StationCommand::Help);
  EXPECT_EQ(Parse({"--connect", "--help"}).command, StationCommand::Help);
  EXPECT_EQ(Parse({"--version"}).command, StationCommand::Version);
  EXPECT_EQ(Parse({"--vers"}).command, StationCommand::Version) << "a unique abbreviation";
}

TEST(StationOptions, TheUsageListsEveryOption) {
  const std::string usage = StationUsage();
  EXPECT_EQ(usage.rfind("Usage: tavrion [OPTION]...\n", 0), 0u);
  for (const char* option :
       {"-d, --destination A.B.C.D", "-p, --port N", "-s, --segment NAME", "-C, --directory DIR",
        "-r, --receiver ADDR[:PORT]", "-c, --connect", "--broadcast", "--busy-wait", "--realtime",
        "--follow-simulator", "-h, --help", "--version"}) {
    EXPECT_NE(usage.find(option), std::string::npos) << option;
  }
}

std::string Receiver(const StationSettings& settings, int index) {
  char text[ViewSyncReceivers::kAddressTextSize];
  ViewSyncReceivers::FormatAddress(settings.receivers[index], text, sizeof text);
  return text;
}

TEST(StationOptions, ReceiversAreKeptInOrderWithTheirPortsOr7001) {
  Parsed parsed =
      Parse({"--receiver", "10.0.0.21", "-r10.0.0.22:7005", "--receiver=10.0.0.21:7002"});
  ASSERT_EQ(parsed.command, StationCommand::Run) << parsed.fault;
  ASSERT_EQ(parsed.settings.receiverCount, 3);
  EXPECT_EQ(Receiver(parsed.settings, 0), "10.0.0.21:7001");
  EXPECT_EQ(Receiver(parsed.settings, 1), "10.0.0.22:7005");
  EXPECT_EQ(Receiver(parsed.settings, 2), "10.0.0.21:7002");
  EXPECT_EQ(parsed.settings.receivers[0].address, inet_addr("10.0.0.21"));
  EXPECT_FALSE(parsed.settings.broadcast);
}

TEST(StationOptions, SixteenReceiversAreTheMost) {
  std::vector<std::string> texts;
  for (int i = 1; i <= 17; ++i) texts.push_back("10.0.1." + std::to_string(i));
  std::vector<const char*> arguments;
  for (int i = 0; i < 16; ++i) arguments.insert(arguments.end(), {"-r", texts[i].c_str()});
  Parsed sixteen = Parse(arguments);
  ASSERT_EQ(sixteen.command, StationCommand::Run) << sixteen.fault;
  EXPECT_EQ(sixteen.settings.receiverCount, 16);
  arguments.insert(arguments.end(), {"-r", texts[16].c_str()});
  Parsed seventeen = Parse(arguments);
  EXPECT_EQ(seventeen.command, StationCommand::Fault);
  EXPECT_EQ(seventeen.fault, "--receiver: '10.0.1.17': at most 16 receivers");
}

TEST(StationOptions, ABroadcastAddressNeedsBroadcastAnywhereOnTheLine) {
  const struct {
    const char* option;
    const char* address;
  } cases[] = {{"-r", "255.255.255.255"},
               {"-r", "127.255.255.255:7010"},
               {"-d", "255.255.255.255"},
               {"-d", "127.255.255.255"}};
  for (const auto& given : cases) {
    Parsed refused = Parse({"-r", "10.0.0.21", given.option, given.address, "--connect"});
    EXPECT_EQ(refused.command, StationCommand::Fault) << given.address;
    EXPECT_NE(refused.fault.find(" is a broadcast address: add --broadcast to send to it"),
              std::string::npos)
        << refused.fault;
    Parsed after = Parse({given.option, given.address, "--broadcast"});
    EXPECT_EQ(after.command, StationCommand::Run) << after.fault;
    EXPECT_TRUE(after.settings.broadcast);
    Parsed before = Parse({"--broadcast", given.option, given.address});
    EXPECT_EQ(before.command, StationCommand::Run) << before.fault;
  }
  EXPECT_EQ(Parse({"-r", "127.255.255.255"}).fault,
            "--receiver: 127.255.255.255:7001 is a broadcast address: add --broadcast to send to "
            "it");
  EXPECT_EQ(Parse({"-d", "127.255.255.255"}).fault,
            "--destination: 127.255.255.255 is a broadcast address: add --broadcast to send to "
            "it");
}

struct BadCase {
  std::vector<const char*> arguments;
  const char* fault;
};

class StationBadOptions : public ::testing::TestWithParam<BadCase> {};

TEST_P(StationBadOptions, AreRefusedWithOneLineSayingWhy) {
  Parsed parsed = Parse(GetParam().arguments);
  EXPECT_EQ(parsed.command, StationCommand::Fault);
  EXPECT_EQ(parsed.fault, GetParam().fault);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StationBadOptions,
    ::testing::Values(
        BadCase{{"--port", "0"}, "--port: '0' is not a port from 1 to 65535"},
        BadCase{{"-p", "65536"}, "--port: '65536' is not a port from 1 to 65535"},
        BadCase{{"--port", "70o0"}, "--port: '70o0' is not a port from 1 to 65535"},
        BadCase{{"-d", "10.0.0"},
                "--destination: '10.0.0' is not an address of four numbers 0-255 (A.B.C.D)"},
        BadCase{{"-d", "10.0.0.256"},
                "--destination: '10.0.0.256' is not an address of four numbers 0-255 (A.B.C.D)"},
        BadCase{{"-d", "10.0.0.1.5"},
                "--destination: '10.0.0.1.5' is not an address of four numbers 0-255 (A.B.C.D)"},
        BadCase{{"-d", "-1.0.0.1"},
                "--destination: '-1.0.0.1' is not an address of four numbers 0-255 (A.B.C.D)"},
        BadCase{{"-d", "0.0.0.0"}, "--destination: '0.0.0.0' is not a receiver's address"},
        BadCase{{"-d", "sim-host"},
                "--destination: 'sim-host' is not an address of four numbers 0-255 (A.B.C.D)"},
        BadCase{{"-s", "Visual/Interface"},
                "--segment: 'Visual/Interface' is not a segment name (1 to 42 printable "
                "characters, no blanks or '/')"},
        BadCase{{"-C", "/nonexistent-tavrion-folder"},
                "--directory: cannot use '/nonexistent-tavrion-folder': No such file or "
                "directory"},
        BadCase{{"-C", "/dev/null"}, "--directory: '/dev/null' is not a folder"},
        BadCase{{"--connect=yes"}, "option '--connect' doesn't allow an argument"},
        BadCase{{"--port"}, "option '--port' requires an argument"},
        BadCase{{"-c", "-p"}, "option requires an argument -- 'p'"},
        BadCase{{"-x"}, "invalid option -- 'x'"},
        BadCase{{"--realtime", "--busy-wait"}, "--realtime cannot be used with --busy-wait"},
        BadCase{{"--display=:0"}, "unrecognized option '--display'"},
        BadCase{{"--d", "1.2.3.4"},
                "option '--d' is ambiguous; possibilities: '--destination' '--directory'"},
        BadCase{{"connect"}, "unexpected argument 'connect'"},
        BadCase{{"--", "-c"}, "unexpected argument '-c'"},
        BadCase{{"--help", "--bogus"}, "unrecognized option '--bogus'"},
        BadCase{{"-r", "10.0.0"},
                "--receiver: '10.0.0' is not an address of four numbers 0-255 with an optional "
                "port (A.B.C.D[:PORT])"},
        BadCase{{"-r", "ge-left:7001"},
                "--receiver: 'ge-left:7001' is not an address of four numbers 0-255 with an "
                "optional port (A.B.C.D[:PORT])"},
        BadCase{{"-r", "1000.10.0.0.21:7001"},
                "--receiver: '1000.10.0.0.21:7001' is not an address of four numbers 0-255 with "
                "an optional port (A.B.C.D[:PORT])"},
        BadCase{{"-r", "10.0.0.21:"},
                "--receiver: '10.0.0.21:': the port is not a number from 1 to 65535"},
        BadCase{{"-r", "10.0.0.21:0"},
                "--receiver: '10.0.0.21:0': the port is not a number from 1 to 65535"},
        BadCase{{"-r", "10.0.0.21:65536"},
                "--receiver: '10.0.0.21:65536': the port is not a number from 1 to 65535"},
        BadCase{{"-r", "10.0.0.21:7001:1"},
                "--receiver: '10.0.0.21:7001:1': the port is not a number from 1 to 65535"},
        BadCase{{"-r", "0.0.0.0"}, "--receiver: '0.0.0.0' is not a receiver's address"},
        BadCase{{"-r", "10.0.0.21", "-r", "10.0.0.21:7001"},
                "--receiver: '10.0.0.21:7001' is given twice"},
        BadCase{{"--broadcast=yes"}, "option '--broadcast' doesn't allow an argument"},
        BadCase{{"--headless"}, "--headless needs --destination"},
        BadCase{{"--view", "map"}, "--view, --map-altitude and --slew are for --headless"},
        BadCase{{"--slew", "-d", "1.2.3.4"},
                "--view, --map-altitude and --slew are for --headless"},
        BadCase{{"--headless", "-d", "1.2.3.4", "--view", "Map"},
                "--view: 'Map' is not a view (forward, fwd-left, fwd-right, left-window, "
                "right-window, map)"},
        BadCase{{"--headless", "-d", "1.2.3.4", "--map-altitude", "100001"},
                "--map-altitude: '100001' is not a height from 0 to 100000 metres"},
        BadCase{{"--rate", "45"}, "--rate: '45' is not 30 or 60 datagrams a second"},
        BadCase{{"--rate", "060"}, "--rate: '060' is not 30 or 60 datagrams a second"},
        BadCase{{"--time-slice", "99"},
                "--time-slice: '99' is not 0 or a slice from 100 to 100000 microseconds"},
        BadCase{{"--time-slice", "100001"},
                "--time-slice: '100001' is not 0 or a slice from 100 to 100000 microseconds"},
        BadCase{{"--final-poll", "1001"},
                "--final-poll: '1001' is not a time from 0 to 1000 microseconds or auto"}));

}  // namespace
