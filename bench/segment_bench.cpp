// What watching the simulator's segment costs: the check the station makes
// about once a second, and the guarded copy of the block on every send.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <string>

#include "SharedSegment.h"
#include "VisualShm.h"

namespace {

std::string BenchSegmentName() {
  return "TavrionBenchSegment-" + std::to_string(::getpid());
}

void BM_CheckMapping(benchmark::State& state) {
  const std::string name = BenchSegmentName();
  {
    CVisShm segment(name.c_str());
    for (auto _ : state) {
      benchmark::DoNotOptimize(segment.CheckMapping());
    }
  }
  Platform::RemoveSharedSegment(name.c_str());
}
BENCHMARK(BM_CheckMapping);

void BM_ReadVisualBlock(benchmark::State& state) {
  const std::string name = BenchSegmentName();
  {
    CVisShm segment(name.c_str());
    VisualBlock block;
    for (auto _ : state) {
      benchmark::DoNotOptimize(segment.ReadVisualBlock(block));
      benchmark::DoNotOptimize(block);
    }
  }
  Platform::RemoveSharedSegment(name.c_str());
}
BENCHMARK(BM_ReadVisualBlock);

}  // namespace
