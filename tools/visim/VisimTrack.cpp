#include "VisimTrack.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

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

VisimTrack::VisimTrack() = default;

VisimTrack::~VisimTrack() {
  if (m_fd >= 0) close(m_fd);
}

void VisimTrack::Begin(const char* fileName) {
  if (m_fd >= 0) close(m_fd);
  m_fd = -1;
  SafeCopy(m_fileName, fileName != nullptr ? fileName : "", sizeof m_fileName);
  m_text = nullptr;
  m_start = 0;
  m_end = 0;
  m_atEof = true;
  m_number = 0;
  m_haveHeader = false;
  m_failed = false;
  m_couldNotRead = false;
  m_columnCount = 0;
  m_columns = 0;
  m_rowCount = 0;
  m_lastTime = 0.0;
  m_notice[0] = '\0';
}

bool VisimTrack::Fail(long number, const char* reason) {
  char text[1400];
  if (number > 0) {
    SafeFormat(text, sizeof text, "%s:%ld: %s", m_fileName, number, reason);
  } else {
    SafeFormat(text, sizeof text, "%s: %s", m_fileName, reason);
  }
  SetError(text);
  m_failed = true;
  return false;
}

// Only a regular file is read: a FIFO could keep the program waiting for a
// writer, a device like /dev/zero would never end. Opened without waiting so
// that even a FIFO is only looked at.
int VisimTrack::OpenRegular(const char* fileName) {
  const int fd = open(fileName, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    Fail(0, std::strerror(errno));
    return -1;
  }
  struct stat status {};
  const int statError = fstat(fd, &status) != 0 ? errno : 0;
  if (statError != 0 || !S_ISREG(status.st_mode)) {
    char reason[96];
    SafeFormat(reason, sizeof reason, "not a regular file (%s)",
               statError != 0 ? std::strerror(statError) : FileKind(status.st_mode));
    close(fd);
    Fail(0, reason);
    return -1;
  }
  return fd;
}

bool VisimTrack::Open(const char* fileName) {
  Begin(fileName);
  m_fd = OpenRegular(fileName);
  if (m_fd < 0) {
    m_couldNotRead = true;
    return false;
  }
  if (!m_buffer) m_buffer.reset(new char[kBufferSize]);
  m_text = m_buffer.get();
  m_atEof = false;
  Step step = ReadStep(nullptr);
  if (step == Step::kEnd) return Fail(0, "no header line");
  return step == Step::kHeader;
}

bool VisimTrack::OpenText(const char* text, std::size_t length, const char* fileName) {
  Begin(fileName);
  m_text = text != nullptr ? text : "";
  m_end = text != nullptr ? length : 0;
  Step step = ReadStep(nullptr);
  if (step == Step::kEnd) return Fail(0, "no header line");
  return step == Step::kHeader;
}

bool VisimTrack::Next(VisimTrackRow* row) {
  if (m_failed || !m_haveHeader) return false;
  VisimTrackRow read;
  Step step = ReadStep(&read);
  if (step == Step::kRow) {
    ++m_rowCount;
    m_lastTime = read.time;
    *row = read;
    return true;
  }
  if (step == Step::kEnd && m_rowCount == 0) Fail(0, "no rows after the header line");
  return false;
}

bool VisimTrack::ReadToEnd() {
  VisimTrackRow row;
  while (Next(&row)) {
  }
  return !m_failed;
}

// The file read on into the buffer, behind what is left of it; false with
// the error text when the read failed.
bool VisimTrack::FillBuffer() {
  char* buffer = m_buffer.get();
  const std::size_t kept = m_end - m_start;
  std::memmove(buffer, buffer + m_start, kept);
  m_start = 0;
  m_end = kept;
  for (;;) {
    const ssize_t got = read(m_fd, buffer + m_end, kBufferSize - m_end);
    if (got > 0) {
      m_end += static_cast<std::size_t>(got);
      return true;
    }
    if (got == 0) {
      m_atEof = true;
      return true;
    }
    if (errno != EINTR) {
      m_couldNotRead = true;
      return Fail(m_number, std::strerror(errno));
    }
  }
}

// The next line, without its line end; false at the end of the text (or a
// failed read). A line of a file too long to be a row is dropped as it is
// read, keeping only that it was too long.
bool VisimTrack::ReadLine(Line* line) {
  bool tooLong = false;
  for (;;) {
    const char* text = m_text + m_start;
    const std::size_t available = m_end - m_start;
    const void* found = available > 0 ? std::memchr(text, '\n', available) : nullptr;
    if (found != nullptr) {
      const std::size_t length = static_cast<std::size_t>(static_cast<const char*>(found) - text);
      *line = {text, length, tooLong, true};
      m_start += length + 1;
      return true;
    }
    if (m_fd >= 0 && available > kMaxLineLength + 1) {
      tooLong = true;
      m_start = m_end;
    }
    if (m_atEof) {
      if (m_start == m_end && !tooLong) return false;
      *line = {text, m_end - m_start, tooLong, false};
      m_start = m_end;
      return true;
    }
    if (!FillBuffer()) return false;
  }
}

