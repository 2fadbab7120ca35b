#include "OffsetsLine.h"

#include <cmath>
#include <cstring>

#include "TextFunctions.h"

namespace {

constexpr int kExaminedLength = 255;
// Fields after the sixth stay unsplit; only the first three are used.
constexpr int kMaxFields = 6;
constexpr int kUsedFields = 3;

bool IsBlank(const char* line) {
  return line[std::strspn(line, " \t\r\n")] == '\0';
}

}  // namespace

OffsetsLine ParseOffsetsLine(char* line, AirportRecord& record) {
  if (line == nullptr || line[0] == ';') return OffsetsLine::kComment;
  if (IsBlank(line)) return OffsetsLine::kBlank;
  if (std::strlen(line) > static_cast<std::size_t>(kExaminedLength)) line[kExaminedLength] = '\0';

  char* fields[kMaxFields + 1];
  // Runs of bars are one separator and a leading bar is ignored, so no field is empty.
  if (TokeniseMax(line, "|", fields, kMaxFields) < kUsedFields) return OffsetsLine::kTooFewFields;

  SafeCopy(record.ident, fields[0], AirportRecord::kIdentSize);
  record.datumOffset = TextToDouble(fields[1]);
  char* name = CutAtNewline(fields[2]);
  // The writer puts one blank after the bar; it is not part of the name.
  if (name[0] == ' ') ++name;
  SafeCopy(record.name, name, AirportRecord::kNameSize);
  char written[kOffsetsLineSize];
  return FormatOffsetsLine(record, written) ? OffsetsLine::kRecord : OffsetsLine::kBadOffset;
}

bool FormatOffsetsLine(const AirportRecord& record, char (&line)[kOffsetsLineSize]) {
  int length = -1;
  if (std::isfinite(record.datumOffset)) {
    length = SafeFormat(line, kOffsetsLineSize, "%s| %6.1f| %s\n", record.ident, record.datumOffset,
                        record.name);
  }
  // Cut, the line would lose its name and newline, and the next record
  // would be joined to it on reading.
  if (length >= 0 && length < kOffsetsLineSize) return true;
  line[0] = '\0';
  return false;
}
