// The station's per-datagram work without the socket call: copy of the
// simulator block, the airport check (airport unchanged), the blended
// altitude, the view, and the datagram text.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "AirportManager.h"
#include "ClockFake.h"
#include "MessagePumpFake.h"
#include "SharedSegment.h"
#include "Station.h"
#include "ViewSync.h"
#include "VisualShm.h"

namespace {

void BM_SendViewSync(benchmark::State& state) {
  const std::string segment = "TavrionBench-" + std::to_string(::getpid());
  std::string folder = (std::filesystem::temp_directory_path() / "tavrion-bench-XXXXXX").string();
  if (mkdtemp(folder.data()) == nullptr) {
    state.SkipWithError("no temporary folder");
    return;
  }
  std::ofstream(folder + "/Offsets.dat") << ";\n\nZZZZ| 0.0| First\nEGLL| 12.0| London Heathrow\n";
  AirportManager::ClearTable();
  {
    CVisShm simulator(segment.c_str());
    VisualBlock& block = simulator.GetRecord()->visualBlock;
    block.heightAgl = 250.0;
    block.altitude = 320.0;
    block.heading = 355.0;
    block.pitch = 2.0;
    block.bank = -3.0;
    block.latitude = 51.4775;
    block.longitude = -0.461389;
    block.viewSelect = kSimViewLeftEyePoint;

    Platform::FakeMessagePump pump;
    Platform::FakeClock clock;
    StationSettings settings;
    settings.segmentName = segment.c_str();
    settings.workingFolder = folder.c_str();
    Station station(pump, clock, settings);
    station.Start();
    station.SetSlew(true);
    station.SendViewSync();  // settles the airport: EGLL from here on
    for (auto _ : state) {
      station.SendViewSync();
      benchmark::DoNotOptimize(station.GetCamera());
    }
  }
  Platform::RemoveSharedSegment(segment.c_str());
  std::filesystem::remove_all(folder);
  AirportManager::ClearTable();
}
BENCHMARK(BM_SendViewSync);

void BM_FormatViewSync(benchmark::State& state) {
  ViewSyncCamera camera{1510, 51.4775, -0.461389, 120.5, 270.0, 90.0, -2.5, 0, 0};
  char text[kViewSyncTextSize];
  for (auto _ : state) {
    benchmark::DoNotOptimize(FormatViewSync(camera, text, sizeof text));
    ++camera.counter;
  }
}
BENCHMARK(BM_FormatViewSync);

}  // namespace
