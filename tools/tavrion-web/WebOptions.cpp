#include "WebOptions.h"

#include <arpa/inet.h>

#include <cstdint>

#include "CommandLine.h"
#include "StationSet.h"

namespace {

enum Key {
  kListen = 'l',
  kStation = 's',
  kToken = 't',
  kPages = 'p',
  kBrowsers = 'b',
  kHelp = 'h',
  kVersion = 'v'
};

// ADDR:PORT, ADDR a dotted IPv4 address or a bracketed IPv6 one.
bool ReadListen(const std::string& text, WebOptions* options, std::string* fault) {
  const std::size_t colon = text.rfind(':');
  std::int64_t port = 0;
  if (colon == std::string::npos ||
      !Platform::ReadWholeNumber(text.c_str() + colon + 1, 1, 65535, &port)) {
    *fault = "--listen takes ADDR:PORT, PORT 1 to 65535: '" + text + "'";
    return false;
  }
  std::string host = text.substr(0, colon);
  unsigned char address[16];
  bool read = false;
  if (host.size() > 2 && host.front() == '[' && host.back() == ']') {
    host = host.substr(1, host.size() - 2);
    read = inet_pton(AF_INET6, host.c_str(), address) == 1;
  } else {
    std::uint32_t ipv4 = 0;
    read = Platform::ReadStrictAddress(host.c_str(), &ipv4) == Platform::AddressReading::kRead;
  }
  if (!read) {
    *fault =
        "--listen takes an IPv4 address A.B.C.D or an IPv6 address in brackets: '" + text + "'";
    return false;
  }
  options->host = host;
  options->port = static_cast<int>(port);
  return true;
}

bool ReadStation(const std::string& text, WebOptions* options, std::string* fault) {
  const std::size_t equals = text.find('=');
  const std::string name = text.substr(0, equals);
  if (equals == std::string::npos || equals + 1 == text.size() || !IsStationName(name)) {
    *fault = "--station takes NAME=PATH, NAME 1 to 64 of A-Z a-z 0-9 . _ - @ : ('" + text + "')";
    return false;
  }
  for (const auto& station : options->stations) {
    if (station.first == name) {
      *fault = "--station names '" + name + "' twice";
      return false;
    }
  }
  options->stations.emplace_back(name, text.substr(equals + 1));
  return true;
}

}  // namespace

bool ReadWebOptions(int argc, const char* const* argv, WebOptions* options, std::string* fault) {
  const Platform::CommandOption known[] = {
      {"listen", 'l', true, kListen},    {"station", 's', true, kStation},
      {"token-file", 't', true, kToken}, {"page-folder", 0, true, kPages},
      {"browsers", 0, true, kBrowsers},  {"help", 'h', false, kHelp},
      {"version", 0, false, kVersion}};
  char text[512] = "";
  std::string reason;
  const bool read = Platform::ReadCommandLine(
      argc, argv, known, static_cast<int>(sizeof known / sizeof known[0]),
      [options, &reason](int key, const char* value) {
        switch (key) {
          case kListen:
            return ReadListen(value, options, &reason);
          case kStation:
            return ReadStation(value, options, &reason);
          case kToken:
            options->tokenFile = value;
            return true;
          case kPages:
            options->pageFolder = value;
            return true;
          case kBrowsers: {
            std::int64_t browsers = 0;
            if (!Platform::ReadWholeNumber(value, 1, WebOptions::kMostBrowsers, &browsers)) {
              reason = std::string("--browsers takes 1 to 1000: '") + value + "'";
              return false;
            }
            options->browsers = static_cast<int>(browsers);
            return true;
          }
          case kHelp:
            options->help = true;
            return true;
          default:
            options->version = true;
            return true;
        }
      },
      text, sizeof text);
  if (!read) *fault = reason.empty() ? text : reason;
  return read;
}

std::string ListenText(const WebOptions& options) {
  const bool ipv6 = options.host.find(':') != std::string::npos;
  return (ipv6 ? "[" + options.host + "]" : options.host) + ":" + std::to_string(options.port);
}

std::string WebUsage() {
  return "Usage: tavrion-web [OPTION]...\n"
         "Serves the operator's page of the Tavrion stations of this machine: each\n"
         "station's lamp, counter, rate, airport, offset, altitude sent, view and\n"
         "message line live, and its controls (view, map height, slew, trim, Save,\n"
         "pause and resume) for a tablet or the instructor station's browser. It\n"
         "speaks to each station through its control socket: one watch for every\n"
         "browser, and a short connection for each change.\n"
         "\n"
         "  -l, --listen ADDR:PORT   where the page is served (default 127.0.0.1:8470);\n"
         "                           an IPv6 address in brackets, [::1]:8470\n"
         "  -s, --station NAME=PATH  serve this station, its control socket at PATH\n"
         "                           (repeatable); without it, every station of the\n"
         "                           run folder: /run/tavrion/NAME/control, looked\n"
         "                           for again every 2 seconds\n"
         "  -t, --token-file FILE    the operator's token: a change (trim, Save, view,\n"
         "                           map height, slew, pause, resume) needs it;\n"
         "                           without this option the page only watches\n"
         "      --page-folder DIR    the page's files (default ../share/tavrion-web from\n"
         "                           the program's folder: /usr/share/tavrion-web)\n"
         "      --browsers N         browsers served live at once, 1 to 1000\n"
         "                           (default 64); one more is refused for a while\n"
         "  -h, --help               print this help and exit\n"
         "      --version            print the version and exit\n"
         "\n"
         "The token is the first line of FILE, at least 16 characters; the page asks\n"
         "for it once and sends it with each change. A change is taken only as a\n"
         "POST from the page's own origin and is logged by the station with this\n"
         "program's uid and pid, and here with the browser's address.\n"
         "\n"
         "Exit status: 0 stopped by SIGTERM or SIGINT, 1 the token file, the page's\n"
         "files or the address could not be used, 2 a bad command line.\n"
         "\n"
         "Environment: TAVRION_RUN_DIRECTORY instead of /run/tavrion.\n";
}
