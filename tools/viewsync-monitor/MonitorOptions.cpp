#include "MonitorOptions.h"

#include <cmath>
#include <cstring>
#include <filesystem>

#include "CommandLine.h"
#include "TextFunctions.h"

namespace {

bool IsDigits(const char* text) {
  if (*text == '\0') return false;
  for (; *text != '\0'; ++text) {
    if (*text < '0' || *text > '9') return false;
  }
  return true;
}

// Seconds as digits with an optional point and fraction, above 0.
bool ReadSeconds(const char* text, double& value) {
  const char* point = std::strchr(text, '.');
  std::size_t wholeLength =
      point != nullptr ? static_cast<std::size_t>(point - text) : std::strlen(text);
  if (wholeLength == 0 || wholeLength > 9) return false;
  for (std::size_t i = 0; i < wholeLength; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
  }
  if (point != nullptr && !IsDigits(point + 1)) return false;
  value = TextToDouble(text);
  return std::isfinite(value) && value > 0.0;
}

enum MonitorKey : int {
  kHelpKey = 'h',
  kVersionKey = 1000,
  kBindKey,
  kPortKey,
  kDurationKey,
  kCountKey,
  kCsvKey,
  kKmlKey,
  kKmlLinkKey,
};

const Platform::CommandOption kOptions[] = {
    {"bind", 0, true, kBindKey},         {"port", 0, true, kPortKey},
    {"duration", 0, true, kDurationKey}, {"count", 0, true, kCountKey},
    {"csv", 0, true, kCsvKey},           {"kml", 0, true, kKmlKey},
    {"help", 'h', false, kHelpKey},      {"version", 0, false, kVersionKey},
    {"kml-link", 0, true, kKmlLinkKey},
};

// A text of at least one character that fits the options' buffer.
template <std::size_t Size>
bool ReadText(const char* value, char (&text)[Size]) {
  if (*value == '\0' || std::strlen(value) >= Size) return false;
  SafeCopy(text, value, Size);
  return true;
}

// One option with a value into the options; false when the value is unusable.
bool ReadValue(int key, const char* value, MonitorOptions& options) {
  std::int64_t whole = 0;
  switch (key) {
    case kBindKey: {
      std::uint32_t address = 0;
      return Platform::ReadStrictAddress(value, &address) == Platform::AddressReading::kRead &&
             ReadText(value, options.bindAddress);
    }
    case kPortKey:
      if (!Platform::ReadWholeNumber(value, 0, 65535, &whole)) return false;
      options.port = static_cast<int>(whole);
      return true;
    case kDurationKey:
      return ReadSeconds(value, options.durationSeconds);
    case kCountKey:
      if (!Platform::ReadWholeNumber(value, 1, INT64_MAX, &whole)) return false;
      options.count = whole;
      return true;
    case kCsvKey:
      return ReadText(value, options.csvPath);
    case kKmlLinkKey:
      return ReadText(value, options.kmlLinkPath);
    default:
      return ReadText(value, options.kmlPath);
  }
}

const char* OptionName(int key) {
  for (const Platform::CommandOption& option : kOptions) {
    if (option.key == key) return option.longName;
  }
  return "";
}

// Whether two names reach one file: the same path once symbolic links, "."
// and ".." are resolved (the file need not exist yet), or two names of one
// existing file (a hard link).
bool SameFile(const char* first, const char* second) {
  namespace fs = std::filesystem;
  std::error_code error;
  if (fs::equivalent(first, second, error) && !error) return true;
  std::error_code firstError;
  std::error_code secondError;
  const fs::path a = fs::weakly_canonical(fs::absolute(first, firstError), firstError);
  const fs::path b = fs::weakly_canonical(fs::absolute(second, secondError), secondError);
  return !firstError && !secondError && a == b;
}

// Each output needs a file of its own: one written over by another would
// lose what the first wrote (a link to itself, a CSV named .kml).
bool CheckOutputsApart(const MonitorOptions& options, char* error, int errorSize) {
  const struct {
    const char* option;
    const char* path;
  } outputs[] = {
      {"csv", options.csvPath}, {"kml", options.kmlPath}, {"kml-link", options.kmlLinkPath}};
  for (std::size_t i = 0; i < sizeof outputs / sizeof outputs[0]; ++i) {
    for (std::size_t j = i + 1; j < sizeof outputs / sizeof outputs[0]; ++j) {
      if (outputs[i].path[0] == '\0' || outputs[j].path[0] == '\0') continue;
      if (!SameFile(outputs[i].path, outputs[j].path)) continue;
      SafeFormat(error, errorSize, "--%s \"%s\" names the same file as --%s \"%s\"",
                 outputs[j].option, outputs[j].path, outputs[i].option, outputs[i].path);
      return false;
    }
  }
  return true;
}

}  // namespace

