#include "VisimFields.h"

#include <cmath>
#include <cstring>

#include "GuardedMemory.h"
#include "TextFunctions.h"
#include "VisualShm.h"

namespace {

const char* const kNames[kFieldCount] = {"lat",   "lon",        "altitude_m", "height_agl_m",
                                         "pitch", "bank",       "heading",    "airport",
                                         "view",  "time_value", "state_word"};

struct Range {
  double low;
  double high;
};

// Limits of the angle fields; heights and altitude only need to be finite.
bool RangeOf(VisimField field, Range* range) {
  switch (field) {
    case kFieldLatitude:
    case kFieldPitch:
      *range = {-90.0, 90.0};
      return true;
    case kFieldLongitude:
    case kFieldBank:
      *range = {-180.0, 180.0};
      return true;
    case kFieldHeading:
      *range = {0.0, 360.0};
      return true;
    default:
      return false;
  }
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
// The value of a hexadecimal digit, or -1.
int HexDigit(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Copies text without its surrounding blanks; false when it does not fit.
bool Trimmed(const char* text, char* out, std::size_t size) {
  while (*text == ' ' || *text == '\t') ++text;
  std::size_t length = std::strlen(text);
  while (length > 0 && (text[length - 1] == ' ' || text[length - 1] == '\t')) --length;
  if (length >= size) return false;
  std::memcpy(out, text, length);
  out[length] = '\0';
  return true;
}

}  // namespace

bool ParseVisimNumber(const char* text, double* value) {
  if (text == nullptr || value == nullptr) return false;
  char number[64];
  if (!Trimmed(text, number, sizeof number)) return false;
  const char* p = number;
  if (*p == '+' || *p == '-') ++p;
  int digits = 0;
  while (IsDigit(*p)) ++p, ++digits;
  if (*p == '.') {
    ++p;
    while (IsDigit(*p)) ++p, ++digits;
  }
  if (digits == 0) return false;
  if (*p == 'e' || *p == 'E') {
    ++p;
    if (*p == '+' || *p == '-') ++p;
    if (!IsDigit(*p)) return false;
    while (IsDigit(*p)) ++p;
  }
  if (*p != '\0') return false;
  double parsed = TextToDouble(number);
  if (!std::isfinite(parsed)) return false;
  *value = parsed;
  return true;
}

namespace {

// A 32-bit whole number: decimal with sign, or hexadecimal 0x0 to 0xFFFFFFFF
// (taken as the bit pattern, so 0xFFFFFFFF is -1).
bool ParseWhole(const char* text, std::int32_t* value) {
  char number[64];
  if (!Trimmed(text, number, sizeof number)) return false;
  const char* p = number;
  if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
    p += 2;
    if (*p == '\0' || std::strlen(p) > 8) return false;
    std::uint32_t bits = 0;
    for (; *p != '\0'; ++p) {
      int digit = HexDigit(*p);
      if (digit < 0) return false;
      bits = bits * 16u + static_cast<std::uint32_t>(digit);
    }
    std::memcpy(value, &bits, sizeof bits);
    return true;
  }
  bool negative = *p == '-';
  if (*p == '+' || *p == '-') ++p;
  if (!IsDigit(*p)) return false;
  std::int64_t magnitude = 0;
  for (; *p != '\0'; ++p) {
    if (!IsDigit(*p)) return false;
    magnitude = magnitude * 10 + (*p - '0');
    if (magnitude > 2147483648LL) return false;
  }
  std::int64_t signedValue = negative ? -magnitude : magnitude;
  if (signedValue > 2147483647LL) return false;
  *value = static_cast<std::int32_t>(signedValue);
  return true;
}

bool ParseAirport(const char* text, char (&airport)[kAirportIdentTextSize], char* reason,
                  int reasonSize) {
  std::size_t length = std::strlen(text);
  if (length > sizeof(VisualBlock::airportIdent)) {
    SafeFormat(reason, reasonSize, "airport: \"%.40s\" is longer than 8 characters", text);
    return false;
  }
  for (std::size_t i = 0; i < length; ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 || c > 0x7E) {
      SafeFormat(reason, reasonSize, "airport: character %zu is not a printable character", i + 1);
      return false;
    }
  }
  SafeCopy(airport, text, kAirportIdentTextSize);
  return true;
}

}  // namespace

