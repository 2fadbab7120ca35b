#include "VisimTrack.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "TextFunctions.h"

namespace {

// Strips the blanks around a cell in place.
char* Trim(char* cell) {
  while (*cell == ' ' || *cell == '\t') ++cell;
  std::size_t length = std::strlen(cell);
  while (length > 0 && (cell[length - 1] == ' ' || cell[length - 1] == '\t')) {
    cell[--length] = '\0';
  }
  return cell;
}

// Splits line in place at commas; at most maximum cells. Returns the number
// of cells, or maximum + 1 when there are more.
int SplitCells(char* line, char** cells, int maximum) {
  int count = 0;
  char* start = line;
  for (;;) {
    char* comma = std::strchr(start, ',');
    if (count == maximum) return maximum + 1;
    if (comma != nullptr) *comma = '\0';
    cells[count++] = Trim(start);
    if (comma == nullptr) return count;
    start = comma + 1;
  }
}

// What kind of file a non-regular one is, for the refusal.
const char* FileKind(mode_t mode) {
  if (S_ISFIFO(mode)) return "a FIFO";
  if (S_ISCHR(mode)) return "a character device";
  if (S_ISBLK(mode)) return "a block device";
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISSOCK(mode)) return "a socket";
  return "not a plain file";
}

}  // namespace

void VisimTrack::Begin(const char* fileName) {
  SafeCopy(m_fileName, fileName != nullptr ? fileName : "", sizeof m_fileName);
  m_haveHeader = false;
  m_columnCount = 0;
  m_columns = 0;
  m_couldNotRead = false;
  m_rows.clear();
}

bool VisimTrack::Fail(long number, const char* reason) {
  char text[1400];
  if (number > 0) {
    SafeFormat(text, sizeof text, "%s:%ld: %s", m_fileName, number, reason);
  } else {
    SafeFormat(text, sizeof text, "%s: %s", m_fileName, reason);
  }
  SetError(text);
  m_rows.clear();
  return false;
}

// Only a regular file is read: a FIFO could keep the program waiting for a
// writer, a device like /dev/zero would never end. Opened without waiting so
// that even a FIFO is only looked at.
std::FILE* VisimTrack::OpenRegular(const char* fileName) {
  const int fd = open(fileName, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    Fail(0, std::strerror(errno));
    return nullptr;
  }
  struct stat status {};
  const int statError = fstat(fd, &status) != 0 ? errno : 0;
  if (statError != 0 || !S_ISREG(status.st_mode)) {
    char reason[96];
    SafeFormat(reason, sizeof reason, "not a regular file (%s)",
               statError != 0 ? std::strerror(statError) : FileKind(status.st_mode));
    close(fd);
    Fail(0, reason);
    return nullptr;
  }
  std::FILE* file = fdopen(fd, "rb");
  if (file == nullptr) {
    Fail(0, std::strerror(errno));
    close(fd);
  }
  return file;
}

bool VisimTrack::Load(const char* fileName) {
  Begin(fileName);
  std::FILE* file = OpenRegular(fileName);
  if (file == nullptr) {
    m_couldNotRead = true;
    return false;
  }
  std::string line;
  long number = 0;
  bool ok = true;
  int c = 0;
  while (ok && c != EOF) {
    line.clear();
    bool tooLong = false;
    while ((c = std::getc(file)) != EOF && c != '\n') {
      if (line.size() <= kMaxLineLength) {
        line.push_back(static_cast<char>(c));
      } else {
        tooLong = true;  // read on to the line end, keeping nothing
      }
    }
    if (c == EOF && line.empty() && !tooLong) break;
    ++number;
    ok = tooLong ? Fail(number, "line longer than 4096 characters")
                 : AddLine(line.data(), line.size(), number);
  }
  const int readError = std::ferror(file) != 0 ? errno : 0;
  std::fclose(file);
  if (ok && readError != 0) {
    m_couldNotRead = true;
    return Fail(number, std::strerror(readError));
  }
  return ok && Finish();
}

