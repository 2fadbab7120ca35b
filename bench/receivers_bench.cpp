// What the station pays per frame step for each receiver it feeds beside the
// window's destination (the same datagram through the transmit channel to
// one more address and port), and for keeping its counter in the working
// folder once a second.
//
// The receivers are sockets on 127.0.0.1, so each send also carries the
// receiving side's work that a network card would take over: an upper bound
// of what a receiver on another machine costs.

#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "QMP0001_02_RtLan.h"
#include "SocketApi.h"
#include "ViewSyncCounter.h"
#include "ViewSyncReceivers.h"

namespace {

// Ports of their own, away from a running station's 7000 and 7001.
constexpr int kLocalPort = 47100;

const char kViewSyncText[] =
    "1510,51.477500,-0.461389,83.000000,270.000000,0.000000,0.000000,-1,-1,";

// A receiving socket on 127.0.0.1 at a port the system picks.
int BindReceiver(int* port) {
  const int handle = ::socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = Platform::InetAddr("127.0.0.1");
  socklen_t length = sizeof address;
  if (handle < 0 || ::bind(handle, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::getsockname(handle, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    return -1;
  }
  *port = ntohs(address.sin_port);
  return handle;
}

// One frame step's sends to N receivers (the argument); the time per
// receiver is the "per_receiver" figure.
void BM_ExtraReceivers(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  std::vector<int> sockets;
  std::vector<ViewSyncReceiver> list;
  for (int i = 0; i < count; ++i) {
    int port = 0;
    sockets.push_back(BindReceiver(&port));
    list.push_back(ViewSyncReceiver{Platform::InetAddr("127.0.0.1"), port});
  }
  QMP0001_02_RtLan lan(nullptr);
  lan.SetLocalPort(kLocalPort);
  lan.SetStandalone();
  if (!lan.Initialise() || sockets.back() < 0) {
    state.SkipWithError("no LAN interface or receiver sockets");
  } else {
    ViewSyncReceivers receivers(list.data(), count);
    for (auto _ : state) benchmark::DoNotOptimize(receivers.Send(lan, kViewSyncText));
    state.counters["per_receiver"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * count,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  }
  for (int handle : sockets) ::close(handle);
}
BENCHMARK(BM_ExtraReceivers)->Arg(1)->Arg(3)->Arg(16);

// The counter file replaced whole: as the frame loop does it once a second
// (argument 0), and forced to the disk as at pause and close-down (1).
void BM_CounterFileWrite(benchmark::State& state) {
  std::string folder = (std::filesystem::temp_directory_path() / "tavrion-bench-XXXXXX").string();
  if (mkdtemp(folder.data()) == nullptr) {
    state.SkipWithError("no temporary folder");
    return;
  }
  const ViewSyncCounterFile file(folder.c_str());
  const bool durable = state.range(0) != 0;
  int counter = 1510;
  for (auto _ : state) {
    if (file.Write(++counter, durable) != 0) {
      state.SkipWithError("the counter file could not be written");
      break;
    }
  }
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_CounterFileWrite)->Arg(0)->Arg(1);

}  // namespace