const char* VisimFieldName(VisimField field) {
  return field >= 0 && field < kFieldCount ? kNames[field] : "";
}

bool FindVisimField(const char* name, int length, VisimField* field) {
  if (name == nullptr || length <= 0) return false;
  for (int i = 0; i < kFieldCount; ++i) {
    if (std::strlen(kNames[i]) == static_cast<std::size_t>(length) &&
        std::strncmp(kNames[i], name, static_cast<std::size_t>(length)) == 0) {
      *field = static_cast<VisimField>(i);
      return true;
    }
  }
  return false;
}

const char* VisimFieldNames() {
  return "lat, lon, altitude_m, height_agl_m, pitch, bank, heading, airport, view, time_value, "
         "state_word";
}

void VisimFields::Merge(const VisimFields& other) {
  if (other.Has(kFieldLatitude)) latitude = other.latitude;
  if (other.Has(kFieldLongitude)) longitude = other.longitude;
  if (other.Has(kFieldAltitude)) altitude = other.altitude;
  if (other.Has(kFieldHeightAgl)) heightAgl = other.heightAgl;
  if (other.Has(kFieldPitch)) pitch = other.pitch;
  if (other.Has(kFieldBank)) bank = other.bank;
  if (other.Has(kFieldHeading)) heading = other.heading;
  if (other.Has(kFieldAirport)) SafeCopy(airport, other.airport, kAirportIdentTextSize);
  if (other.Has(kFieldView)) view = other.view;
  if (other.Has(kFieldTimeValue)) timeValue = other.timeValue;
  if (other.Has(kFieldStateWord)) stateWord = other.stateWord;
  mask |= other.mask;
}

bool ParseVisimField(VisimField field, const char* text, VisimFields* fields, char* reason,
                     int reasonSize) {
  if (text == nullptr || fields == nullptr || field < 0 || field >= kFieldCount) {
    SafeFormat(reason, reasonSize, "no value");
    return false;
  }
  const char* name = kNames[field];
  if (field == kFieldAirport) {
    if (!ParseAirport(text, fields->airport, reason, reasonSize)) return false;
  } else if (field == kFieldView || field == kFieldTimeValue || field == kFieldStateWord) {
    std::int32_t value = 0;
    if (!ParseWhole(text, &value)) {
      SafeFormat(reason, reasonSize, "%s: \"%.40s\" is not a 32-bit whole number", name, text);
      return false;
    }
    (field == kFieldView        ? fields->view
     : field == kFieldTimeValue ? fields->timeValue
                                : fields->stateWord) = value;
  } else {
    double value = 0.0;
    if (!ParseVisimNumber(text, &value)) {
      SafeFormat(reason, reasonSize, "%s: \"%.40s\" is not a number", name, text);
      return false;
    }
    Range range{};
    if (RangeOf(field, &range) && (value < range.low || value > range.high)) {
      SafeFormat(reason, reasonSize, "%s: %g is outside %g to %g", name, value, range.low,
                 range.high);
      return false;
    }
    double* targets[] = {&fields->latitude,  &fields->longitude, &fields->altitude,
                         &fields->heightAgl, &fields->pitch,     &fields->bank,
                         &fields->heading};
    *targets[field] = value;
  }
  fields->mask |= VisimFields::Bit(field);
  return true;
}

namespace {

struct FieldsWrite {
  const VisimFields* fields;
  VisualInterfaceRecord* record;
};

// Plain stores only: a shrinking segment may abandon it at any one of them.
void StoreVisimFields(void* context) {
  const VisimFields& fields = *static_cast<FieldsWrite*>(context)->fields;
  VisualInterfaceRecord* record = static_cast<FieldsWrite*>(context)->record;
  VisualBlock& block = record->visualBlock;
  if (fields.Has(kFieldLatitude)) block.latitude = fields.latitude;
  if (fields.Has(kFieldLongitude)) block.longitude = fields.longitude;
  if (fields.Has(kFieldAltitude)) block.altitude = fields.altitude;
  if (fields.Has(kFieldHeightAgl)) block.heightAgl = fields.heightAgl;
  if (fields.Has(kFieldPitch)) block.pitch = fields.pitch;
  if (fields.Has(kFieldBank)) block.bank = fields.bank;
  if (fields.Has(kFieldHeading)) block.heading = fields.heading;
  if (fields.Has(kFieldAirport)) WriteFieldText(block.airportIdent, fields.airport);
  if (fields.Has(kFieldView)) block.viewSelect = fields.view;
  if (fields.Has(kFieldTimeValue)) block.timeValue = fields.timeValue;
  if (fields.Has(kFieldStateWord)) record->stateWord = fields.stateWord;
}

}  // namespace

