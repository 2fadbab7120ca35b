#pragma once
// One record line of the offsets file, read and written.
//   EGLL|   12.5| London Heathrow
// ident, bar, blank, offset in six characters with one decimal, bar, blank,
// name, newline.

#include "AirportRecord.h"

// Each written line fits a 128-byte buffer: at most 127 characters.
constexpr int kOffsetsLineSize = 128;

// What a line of the file turned out to be.
enum class OffsetsLine {
  kRecord,        // a record: ident, offset and name
  kComment,       // starts with ";"
  kBlank,         // nothing but blanks, tabs and the line end
  kTooFewFields,  // fewer than three fields
  kBadOffset,     // the offset is not finite, or its line could not be written back
  kNotANumber,    // the offset is not a number written with "." as its point
  kLongIdent,     // the identifier is longer than a record keeps
  kNotText        // a byte no text file holds (a control character)
};

// Fills `record` from a line as read from the file (any length, newline
// included when it was read) and says what the line was; `record` is only
// to be used for kRecord. Only the first 255 characters are examined; the
// line is split in place. A record whose offset is not a finite number, or
// so large that its written line would not fit 127 characters, is refused
// (kBadOffset): Save could not write it back. The offset must be a number
// as a whole, blanks around it allowed: "1,5", "2.5m", "0x10" or "north"
// are refused (kNotANumber) rather than read as 1, 2.5, 16 or 0. An
// identifier of more than 4 characters (blanks after it not counted) is
// refused rather than cut (kLongIdent), and a line holding a control
// character other than tab, line and page ends is not text (kNotText).
OffsetsLine ParseOffsetsLine(char* line, AirportRecord& record);

// Formats the record's line with "%s| %6.1f| %s\n", "." as decimal separator.
// False, with an empty line, when the offset is not finite or the line would
// not fit 127 characters (an offset of some 60 digits and more).
bool FormatOffsetsLine(const AirportRecord& record, char (&line)[kOffsetsLineSize]);
