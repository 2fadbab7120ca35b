#pragma once
// The record fields that visim writes, by the names used on its command line
// (--set FIELD=VALUE), in replay files (column names) and in --dump output.

#include <cstdint>
#include <cstdio>

#include "VisualInterfaceShm.h"

enum VisimField : int {
  kFieldLatitude,
  kFieldLongitude,
  kFieldAltitude,
  kFieldHeightAgl,
  kFieldPitch,
  kFieldBank,
  kFieldHeading,
  kFieldAirport,
  kFieldView,
  kFieldTimeValue,
  kFieldStateWord,
  kFieldCount
};

// "lat", "lon", "altitude_m", "height_agl_m", "pitch", "bank", "heading",
// "airport", "view", "time_value", "state_word".
const char* VisimFieldName(VisimField field);
// The field of that name (length characters of name); false when none.
bool FindVisimField(const char* name, int length, VisimField* field);
// The names, comma-separated, for messages and --help.
const char* VisimFieldNames();

// Values for some of the fields: only those whose bit is in mask are set.
struct VisimFields {
  unsigned mask = 0;
  double latitude = 0.0;                     // deg, -90 to 90
  double longitude = 0.0;                    // deg, -180 to 180
  double altitude = 0.0;                     // m
  double heightAgl = 0.0;                    // m
  double pitch = 0.0;                        // deg, -90 to 90
  double bank = 0.0;                         // deg, -180 to 180
  double heading = 0.0;                      // deg, 0 to 360
  char airport[kAirportIdentTextSize] = {};  // up to 8 characters
  std::int32_t view = 0;
  std::int32_t timeValue = 0;
  std::int32_t stateWord = 0;

  bool Has(VisimField field) const { return (mask & Bit(field)) != 0; }
  static unsigned Bit(VisimField field) { return 1u << static_cast<unsigned>(field); }
  // Takes over every field that other has.
  void Merge(const VisimFields& other);
};

// Reads text as the value of the field into fields and sets its bit. On a
// bad value fields stays as it was and reason gets why ("lat: 95 is outside
// -90 to 90"). Numbers use "." as decimal separator; whole numbers may be
// written in hexadecimal (0xFFFFFF). The airport is kept as written, at most
// 8 printable characters.
bool ParseVisimField(VisimField field, const char* text, VisimFields* fields, char* reason,
                     int reasonSize);

// A finite decimal number and nothing else (blanks around it allowed): sign,
// digits, "." fraction, exponent. value is left alone when false.
bool ParseVisimNumber(const char* text, double* value);

// Writes the fields that are set into the record, and nothing else. An
// airport of 8 characters fills its field without a terminator, as another
// simulator might. False when the record could not be written: null, or its
// segment was shrunk under the mapping (some fields may then be written).
bool WriteVisimFields(const VisimFields& fields, VisualInterfaceRecord* record);

// Every field of the record as it stands now, all bits set in the mask.
// False when the record is null or its segment was shrunk under the mapping.
bool ReadVisimFields(const VisualInterfaceRecord* record, VisimFields* fields);

// Prints the record as name=value lines: version, user_count and every field.
void PrintVisimRecord(const VisualInterfaceRecord& record, std::FILE* out);
