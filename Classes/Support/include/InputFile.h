#pragma once
// Reads a text file line by line. The stream is shared by every object of
// the class: one input file for the whole process at a time, closed when
// any object is destroyed.

#include "QM_ErrorReport.h"

class InputFileClass : public QM_ErrorReport {
 public:
  InputFileClass();
  ~InputFileClass();
  InputFileClass(const InputFileClass&) = delete;
  InputFileClass& operator=(const InputFileClass&) = delete;

  // Opens a regular file; anything else (a FIFO, a device, a folder) is
  // refused like a missing file. False with "InputFileClass::OpenInputFile",
  // the reason and the file name in the error text.
  bool OpenInputFile(const char* fileName);
  // Next line of at most 1023 characters into a buffer of at least 1024;
  // false at the end of the file.
  bool ReadFromInputFile(char* buffer);
  // The line last read held a NUL byte, which no text file holds: its text
  // ends there for every reader of the buffer.
  bool LastLineHeldNul() const { return m_lastLineHeldNul; }

  static constexpr int kNameSize = 1024;
  static constexpr int kLineSize = 1024;
  static constexpr int kNotOpenedCode = 54895682;

 private:
  char m_fileName[kNameSize];
  bool m_lastLineHeldNul;
};
