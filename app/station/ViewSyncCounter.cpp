#include "ViewSyncCounter.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

#include "FileNames.h"
#include "TextFunctions.h"
#include "ValueText.h"

namespace ViewSyncCounter {

int Next(int counter) {
  return counter == INT_MAX ? kFirst : counter + 1;
}

int FirstAfter(int highest, bool* startedOver) {
  *startedOver = false;
  if (highest > INT_MAX - kReserve) {
    *startedOver = true;
    return kFirst;
  }
  const int first = highest + kRestartMargin + 1;
  return first > kFirst ? first : kFirst;
}

}  // namespace ViewSyncCounter

namespace {

// Longer than any file this class writes: a larger one is not a counter file.
constexpr int kMostFileBytes = 512;
const char kComment[] =
    "# The highest ViewSync counter this station sent from this folder; delete the\n"
    "# file to start again at 1510 (restart Google Earth on the receivers then).\n";

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r';
}

// The length of one line up to its line end (CR-LF too) and trailing blanks.
std::size_t LineLength(const char* line, std::size_t left) {
  std::size_t length = 0;
  while (length < left && line[length] != '\n') ++length;
  while (length > 0 && IsBlank(line[length - 1])) --length;
  return length;
}

// A whole decimal number 0 to the largest int, nothing else.
bool ReadCount(const char* text, std::size_t length, int* value) {
  std::int64_t read = 0;
  if (Platform::ReadNumber(text, length, Platform::NumberForm::kDigits, 0, INT_MAX, &read) !=
      Platform::NumberReading::kRead) {
    return false;
  }
  *value = static_cast<int>(read);
  return true;
}

// Exactly one number line among comment and empty lines; blanks around a
// line do not count.
bool ParseCounterText(const char* text, std::size_t size, int* highest, char* reason,
                      int reasonSize) {
  int numbers = 0;
  for (std::size_t at = 0; at < size;) {
    while (at < size && IsBlank(text[at])) ++at;  // a hand-edited line may be indented
    const char* line = text + at;
    const std::size_t length = LineLength(line, size - at);
    while (at < size && text[at] != '\n') ++at;
    ++at;
    if (length == 0 || line[0] == '#') continue;
    if (++numbers > 1 || !ReadCount(line, length, highest)) {
      SafeFormat(reason, reasonSize,
                 numbers > 1 ? "more than one number" : "not a counter: \"%.*s\"",
                 static_cast<int>(length < 20 ? length : 20), line);
      return false;
    }
  }
  if (numbers == 0) SafeCopy(reason, "no number in it", reasonSize);
  return numbers == 1;
}

}  // namespace

ViewSyncCounterFile::ViewSyncCounterFile(const char* folder) {
  Platform::FileInFolder(folder, kFileName, m_path, sizeof m_path);
}

ViewSyncCounterFile::Load ViewSyncCounterFile::Read(int* highest, char* reason,
                                                    int reasonSize) const {
  std::error_code error;
  if (!std::filesystem::exists(m_path, error) && !error) {
    SafeCopy(reason, "no such file", reasonSize);
    return Load::kMissing;
  }
  const char* why = nullptr;
  std::FILE* file = Platform::OpenRegularFileForReading(m_path, &why);
  if (file == nullptr) {
    SafeCopy(reason, why != nullptr ? why : "cannot be opened", reasonSize);
    return Load::kUnreadable;
  }
  char text[kMostFileBytes + 1];
  const std::size_t size = std::fread(text, 1, sizeof text, file);
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) {
    SafeCopy(reason, "read error", reasonSize);
    return Load::kUnreadable;
  }
  if (size > static_cast<std::size_t>(kMostFileBytes) || std::memchr(text, '\0', size) != nullptr) {
    SafeCopy(reason, "not a counter file", reasonSize);
    return Load::kCorrupt;
  }
  return ParseCounterText(text, size, highest, reason, reasonSize) ? Load::kRead : Load::kCorrupt;
}

int ViewSyncCounterFile::Write(int highest, bool durable) const {
  char text[sizeof kComment + 16];
  const int length = SafeFormat(text, sizeof text, "%s%d\n", kComment, highest);
  return Platform::WriteFileWhole(m_path, text, length, durable);
}

ViewSyncCounterKeeper::ViewSyncCounterKeeper(const char* folder, Log log)
    : m_file(folder),
      m_log(std::move(log)),
      m_started(false),
      m_stored(0),
      m_attempted(0),
      m_lastWrite(0),
      m_timed(false),
      m_failureText(),
      m_writes(0) {}

int ViewSyncCounterKeeper::Start(bool* startedOver) {
  int highest = 0;
  char reason[ViewSyncCounterFile::kReasonSize] = "";
  char line[160];
  int first = ViewSyncCounter::kFirst;
  *startedOver = false;
  switch (m_file.Read(&highest, reason, sizeof reason)) {
    case ViewSyncCounterFile::Load::kRead:
      first = ViewSyncCounter::FirstAfter(highest, startedOver);
      SafeFormat(line, sizeof line, "ViewSync counter: %d sent before, first datagram %d%s",
                 highest, first, *startedOver ? " (int limit near)" : "");
      break;
    case ViewSyncCounterFile::Load::kMissing:
      SafeFormat(line, sizeof line, "ViewSync counter: no %s, first datagram %d",
                 ViewSyncCounterFile::kFileName, first);
      break;
    default:
      SafeFormat(line, sizeof line, "%s: %s; first datagram %d", ViewSyncCounterFile::kFileName,
                 reason, first);
      break;
  }
  m_log(line);
  m_started = true;
  m_timed = false;
  Store(first - 1, false);
  return first;
}

void ViewSyncCounterKeeper::Keep(int counter, std::uint32_t nowMilliseconds) {
  if (!m_started || counter == m_attempted) {
    return;
  }
  if (!m_timed) {
    m_timed = true;
    m_lastWrite = nowMilliseconds;
  }
  // Differences in unsigned arithmetic: right across the timer's wrap and the counter's.
  const bool second = nowMilliseconds - m_lastWrite >= 1000u;
  const bool many = static_cast<unsigned int>(counter) - static_cast<unsigned int>(m_attempted) >=
                    static_cast<unsigned int>(ViewSyncCounter::kMostUnstored);
  if (second || many) {
    m_lastWrite = nowMilliseconds;
    Store(counter, false);
  }
}

void ViewSyncCounterKeeper::Flush(int counter) {
  if (m_started && counter != m_stored) {
    Store(counter, true);
  }
}

void ViewSyncCounterKeeper::Store(int counter, bool durable) {
  m_attempted = counter;
  const int error = m_file.Write(counter, durable);
  char line[160];
  if (error == 0) {
    m_stored = counter;
    ++m_writes;
    if (m_writeFailure.Succeeded()) {
      SafeFormat(line, sizeof line, "%s written again", ViewSyncCounterFile::kFileName);
      m_log(line);
    }
    return;
  }
  // Told once per reason, not once a second.
  if (m_writeFailure.Failed(error)) {
    SafeFormat(line, sizeof line, "%s not written: %s", ViewSyncCounterFile::kFileName,
               std::strerror(error));
    SafeCopy(m_failureText, line, sizeof m_failureText);
    m_log(line);
  }
}
