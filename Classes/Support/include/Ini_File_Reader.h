#pragma once
// Reads typed settings from a sectioned ini file. A section "[KEY]" is found
// as a substring anywhere in a line (first one wins) and runs to the next
// line holding "["; item names and values have every blank and tab removed;
// the first matching item wins. Each lookup rereads the file from its top.

#include <string>

#include "QM_ErrorReport.h"

class SettingsFileClass;

class Ini_File_Reader : public QM_ErrorReport {
 public:
  Ini_File_Reader();
  ~Ini_File_Reader();
  Ini_File_Reader(const Ini_File_Reader&) = delete;
  Ini_File_Reader& operator=(const Ini_File_Reader&) = delete;

  bool OpenFile(const std::string& fileName);

  // The value text cut to size - 1 characters (never written past size).
  // The flag is not examined; callers pass true.
  bool LookForValue(const std::string& key, const std::string& item, char* value, int size,
                    bool flag);
  // atoi of the value.
  bool LookForValue(const std::string& key, const std::string& item, int* value);
  // True when the value holds "true", "TRUE", "True" or the character "1".
  bool LookForValue(const std::string& key, const std::string& item, bool* value);
  // True when a line of the section, blanks removed, equals the entry.
  bool LookForEntry(const std::string& key, const std::string& entry);

  static constexpr int kBufferSize = 1024;

 private:
  bool FindKey(const std::string& key);
  bool FindItem(const std::string& item);
  bool ItemMatches(const std::string& item);
  bool EntryMatches(const std::string& entry);
  const char* ExtractValue();
  void SetKeyMissing(const std::string& key);
  void SetItemMissing(const std::string& item);
  const char* HeldFileName();

  std::string m_fileName;
  char m_valueBuffer[kBufferSize];
  char m_lineBuffer[kBufferSize];
  std::string m_currentKey;
  SettingsFileClass* m_file;
};
