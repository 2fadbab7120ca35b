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
#include <map>
#include <string>
#include <vector>

#include "AirportManager.h"
#include "TextFunctions.h"

namespace {

// A folder of this process, on tmpfs when there is one (Save syncs to disk),
// removed at exit.
char s_folder[256];

const char* Folder() {
  if (s_folder[0] == '\0') {
    std::snprintf(s_folder, sizeof s_folder, "%s/tavrion-fuzz-offsets-%d",
                  std::filesystem::exists("/dev/shm") ? "/dev/shm" : "/tmp",
                  static_cast<int>(getpid()));
    std::filesystem::create_directories(s_folder);
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(s_folder, ignored);
    });
  }
  return s_folder;
}

void Fail(int line) {
  std::fprintf(stderr, "fuzz_offsets.cpp:%d: check failed\n", line);
  std::abort();
}
#define Check(condition) ((condition) ? (void)0 : Fail(__LINE__))

// The last slot of each distinct ident, from one pass over every slot, so
// that a lookup can be checked against the plain comparison cheaply.
std::map<std::string, int> LastSlotOfEachIdent(const AirportManager& airports) {
  std::map<std::string, int> last;
  std::map<std::string, int>::iterator previous = last.end();
  AirportRecord record;
  for (int slot = 0; slot < AirportManager::kTableSize; ++slot) {
    airports.GetAirport(slot, record);
    // Free slots come in one long run of the empty ident.
    if (previous == last.end() || previous->first != record.ident) {
      previous = last.emplace(record.ident, slot).first;
    }
    previous->second = slot;
  }
  return last;
}

void CheckLookup(AirportManager& airports, const std::map<std::string, int>& last,
                 const char* ident) {
  int expected = -1;
  for (const auto& [stored, slot] : last) {
    if (slot > expected && SameIgnoringSpaces(stored.c_str(), ident)) expected = slot;
  }
  AirportRecord record{};
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
  const std::string file = std::string(Folder()) + "/Offsets.dat";
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
  std::map<std::string, int> last = LastSlotOfEachIdent(airports);
  for (std::size_t i = 0; i < loaded.size() && i < 8; ++i) {
    CheckLookup(airports, last, loaded[i].ident);
  }
  std::string prefix(reinterpret_cast<const char*>(data), size < 6 ? size : 6);
  CheckLookup(airports, last, prefix.c_str());
  CheckLookup(airports, last, "");

  // A file not loaded whole (too large, or not an offsets file) is never
  // replaced by Save; one loaded whole always is.
  Check(airports.WriteOffsetsFile(Folder()) == airports.IsLoadedWhole());
  if (!airports.IsLoadedWhole()) return 0;
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
