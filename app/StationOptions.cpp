#include "StationOptions.h"

#include <cstdio>
#include <vector>

#include "CommandLine.h"
#include "QMP0001_02_RtLan.h"
#include "StationOptionValues.h"
#include "StopSignals.h"
#include "TavrionVersion.h"
#include "TextFunctions.h"

namespace {

// The options that only switch one setting on. A new one is a line here and
// its field in StationSettings; the reading and the help follow from this.
struct StationFlag {
  const char* longName;
  char shortName;  // 0: long form only
  bool StationSettings::*field;
  const char* help;
};
const StationFlag kFlags[] = {
    {"connect", 'c', &StationSettings::connect, "press Connect once the window is up"},
    {"broadcast", 0, &StationSettings::broadcast,
     "let --destination and --receiver name a broadcast\n"
     "                             address (the sending socket gets SO_BROADCAST)"},
    {"busy-wait", 0, &StationSettings::busyWait,
     "poll between frames instead of sleeping (hosts\n"
     "                             whose wake-ups come late)"},
    {"realtime", 0, &StationSettings::realtime,
     "ask for a real-time priority for the frame loop\n"
     "                             where allowed (not with --busy-wait)"},
    {"follow-simulator", 0, &StationSettings::followSimulator,
     "send just after the simulator's writes of the record\n"
     "                             (learnt by looking at it) instead of at the\n"
     "                             loop's own phase; at most --rate a second"},
    {"headless", 0, &StationSettings::headless,
     "run without a window (no display needed): attach,\n"
     "                             connect and send to --destination at once;\n"
     "                             what the window would show goes to standard\n"
     "                             error"},
    {"slew", 0, &StationSettings::slew, "with --headless: turn to a new view gradually"},
};
constexpr int kFlagCount = static_cast<int>(sizeof kFlags / sizeof kFlags[0]);

// The options that take a value, each with its reader; help and version.
struct ValueOption {
  Platform::CommandOption option;
  StationValueReader read;
};
const ValueOption kValueOptions[] = {
    {{"destination", 'd', true, 'd'}, ReadDestinationOption},
    {{"port", 'p', true, 'p'}, ReadPortOption},
    {{"segment", 's', true, 's'}, ReadSegmentOption},
    {{"directory", 'C', true, 'C'}, ReadDirectoryOption},
    {{"receiver", 'r', true, 'r'}, ReadReceiverOption},
    {{"view", 0, true, 1001}, ReadViewOption},
    {{"map-altitude", 0, true, 1002}, ReadMapAltitudeOption},
    {{"rate", 0, true, 1003}, ReadRateOption},
    {{"time-slice", 0, true, 1004}, ReadTimeSliceOption},
    {{"final-poll", 0, true, 1005}, ReadFinalPollOption},
    {{"control", 0, true, 1006}, ReadControlOption},
};
constexpr int kHelpKey = 'h';
constexpr int kVersionKey = 1000;
// Flag i has the key kFirstFlagKey + i.
constexpr int kFirstFlagKey = 2000;

std::vector<Platform::CommandOption> AllOptions() {
  std::vector<Platform::CommandOption> options;
  for (const ValueOption& value : kValueOptions) {
    options.push_back(value.option);
  }
  options.push_back({"help", 'h', false, kHelpKey});
  options.push_back({"version", 0, false, kVersionKey});
  for (int i = 0; i < kFlagCount; ++i) {
    options.push_back({kFlags[i].longName, kFlags[i].shortName, false, kFirstFlagKey + i});
  }
  return options;
}

// One option with a value into the settings; false with the fault.
bool ReadValue(int key, const char* value, StationSettings* settings, char* fault, int faultSize) {
  for (const ValueOption& option : kValueOptions) {
    if (option.option.key == key) {
      return option.read(value, settings, fault, faultSize);
    }
  }
  return false;
}

// The combinations of options that cannot be; false with the fault.
bool CheckCombinations(const StationSettings& settings, char* fault, int faultSize) {
  if (!settings.headless && (settings.viewGiven || settings.mapAltitudeGiven || settings.slew)) {
    // The window has its own boxes for them.
    SafeCopy(fault, "--view, --map-altitude and --slew are for --headless", faultSize);
    return false;
  }
  if (settings.headless && !settings.destinationGiven) {
    SafeCopy(fault, "--headless needs --destination", faultSize);
    return false;
  }
  return CheckBroadcastAddresses(settings, fault, faultSize);
}

}  // namespace

StationCommand ParseStationOptions(int argc, const char* const* argv, StationSettings* settings,
                                   char* fault, int faultSize) {
  bool help = false;
  bool version = false;
  const std::vector<Platform::CommandOption> options = AllOptions();
  auto read = [&](int key, const char* value) {
    if (key == kHelpKey) {
      help = true;
    } else if (key == kVersionKey) {
      version = true;
    } else if (key >= kFirstFlagKey) {
      settings->*kFlags[key - kFirstFlagKey].field = true;
    } else {
      return ReadValue(key, value, settings, fault, faultSize);
    }
    return true;
  };
  if (!Platform::ReadCommandLine(argc, argv, options.data(), static_cast<int>(options.size()), read,
                                 fault, faultSize)) {
    return StationCommand::Fault;
  }
  if (settings->busyWait && settings->realtime) {
    // A polling loop at a real-time priority would hold a core from
    // everything else on the machine.
    SafeCopy(fault, "--realtime cannot be used with --busy-wait", faultSize);
    return StationCommand::Fault;
  }
  if (help) return StationCommand::Help;
  if (version) return StationCommand::Version;
  return CheckCombinations(*settings, fault, faultSize) ? StationCommand::Run
                                                        : StationCommand::Fault;
}

