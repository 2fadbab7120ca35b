#include "AirportManager.h"
#include "AirportTable.h"
#include "FileNames.h"
#include "InputFile.h"
#include "OffsetsLine.h"

extern const char kReadAirportDataRevision[];
const char kReadAirportDataRevision[] =
    "%Z% CAirportManager QM2137 ReadAirportData.cpp $Revision: 1.2 $";

namespace {

void Count(int& lines, int& firstLine, int lineNumber) {
  if (lines++ == 0) firstLine = lineNumber;
}

// Keeps the line's record in the table, or tells in the report why it was skipped.
void TakeLine(char* line, bool heldNul, int lineNumber, OffsetsReadReport& report) {
  AirportRecord record{};
  const OffsetsLine kind = heldNul ? OffsetsLine::kNotText : ParseOffsetsLine(line, record);
  switch (kind) {
    case OffsetsLine::kRecord:
      ++report.records;
      if (AirportTable::Instance().Count() >= AirportManager::kCountLimit) ++report.recordsNotKept;
      AirportTable::Instance().Append(record);
      break;
    case OffsetsLine::kBadOffset:
      Count(report.badOffsetLines, report.firstBadOffsetLine, lineNumber);
      break;
    case OffsetsLine::kTooFewFields:
      Count(report.shortLines, report.firstShortLine, lineNumber);
      break;
    case OffsetsLine::kNotANumber:
      Count(report.notANumberLines, report.firstNotANumberLine, lineNumber);
      break;
    case OffsetsLine::kLongIdent:
      Count(report.longIdentLines, report.firstLongIdentLine, lineNumber);
      break;
    case OffsetsLine::kNotText:
      Count(report.notTextLines, report.firstNotTextLine, lineNumber);
      break;
    case OffsetsLine::kComment:
    case OffsetsLine::kBlank:
      break;
  }
}

}  // namespace

bool AirportManager::ReadOffsetsFile(const char* fileName) {
  m_report = OffsetsReadReport();
  m_loadedWhole = true;
  // The file may have been saved in another letter case ("offsets.DAT").
  char resolved[Platform::kFileNameSize];
  const bool exists =
      Platform::ResolveFileName(fileName != nullptr ? fileName : "", resolved, sizeof resolved);

  InputFileClass input;
  if (!input.OpenInputFile(resolved)) {
    SetError(input.GetErrorText());
    // Something is there that could not be read: Save must not replace it.
    m_loadedWhole = !exists;
    return false;
  }
  // The first line is a heading, whatever it holds.
  if (input.ReadFromInputFile(m_lineBuffer)) {
    for (int lineNumber = 2; input.ReadFromInputFile(m_lineBuffer); ++lineNumber) {
      TakeLine(m_lineBuffer, input.LastLineHeldNul(), lineNumber, m_report);
    }
  }
  if (input.ReadFailed()) {
    SetError(input.GetErrorText());
    // Part of the file is not in the table: Save must not replace it.
    m_loadedWhole = false;
    return false;
  }
  const int foreign = m_report.notANumberLines + m_report.longIdentLines + m_report.notTextLines;
  const int examined = m_report.records + m_report.badOffsetLines + m_report.shortLines + foreign;
  m_report.notOffsetsFile = 2 * foreign > examined;
  m_loadedWhole = m_report.recordsNotKept == 0 && !m_report.notOffsetsFile;
  return true;
}
