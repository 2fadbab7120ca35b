#pragma once
// What the station's test benches share: the offsets file they start with and
// a segment name of their own, so that tests never meet a live station's
// segment or each other's.

#include <unistd.h>

#include <atomic>
#include <string>

// Four airports; the first, ZZZZ, is never reported unless a test does so.
inline constexpr char kOffsetsFile[] =
    ";\n"
    ";Airport ground level datum offsets for Google Earth \n"
    "\n"
    "ZZZZ|    0.0| Placeholder\n"
    "EGLL|   12.0| London Heathrow\n"
    "EGKK|   -3.5| London Gatwick\n"
    "LFPG|    5.0| Paris Charles de Gaulle\n";

inline std::string UniqueSegmentName() {
  static std::atomic<int> serial{0};
  return "TavrionTest-" + std::to_string(::getpid()) + "-" + std::to_string(++serial);
}
