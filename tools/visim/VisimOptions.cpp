#include "VisimOptions.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "CommandLine.h"
#include "SharedSegment.h"
#include "TextFunctions.h"

namespace {

// At least one frame a second, so that Ctrl-C is never kept waiting long.
constexpr double kMinRate = 1.0;
constexpr double kMaxRate = 1000.0;
constexpr double kMaxDuration = 1.0e7;

// A strict positive decimal: the whole text is the number.
bool PositiveNumber(const char* text, double* value) {
  return ParseVisimNumber(text, value) && *value > 0.0;
}

bool SetField(const char* assignment, VisimFields* sets, char* error, int errorSize) {
  const char* equals = std::strchr(assignment, '=');
  if (equals == nullptr) {
    SafeFormat(error, errorSize, "--set: \"%.60s\" is not FIELD=VALUE", assignment);
    return false;
  }
  VisimField field{};
  if (!FindVisimField(assignment, static_cast<int>(equals - assignment), &field)) {
    SafeFormat(error, errorSize, "--set: unknown field \"%.*s\" (fields: %s)",
               static_cast<int>(std::min<std::ptrdiff_t>(equals - assignment, 40)), assignment,
               VisimFieldNames());
    return false;
  }
  char reason[256];
  if (!ParseVisimField(field, equals + 1, sets, reason, sizeof reason)) {
    SafeFormat(error, errorSize, "--set %s", reason);
    return false;
  }
  return true;
}

// Cross-checks once every option has been read.
bool CheckCombination(const VisimOptions& options, bool rateGiven, bool durationGiven, char* error,
                      int errorSize) {
  if (options.help || options.version) return true;
  if (options.demo && options.Replays()) {
    SafeFormat(error, errorSize, "--demo and --replay cannot run together");
    return false;
  }
  if (options.Records() && (options.Writes() || options.dump || options.remove)) {
    SafeFormat(error, errorSize, "--record goes with --rate, --duration and --segment only");
    return false;
  }
  if (options.remove && (options.Writes() || options.dump)) {
    SafeFormat(error, errorSize, "--remove goes with --segment only");
    return false;
  }
  if (options.Logs() && !options.demo && !options.Replays()) {
    SafeFormat(error, errorSize, "--write-log needs --demo or --replay");
    return false;
  }
  if ((rateGiven || durationGiven) && !options.demo && !options.Replays() && !options.Records()) {
    SafeFormat(error, errorSize, "%s needs --demo, --replay or --record",
               rateGiven ? "--rate" : "--duration");
    return false;
  }
  if (!options.Writes() && !options.dump && !options.remove && !options.Records()) {
    SafeFormat(error, errorSize,
               "nothing to do: give --demo, --replay, --record, --set, --dump or --remove");
    return false;
  }
  return true;
}

enum VisimKey : int {
  kHelpKey = 'h',
  kVersionKey = 1000,
  kDemoKey,
  kReplayKey,
  kRecordKey,
  kSetKey,
  kDumpKey,
  kRemoveKey,
  kRateKey,
  kDurationKey,
  kSegmentKey,
  kWriteLogKey,
};

const Platform::CommandOption kOptions[] = {
    {"demo", 0, false, kDemoKey},       {"replay", 0, true, kReplayKey},
    {"record", 0, true, kRecordKey},    {"set", 0, true, kSetKey},
    {"dump", 0, false, kDumpKey},       {"remove", 0, false, kRemoveKey},
    {"rate", 0, true, kRateKey},        {"duration", 0, true, kDurationKey},
    {"segment", 0, true, kSegmentKey},  {"help", 'h', false, kHelpKey},
    {"version", 0, false, kVersionKey}, {"write-log", 0, true, kWriteLogKey},
};

// One option with a value into the options; false with the fault.
bool ReadValue(int key, const char* value, VisimOptions* options, char* error, int errorSize) {
  switch (key) {
    case kReplayKey:
      if (value[0] == '\0' || std::strlen(value) >= sizeof options->replayFile) {
        SafeFormat(error, errorSize, "--replay: a file name is needed");
        return false;
      }
      SafeCopy(options->replayFile, value, sizeof options->replayFile);
      return true;
    case kRecordKey:
      if (value[0] == '\0' || std::strlen(value) >= sizeof options->recordFile) {
        SafeFormat(error, errorSize, "--record: a file name is needed");
        return false;
      }
      SafeCopy(options->recordFile, value, sizeof options->recordFile);
      return true;
    case kWriteLogKey:
      if (value[0] == '\0' || std::strlen(value) >= sizeof options->writeLogFile) {
        SafeFormat(error, errorSize, "--write-log: a file name is needed");
        return false;
      }
      SafeCopy(options->writeLogFile, value, sizeof options->writeLogFile);
      return true;
    case kSetKey:
      return SetField(value, &options->sets, error, errorSize);
    case kRateKey:
      if (!PositiveNumber(value, &options->rate) || options->rate < kMinRate ||
          options->rate > kMaxRate) {
        SafeFormat(error, errorSize, "--rate: \"%.40s\" is not a rate from %g to %g Hz", value,
                   kMinRate, kMaxRate);
        return false;
      }
      return true;
    case kDurationKey:
      if (!PositiveNumber(value, &options->duration) || options->duration > kMaxDuration) {
        SafeFormat(error, errorSize, "--duration: \"%.40s\" is not a number of seconds above 0",
                   value);
        return false;
      }
      return true;
    default:
      if (!Platform::IsSegmentName(value, BaseSharedMemory::kNameSize - 1)) {
        SafeFormat(error, errorSize,
                   "--segment: \"%.60s\" is not a segment name (1 to %d printable characters, "
                   "no blanks or \"/\")",
                   value, BaseSharedMemory::kNameSize - 1);
        return false;
      }
      SafeCopy(options->segment, value, sizeof options->segment);
      return true;
  }
}

}  // namespace

