#pragma once
// One record line of the offsets file, read and written.
//   EGLL|   12.5| London Heathrow
// ident, bar, blank, offset in six characters with one decimal, bar, blank,
// name, newline.

#include "AirportRecord.h"

// Each written line fits a 128-byte buffer: at most 127 characters.
constexpr int kOffsetsLineSize = 128;

// Fills `record` from a line as read from the file (any length, newline
// included when it was read). False, record untouched, for a ";" comment and
// for a line with fewer than three fields. Only the first 255 characters are
// examined; the line is split in place.
bool ParseOffsetsLine(char* line, AirportRecord& record);

// Formats the record's line with "%s| %6.1f| %s\n", "." as decimal separator.
// An offset too large for a 127-character line (about 1e60 and more) is
// written in exponent form ("%6.1e"), which the reader reads back.
void FormatOffsetsLine(const AirportRecord& record, char (&line)[kOffsetsLineSize]);