bool WriteVisimFields(const VisimFields& fields, VisualInterfaceRecord* record) {
  if (record == nullptr) return false;
  FieldsWrite write{&fields, record};
  return Platform::RunGuarded(StoreVisimFields, &write);
}

namespace {

struct FieldsRead {
  const VisualInterfaceRecord* record;
  VisimFields* fields;
};

void LoadVisimFields(void* context) {
  const VisualInterfaceRecord& record = *static_cast<FieldsRead*>(context)->record;
  VisimFields& fields = *static_cast<FieldsRead*>(context)->fields;
  const VisualBlock& block = record.visualBlock;
  fields.latitude = block.latitude;
  fields.longitude = block.longitude;
  fields.altitude = block.altitude;
  fields.heightAgl = block.heightAgl;
  fields.pitch = block.pitch;
  fields.bank = block.bank;
  fields.heading = block.heading;
  CopyFieldText(fields.airport, sizeof fields.airport, block.airportIdent);
  fields.view = block.viewSelect;
  fields.timeValue = block.timeValue;
  fields.stateWord = record.stateWord;
}

}  // namespace

bool ReadVisimFields(const VisualInterfaceRecord* record, VisimFields* fields) {
  if (record == nullptr || fields == nullptr) return false;
  *fields = VisimFields();
  fields->mask = (1u << kFieldCount) - 1u;
  FieldsRead read{record, fields};
  return Platform::RunGuarded(LoadVisimFields, &read);
}

namespace {

// Text out of a record field, bounded by the field; bytes that are not
// printable are shown as \xNN so that a dump never prints control codes.
void PrintFieldText(std::FILE* out, const char* name, const char* field, std::size_t size) {
  char text[64 * 4 + 1] = {};
  std::size_t used = 0;
  for (std::size_t i = 0; i < size; ++i) {
    unsigned char c = static_cast<unsigned char>(field[i]);  // read once: it may be changing
    if (c == 0) break;
    if (c >= 0x20 && c <= 0x7E && c != '\\') {
      text[used++] = static_cast<char>(c);
    } else {
      SafeFormat(text + used, 5, "\\x%02X", c);
      used += 4;
    }
  }
  std::fprintf(out, "%s=%s\n", name, text);
}

void PrintNumber(std::FILE* out, const char* name, const char* format, double value) {
  char text[64];
  SafeFormat(text, sizeof text, format, value);
  std::fprintf(out, "%s=%s\n", name, text);
}

}  // namespace

void PrintVisimRecord(const VisualInterfaceRecord& record, std::FILE* out) {
  const VisualBlock& block = record.visualBlock;
  PrintFieldText(out, "version", record.version, sizeof record.version);
  std::fprintf(out, "version_ok=%s\n", CVisShm::VersionMatches(record) ? "yes" : "no");
  std::fprintf(out, "user_count=%d\n", static_cast<int>(record.userCount));
  std::fprintf(out, "state_word=%d\n", static_cast<int>(record.stateWord));
  PrintNumber(out, "lat", "%.6f", block.latitude);
  PrintNumber(out, "lon", "%.6f", block.longitude);
  PrintNumber(out, "altitude_m", "%.3f", block.altitude);
  PrintNumber(out, "height_agl_m", "%.3f", block.heightAgl);
  PrintNumber(out, "pitch", "%.3f", block.pitch);
  PrintNumber(out, "bank", "%.3f", block.bank);
  PrintNumber(out, "heading", "%.3f", block.heading);
  PrintFieldText(out, "airport", block.airportIdent, sizeof block.airportIdent);
  std::fprintf(out, "view=%d\n", static_cast<int>(block.viewSelect));
  std::fprintf(out, "time_value=%d\n", static_cast<int>(block.timeValue));
}
