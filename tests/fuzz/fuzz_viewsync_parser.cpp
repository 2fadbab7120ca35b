// The monitor's datagram parser against arbitrary datagrams: it must never
// read outside the bytes given, and whatever it accepts must come back
// unchanged when written out the station's way and read again.

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "MonitorReport.h"
#include "ViewSyncParser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // A copy of exactly the datagram's size, so any read past it is caught.
  char* datagram = new char[size > 0 ? size : 1];
  if (size > 0) std::memcpy(datagram, data, size);
  ReceivedCamera camera;
  char reason[kParseReasonSize];
  bool ok = ParseViewSync(datagram, size, camera, reason, sizeof reason);
  if (!ok && reason[0] == '\0') __builtin_trap();

  char excerpt[64];
  FormatExcerpt(datagram, size, excerpt, sizeof excerpt);
  delete[] datagram;
  if (!ok) return 0;

  if (camera.latitude < -90.0 || camera.latitude > 90.0 || camera.longitude < -180.0 ||
      camera.longitude > 180.0) {
    __builtin_trap();
  }
  char written[512];
  int length = FormatCamera(camera, written, sizeof written);
  if (length < 0 || static_cast<std::size_t>(length) > kViewSyncMaxLength) return 0;
  ReceivedCamera again;
  if (!ParseViewSync(written, static_cast<std::size_t>(length), again, reason, sizeof reason) ||
      again.counter != camera.counter || again.timeStart != camera.timeStart ||
      again.timeEnd != camera.timeEnd || std::strcmp(again.planet, camera.planet) != 0) {
    __builtin_trap();
  }
  return 0;
}
