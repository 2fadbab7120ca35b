#include "OffsetsLine.h"

#include <cstring>

#include "TextFunctions.h"

namespace {

constexpr int kExaminedLength = 255;
// Fields after the sixth stay unsplit; only the first three are used.
constexpr int kMaxFields = 6;
constexpr int kUsedFields = 3;

}  // namespace

bool ParseOffsetsLine(char* line, AirportRecord& record) {
  if (line == nullptr || line[0] == ';') return false;
  if (std::strlen(line) > static_cast<std::size_t>(kExaminedLength)) line[kExaminedLength] = '\0';

  char* fields[kMaxFields + 1];
  // Runs of bars are one separator and a leading bar is ignored, so no field is empty.
  if (TokeniseMax(line, "|", fields, kMaxFields) < kUsedFields) return false;

  SafeCopy(record.ident, fields[0], AirportRecord::kIdentSize);
  record.datumOffset = TextToDouble(fields[1]);
  char* name = CutAtNewline(fields[2]);
  // The writer puts one blank after the bar; it is not part of the name.
  if (name[0] == ' ') ++name;
  SafeCopy(record.name, name, AirportRecord::kNameSize);
  return true;
}

void FormatOffsetsLine(const AirportRecord& record, char (&line)[kOffsetsLineSize]) {
  int length = SafeFormat(line, kOffsetsLineSize, "%s| %6.1f| %s\n", record.ident,
                          record.datumOffset, record.name);
  if (length >= 0 && length < kOffsetsLineSize) return;
  // Only an offset of more than about 60 digits gets here. Cut, the line
  // would lose its name and newline: the record would be skipped on reading
  // and the next one joined to it. The exponent form keeps the record whole.
  SafeFormat(line, kOffsetsLineSize, "%s| %6.1e| %s\n", record.ident, record.datumOffset,
             record.name);
}
