#pragma once
// Reads a text file line by line. The stream is shared by every object of
// the class: one input file for the whole process at a time, closed when
// any object is destroyed. The file is read ahead in blocks of 64 KiB, so
// that a line costs no system call.

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
  // Next line of at most 1023 characters into a buffer of at least 1024, a
  // CR-LF line end given as LF alone; false at the end of the file. False as
  // well when the file could not be read on: "InputFileClass::ReadFromInputFile",
  // the system's text and the file name in the error text, and ReadFailed.
  bool ReadFromInputFile(char* buffer);
  // A read since the file was opened failed, rather than meeting the end of
  // the file: the lines read are not the whole file.
  bool ReadFailed() const { return m_readFailed; }
  // The line last read held a NUL byte, which no text file holds: its text
  // ends there for every reader of the buffer.
  bool LastLineHeldNul() const { return m_lastLineHeldNul; }

  static constexpr int kNameSize = 1024;
  static constexpr int kLineSize = 1024;
  static constexpr int kNotOpenedCode = 54895682;

 private:
  char m_fileName[kNameSize];
  bool m_lastLineHeldNul;
  bool m_readFailed;
};
