#pragma once
// tavrion-web's command line (GNU: getopt_long through Platform's
// CommandLine) and its --help text.

#include <string>
#include <vector>

struct WebOptions {
  static constexpr int kDefaultPort = 8470;
  static constexpr int kDefaultBrowsers = 64;
  static constexpr int kMostBrowsers = 1000;

  std::string host = "127.0.0.1";  // IPv4 dotted, or IPv6 without brackets
  int port = kDefaultPort;
  // --station NAME=PATH, in order; none: the run folder's stations.
  std::vector<std::pair<std::string, std::string>> stations;
  std::string tokenFile;   // empty: changes are off
  std::string pageFolder;  // empty: DefaultPageFolder()
  int browsers = kDefaultBrowsers;
  bool help = false;
  bool version = false;
};

// Reads argv into `options`; false with the fault (one line) in `fault`.
bool ReadWebOptions(int argc, const char* const* argv, WebOptions* options, std::string* fault);

// "ADDR:PORT" as a browser's address shows it ("[::1]:8470" for IPv6).
std::string ListenText(const WebOptions& options);

std::string WebUsage();