bool ParseVisimOptions(int argc, const char* const* argv, VisimOptions* options, char* error,
                       int errorSize) {
  *options = VisimOptions();
  bool rateGiven = false;
  bool durationGiven = false;
  auto read = [&](int key, const char* value) {
    switch (key) {
      case kHelpKey:
        options->help = true;
        return true;
      case kVersionKey:
        options->version = true;
        return true;
      case kDemoKey:
        options->demo = true;
        return true;
      case kDumpKey:
        options->dump = true;
        return true;
      case kRemoveKey:
        options->remove = true;
        return true;
      default:
        rateGiven = rateGiven || key == kRateKey;
        durationGiven = durationGiven || key == kDurationKey;
        return ReadValue(key, value, options, error, errorSize);
    }
  };
  if (!Platform::ReadCommandLine(argc, argv, kOptions, sizeof kOptions / sizeof kOptions[0], read,
                                 error, errorSize)) {
    return false;
  }
  return CheckCombination(*options, rateGiven, durationGiven, error, errorSize);
}

const char* VisimUsage() {
  return "Usage: visim [--segment NAME] ACTION...\n"
         "Stands in for the simulator: writes the eye point, heights, attitude, airport\n"
         "and view selection into the shared segment that the visual station reads.\n"
         "It attaches to the segment, or creates and stamps it as the station would.\n"
         "\n"
         "Actions (--set runs first, then --demo or --replay, then --dump):\n"
         "  --demo               fly the built-in departure westward from Heathrow\n"
         "                       (51.4775 N, 0.4614 W), climbing to 2,000 m with a\n"
         "                       turn, and start over (about 5 minutes a lap)\n"
         "  --replay FILE.csv    write a recorded track at its own times, each row in a\n"
         "                       frame of its own (rows closer than a frame make the\n"
         "                       replay run behind, none is left out); the header\n"
         "                       line names the columns: time_s and any of the fields\n"
         "                       below; an empty cell or a missing column keeps the\n"
         "                       last value; lines starting with # are skipped; the\n"
         "                       file, of any length, is checked whole first, then\n"
         "                       read row by row as it is written; a last line cut\n"
         "                       short is skipped with a notice\n"
         "  --record FILE.csv    write down what a live simulator writes, in the\n"
         "                       format --replay reads: a row whenever a field\n"
         "                       changed, polled --rate times a second, its time to\n"
         "                       the microsecond; the segment is only read (never\n"
         "                       created, stamped or counted as a user); the file is\n"
         "                       written out once a second, and cut back to its last\n"
         "                       whole row when a write fails (a full disk)\n"
         "  --set FIELD=VALUE    write one field once (repeatable)\n"
         "  --dump               print the record's fields and user count\n"
         "  --remove             remove the segment\n"
         "\n"
         "Options:\n"
         "  --rate HZ            frames written or read a second (default 60, 1 to 1000)\n"
         "  --duration S         stop after S seconds (default: until Ctrl-C)\n"
         "  --segment NAME       segment name (default VisualInterface)\n"
         "  --write-log LOG.csv  with --demo or --replay: a line for every write of\n"
         "                       the record, the real-time clock's nanoseconds just\n"
         "                       after it and the fields then held, to match with the\n"
         "                       datagrams a receiver gets: realtime_ns,lat,lon,\n"
         "                       altitude_m,height_agl_m,pitch,bank,heading,view,\n"
         "                       time_value (exact digits); written out once a second\n"
         "  -h, --help           print this help and exit\n"
         "  --version            print the version and exit\n"
         "\n"
         "Fields: lat, lon (degrees, north and east positive), altitude_m, height_agl_m\n"
         "(metres), pitch, bank, heading (degrees), airport (up to 8 characters),\n"
         "view (0 forward, 1 left window, 2 right window, 3 left eye point, 4 right\n"
         "eye point), time_value (whole number), state_word (whole number; 0xFFFFFF\n"
         "holds the station's link indication).\n"
         "\n"
         "Exit status: 0 done, 1 the segment, the replay file, the record file or\n"
         "the write log could not be used,\n"
         "2 bad arguments or a replay file with a faulty line (nothing is written\n"
         "then).\n";
}
