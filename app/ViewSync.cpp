#include "ViewSync.h"

#include "TextFunctions.h"

int FormatViewSync(const ViewSyncCamera& camera, char* text, int size) {
  // The receiver's format is "%d,%f,%f,%f,%f,%f,%f,%I64d,%I64d,"; %I64d is a
  // 64-bit signed decimal, written here as %lld of a long long.
  return SafeFormat(text, size, "%d,%f,%f,%f,%f,%f,%f,%lld,%lld,", camera.counter, camera.latitude,
                    camera.longitude, camera.altitude, camera.heading, camera.tilt, camera.roll,
                    static_cast<long long>(camera.timeStart),
                    static_cast<long long>(camera.timeEnd));
}
