// What the visual interface pays per datagram: SendString of a ViewSync-sized
// text through a stand-alone LAN station on loopback, and the idle receive
// poll that a networked station makes every frame.

#include <benchmark/benchmark.h>

#include "QMP0001_02_RtLan.h"
#include "SocketApi.h"

namespace {

// Ports of their own, away from a running station's 7000 and 7001.
constexpr int kLocalPort = 47000;
constexpr int kRemotePort = 47001;

const char kViewSyncText[] =
    "1510,51.477500,-0.461389,83.000000,270.000000,0.000000,0.000000,-1,-1,";

void BM_SendString(benchmark::State& state) {
  QMP0001_02_RtLan lan(nullptr);
  lan.SetLocalPort(kLocalPort);
  lan.SetRemotePort(kRemotePort);
  lan.SetStandalone();
  if (!lan.Initialise()) {
    state.SkipWithError(lan.GetErrorText());
    return;
  }
  std::uint32_t loopback = Platform::InetAddr("127.0.0.1");
  for (auto _ : state) benchmark::DoNotOptimize(lan.SendString(0, kViewSyncText, loopback));
}
BENCHMARK(BM_SendString);

void BM_ReceivePackageNothingWaiting(benchmark::State& state) {
  QMP0001_02_RtLan lan(nullptr);
  lan.SetLocalPort(kLocalPort + 2);
  lan.SetRemotePort(kRemotePort + 2);
  lan.SetStandalone();
  if (!lan.Initialise()) {
    state.SkipWithError(lan.GetErrorText());
    return;
  }
  for (auto _ : state) benchmark::DoNotOptimize(lan.ReceivePackage(300, 1, true));
}
BENCHMARK(BM_ReceivePackageNothingWaiting);

}  // namespace
