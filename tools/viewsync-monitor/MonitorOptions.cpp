#include "MonitorOptions.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "TextFunctions.h"

namespace {

bool IsDigits(const char* text) {
  if (*text == '\0') return false;
  for (; *text != '\0'; ++text) {
    if (*text < '0' || *text > '9') return false;
  }
  return true;
}

bool ReadWhole(const char* text, std::int64_t lowest, std::int64_t highest, std::int64_t& value) {
  if (!IsDigits(text)) return false;
  errno = 0;
  long long read = std::strtoll(text, nullptr, 10);
  if (errno == ERANGE || read < lowest || read > highest) return false;
  value = read;
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

}  // namespace

bool ParseMonitorOptions(int argc, const char* const* argv, MonitorOptions& options, char* error,
                         int errorSize) {
  SafeCopy(error, "", errorSize);
  for (int i = 1; i < argc; ++i) {
    const char* name = argv[i];
    if (std::strcmp(name, "--help") == 0 || std::strcmp(name, "-h") == 0) {
      options.help = true;
      continue;
    }
    bool known = std::strcmp(name, "--bind") == 0 || std::strcmp(name, "--port") == 0 ||
                 std::strcmp(name, "--duration") == 0 || std::strcmp(name, "--count") == 0 ||
                 std::strcmp(name, "--csv") == 0;
    if (!known) {
      SafeFormat(error, errorSize, "unknown option %s", name);
      return false;
    }
    if (i + 1 >= argc) {
      SafeFormat(error, errorSize, "%s needs a value", name);
      return false;
    }
    const char* value = argv[++i];
    std::int64_t whole = 0;
    bool usable = true;
    if (std::strcmp(name, "--bind") == 0) {
      usable = *value != '\0' && std::strlen(value) < sizeof options.bindAddress;
      if (usable) SafeCopy(options.bindAddress, value, sizeof options.bindAddress);
    } else if (std::strcmp(name, "--port") == 0) {
      usable = ReadWhole(value, 0, 65535, whole);
      options.port = static_cast<int>(whole);
    } else if (std::strcmp(name, "--duration") == 0) {
      usable = ReadSeconds(value, options.durationSeconds);
    } else if (std::strcmp(name, "--count") == 0) {
      usable = ReadWhole(value, 1, INT64_MAX, whole);
      options.count = whole;
    } else {
      usable = *value != '\0' && std::strlen(value) < sizeof options.csvPath;
      if (usable) SafeCopy(options.csvPath, value, sizeof options.csvPath);
    }
    if (!usable) {
      SafeFormat(error, errorSize, "%s: unusable value \"%s\"", name, value);
      return false;
    }
  }
  return true;
}

const char* MonitorUsage() {
  return "usage: viewsync-monitor [--bind ADDR] [--port N] [--duration S] [--count N] [--csv "
         "FILE]\n"
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
         "  --help         this text\n"
         "\n"
         "The first line names the address and port listened on. Ctrl-C or SIGTERM ends it\n"
         "with the summary. Exit status: 0 done, 1 could not listen or record, 2 bad option.\n";
}
