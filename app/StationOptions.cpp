#include "StationOptions.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include "BaseSharedMemory.h"
#include "CommandLine.h"
#include "SharedSegment.h"
#include "SocketApi.h"
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
     "let --receiver name a broadcast address (the\n"
     "                             sending socket gets SO_BROADCAST)"},
    {"busy-wait", 0, &StationSettings::busyWait,
     "poll between frames instead of sleeping (hosts whose wake-ups come late)"},
    {"realtime", 0, &StationSettings::realtime,
     "ask for a real-time priority for the frame loop where allowed"},
    {"headless", 0, &StationSettings::headless,
     "run without a window (no display needed): attach, connect\n"
     "                             and send to --destination at once; what the\n"
     "                             window would show goes to standard error"},
    {"slew", 0, &StationSettings::slew, "with --headless: turn to a new view gradually"},
};
constexpr int kFlagCount = static_cast<int>(sizeof kFlags / sizeof kFlags[0]);

// Keys of the options that are not flags; flag i has key kFirstFlagKey + i.
enum OptionKey : int {
  kDestinationKey = 'd',
  kPortKey = 'p',
  kSegmentKey = 's',
  kDirectoryKey = 'C',
  kReceiverKey = 'r',
  kHelpKey = 'h',
  kVersionKey = 1000,
  kViewKey = 1001,
  kMapAltitudeKey = 1002,
  kRateKey = 1003,
  kTimeSliceKey = 1004,
  kFinalPollKey = 1005,
  kFirstFlagKey = 2000,
};

const Platform::CommandOption kValueOptions[] = {
    {"destination", 'd', true, kDestinationKey}, {"port", 'p', true, kPortKey},
    {"segment", 's', true, kSegmentKey},         {"directory", 'C', true, kDirectoryKey},
    {"receiver", 'r', true, kReceiverKey},       {"help", 'h', false, kHelpKey},
    {"version", 0, false, kVersionKey},
    {"view", 0, true, kViewKey},
    {"map-altitude", 0, true, kMapAltitudeKey},
    {"rate", 0, true, kRateKey},
    {"time-slice", 0, true, kTimeSliceKey},
    {"final-poll", 0, true, kFinalPollKey},  // one a line
};

// The views --view names, as the window's boxes choose them.
const struct {
  const char* name;
  int mode;
} kViewNames[] = {
    {"forward", ViewForward},          {"fwd-left", ViewFwdL},
    {"fwd-right", ViewFwdR},           {"left-window", ViewLeftWindow},
    {"right-window", ViewRightWindow}, {"map", ViewMap},
};
// The time slices the fair scheduler takes, in microseconds, and the
// longest final poll: a frame period at the loop's highest rate.
constexpr int kLeastTimeSlice = 100;
constexpr int kMostTimeSlice = 100000;
constexpr int kMostFinalPoll = 1000;
// The map slider's right end: 100 km above the aircraft.
constexpr int kMostMapAltitude = 100000;

std::vector<Platform::CommandOption> AllOptions() {
  std::vector<Platform::CommandOption> options(std::begin(kValueOptions), std::end(kValueOptions));
  for (int i = 0; i < kFlagCount; ++i) {
    options.push_back({kFlags[i].longName, kFlags[i].shortName, false, kFirstFlagKey + i});
  }
  return options;
}

// Four numbers 0 to 255 with a dot between each.
bool ReadAddress(const char* text, unsigned char (&octets)[4]) {
  std::uint32_t address = 0;
  if (Platform::ReadStrictAddress(text, &address) != Platform::AddressReading::kRead) return false;
  std::memcpy(octets, &address, sizeof octets);
  return true;
}

bool ReadDirectory(const char* text, char* fault, int faultSize) {
  if (text[0] == '\0' || std::strlen(text) >= 1000) {
    SafeFormat(fault, faultSize, "--directory: a folder name of 1 to 999 characters is needed");
    return false;
  }
  std::error_code error;
  const bool isFolder = std::filesystem::is_directory(text, error);
  if (error) {
    SafeFormat(fault, faultSize, "--directory: cannot use '%s': %s", text, error.message().c_str());
    return false;
  }
  if (!isFolder) {
    SafeFormat(fault, faultSize, "--directory: '%s' is not a folder", text);
    return false;
  }
  return true;
}

// A receiver's port when --receiver names none: Google Earth's ViewSync port.
constexpr int kReceiverPort = 7001;

