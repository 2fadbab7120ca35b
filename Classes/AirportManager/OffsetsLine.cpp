#include "OffsetsLine.h"

#include <cmath>
#include <cstring>

#include "TextFunctions.h"

namespace {

constexpr int kExaminedLength = 255;
// Fields after the sixth stay unsplit; only the first three are used.
constexpr int kMaxFields = 6;
constexpr int kUsedFields = 3;

constexpr const char* kBlanks = " \t";

bool IsBlank(const char* line) {
  return line[std::strspn(line, " \t\r\n")] == '\0';
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Tab, line feed, vertical tab, form feed and carriage return are text; the
// other control characters and DEL are not.
bool HoldsControlCharacter(const char* line) {
  for (const char* c = line; *c != '\0'; ++c) {
    const unsigned char byte = static_cast<unsigned char>(*c);
    if ((byte < 0x20 && (byte < '\t' || byte > '\r')) || byte == 0x7F) return true;
  }
  return false;
}

// Skips the spelling `word` ignoring case; false when the text does not start with it.
bool SkipWord(const char*& text, const char* word) {
  const char* c = text;
  for (; *word != '\0'; ++word, ++c) {
    if ((*c | 0x20) != *word) return false;
  }
  text = c;
  return true;
}

const char* SkipDigits(const char* text) {
  while (IsDigit(*text)) ++text;
  return text;
}

// The whole field is one number: optional sign, digits with an optional "."
// point (or a point and digits), an optional exponent; or the words of the
// numbers that are not finite, which the reader refuses on their own terms.
bool IsNumberField(const char* field) {
  const char* c = field + std::strspn(field, kBlanks);
  if (*c == '+' || *c == '-') ++c;
  if (SkipWord(c, "infinity") || SkipWord(c, "inf") || SkipWord(c, "nan")) {
    return c[std::strspn(c, kBlanks)] == '\0';
  }
  const char* digits = c;
  c = SkipDigits(c);
  bool mantissa = c != digits;
  if (*c == '.') {
    const char* fraction = ++c;
    c = SkipDigits(c);
    mantissa = mantissa || c != fraction;
  }
  if (!mantissa) return false;
  if (*c == 'e' || *c == 'E') {
    ++c;
    if (*c == '+' || *c == '-') ++c;
    const char* exponent = c;
    c = SkipDigits(c);
    if (c == exponent) return false;
  }
  return c[std::strspn(c, kBlanks)] == '\0';
}

// Below this size an offset's line always fits: "%6.1f" gives it at most 13
// characters ("-1000000000.0"), and the ident (4), the name (49) and the
// separators 5 more, far below 127. Only a larger offset is formatted to
// tell whether Save could write it back.
constexpr double kSurelyWritable = 1e9;

// Blanks after the identifier, before its bar, are not part of it.
bool IsIdentTooLong(const char* ident) {
  std::size_t length = std::strlen(ident);
  while (length > 0 && std::strchr(kBlanks, ident[length - 1]) != nullptr) --length;
  return length >= static_cast<std::size_t>(AirportRecord::kIdentSize);
}

}  // namespace

OffsetsLine ParseOffsetsLine(char* line, AirportRecord& record) {
  if (line == nullptr) return OffsetsLine::kComment;
  if (HoldsControlCharacter(line)) return OffsetsLine::kNotText;
  if (line[0] == ';') return OffsetsLine::kComment;
  if (IsBlank(line)) return OffsetsLine::kBlank;
  if (std::strlen(line) > static_cast<std::size_t>(kExaminedLength)) line[kExaminedLength] = '\0';

  char* fields[kMaxFields + 1];
  // Runs of bars are one separator and a leading bar is ignored, so no field is empty.
  if (TokeniseMax(line, "|", fields, kMaxFields) < kUsedFields) return OffsetsLine::kTooFewFields;

  if (IsIdentTooLong(fields[0])) return OffsetsLine::kLongIdent;
  if (!IsNumberField(fields[1])) return OffsetsLine::kNotANumber;
  SafeCopy(record.ident, fields[0], AirportRecord::kIdentSize);
  record.datumOffset = TextToDouble(fields[1]);
  char* name = CutAtNewline(fields[2]);
  // The writer puts one blank after the bar; it is not part of the name.
  if (name[0] == ' ') ++name;
  SafeCopy(record.name, name, AirportRecord::kNameSize);
  if (std::fabs(record.datumOffset) < kSurelyWritable) return OffsetsLine::kRecord;
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