VisimTrack::Step VisimTrack::ReadStep(VisimTrackRow* row) {
  Line line{};
  while (ReadLine(&line)) {
    ++m_number;
    char reason[512];
    Step step = Parse(line, row, reason, sizeof reason);
    if (step == Step::kFault) {
      if (line.ended) {
        Fail(m_number, reason);
        return Step::kFault;
      }
      SafeFormat(m_notice, sizeof m_notice,
                 "%s:%ld: skipped the last line, cut short without a line end (%s)", m_fileName,
                 m_number, reason);
    } else if (step != Step::kEnd) {
      return step;
    }
  }
  return m_failed ? Step::kFault : Step::kEnd;
}

// What a line holds: a row, the header, a fault, or nothing (kEnd).
VisimTrack::Step VisimTrack::Parse(const Line& line, VisimTrackRow* row, char* reason,
                                   int reasonSize) {
  std::size_t length = line.length;
  if (length > 0 && line.text[length - 1] == '\r') --length;
  if (line.tooLong || length > kMaxLineLength) {
    SafeFormat(reason, reasonSize, "line longer than 4096 characters");
    return Step::kFault;
  }
  if (std::memchr(line.text, '\0', length) != nullptr) {
    SafeFormat(reason, reasonSize, "line holds a zero byte");
    return Step::kFault;
  }
  char copy[kMaxLineLength + 1];
  std::memcpy(copy, line.text, length);
  copy[length] = '\0';
  char* text = Trim(copy);
  if (text[0] == '\0' || text[0] == '#') return Step::kEnd;
  if (!m_haveHeader) return Header(text, reason, reasonSize) ? Step::kHeader : Step::kFault;
  if (row == nullptr) return Step::kEnd;
  return Row(text, row, reason, reasonSize) ? Step::kRow : Step::kFault;
}

bool VisimTrack::Header(char* line, char* reason, int reasonSize) {
  char* cells[kMaxColumns + 1];
  int count = SplitCells(line, cells, kMaxColumns);
  if (count > kMaxColumns) {
    SafeFormat(reason, reasonSize, "more columns than there are fields");
    return false;
  }
  bool haveTime = false;
  for (int i = 0; i < count; ++i) {
    if (std::strcmp(cells[i], "time_s") == 0) {
      if (haveTime) {
        SafeFormat(reason, reasonSize, "column \"time_s\" named twice");
        return false;
      }
      haveTime = true;
      m_columnField[i] = kTimeColumn;
      continue;
    }
    VisimField field{};
    if (!FindVisimField(cells[i], static_cast<int>(std::strlen(cells[i])), &field)) {
      SafeFormat(reason, reasonSize, "unknown column \"%.40s\" (columns: time_s, %s)", cells[i],
                 VisimFieldNames());
      return false;
    }
    if ((m_columns & VisimFields::Bit(field)) != 0) {
      SafeFormat(reason, reasonSize, "column \"%s\" named twice", cells[i]);
      return false;
    }
    m_columns |= VisimFields::Bit(field);
    m_columnField[i] = field;
  }
  if (!haveTime) {
    SafeFormat(reason, reasonSize, "the header line has no \"time_s\" column");
    return false;
  }
  m_columnCount = count;
  m_haveHeader = true;
  return true;
}

bool VisimTrack::Row(char* line, VisimTrackRow* row, char* reason, int reasonSize) {
  char* cells[kMaxColumns + 1];
  int count = SplitCells(line, cells, m_columnCount);
  if (count != m_columnCount) {
    if (count > m_columnCount) {
      SafeFormat(reason, reasonSize, "more than the header's %d cells", m_columnCount);
    } else {
      SafeFormat(reason, reasonSize, "%d cells, the header names %d", count, m_columnCount);
    }
    return false;
  }
  *row = VisimTrackRow();
  for (int i = 0; i < count; ++i) {
    if (m_columnField[i] == kTimeColumn) {
      if (!ParseVisimNumber(cells[i], &row->time) || row->time < 0.0) {
        SafeFormat(reason, reasonSize, "time_s: \"%.40s\" is not a time of 0 s or more", cells[i]);
        return false;
      }
    } else if (cells[i][0] != '\0') {
      if (!ParseVisimField(static_cast<VisimField>(m_columnField[i]), cells[i], &row->fields,
                           reason, reasonSize)) {
        return false;
      }
    }
  }
  if (m_rowCount > 0 && row->time < m_lastTime) {
    SafeFormat(reason, reasonSize, "time_s: %g is before the previous row's %g", row->time,
               m_lastTime);
    return false;
  }
  return true;
}
