#include <cerrno>
#include <cstring>
#include <string>

#include "AirportManager.h"
#include "FileNames.h"
#include "OffsetsLine.h"
#include "SettingsFile.h"
#include "TextFunctions.h"

namespace {

const char kOperation[] = "AirportManager::WriteOffsetsFile";
const char kHeader[] = ";\n;Airport ground level datum offsets for Google Earth \n\n";
// The new contents are written beside the offsets file under this suffix and
// renamed over it once complete.
const char kNewSuffix[] = ".new";

// `name` in `folder` (empty: the working folder), resolved ignoring case.
void NameInFolder(const char* folder, const char* name, char (&resolved)[Platform::kFileNameSize]) {
  char path[Platform::kFileNameSize];
  Platform::FileInFolder(folder, name, path, sizeof path);
  Platform::ResolveFileName(path, resolved, sizeof resolved);
}

}  // namespace

bool AirportManager::WriteOffsetsFile(const char* folder) {
  // The file is looked up by the reader's spelling, so that the file written
  // is always the one the next start-up reads, and a new file is named as
  // the reader expects it.
  char target[Platform::kFileNameSize];
  char backup[Platform::kFileNameSize];
  NameInFolder(folder, kReadFileName, target);
  NameInFolder(folder, kBackupFileName, backup);
  if (!m_loadedWhole) {
    // Writing the table back would drop the airports it could not hold.
    SetError(kOperation,
             m_report.recordsNotKept > 0
                 ? "Not saved: the file holds more airports than the table keeps"
             : m_report.notOffsetsFile ? "Not saved: the file is not an offsets file"
                                       : "Not saved: the file could not be read at start-up",
             target);
    return false;
  }

  char temporary[Platform::kFileNameSize];
  if (std::strlen(target) + sizeof kNewSuffix > sizeof temporary) {
    SetError(kOperation, "File name too long", target);
    return false;
  }
  SafeFormat(temporary, sizeof temporary, "%s%s", target, kNewSuffix);
  if (!WriteNewContents(temporary)) {
    Platform::RemoveFile(temporary);
    return false;
  }

  // The backup is made only once the new contents are safe on disk, and
  // whole or not at all: a failure leaves the earlier backup as it was.
  int failure = Platform::CopyFileWhole(target, backup);
  if (failure == ENOENT) failure = 0;  // no offsets file yet: nothing to back up
  if (failure != 0) {
    std::string reason = std::string("Backup not made: ") + std::strerror(failure);
    SetError(kOperation, reason.c_str(), backup);
    Platform::RemoveFile(temporary);
    return false;
  }
  failure = Platform::ReplaceFile(temporary, target);
  if (failure != 0) {
    SetError(kOperation, std::strerror(failure), target);
    Platform::RemoveFile(temporary);
    return false;
  }
  SafeCopy(m_writtenFileName, target, kLineSize);
  return true;
}

bool AirportManager::WriteNewContents(const char* temporary) {
  SettingsFileClass file(temporary, Write);
  if (!file.IsOpen()) {
    SetError(file.GetErrorText());
    return false;
  }
  bool written = file.WriteToSettingsFile(kHeader);
  AirportRecord record;
  for (int index = 0; written && index < GetNumberOfAirports(); ++index) {
    if (!GetAirport(index, record)) continue;
    char line[kOffsetsLineSize];
    if (!FormatOffsetsLine(record, line)) {
      std::string reason = std::string("The offset of ") + record.ident +
                           " cannot be written: not finite or too large";
      SetError(kOperation, reason.c_str(), temporary);
      return false;
    }
    written = file.WriteToSettingsFile(line);
  }
  if (!written || !file.Flush()) {
    SetError(file.GetErrorText());
    return false;
  }
  file.CloseFile();
  const int failure = Platform::SyncFileToDisk(temporary);
  if (failure != 0) {
    SetError(kOperation, std::strerror(failure), temporary);
    return false;
  }
  return true;
}