// "A.B.C.D" or "A.B.C.D:PORT" into a receiver; false with the fault.
bool ReadReceiverAddress(const char* text, ViewSyncReceiver* receiver, char* fault, int faultSize) {
  const char* colon = std::strchr(text, ':');
  const std::size_t length =
      colon != nullptr ? static_cast<std::size_t>(colon - text) : std::strlen(text);
  char address[16];  // "255.255.255.255"
  unsigned char octets[4];
  bool readable = length < sizeof address;
  if (readable) {
    SafeCopy(address, text, static_cast<int>(length + 1));
    readable = ReadAddress(address, octets);
  }
  if (!readable) {
    SafeFormat(fault, faultSize,
               "--receiver: '%s' is not an address of four numbers 0-255 with an optional port "
               "(A.B.C.D[:PORT])",
               text);
    return false;
  }
  std::int64_t port = kReceiverPort;
  if (colon != nullptr && !Platform::ReadWholeNumber(colon + 1, 1, 65535, &port)) {
    SafeFormat(fault, faultSize, "--receiver: '%s': the port is not a number from 1 to 65535",
               text);
    return false;
  }
  std::memcpy(&receiver->address, octets, sizeof receiver->address);
  receiver->port = static_cast<int>(port);
  if (receiver->address == 0) {
    SafeFormat(fault, faultSize, "--receiver: '%s' is not a receiver's address", text);
    return false;
  }
  return true;
}

// One more receiver for the settings: a new one, and no more than they hold.
bool ReadReceiver(const char* text, StationSettings* settings, char* fault, int faultSize) {
  ViewSyncReceiver receiver{};
  if (!ReadReceiverAddress(text, &receiver, fault, faultSize)) return false;
  for (int i = 0; i < settings->receiverCount; ++i) {
    if (settings->receivers[i].address == receiver.address &&
        settings->receivers[i].port == receiver.port) {
      SafeFormat(fault, faultSize, "--receiver: '%s' is given twice", text);
      return false;
    }
  }
  if (settings->receiverCount == ViewSyncReceivers::kMostReceivers) {
    SafeFormat(fault, faultSize, "--receiver: '%s': at most %d receivers", text,
               ViewSyncReceivers::kMostReceivers);
    return false;
  }
  settings->receivers[settings->receiverCount++] = receiver;
  return true;
}

// A broadcast address reaches a whole network: only with --broadcast, which
// may stand anywhere on the command line.
bool CheckBroadcastReceivers(const StationSettings& settings, char* fault, int faultSize) {
  for (int i = 0; i < settings.receiverCount && !settings.broadcast; ++i) {
    if (Platform::IsBroadcastAddress(settings.receivers[i].address)) {
      char address[ViewSyncReceivers::kAddressTextSize];
      ViewSyncReceivers::FormatAddress(settings.receivers[i], address, sizeof address);
      SafeFormat(fault, faultSize,
                 "--receiver: %s is a broadcast address: add --broadcast to send to it", address);
      return false;
    }
  }
  return true;
}

