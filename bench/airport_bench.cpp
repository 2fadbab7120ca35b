// Airport table: the lookup the frame step makes on every send while the
// simulator's airport is not in the table, and the start-up load.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "AirportManager.h"
#include "TextFunctions.h"
#include "goals.h"

namespace {

constexpr int kRecords = 20000;

// A 20,000-line offsets file in a temporary folder, removed at exit.
class OffsetsFile20000 {
 public:
  OffsetsFile20000() {
    char folder[] = "/tmp/tavrion-airport-bench-XXXXXX";
    m_folder = mkdtemp(folder) != nullptr ? folder : "/tmp";
    m_name = m_folder + "/Offsets.dat";
    std::FILE* file = std::fopen(m_name.c_str(), "w");
    if (file == nullptr) return;
    std::fputs(";\n;Airport ground level datum offsets for Google Earth \n\n", file);
    for (int i = 0; i < kRecords; ++i) {
      std::fprintf(file, "%c%c%02d| %6.1f| Airport number %d\n", 'A' + i / 2600,
                   'A' + (i / 100) % 26, i % 100, (i % 200) * 0.5, i);
    }
    std::fclose(file);
  }
  ~OffsetsFile20000() {
    std::remove(m_name.c_str());
    std::remove(m_folder.c_str());
  }
  const char* Name() const { return m_name.c_str(); }

 private:
  std::string m_folder;
  std::string m_name;
};

const OffsetsFile20000& SharedFile() {
  static OffsetsFile20000 file;
  return file;
}

// A full table: 19,999 counted records and slot 19,999 filled.
AirportManager& FullTable() {
  static AirportManager airports;
  AirportManager::ClearTable();
  if (!airports.ReadOffsetsFile(SharedFile().Name())) std::abort();
  return airports;
}

// The lookup done literally: every slot, two 1000-character working copies
// with their blanks removed, the last match wins.
bool LiteralFindAirport(const AirportManager& airports, const char* ident, AirportRecord& out) {
  int found = -1;
  AirportRecord slot;
  for (int index = 0; index < AirportManager::kTableSize; ++index) {
    airports.GetAirport(index, slot);
    char text[1000];
    char name[1000];
    SafeCopy(text, slot.ident, sizeof text);
    SafeCopy(name, ident, sizeof name);
    RemoveSpaces(text);
    RemoveSpaces(name);
    if (std::strcmp(text, name) == 0) found = index;
  }
  return found >= 0 && airports.GetAirport(found, out);
}

void BM_FindAirportMiss(benchmark::State& state) {
  AirportManager& airports = FullTable();
  AirportRecord record{};
  for (auto _ : state) benchmark::DoNotOptimize(airports.FindAirport("LFPG", record));
}
BENCHMARK(BM_FindAirportMiss);

void BM_FindAirportMissLiteral(benchmark::State& state) {
  AirportManager& airports = FullTable();
  AirportRecord record{};
  for (auto _ : state) benchmark::DoNotOptimize(LiteralFindAirport(airports, "LFPG", record));
}
BENCHMARK(BM_FindAirportMissLiteral)->Unit(benchmark::kMillisecond);

void BM_FindAirportHit(benchmark::State& state) {
  AirportManager& airports = FullTable();
  AirportRecord record{};
  for (auto _ : state) benchmark::DoNotOptimize(airports.FindAirport(" HJ 42", record));
  if (!airports.FindAirport("HJ42", record)) state.SkipWithError("HJ42 not loaded");
}
BENCHMARK(BM_FindAirportHit);

void BM_LoadOffsets20000(benchmark::State& state) {
  const char* name = SharedFile().Name();
  AirportManager airports;
  for (auto _ : state) {
    state.PauseTiming();
    AirportManager::ClearTable();
    state.ResumeTiming();
    if (!airports.ReadOffsetsFile(name)) state.SkipWithError(airports.GetErrorText());
  }
  AirportManager::ClearTable();
}
BENCHMARK(BM_LoadOffsets20000)->Unit(benchmark::kMillisecond);
// The station's start-up reads the whole file before its first frame.
[[maybe_unused]] const bool kLoadGoal = SetGoal("BM_LoadOffsets20000", 12.0);

}  // namespace