bool VisimTrack::Parse(const char* text, std::size_t length, const char* fileName) {
  Begin(fileName);
  if (text == nullptr) length = 0;
  std::size_t start = 0;
  long number = 0;
  while (start < length) {
    const void* found = std::memchr(text + start, '\n', length - start);
    std::size_t end = found != nullptr
                          ? static_cast<std::size_t>(static_cast<const char*>(found) - text)
                          : length;
    if (!AddLine(text + start, end - start, ++number)) return false;
    start = end + 1;
  }
  return Finish();
}

bool VisimTrack::AddLine(const char* line, std::size_t length, long number) {
  if (length > 0 && line[length - 1] == '\r') --length;
  if (length > kMaxLineLength) return Fail(number, "line longer than 4096 characters");
  if (std::memchr(line, '\0', length) != nullptr) return Fail(number, "line holds a zero byte");
  char copy[kMaxLineLength + 1];
  std::memcpy(copy, line, length);
  copy[length] = '\0';
  char* text = Trim(copy);
  if (text[0] == '\0' || text[0] == '#') return true;
  return m_haveHeader ? Row(text, number) : Header(text, number);
}

bool VisimTrack::Header(char* line, long number) {
  char* cells[kMaxColumns + 1];
  int count = SplitCells(line, cells, kMaxColumns);
  if (count > kMaxColumns) return Fail(number, "more columns than there are fields");
  bool haveTime = false;
  for (int i = 0; i < count; ++i) {
    char reason[512];
    if (std::strcmp(cells[i], "time_s") == 0) {
      if (haveTime) return Fail(number, "column \"time_s\" named twice");
      haveTime = true;
      m_columnField[i] = kTimeColumn;
      continue;
    }
    VisimField field{};
    if (!FindVisimField(cells[i], static_cast<int>(std::strlen(cells[i])), &field)) {
      SafeFormat(reason, sizeof reason, "unknown column \"%.40s\" (columns: time_s, %s)", cells[i],
                 VisimFieldNames());
      return Fail(number, reason);
    }
    if ((m_columns & VisimFields::Bit(field)) != 0) {
      SafeFormat(reason, sizeof reason, "column \"%s\" named twice", cells[i]);
      return Fail(number, reason);
    }
    m_columns |= VisimFields::Bit(field);
    m_columnField[i] = field;
  }
  if (!haveTime) return Fail(number, "the header line has no \"time_s\" column");
  m_columnCount = count;
  m_haveHeader = true;
  return true;
}

bool VisimTrack::Row(char* line, long number) {
  if (m_rows.size() >= kMaxRows) return Fail(number, "more than 1000000 rows");
  char* cells[kMaxColumns + 1];
  int count = SplitCells(line, cells, m_columnCount);
  char reason[512];
  if (count != m_columnCount) {
    if (count > m_columnCount) {
      SafeFormat(reason, sizeof reason, "more than the header's %d cells", m_columnCount);
    } else {
      SafeFormat(reason, sizeof reason, "%d cells, the header names %d", count, m_columnCount);
    }
    return Fail(number, reason);
  }
  VisimTrackRow row;
  for (int i = 0; i < count; ++i) {
    if (m_columnField[i] == kTimeColumn) {
      if (!ParseVisimNumber(cells[i], &row.time) || row.time < 0.0) {
        SafeFormat(reason, sizeof reason, "time_s: \"%.40s\" is not a time of 0 s or more",
                   cells[i]);
        return Fail(number, reason);
      }
    } else if (cells[i][0] != '\0') {
      if (!ParseVisimField(static_cast<VisimField>(m_columnField[i]), cells[i], &row.fields, reason,
                           sizeof reason)) {
        return Fail(number, reason);
      }
    }
  }
  if (!m_rows.empty() && row.time < m_rows.back().time) {
    SafeFormat(reason, sizeof reason, "time_s: %g is before the previous row's %g", row.time,
               m_rows.back().time);
    return Fail(number, reason);
  }
  m_rows.push_back(row);
  return true;
}

bool VisimTrack::Finish() {
  if (!m_haveHeader) return Fail(0, "no header line");
  if (m_rows.empty()) return Fail(0, "no rows after the header line");
  return true;
}
