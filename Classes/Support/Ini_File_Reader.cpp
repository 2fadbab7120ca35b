#include "Ini_File_Reader.h"

#include <cstdlib>
#include <cstring>

#include "SettingsFile.h"
#include "TextFunctions.h"

namespace {

// Keys longer than this are cut before the header search.
constexpr std::size_t kMaxKeyLength = 1021;

}  // namespace

Ini_File_Reader::Ini_File_Reader() : m_valueBuffer{}, m_lineBuffer{}, m_file(nullptr) {}

Ini_File_Reader::~Ini_File_Reader() {
  delete m_file;
}

bool Ini_File_Reader::OpenFile(const std::string& fileName) {
  m_fileName = fileName;
  if (fileName.empty()) {
    SetError("Ini_File_Reader::OpenFile", "Ini_File_Reader::OpenFile - File Name Given was NULL");
    return false;
  }
  // A second OpenFile replaces the first file.
  delete m_file;
  m_file = new SettingsFileClass(fileName, Read);
  if (!m_file->IsOpen()) {
    SetError(m_file->GetErrorText());
    return false;
  }
  return true;
}

const char* Ini_File_Reader::HeldFileName() {
  return m_file != nullptr ? m_file->GetFileName() : m_fileName.c_str();
}

void Ini_File_Reader::SetKeyMissing(const std::string& key) {
  SetError(std::string("Ini_File_Reader::LookForValue\n") + "Did not find Key [" + key + "]" +
           "\n" + "in file \n" + HeldFileName());
}

void Ini_File_Reader::SetItemMissing(const std::string& item) {
  SetError(std::string("Ini_File_Reader::LookForValue\n") + "Did not find Item <" + item +
           "> under Key [" + m_currentKey + "]\n" + "in file \n" + HeldFileName());
}

bool Ini_File_Reader::FindKey(const std::string& key) {
  m_currentKey = key;
  if (m_file == nullptr || !m_file->Rewind()) return false;
  std::string pattern = "[" + key.substr(0, kMaxKeyLength) + "]";
  while (m_file->ReadFromSettingsFile(m_lineBuffer, kBufferSize)) {
    if (std::strstr(m_lineBuffer, pattern.c_str()) != nullptr) return true;
  }
  return false;
}

bool Ini_File_Reader::ItemMatches(const std::string& item) {
  char working[kBufferSize];
  SafeCopy(working, m_lineBuffer, kBufferSize);
  if (std::strchr(working, '=') == nullptr) return false;
  TabsToSpaces(working);
  RemoveSpaces(working);
  char* equals = std::strchr(working, '=');
  SafeCopy(m_valueBuffer, equals, kBufferSize);
  *equals = '\0';
  return item == working;
}

bool Ini_File_Reader::EntryMatches(const std::string& entry) {
  char working[kBufferSize];
  SafeCopy(working, m_lineBuffer, kBufferSize);
  TabsToSpaces(working);
  RemoveSpaces(working);
  CutAtNewline(working);
  return entry == working;
}

bool Ini_File_Reader::FindItem(const std::string& item) {
  while (m_file->ReadFromSettingsFile(m_lineBuffer, kBufferSize)) {
    if (ItemMatches(item)) return true;
    // Any line holding "[" ends the section, after it was tested.
    if (std::strchr(m_lineBuffer, '[') != nullptr) return false;
  }
  return false;
}

const char* Ini_File_Reader::ExtractValue() {
  char* value = m_valueBuffer;
  if (*value == '=') ++value;
  CutAtNewline(value);
  return value;
}

bool Ini_File_Reader::LookForValue(const std::string& key, const std::string& item, char* value,
                                   int size, bool /*flag*/) {
  if (!FindKey(key)) {
    SetKeyMissing(key);
    return false;
  }
  if (!FindItem(item)) {
    SetItemMissing(item);
    return false;
  }
  SafeCopy(value, ExtractValue(), size);
  return true;
}

bool Ini_File_Reader::LookForValue(const std::string& key, const std::string& item, int* value) {
  char text[kBufferSize];
  if (!LookForValue(key, item, text, kBufferSize, true)) return false;
  if (value != nullptr) *value = std::atoi(text);
  return true;
}

bool Ini_File_Reader::LookForValue(const std::string& key, const std::string& item, bool* value) {
  char text[kBufferSize];
  if (!LookForValue(key, item, text, kBufferSize, true)) return false;
  if (value != nullptr) {
    *value = std::strstr(text, "true") != nullptr || std::strstr(text, "TRUE") != nullptr ||
             std::strstr(text, "True") != nullptr || std::strchr(text, '1') != nullptr;
  }
  return true;
}

bool Ini_File_Reader::LookForEntry(const std::string& key, const std::string& entry) {
  if (!FindKey(key)) {
    SetKeyMissing(key);
    return false;
  }
  while (m_file->ReadFromSettingsFile(m_lineBuffer, kBufferSize)) {
    if (EntryMatches(entry)) return true;
    if (std::strchr(m_lineBuffer, '[') != nullptr) return false;
  }
  return false;
}
