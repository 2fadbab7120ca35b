// Offsets file reading over arbitrary content: lines of any length, NUL
// bytes, CR-LF, no final newline, runs of bars. Besides the sanitizers'
// checks, every record must fit its fields, the indexed lookup must agree
// with a scan of every slot, and Save followed by a load must give the same
// idents and names.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "AirportManager.h"
#include "TextFunctions.h"

namespace {

// A folder of this process, on tmpfs when there is one (Save syncs to disk).
const std::string& Folder() {
  static const std::string folder = [] {
    std::string base = std::filesystem::exists("/dev/shm") ? "/dev/shm" : "/tmp";
    std::string path = base + "/tavrion-fuzz-offsets-" + std::to_string(getpid());
    std::filesystem::create_directories(path);
    return path;
  }();
  return folder;
}

void Fail(int line) {
  std::fprintf(stderr, "fuzz_offsets.cpp:%d: check failed\n", line);
  std::abort();
}
#define Check(condition) ((condition) ? (void)0 : Fail(__LINE__))

int ScanFind(const AirportManager& airports, const char* ident) {
  int found = -1;
  AirportRecord record;
  for (int slot = 0; slot < AirportManager::kTableSize; ++slot) {
    airports.GetAirport(slot, record);
    if (SameIgnoringSpaces(record.ident, ident)) found = slot;
  }
  return found;
}

void CheckLookup(AirportManager& airports, const char* ident) {
  AirportRecord record{};
  int expected = ScanFind(airports, ident);
  bool found = airports.FindAirport(ident, record);
  Check(found == (expected >= 0));
  if (found) Check(airports.GetCurrentIndex() == expected);
}

// What a Save and a load cannot keep: an ident beginning with ";" turns its
// line into a comment; a name ending in CR loses that CR to the line ending.
bool SurvivesSaving(const AirportRecord& record) {
  return record.ident[0] != ';';
}

std::string NameAfterSaving(const AirportRecord& record) {
  std::string name = record.name;
  if (!name.empty() && name.back() == '\r') name.pop_back();
  return name;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string file = Folder() + "/Offsets.dat";
  if (std::FILE* out = std::fopen(file.c_str(), "wb")) {
    std::fwrite(data, 1, size, out);
    std::fclose(out);
  }

  AirportManager::ClearTable();
  AirportManager airports;
  Check(airports.ReadOffsetsFile(file.c_str()));
  int count = airports.GetNumberOfAirports();
  Check(count >= 0 && count <= AirportManager::kCountLimit);

  std::vector<AirportRecord> loaded;
  AirportRecord record;
  for (int slot = 0; slot < count; ++slot) {
    Check(airports.GetAirport(slot, record));
    Check(std::strlen(record.ident) < sizeof record.ident);
    Check(std::strlen(record.name) < sizeof record.name);
    loaded.push_back(record);
  }
  for (std::size_t i = 0; i < loaded.size() && i < 3; ++i) CheckLookup(airports, loaded[i].ident);
  std::string prefix(reinterpret_cast<const char*>(data), size < 6 ? size : 6);
  CheckLookup(airports, prefix.c_str());

  Check(airports.WriteOffsetsFile(Folder().c_str()));
  AirportManager::ClearTable();
  Check(airports.ReadOffsetsFile(file.c_str()));
  int kept = 0;
  for (const AirportRecord& before : loaded) {
    if (!SurvivesSaving(before)) continue;
    Check(airports.GetAirport(kept++, record));
    Check(std::strcmp(record.ident, before.ident) == 0);
    Check(record.name == NameAfterSaving(before));
  }
  return 0;
}
