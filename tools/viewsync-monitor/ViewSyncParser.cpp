#include "ViewSyncParser.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "TextFunctions.h"

namespace {

constexpr int kNumericFields = 9;
constexpr std::size_t kMaxPlanetLength = sizeof(ReceivedCamera::planet) - 1;

const char* const kFieldNames[kNumericFields] = {"counter",  "latitude",   "longitude",
                                                 "altitude", "heading",    "tilt",
                                                 "roll",     "time start", "time end"};

bool IsDecimalField(int index) {
  return index >= 1 && index <= 6;
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

bool IsLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// The shapes the station's "%d", "%f" and "%I64d" write: an optional minus,
// digits and, for a decimal, an optional point with digits after it. No
// blanks, plus signs, exponents, "inf" or "nan".
bool IsNumberText(const char* text, std::size_t length, bool decimal) {
  std::size_t i = 0;
  if (i < length && text[i] == '-') ++i;
  std::size_t whole = i;
  while (i < length && IsDigit(text[i])) ++i;
  if (i == whole) return false;
  if (decimal && i < length && text[i] == '.') {
    std::size_t fraction = ++i;
    while (i < length && IsDigit(text[i])) ++i;
    if (i == fraction) return false;
  }
  return i == length;
}

bool Fail(char* reason, int reasonSize, const char* what) {
  SafeFormat(reason, reasonSize, "%s", what);
  return false;
}

bool FieldFault(char* reason, int reasonSize, int index, const char* what) {
  SafeFormat(reason, reasonSize, "field %d (%s) %s", index + 1, kFieldNames[index], what);
  return false;
}

// Converts one field already known to be number text; false when its value
// is outside what the field can hold.
bool StoreField(int index, const char* text, ReceivedCamera& camera) {
  if (index == 0 || index >= 7) {
    errno = 0;
    long long value = std::strtoll(text, nullptr, 10);
    if (errno == ERANGE) return false;
    if (index == 0) {
      if (value < INT_MIN || value > INT_MAX) return false;
      camera.counter = static_cast<int>(value);
    } else {
      (index == 7 ? camera.timeStart : camera.timeEnd) = static_cast<std::int64_t>(value);
    }
    return true;
  }
  double value = TextToDouble(text);
  if (!std::isfinite(value)) return false;
  double* const targets[] = {&camera.latitude, &camera.longitude, &camera.altitude,
                             &camera.heading,  &camera.tilt,      &camera.roll};
  *targets[index - 1] = value;
  return true;
}

bool CheckRange(int index, const ReceivedCamera& camera, char* reason, int reasonSize) {
  if (index == 1 && (camera.latitude < -90.0 || camera.latitude > 90.0)) {
    return FieldFault(reason, reasonSize, index, "outside -90..90");
  }
  if (index == 2 && (camera.longitude < -180.0 || camera.longitude > 180.0)) {
    return FieldFault(reason, reasonSize, index, "outside -180..180");
  }
  return true;
}

// The optional tenth field: a planet name, with or without a closing comma.
bool ParsePlanet(const char* p, const char* end, ReceivedCamera& camera, char* reason,
                 int reasonSize) {
  if (p == end) return true;
  const char* comma =
      static_cast<const char*>(std::memchr(p, ',', static_cast<std::size_t>(end - p)));
  const char* nameEnd = comma != nullptr ? comma : end;
  std::size_t length = static_cast<std::size_t>(nameEnd - p);
  bool isName = length > 0 && length <= kMaxPlanetLength;
  for (std::size_t i = 0; isName && i < length; ++i) isName = IsLetter(p[i]);
  if (!isName) return Fail(reason, reasonSize, "field 10 (planet) not a name");
  if (comma != nullptr && comma + 1 != end) {
    return Fail(reason, reasonSize, "extra field after the planet");
  }
  std::memcpy(camera.planet, p, length);
  camera.planet[length] = '\0';
  return true;
}

}  // namespace

bool ParseViewSync(const char* data, std::size_t length, ReceivedCamera& camera, char* reason,
                   int reasonSize) {
  SafeCopy(reason, "", reasonSize);
  camera = ReceivedCamera();
  if (data == nullptr || length == 0) return Fail(reason, reasonSize, "empty datagram");
  if (length > kViewSyncMaxLength) {
    return Fail(reason, reasonSize, "longer than 255 characters");
  }
  for (std::size_t i = 0; i < length; ++i) {
    if (data[i] < ' ' || data[i] > '~') {
      return Fail(reason, reasonSize, "holds a byte that is not printable text");
    }
  }

  const char* p = data;
  const char* const end = data + length;
  char field[kViewSyncMaxLength + 1];
  for (int index = 0; index < kNumericFields; ++index) {
    if (p == end) return FieldFault(reason, reasonSize, index, "missing");
    const char* comma =
        static_cast<const char*>(std::memchr(p, ',', static_cast<std::size_t>(end - p)));
    const char* fieldEnd = comma != nullptr ? comma : end;
    std::size_t fieldLength = static_cast<std::size_t>(fieldEnd - p);
    if (!IsNumberText(p, fieldLength, IsDecimalField(index))) {
      return FieldFault(reason, reasonSize, index, "not a number");
    }
    if (comma == nullptr) return FieldFault(reason, reasonSize, index, "not followed by a comma");
    std::memcpy(field, p, fieldLength);
    field[fieldLength] = '\0';
    if (!StoreField(index, field, camera)) {
      return FieldFault(reason, reasonSize, index, "out of range");
    }
    if (!CheckRange(index, camera, reason, reasonSize)) return false;
    p = comma + 1;
  }
  return ParsePlanet(p, end, camera, reason, reasonSize);
}
