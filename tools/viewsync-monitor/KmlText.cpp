#include "KmlText.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <ctime>

#include "TextFunctions.h"

namespace {

// Floor division, so times before 1970 still give a fraction from 0 to 999.
std::int64_t FloorDivide(std::int64_t value, std::int64_t by) {
  std::int64_t quotient = value / by;
  return (value % by != 0 && value < 0) ? quotient - 1 : quotient;
}

// Appends ", " and a part to a name being built.
void AppendPart(char* buffer, int size, const char* part) {
  std::size_t used = std::strlen(buffer);
  if (used + 1 >= static_cast<std::size_t>(size)) return;
  SafeFormat(buffer + used, size - static_cast<int>(used), "%s%s", used > 0 ? ", " : "", part);
}

}  // namespace

int FormatKmlTime(double unixSeconds, char* buffer, int size) {
  // Within the years 1 to 9999, which is what the text can say.
  constexpr double kLimit = 253402300799.0;
  if (!std::isfinite(unixSeconds)) unixSeconds = 0.0;
  if (unixSeconds > kLimit) unixSeconds = kLimit;
  if (unixSeconds < -kLimit) unixSeconds = -kLimit;
  std::int64_t milliseconds = std::llround(unixSeconds * 1000.0);
  std::time_t seconds = static_cast<std::time_t>(FloorDivide(milliseconds, 1000));
  int fraction = static_cast<int>(milliseconds - static_cast<std::int64_t>(seconds) * 1000);
  std::tm utc{};
  if (gmtime_r(&seconds, &utc) == nullptr) return SafeFormat(buffer, size, "1970-01-01T00:00:00Z");
  return SafeFormat(buffer, size, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900,
                    utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, fraction);
}

int FormatKmlCamera(const ReceivedCamera& camera, char* buffer, int size) {
  double heading = std::fmod(camera.heading, 360.0);
  if (heading < 0.0) heading += 360.0;
  double tilt = camera.tilt < 0.0 ? 0.0 : (camera.tilt > 180.0 ? 180.0 : camera.tilt);
  double roll = HeadingTurn(0.0, camera.roll);
  return SafeFormat(buffer, size,
                    "<Camera>\n<longitude>%.6f</longitude>\n<latitude>%.6f</latitude>\n"
                    "<altitude>%.3f</altitude>\n<heading>%.6f</heading>\n<tilt>%.6f</tilt>\n"
                    "<roll>%.6f</roll>\n<altitudeMode>absolute</altitudeMode>\n</Camera>\n",
                    camera.longitude, camera.latitude, camera.altitude, heading, tilt, roll);
}

int FormatChangeName(const ViewChange& change, char* buffer, int size) {
  SafeCopy(buffer, "", size);
  char part[64];
  if (change.heading) {
    SafeFormat(part, sizeof part, "heading %+.1f deg", change.turnDegrees);
    AppendPart(buffer, size, part);
  }
  if (change.altitude) {
    SafeFormat(part, sizeof part, "altitude %+.2f m", change.altitudeStep);
    AppendPart(buffer, size, part);
  }
  if (change.position) {
    SafeFormat(part, sizeof part, "moved %.0f m", change.distanceMetres);
    AppendPart(buffer, size, part);
  }
  return static_cast<int>(std::strlen(buffer));
}

int FormatChangeDescription(const ViewChange& change, const ReceivedCamera& camera,
                            const char* when, char* buffer, int size) {
  return SafeFormat(buffer, size,
                    "Counter %d at %s: heading %.3f to %.3f deg (%+.1f), altitude %.2f to %.2f m "
                    "(%+.2f), moved %.1f m.",
                    camera.counter, when, change.headingBefore, camera.heading, change.turnDegrees,
                    change.altitudeBefore, camera.altitude, change.altitudeStep,
                    change.distanceMetres);
}
