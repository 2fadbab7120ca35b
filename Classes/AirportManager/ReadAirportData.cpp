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
  if (!input.ReadFromInputFile(m_lineBuffer)) return true;

  AirportTable& table = AirportTable::Instance();
  for (int lineNumber = 2; input.ReadFromInputFile(m_lineBuffer); ++lineNumber) {
    AirportRecord record{};
    const OffsetsLine kind =
        input.LastLineHeldNul() ? OffsetsLine::kNotText : ParseOffsetsLine(m_lineBuffer, record);
    switch (kind) {
      case OffsetsLine::kRecord:
        ++m_report.records;
        if (table.Count() >= kCountLimit) ++m_report.recordsNotKept;
        table.Append(record);
        break;
      case OffsetsLine::kBadOffset:
        Count(m_report.badOffsetLines, m_report.firstBadOffsetLine, lineNumber);
        break;
      case OffsetsLine::kTooFewFields:
        Count(m_report.shortLines, m_report.firstShortLine, lineNumber);
        break;
      case OffsetsLine::kNotANumber:
        Count(m_report.notANumberLines, m_report.firstNotANumberLine, lineNumber);
        break;
      case OffsetsLine::kLongIdent:
        Count(m_report.longIdentLines, m_report.firstLongIdentLine, lineNumber);
        break;
      case OffsetsLine::kNotText:
        Count(m_report.notTextLines, m_report.firstNotTextLine, lineNumber);
        break;
      case OffsetsLine::kComment:
      case OffsetsLine::kBlank:
        break;
    }
  }
  const int foreign = m_report.notANumberLines + m_report.longIdentLines + m_report.notTextLines;
  const int examined = m_report.records + m_report.badOffsetLines + m_report.shortLines + foreign;
  m_report.notOffsetsFile = 2 * foreign > examined;
  m_loadedWhole = m_report.recordsNotKept == 0 && !m_report.notOffsetsFile;
  return true;
}
