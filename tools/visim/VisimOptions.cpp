#include "VisimOptions.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

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

bool CheckSegmentName(const char* name, char* error, int errorSize) {
  std::size_t length = std::strlen(name);
  if (length == 0 || length >= static_cast<std::size_t>(BaseSharedMemory::kNameSize)) {
    SafeFormat(error, errorSize, "--segment: a name of 1 to %d characters is needed",
               BaseSharedMemory::kNameSize - 1);
    return false;
  }
  for (std::size_t i = 0; i < length; ++i) {
    unsigned char c = static_cast<unsigned char>(name[i]);
    if (c == '/' || c <= 0x20 || c > 0x7E) {
      SafeFormat(error, errorSize,
                 "--segment: \"%s\" may hold only printable characters, no blanks or \"/\"", name);
      return false;
    }
  }
  return true;
}

// Cross-checks once every option has been read.
bool CheckCombination(const VisimOptions& options, bool rateGiven, bool durationGiven, char* error,
                      int errorSize) {
  if (options.help) return true;
  if (options.demo && options.Replays()) {
    SafeFormat(error, errorSize, "--demo and --replay cannot run together");
    return false;
  }
  if (options.remove && (options.Writes() || options.dump)) {
    SafeFormat(error, errorSize, "--remove goes with --segment only");
    return false;
  }
  if ((rateGiven || durationGiven) && !options.demo && !options.Replays()) {
    SafeFormat(error, errorSize, "%s needs --demo or --replay",
               rateGiven ? "--rate" : "--duration");
    return false;
  }
  if (!options.Writes() && !options.dump && !options.remove) {
    SafeFormat(error, errorSize, "nothing to do: give --demo, --replay, --set, --dump or --remove");
    return false;
  }
  return true;
}

}  // namespace

bool ParseVisimOptions(int argc, const char* const* argv, VisimOptions* options, char* error,
                       int errorSize) {
  *options = VisimOptions();
  SafeCopy(error, "", errorSize);
  bool rateGiven = false;
  bool durationGiven = false;
  for (int i = 1; i < argc; ++i) {
    char name[64];
    const char* argument = argv[i];
    const char* value = nullptr;
    const char* equals = std::strchr(argument, '=');
    if (std::strncmp(argument, "--", 2) == 0 && equals != nullptr) {
      SafeCopy(name, argument,
               static_cast<int>(std::min<std::ptrdiff_t>(equals - argument + 1, 64)));
      value = equals + 1;
    } else {
      SafeCopy(name, argument, sizeof name);
    }
    bool takesValue = std::strcmp(name, "--replay") == 0 || std::strcmp(name, "--set") == 0 ||
                      std::strcmp(name, "--rate") == 0 || std::strcmp(name, "--duration") == 0 ||
                      std::strcmp(name, "--segment") == 0;
    if (takesValue && value == nullptr) {
      if (i + 1 >= argc) {
        SafeFormat(error, errorSize, "%s needs a value", name);
        return false;
      }
      value = argv[++i];
    } else if (!takesValue && value != nullptr) {
      SafeFormat(error, errorSize, "%s takes no value", name);
      return false;
    }

    if (std::strcmp(name, "--help") == 0 || std::strcmp(name, "-h") == 0) {
      options->help = true;
    } else if (std::strcmp(name, "--demo") == 0) {
      options->demo = true;
    } else if (std::strcmp(name, "--dump") == 0) {
      options->dump = true;
    } else if (std::strcmp(name, "--remove") == 0) {
      options->remove = true;
    } else if (std::strcmp(name, "--replay") == 0) {
      if (value[0] == '\0' || std::strlen(value) >= sizeof options->replayFile) {
        SafeFormat(error, errorSize, "--replay: a file name is needed");
        return false;
      }
      SafeCopy(options->replayFile, value, sizeof options->replayFile);
    } else if (std::strcmp(name, "--set") == 0) {
      if (!SetField(value, &options->sets, error, errorSize)) return false;
    } else if (std::strcmp(name, "--rate") == 0) {
      if (!PositiveNumber(value, &options->rate) || options->rate < kMinRate ||
          options->rate > kMaxRate) {
        SafeFormat(error, errorSize, "--rate: \"%.40s\" is not a rate from %g to %g Hz", value,
                   kMinRate, kMaxRate);
        return false;
      }
      rateGiven = true;
    } else if (std::strcmp(name, "--duration") == 0) {
      if (!PositiveNumber(value, &options->duration) || options->duration > kMaxDuration) {
        SafeFormat(error, errorSize, "--duration: \"%.40s\" is not a number of seconds above 0",
                   value);
        return false;
      }
      durationGiven = true;
    } else if (std::strcmp(name, "--segment") == 0) {
      if (!CheckSegmentName(value, error, errorSize)) return false;
      SafeCopy(options->segment, value, sizeof options->segment);
    } else {
      SafeFormat(error, errorSize, "unknown option \"%.60s\"", argument);
      return false;
    }
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
         "  --replay FILE.csv    write a recorded track at its own times; the header\n"
         "                       line names the columns: time_s and any of the fields\n"
         "                       below; an empty cell or a missing column keeps the\n"
         "                       last value; lines starting with # are skipped\n"
         "  --set FIELD=VALUE    write one field once (repeatable)\n"
         "  --dump               print the record's fields and user count\n"
         "  --remove             remove the segment\n"
         "\n"
         "Options:\n"
         "  --rate HZ            frames written a second (default 60, 1 to 1000)\n"
         "  --duration S         stop after S seconds (default: until Ctrl-C)\n"
         "  --segment NAME       segment name (default VisualInterface)\n"
         "  --help               this text\n"
         "\n"
         "Fields: lat, lon (degrees, north and east positive), altitude_m, height_agl_m\n"
         "(metres), pitch, bank, heading (degrees), airport (up to 8 characters),\n"
         "view (0 forward, 1 left window, 2 right window, 3 left eye point, 4 right\n"
         "eye point), time_value (whole number), state_word (whole number; 0xFFFFFF\n"
         "holds the station's link indication).\n"
         "\n"
         "Exit status: 0 done, 1 the segment could not be used, 2 bad arguments or\n"
         "a bad replay file (nothing is written then).\n";
}
