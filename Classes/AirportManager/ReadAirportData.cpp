#include "AirportManager.h"
#include "AirportTable.h"
#include "FileNames.h"
#include "InputFile.h"
#include "OffsetsLine.h"

extern const char kReadAirportDataRevision[];
const char kReadAirportDataRevision[] =
    "%Z% CAirportManager QM2137 ReadAirportData.cpp $Revision: 1.2 $";

bool AirportManager::ReadOffsetsFile(const char* fileName) {
  // The file may have been saved in another letter case ("offsets.DAT").
  char resolved[Platform::kFileNameSize];
  Platform::ResolveFileName(fileName != nullptr ? fileName : "", resolved, sizeof resolved);

  InputFileClass input;
  if (!input.OpenInputFile(resolved)) {
    SetError(input.GetErrorText());
    return false;
  }
  // The first line is a heading, whatever it holds.
  if (!input.ReadFromInputFile(m_lineBuffer)) return true;

  AirportTable& table = AirportTable::Instance();
  while (input.ReadFromInputFile(m_lineBuffer)) {
    AirportRecord record{};
    if (ParseOffsetsLine(m_lineBuffer, record)) table.Append(record);
  }
  return true;
}
