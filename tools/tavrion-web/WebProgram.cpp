#include "WebProgram.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "CommandLine.h"
#include "ControlProtocol.h"
#include "OperatorToken.h"
#include "PageFiles.h"
#include "ServiceNotify.h"
#include "StationBoard.h"
#include "StationSet.h"
#include "StopSignals.h"
#include "TavrionVersion.h"
#include "WebLog.h"
#include "WebOptions.h"
#include "WebService.h"

namespace {

constexpr char kProgram[] = "tavrion-web";
constexpr int kLookEveryMs = 2000;
constexpr int kStopLookMs = 250;

enum Exit { kStopped = 0, kCannot = 1, kUsage = 2 };

std::string RunFolder() {
  const char* folder = std::getenv("TAVRION_RUN_DIRECTORY");
  return folder != nullptr && folder[0] != '\0' ? folder : kControlRunFolder;
}

// Until a stop signal comes (or the serving thread ends by itself), with the
// run folder looked in again now and then.
void Follow(StationSet& stations, const std::string& runFolder, bool signalsWatched,
            const std::atomic<bool>& servingEnded) {
  auto nextLook = std::chrono::steady_clock::now() + std::chrono::milliseconds(kLookEveryMs);
  for (;;) {
    if (signalsWatched) {
      if (Platform::WaitForStopSignal(std::int64_t{kStopLookMs} * 1000000)) return;
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(kStopLookMs));
    }
    if (servingEnded) return;
    if (!runFolder.empty() && std::chrono::steady_clock::now() >= nextLook) {
      stations.Look(runFolder);
      nextLook = std::chrono::steady_clock::now() + std::chrono::milliseconds(kLookEveryMs);
    }
  }
}

int Serve(const WebOptions& options, const OperatorToken& token,
          std::map<std::string, PageFile> files, bool signalsWatched, std::FILE* out,
          std::FILE* err) {
  WebLog log(out);
  StationBoard board(options.browsers, WebService::kMostQueuedBytes);
  StationSet stations(board, log);
  WebService::Setup setup;
  setup.host = options.host;
  setup.port = options.port;
  setup.browsers = options.browsers;
  setup.lookingIn = options.stations.empty() ? RunFolder() : std::string();
  WebService service(setup, std::move(files), token, board, stations, log);
  std::string error;
  if (!service.Bind(&error)) {
    std::fprintf(err, "%s: %s: %s\n", kProgram, ListenText(options).c_str(), error.c_str());
    return kCannot;
  }
  log.Say("the operator's page is at http://" + ListenText(options) + "/" +
          (token.IsSet() ? ", changes with the token of " + options.tokenFile
                         : ", watching only: no --token-file, every change is refused"));
  std::atomic<bool> servingEnded(false);
  std::atomic<bool> servingFailed(false);
  std::thread serving([&] {
    servingFailed = !service.Serve();
    servingEnded = true;
  });
  if (setup.lookingIn.empty()) {
    for (const auto& station : options.stations) stations.Add(station.first, station.second);
  } else {
    log.Say("looking for stations at " + setup.lookingIn + "/*/control");
    stations.Look(setup.lookingIn);
  }
  Platform::NotifyServiceManager("READY=1");
  Follow(stations, setup.lookingIn, signalsWatched, servingEnded);
  Platform::NotifyServiceManager("STOPPING=1");
  // The browsers' streams end first, so that no thread of the server waits
  // for a station's line when it is stopped.
  board.Close();
  service.Stop();
  serving.join();
  stations.StopAll();
  if (servingFailed) {
    std::fprintf(err, "%s: %s: the listening socket failed\n", kProgram,
                 ListenText(options).c_str());
    return kCannot;
  }
  log.Say("stopped");
  return kStopped;
}

}  // namespace

int WebMain(int argc, const char* const* argv, std::FILE* out, std::FILE* err) {
  // A stop asked for during the start-up is noted, not fatal.
  const bool signalsWatched = Platform::WatchStopSignals() >= 0;
  WebOptions options;
  std::string fault;
  if (!ReadWebOptions(argc, argv, &options, &fault)) {
    Platform::PrintUsageFault(err, kProgram, fault.c_str());
    return kUsage;
  }
  if (options.help) {
    std::fputs(WebUsage().c_str(), out);
    return kStopped;
  }
  if (options.version) {
    PrintTavrionVersion(out, kProgram);
    return kStopped;
  }
  OperatorToken token;
  std::string error;
  std::string warning;
  if (!options.tokenFile.empty() && !token.Load(options.tokenFile, &error, &warning)) {
    std::fprintf(err, "%s: %s\n", kProgram, error.c_str());
    return kCannot;
  }
  if (!warning.empty()) std::fprintf(err, "%s: warning: %s\n", kProgram, warning.c_str());
  std::map<std::string, PageFile> files;
  const std::string pageFolder =
      options.pageFolder.empty() ? DefaultPageFolder() : options.pageFolder;
  if (!LoadPageFiles(pageFolder, &files, &error)) {
    std::fprintf(err, "%s: %s\n", kProgram, error.c_str());
    return kCannot;
  }
  return Serve(options, token, std::move(files), signalsWatched, out, err);
}
