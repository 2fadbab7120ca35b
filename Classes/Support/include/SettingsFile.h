#pragma once
// One named text file opened in one of four modes, read line by line or
// written with text as given. Failures leave "SettingsFileClass::<operation>",
// what went wrong and the file name in the error text.

#include <cstdio>
#include <string>

#include "QM_ErrorReport.h"

enum FileMode : int { Read = 0, Write = 1, ReadWrite = 2, Append = 3 };

class SettingsFileClass : public QM_ErrorReport {
 public:
  SettingsFileClass(const char* fileName, int mode);
  SettingsFileClass(const std::string& fileName, int mode);
  ~SettingsFileClass();
  SettingsFileClass(const SettingsFileClass&) = delete;
  SettingsFileClass& operator=(const SettingsFileClass&) = delete;

  bool IsOpen() const { return m_open; }
  // Closes the file when open; always true.
  bool CloseFile();
  // Seeks to the start; true when the seek succeeded.
  bool Rewind();
  const char* GetFileName();
  // One line (newline included when it fits) cut to size - 1 characters.
  // False, with an empty buffer, at the end of the file or when not open.
  bool ReadFromSettingsFile(char* buffer, int size);
  // Writes the text unchanged; lines need their own "\n".
  bool WriteToSettingsFile(const char* text);
  // Flushes what was written to the system; true when that succeeded.
  bool Flush();

  static constexpr int kNameSize = 1024;
  static constexpr int kReadBufferSize = 5120;

 private:
  void Open(const char* fileName, int mode);

  char m_nameCopy[kNameSize];
  char m_readBuffer[kReadBufferSize];
  std::FILE* m_file;
  bool m_open;
  char m_fileName[kNameSize];
};