bool ParseMonitorOptions(int argc, const char* const* argv, MonitorOptions& options, char* error,
                         int errorSize) {
  auto read = [&](int key, const char* value) {
    if (key == kHelpKey) {
      options.help = true;
    } else if (key == kVersionKey) {
      options.version = true;
    } else if (!ReadValue(key, value, options)) {
      SafeFormat(error, errorSize, "--%s: unusable value \"%s\"", OptionName(key), value);
      return false;
    }
    return true;
  };
  if (!Platform::ReadCommandLine(argc, argv, kOptions, sizeof kOptions / sizeof kOptions[0], read,
                                 error, errorSize)) {
    return false;
  }
  if (options.kmlLinkPath[0] != '\0' && options.kmlPath[0] == '\0' && !options.help &&
      !options.version) {
    SafeFormat(error, errorSize, "--kml-link needs --kml, the path it links to");
    return false;
  }
  return options.help || options.version || CheckOutputsApart(options, error, errorSize);
}

const char* MonitorUsage() {
  // One usage line, as help2man reads it for the man page's synopsis.
  return "Usage: viewsync-monitor [--bind ADDR] [--port N] [--duration S] [--count N] [--csv "
         "FILE] [--kml FILE [--kml-link FILE]]\n"
         "\n"
         "Listens for ViewSync camera datagrams, as Google Earth would, and checks each one.\n"
         "Prints a line a second (counts, counter gaps/repeats, rate, intervals, last camera)\n"
         "and ends with one summary line:\n"
         "  received N malformed M gaps G rate R Hz p50 A ms p99 B ms max C ms first F last L\n"
         "\n"
         "  --bind ADDR    IPv4 address to listen on (default 127.0.0.1); a specific address\n"
         "                 wins the datagrams over a station bound to every address\n"
         "  --port N       UDP port (default 7001; 0 picks a free one)\n"
         "  --duration S   stop after S seconds (decimals allowed)\n"
         "  --count N      stop after N datagrams\n"
         "  --csv FILE     record every datagram with its arrival time\n"
         "  --kml FILE     write the cameras received as a path for Google Earth (KML,\n"
         "                 a track with absolute altitudes and arrival times, UTC) with a\n"
         "                 mark wherever the view jumped (heading over 45 degrees,\n"
         "                 altitude over 2 m off the vertical speed, position over 100 m\n"
         "                 from one datagram to the next); a whole document after every\n"
         "                 second (past 13 minutes of flight less often, the length over\n"
         "                 4 MiB a second), replaced at once, so it can be opened while it\n"
         "                 grows and is never found half-written\n"
         "  --kml-link FILE\n"
         "                 also write a KML network link to the --kml file, which\n"
         "                 Google Earth reloads every second to follow the flight live\n"
         "  -h, --help     print this help and exit\n"
         "  --version      print the version and exit\n"
         "\n"
         "The first line names the address and port listened on. Ctrl-C or SIGTERM ends it\n"
         "with the summary, and the files written are closed properly. Exit status: 0 done,\n"
         "1 could not listen or write a file, 2 bad option.\n";
}
