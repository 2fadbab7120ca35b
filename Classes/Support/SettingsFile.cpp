#include "SettingsFile.h"

#include <cerrno>
#include <cstring>

#include "ConfigControl.h"
#include "TextFunctions.h"

namespace {

const char kHeaderRevision[] = "%Z% SettingsFile QM2110:02 SettingsFile.h $Revision: 1.1 $";
const char kSourceRevision[] = "%Z% SettingsFileClass QM2110:01 SettingsFile.cpp $Revision: 1.4 $";
bool s_registered = false;

struct ModeEntry {
  const char* openMode;
  const char* operation;
};

const ModeEntry kModes[] = {
    {"r", "SettingsFileClass::OpenFileForReading"},
    {"w", "SettingsFileClass::OpenFileForWriting"},
    {"r+", "SettingsFileClass::OpenFileForReadWrite"},
    {"a", "SettingsFileClass::OpenFileForAppending"},
};

}  // namespace

SettingsFileClass::SettingsFileClass(const char* fileName, int mode)
    : m_nameCopy{}, m_readBuffer{}, m_file(nullptr), m_open(false), m_fileName{} {
  Open(fileName, mode);
}

SettingsFileClass::SettingsFileClass(const std::string& fileName, int mode)
    : SettingsFileClass(fileName.c_str(), mode) {}

SettingsFileClass::~SettingsFileClass() {
  CloseFile();
}

void SettingsFileClass::Open(const char* fileName, int mode) {
  RegisterClassOnce(s_registered, "SettingsFileClass", {kHeaderRevision, kSourceRevision});
  if (fileName == nullptr || fileName[0] == '\0') return;
  SafeCopy(m_fileName, fileName, kNameSize);
  if (mode < Read || mode > Append) return;  // unknown mode: closed, no text

  m_file = std::fopen(m_fileName, kModes[mode].openMode);
  if (m_file != nullptr) {
    m_open = true;
    return;
  }
  SetError(kModes[mode].operation, std::strerror(errno), m_fileName);
}

bool SettingsFileClass::CloseFile() {
  if (m_open && m_file != nullptr) std::fclose(m_file);
  m_file = nullptr;
  m_open = false;
  return true;
}

bool SettingsFileClass::Rewind() {
  if (!m_open) return false;
  return std::fseek(m_file, 0L, SEEK_SET) == 0;
}

const char* SettingsFileClass::GetFileName() {
  SafeCopy(m_nameCopy, m_fileName, kNameSize);
  return m_nameCopy;
}

bool SettingsFileClass::ReadFromSettingsFile(char* buffer, int size) {
  if (!m_open) {
    SetError("SettingsFileClass::ReadFromSettingsFile", "File is not opened", m_fileName);
    SafeCopy(buffer, "", size);
    return false;
  }
  if (std::fgets(m_readBuffer, kReadBufferSize, m_file) == nullptr) {
    SetError("SettingsFileClass::ReadFromSettingsFile", "NULL read from file", m_fileName);
    SafeCopy(buffer, "", size);
    return false;
  }
  TextModeLineEnd(m_readBuffer);
  SafeCopy(buffer, m_readBuffer, size);
  return true;
}

bool SettingsFileClass::WriteToSettingsFile(const char* text) {
  if (!m_open) {
    SetError("SettingsFileClass::WriteToSettingsFile", "File is not opened", m_fileName);
    return false;
  }
  if (text == nullptr) return true;
  if (std::fputs(text, m_file) == EOF) {
    SetError("SettingsFileClass::WriteToSettingsFile", "EOF Error On writing", m_fileName);
    return false;
  }
  return true;
}

bool SettingsFileClass::Flush() {
  if (!m_open) return false;
  if (std::fflush(m_file) != 0) {
    SetError("SettingsFileClass::Flush", std::strerror(errno), m_fileName);
    return false;
  }
  return true;
}
