#include "InputFile.h"

#include <cstdio>
#include <cstring>

#include "FileNames.h"
#include "TextFunctions.h"

namespace {

// One input stream for the whole process.
std::FILE* s_stream = nullptr;
bool s_open = false;

}  // namespace

InputFileClass::InputFileClass() : m_fileName{}, m_lastLineHeldNul(false) {}

InputFileClass::~InputFileClass() {
  if (s_open) {
    std::fclose(s_stream);
    s_stream = nullptr;
    s_open = false;
  }
}

bool InputFileClass::OpenInputFile(const char* fileName) {
  SafeCopy(m_fileName, fileName != nullptr ? fileName : "", kNameSize);
  if (m_fileName[0] == '\0') {
    SetError("InputFileClass::OpenInputFile", "No valid File name given :>", m_fileName);
    return false;
  }
  // A stream still open from an earlier object is closed first: one input
  // file at a time, and never a leaked handle.
  if (s_open) {
    std::fclose(s_stream);
    s_stream = nullptr;
    s_open = false;
  }
  // Only a regular file: a FIFO or a device named here would hold the
  // reader up for ever, or feed it without end.
  const char* reason = nullptr;
  s_stream = Platform::OpenRegularFileForReading(m_fileName, &reason);
  if (s_stream == nullptr) {
    SetError("InputFileClass::OpenInputFile", reason, m_fileName);
    return false;
  }
  s_open = true;
  return true;
}

bool InputFileClass::ReadFromInputFile(char* buffer) {
  if (!s_open) {
    SetErrorOnce("InputFileClass::ReadFromInputFile", "Trying to read before file is opened",
                 m_fileName, kNotOpenedCode);
    return false;
  }
  if (buffer == nullptr) return false;
  // Only regular files are read, so the stream's position tells how many
  // bytes fgets took; fewer characters than that means a NUL among them.
  const long start = std::ftell(s_stream);
  if (std::fgets(buffer, kLineSize, s_stream) == nullptr) return false;
  const long end = std::ftell(s_stream);
  m_lastLineHeldNul =
      start >= 0 && end >= 0 && static_cast<long>(std::strlen(buffer)) < end - start;
  TextModeLineEnd(buffer);
  return true;
}