std::string StationUsage() {
  std::string text =
      "Usage: tavrion [OPTION]...\n"
      "The visual-interface station of a flight simulator: reads the eye point from\n"
      "the simulator's shared segment and sends it as Google Earth ViewSync datagrams\n"
      "to port 7001 of the address in its window, and to every --receiver. The\n"
      "highest counter sent is kept in ViewSyncCounter.txt in the working folder, so\n"
      "that a Google Earth that kept running accepts a restarted station at once.\n"
      "\n"
      "  -d, --destination A.B.C.D  where the datagrams go, at port 7001; the window's\n"
      "                             boxes start with it (default: this host's own\n"
      "                             address)\n"
      "  -p, --port N               the local port the datagrams leave from, 1 to\n"
      "                             65535 (default 7000)\n"
      "  -s, --segment NAME         the simulator's shared segment (default\n"
      "                             VisualInterface)\n"
      "  -C, --directory DIR        the working folder of Offsets.dat, its backup,\n"
      "                             ViewSyncCounter.txt and the LAN log (default: the\n"
      "                             current folder)\n"
      "  -r, --receiver ADDR[:PORT]\n"
      "                             also send every datagram, with the same counter,\n"
      "                             to this receiver (port default 7001); up to 16\n";
  for (const StationFlag& flag : kFlags) {
    char line[512];
    char name[64];
    SafeFormat(name, sizeof name, "%c%c%s --%s", flag.shortName != 0 ? '-' : ' ',
               flag.shortName != 0 ? flag.shortName : ' ', flag.shortName != 0 ? "," : " ",
               flag.longName);
    SafeFormat(line, sizeof line, "  %-25s  %s\n", name, flag.help);
    text += line;
  }
  char loopLines[800];
  SafeFormat(loopLines, sizeof loopLines,
             "      --rate N               datagrams a second: 30 (default, on every second\n"
             "                             frame step) or 60 (on every frame step)\n"
             "      --time-slice US        the frame loop's time slice, %d to %d\n"
             "                             microseconds, or 0 for the kernel's own\n"
             "                             (default %d)\n"
             "      --final-poll US        poll for the last US microseconds before each\n"
             "                             frame, 0 to %d (default %d); 0 sleeps to its time;\n"
             "                             auto sleeps to its time less a lead learnt from\n"
             "                             the loop's own wake-ups and polls the lead\n",
             kLeastTimeSlice, kMostTimeSlice, kDefaultTimeSliceMicroseconds, kMostFinalPoll,
             kDefaultFinalPollMicroseconds);
  text += loopLines;
  text +=
      "      --view VIEW            with --headless: forward (default), fwd-left,\n"
      "                             fwd-right, left-window, right-window or map\n"
      "      --map-altitude METRES  with --headless: the map view's height above the\n"
      "                             aircraft, 0 to 100000 (default 0)\n"
      "      --control PATH         steer the station through a control socket at PATH\n"
      "                             (tavrion-ctl); with --headless under systemd the\n"
      "                             default is $RUNTIME_DIRECTORY/control\n"
      "  -h, --help                 print this help and exit\n"
      "      --version              print the version and exit\n"
      "\n"
      "Exit status: 0 when the station was closed (also by SIGTERM, SIGINT or\n"
      "SIGHUP), 2 for a bad command line, another value when the display could not\n"
      "be opened or, with --headless, the station could not start.\n";
  return text;
}

int SettleStationCommand(int argc, char** argv, StationSettings* settings) {
  char fault[512];
  switch (ParseStationOptions(argc, argv, settings, fault, sizeof fault)) {
    case StationCommand::Help:
      std::fputs(StationUsage().c_str(), stdout);
      return 0;
    case StationCommand::Version:
      PrintTavrionVersion(stdout, "tavrion");
      return 0;
    case StationCommand::Fault:
      Platform::PrintUsageFault(stderr, "tavrion", fault);
      return 2;
    case StationCommand::Run:
      break;
  }
  if (Platform::TakeStopSignal() != 0) {
    return 0;  // asked to stop before anything was started
  }
  // Unattended, the host's own address is the only destination there could
  // be: without it the station would send nowhere, counting for nobody.
  if (settings->connect && !settings->destinationGiven && QMP0001_02_RtLan::FindOwnAddress() == 0) {
    Platform::PrintUsageFault(stderr, "tavrion",
                              "--connect: this host's name gives no address to send to: name "
                              "the destination with --destination");
    return 2;
  }
  return -1;
}