// One option with a value into the settings; false with the fault.
bool ReadValue(int key, const char* value, StationSettings* settings, char* fault, int faultSize) {
  std::int64_t number = 0;
  switch (key) {
    case kDestinationKey:
      if (!ReadAddress(value, settings->destination)) {
        SafeFormat(fault, faultSize,
                   "--destination: '%s' is not an address of four numbers 0-255 (A.B.C.D)", value);
        return false;
      }
      settings->destinationGiven = true;
      return true;
    case kPortKey:
      if (!Platform::ReadWholeNumber(value, 1, 65535, &number)) {
        SafeFormat(fault, faultSize, "--port: '%s' is not a port from 1 to 65535", value);
        return false;
      }
      settings->localPort = static_cast<int>(number);
      return true;
    case kReceiverKey:
      return ReadReceiver(value, settings, fault, faultSize);
    case kViewKey:
      for (const auto& view : kViewNames) {
        if (std::strcmp(value, view.name) == 0) {
          settings->view = view.mode;
          settings->viewGiven = true;
          return true;
        }
      }
      SafeFormat(fault, faultSize,
                 "--view: '%s' is not a view (forward, fwd-left, fwd-right, left-window, "
                 "right-window, map)",
                 value);
      return false;
    case kMapAltitudeKey:
      if (!Platform::ReadWholeNumber(value, 0, kMostMapAltitude, &number)) {
        SafeFormat(fault, faultSize, "--map-altitude: '%s' is not a height from 0 to %d metres",
                   value, kMostMapAltitude);
        return false;
      }
      settings->mapAltitude = static_cast<double>(number);
      settings->mapAltitudeGiven = true;
      return true;
    case kRateKey:
      if (std::strcmp(value, "30") == 0 || std::strcmp(value, "60") == 0) {
        settings->sendRate = value[0] == '3' ? kBaseSendRate : kFastSendRate;
        return true;
      }
      SafeFormat(fault, faultSize, "--rate: '%s' is not 30 or 60 datagrams a second", value);
      return false;
    case kTimeSliceKey:
      if (!Platform::ReadWholeNumber(value, 0, kMostTimeSlice, &number) ||
          (number != 0 && number < kLeastTimeSlice)) {
        SafeFormat(fault, faultSize,
                   "--time-slice: '%s' is not 0 or a slice from %d to %d microseconds", value,
                   kLeastTimeSlice, kMostTimeSlice);
        return false;
      }
      settings->timeSliceMicroseconds = static_cast<int>(number);
      return true;
    case kFinalPollKey:
      if (!Platform::ReadWholeNumber(value, 0, kMostFinalPoll, &number)) {
        SafeFormat(fault, faultSize, "--final-poll: '%s' is not a time from 0 to %d microseconds",
                   value, kMostFinalPoll);
        return false;
      }
      settings->finalPollMicroseconds = static_cast<int>(number);
      return true;
    case kSegmentKey:
      if (!Platform::IsSegmentName(value, BaseSharedMemory::kNameSize - 1)) {
        SafeFormat(fault, faultSize,
                   "--segment: '%s' is not a segment name (1 to %d printable characters, no "
                   "blanks or '/')",
                   value, BaseSharedMemory::kNameSize - 1);
        return false;
      }
      settings->segmentName = value;
      return true;
    default:
      if (!ReadDirectory(value, fault, faultSize)) return false;
      settings->workingFolder = value;
      return true;
  }
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
  if (!settings->headless &&
      (settings->viewGiven || settings->mapAltitudeGiven || settings->slew)) {
    // The window has its own boxes for them.
    SafeCopy(fault, "--view, --map-altitude and --slew are for --headless", faultSize);
    return StationCommand::Fault;
  }
  if (settings->headless && !settings->destinationGiven) {
    SafeCopy(fault, "--headless needs --destination", faultSize);
    return StationCommand::Fault;
  }
  return CheckBroadcastReceivers(*settings, fault, faultSize) ? StationCommand::Run
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
      "  -d, --destination A.B.C.D  the address the destination boxes start with\n"
      "                             (default: this host's own address)\n"
      "  -p, --port N               the local port the datagrams leave from, 1 to\n"
      "                             65535 (default 7000)\n"
      "  -s, --segment NAME         the simulator's shared segment (default\n"
      "                             VisualInterface)\n"
      "  -C, --directory DIR        the working folder of Offsets.dat, its backup and\n"
      "                             ViewSyncCounter.txt (default: the current folder)\n"
      "  -r, --receiver ADDR[:PORT]\n"
      "                             also send every datagram, with the same counter,\n"
      "                             to this receiver (port default 7001); up to 16\n";
  for (const StationFlag& flag : kFlags) {
    char line[256];
    char name[64];
    SafeFormat(name, sizeof name, "%c%c%s --%s", flag.shortName != 0 ? '-' : ' ',
               flag.shortName != 0 ? flag.shortName : ' ', flag.shortName != 0 ? "," : " ",
               flag.longName);
    SafeFormat(line, sizeof line, "  %-25s  %s\n", name, flag.help);
    text += line;
  }
  char loopLines[600];
  SafeFormat(loopLines, sizeof loopLines,
             "      --rate N               datagrams a second: 30 (default, on every second\n"
             "                             frame step) or 60 (on every frame step)\n"
             "      --time-slice US        the frame loop's time slice, %d to %d\n"
             "                             microseconds, or 0 for the kernel's own\n"
             "                             (default %d)\n"
             "      --final-poll US        poll for the last US microseconds before each\n"
             "                             frame, 0 to %d (default %d); 0 sleeps to its time\n",
             kLeastTimeSlice, kMostTimeSlice, kDefaultTimeSliceMicroseconds, kMostFinalPoll,
             kDefaultFinalPollMicroseconds);
  text += loopLines;
  text +=
      "      --view VIEW            with --headless: forward (default), fwd-left,\n"
      "                             fwd-right, left-window, right-window or map\n"
      "      --map-altitude METRES  with --headless: the map view's height above the\n"
      "                             aircraft, 0 to 100000 (default 0)\n"
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
  return -1;
}
