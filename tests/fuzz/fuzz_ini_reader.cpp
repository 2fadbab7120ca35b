// Arbitrary file content through every lookup form of the ini reader.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "Ini_File_Reader.h"

namespace {

std::string FuzzFileName() {
  static const std::string name = "/tmp/tavrion-fuzz-ini-" + std::to_string(getpid()) + ".ini";
  return name;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string name = FuzzFileName();
  std::FILE* file = std::fopen(name.c_str(), "wb");
  if (file == nullptr) return 0;
  std::fwrite(data, 1, size, file);
  std::fclose(file);

  // Keys and items are taken from the content too, so they sometimes match.
  std::string text(reinterpret_cast<const char*>(data), size);
  std::string key = text.substr(0, text.size() % 13);
  std::string item = text.substr(text.size() / 2, text.size() % 7);

  Ini_File_Reader reader;
  if (reader.OpenFile(name)) {
    char small[20];
    char wide[1024];
    int number = 0;
    bool flag = false;
    const char* keys[] = {"SIM_CONFIG", "COMPUTERS", "RATES", key.c_str()};
    const char* items[] = {"AIRCRAFT", "VISUAL", "Frequency", item.c_str()};
    for (const char* k : keys) {
      for (const char* i : items) {
        reader.LookForValue(k, i, small, sizeof small, true);
        reader.LookForValue(k, i, wide, sizeof wide, true);
        reader.LookForValue(k, i, &number);
        reader.LookForValue(k, i, &flag);
        reader.LookForEntry(k, i);
      }
    }
    reader.GetErrorText();
  }
  std::remove(name.c_str());
  return 0;
}
