// visim's replay parser and field values against arbitrary files: no read
// outside the bytes given, every refusal and every skipped line explains
// itself, and every row read holds only values the record may take, in time
// order.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "VisimTrack.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // A copy of exactly the input's size, so any read past it is caught.
  char* text = new char[size > 0 ? size : 1];
  if (size > 0) std::memcpy(text, data, size);
  VisimTrack track;
  bool ok = track.OpenText(text, size, "fuzz.csv");
  double previous = 0.0;
  for (VisimTrackRow row; ok && track.Next(&row);) {
    const VisimFields& f = row.fields;
    if (!(row.time >= previous) || !std::isfinite(row.time)) __builtin_trap();
    previous = row.time;
    if ((f.mask & ~track.Columns()) != 0) __builtin_trap();
    if (f.Has(kFieldLatitude) && !(f.latitude >= -90.0 && f.latitude <= 90.0)) __builtin_trap();
    if (f.Has(kFieldLongitude) && !(f.longitude >= -180.0 && f.longitude <= 180.0)) {
      __builtin_trap();
    }
    if (f.Has(kFieldHeading) && !(f.heading >= 0.0 && f.heading <= 360.0)) __builtin_trap();
    if (f.Has(kFieldAltitude) && !std::isfinite(f.altitude)) __builtin_trap();
    if (std::strlen(f.airport) > 8) __builtin_trap();
    VisualInterfaceRecord record{};
    WriteVisimFields(f, &record);
  }
  delete[] text;
  if (track.Failed() && std::strncmp(track.GetErrorText(), "fuzz.csv", 8) != 0) __builtin_trap();
  if (track.Notice()[0] != '\0' && std::strncmp(track.Notice(), "fuzz.csv:", 9) != 0) {
    __builtin_trap();
  }
  return 0;
}
