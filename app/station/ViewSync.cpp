#include "ViewSync.h"

#include <cmath>

#include "TextFunctions.h"

int FormatViewSync(const ViewSyncCamera& camera, char* text, int size) {
  // The receiver's format is "%d,%f,%f,%f,%f,%f,%f,%I64d,%I64d,"; %I64d is a
  // 64-bit signed decimal, written here as %lld of a long long.
  const int length =
      SafeFormat(text, size, "%d,%f,%f,%f,%f,%f,%f,%lld,%lld,", camera.counter, camera.latitude,
                 camera.longitude, camera.altitude, camera.heading, camera.tilt, camera.roll,
                 static_cast<long long>(camera.timeStart), static_cast<long long>(camera.timeEnd));
  // A text of exactly size characters has lost its last one to the terminator.
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
