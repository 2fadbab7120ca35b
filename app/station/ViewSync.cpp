#include "ViewSync.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <initializer_list>


namespace {

// The longest text of the nine fields: a double written "%f" has at most 309
// digits before the point (DBL_MAX), a sign and seven more; the three
// integers at most 20 characters each; a comma after each field.
constexpr int kLongestText = 6 * (1 + 309 + 7 + 1) + 3 * (20 + 1);

// Appends `value` and a comma at `end`; room is there for the longest, so
// the field is left out only should that ever be untrue.
template <typename Number, typename... Format>
char* AppendField(char* end, char* last, Number value, Format... format) {
  const std::to_chars_result written = std::to_chars(end, last, value, format...);
  if (written.ec != std::errc() || written.ptr == last) {
    return end;
  }
  *written.ptr = ',';
  return written.ptr + 1;
}

}  // namespace

int FormatViewSync(const ViewSyncCamera& camera, char* text, int size) {
  // The receiver's format is "%d,%f,%f,%f,%f,%f,%f,%I64d,%I64d,"; %I64d is a
  // 64-bit signed decimal. std::to_chars writes each field as printf does in
  // the "C" locale (%f: six decimals, the exact value rounded), without
  // printf's cost (2 microseconds a datagram) or its locale.
  char whole[kLongestText];
  char* const last = whole + sizeof whole;
  char* end = AppendField(whole, last, camera.counter);
  for (const double value : {camera.latitude, camera.longitude, camera.altitude, camera.heading,
                             camera.tilt, camera.roll}) {
    end = AppendField(end, last, value, std::chars_format::fixed, 6);
  }
  end = AppendField(end, last, static_cast<long long>(camera.timeStart));
  end = AppendField(end, last, static_cast<long long>(camera.timeEnd));
  const int length = static_cast<int>(end - whole);
  if (size <= 0) {
    return -1;
  }
  // Cut to the buffer as SafeFormat would: a text of exactly size characters
  // has lost its last one to the terminator.
  const int kept = length < size ? length : size - 1;
  std::memcpy(text, whole, static_cast<std::size_t>(kept));
  text[kept] = '\0';
  return length < size ? length : -1;
}

bool IsFiniteCamera(const ViewSyncCamera& camera) {
  return std::isfinite(camera.latitude) && std::isfinite(camera.longitude) &&
         std::isfinite(camera.altitude) && std::isfinite(camera.heading) &&
         std::isfinite(camera.tilt) && std::isfinite(camera.roll);
}

bool IsOnTheGlobe(const ViewSyncCamera& camera) {
  // Written so that NaN is off the globe too.
  return camera.latitude >= -90.0 && camera.latitude <= 90.0 && camera.longitude >= -180.0 &&
         camera.longitude <= 180.0;
}
