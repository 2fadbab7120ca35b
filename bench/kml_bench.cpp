// What the monitor's live KML costs as a flight grows: every new document
// copies the one before and adds a second's points, so its cost grows with
// the flight's length (KmlRecorder.h bounds how often it is paid).
// The argument is the flight's length in minutes at 60 datagrams a second.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "KmlRecorder.h"

namespace {

ReceivedCamera Camera(int counter) {
  ReceivedCamera camera;
  camera.counter = counter;
  camera.latitude = 51.4775;
  camera.longitude = -0.461389 - counter * 1e-6;
  camera.altitude = 120.5 + counter * 1e-3;
  camera.heading = 270.0;
  camera.tilt = 90.0;
  return camera;
}

void BM_KmlDocumentWrittenOut(benchmark::State& state) {
  char folder[] = "/tmp/tavrion-kml-bench-XXXXXX";
  if (mkdtemp(folder) == nullptr) {
    state.SkipWithError("no temporary folder");
    return;
  }
  const std::string path = std::string(folder) + "/flight.kml";
  {
    KmlRecorder kml(std::int64_t{1} << 40);  // every Flush writes the document out
    kml.Open(path.c_str(), "127.0.0.1:7001");
    const int flown = static_cast<int>(state.range(0)) * 60 * 60;
    int counter = 0;
    for (; counter < flown; ++counter) kml.Add(1714564800.0 + counter / 60.0, Camera(counter));
    kml.Flush();
    state.counters["document_MB"] = static_cast<double>(std::filesystem::file_size(path)) / 1e6;
    for (auto _ : state) {
      for (int i = 0; i < 60; ++i, ++counter) {
        kml.Add(1714564800.0 + counter / 60.0, Camera(counter));
      }
      if (!kml.Flush()) state.SkipWithError(kml.GetErrorText());
    }
    kml.Close();
  }
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_KmlDocumentWrittenOut)
    ->Arg(1)
    ->Arg(10)
    ->Arg(60)
    ->Arg(240)
    ->Unit(benchmark::kMillisecond);

}  // namespace
