#include "InputFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "FileNames.h"
#include "TextFunctions.h"

namespace {

// Lines are cut from bytes read ahead, one read of the file filling up to
// 64 KiB: a 20,000-line offsets file costs a dozen reads, and a line no
// system call at all. (Asking the stream where it stands after each line, to
// tell a NUL among its bytes, cost two system calls a line.)
constexpr std::size_t kReadAhead = std::size_t{64} * 1024;
constexpr std::size_t kLongestLine = InputFileClass::kLineSize - 1;

// One input stream for the whole process, and the bytes read from it that
// are not yet handed out as lines: s_bytes[s_begin, s_end).
std::FILE* s_stream = nullptr;
bool s_open = false;
char s_bytes[kReadAhead];
std::size_t s_begin = 0;
std::size_t s_end = 0;
bool s_atEnd = false;

void CloseStream() {
  if (s_open) std::fclose(s_stream);
  s_stream = nullptr;
  s_open = false;
  s_begin = s_end = 0;
  s_atEnd = false;
}

// Moves the bytes not yet handed out to the front and reads behind them.
// 0, or the errno of a failed read.
int ReadAhead() {
  const std::size_t kept = s_end - s_begin;
  std::memmove(s_bytes, s_bytes + s_begin, kept);
  s_begin = 0;
  s_end = kept;
  const std::size_t wanted = kReadAhead - kept;
  errno = 0;
  const std::size_t got = std::fread(s_bytes + kept, 1, wanted, s_stream);
  s_end += got;
  // The stream is unbuffered, so a short count is the end of the file or a
  // failed read, never a pause.
  if (got < wanted) s_atEnd = true;
  if (!std::ferror(s_stream)) return 0;
  return errno != 0 ? errno : EIO;
}

}  // namespace

InputFileClass::InputFileClass() : m_fileName{}, m_lastLineHeldNul(false), m_readFailed(false) {}

InputFileClass::~InputFileClass() {
  CloseStream();
}

bool InputFileClass::OpenInputFile(const char* fileName) {
  m_readFailed = false;
  SafeCopy(m_fileName, fileName != nullptr ? fileName : "", kNameSize);
  if (m_fileName[0] == '\0') {
    SetError("InputFileClass::OpenInputFile", "No valid File name given :>", m_fileName);
    return false;
  }
  // A stream still open from an earlier object is closed first: one input
  // file at a time, and never a leaked handle.
  CloseStream();
  // Only a regular file: a FIFO or a device named here would hold the
  // reader up for ever, or feed it without end.
  const char* reason = nullptr;
  s_stream = Platform::OpenRegularFileForReading(m_fileName, &reason);
  if (s_stream == nullptr) {
    SetError("InputFileClass::OpenInputFile", reason, m_fileName);
    return false;
  }
  // The bytes are held here; a second buffer in the stream would only copy
  // them once more and split the reads.
  std::setvbuf(s_stream, nullptr, _IONBF, 0);
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
  // A line is the bytes up to and with its newline, at most 1023 of them;
  // the rest of a longer line is the next one.
  const char* newline = nullptr;
  std::size_t length = 0;
  for (;;) {
    const std::size_t available = s_end - s_begin;
    length = available < kLongestLine ? available : kLongestLine;
    newline = static_cast<const char*>(std::memchr(s_bytes + s_begin, '\n', length));
    if (newline != nullptr || length == kLongestLine || s_atEnd) break;
    if (const int error = ReadAhead(); error != 0) {
      m_readFailed = true;
      SetError("InputFileClass::ReadFromInputFile", std::strerror(error), m_fileName);
      return false;
    }
  }
  if (newline != nullptr) length = static_cast<std::size_t>(newline - (s_bytes + s_begin)) + 1;
  if (length == 0) return false;
  std::memcpy(buffer, s_bytes + s_begin, length);
  buffer[length] = '\0';
  s_begin += length;
  // The text of a line holding a NUL ends there for every reader of it.
  m_lastLineHeldNul = std::memchr(buffer, '\0', length) != nullptr;
  TextModeLineEnd(buffer);
  return true;
}
