#include "VisimRecorder.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <string>

#include "GuardedMemory.h"
#include "SharedSegment.h"
#include "TextFunctions.h"
#include "VisualShm.h"

namespace {

constexpr double kFlushSeconds = 1.0;

double Seconds(Platform::Clock& clock) {
  return static_cast<double>(clock.ReadNanoseconds()) / 1e9;
}

// The fewest digits that read back as the same double.
void PutNumber(std::string* text, double value) {
  char number[40];
  for (int digits = 6; digits <= 17; ++digits) {
    SafeFormat(number, sizeof number, "%.*g", digits, value);
    if (TextToDouble(number) == value) break;
  }
  *text += number;
}

// The airport as a cell: its printable characters up to the first that is
// not, without commas and the blanks a reader would trim.
std::string AirportCell(const char* airport) {
  std::string cell;
  for (const char* c = airport; *c >= 0x20 && *c <= 0x7E; ++c) {
    if (*c != ',') cell += *c;
  }
  std::size_t first = cell.find_first_not_of(' ');
  if (first == std::string::npos) return "";
  return cell.substr(first, cell.find_last_not_of(' ') - first + 1);
}

// Bit for bit: a NaN that stands is no change, and -0 after 0 is one.
bool SameNumber(double a, double b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

bool SameFields(const VisimFields& a, const VisimFields& b) {
  return SameNumber(a.latitude, b.latitude) && SameNumber(a.longitude, b.longitude) &&
         SameNumber(a.altitude, b.altitude) && SameNumber(a.heightAgl, b.heightAgl) &&
         SameNumber(a.pitch, b.pitch) && SameNumber(a.bank, b.bank) &&
         SameNumber(a.heading, b.heading) && std::strcmp(a.airport, b.airport) == 0 &&
         a.view == b.view && a.timeValue == b.timeValue && a.stateWord == b.stateWord;
}

struct RecordCopy {
  const void* view;
  VisualInterfaceRecord* record;
};

void CopyRecord(void* context) {
  auto* copy = static_cast<RecordCopy*>(context);
  std::memcpy(copy->record, copy->view, sizeof *copy->record);
}

}  // namespace

VisimSegmentReader::~VisimSegmentReader() {
  if (m_view != nullptr) munmap(const_cast<void*>(m_view), m_length);
}

bool VisimSegmentReader::Open(const char* segment) {
  SafeCopy(m_segment, segment, sizeof m_segment);
  std::string name = std::string("/") + segment;
  int fd = shm_open(name.c_str(), O_RDONLY, 0);
  char text[512];
  if (fd < 0) {
    int code = errno;
    SafeFormat(text, sizeof text, "cannot open segment \"%s\": %s (Code: %d)", segment,
               Platform::SharedSegmentErrorText(code), code);
    SetError(text);
    return false;
  }
  struct stat status {};
  if (fstat(fd, &status) != 0 || status.st_size < static_cast<off_t>(kVisualInterfaceSize)) {
    SafeFormat(text, sizeof text, "segment \"%s\" holds %lld bytes, the record needs %d", segment,
               static_cast<long long>(status.st_size), kVisualInterfaceSize);
    SetError(text);
    close(fd);
    return false;
  }
  m_length = static_cast<std::size_t>(kVisualInterfaceSize);
  void* view = mmap(nullptr, m_length, PROT_READ, MAP_SHARED, fd, 0);
  int code = errno;
  close(fd);
  if (view == MAP_FAILED) {
    SafeFormat(text, sizeof text, "cannot map segment \"%s\": %s (Code: %d)", segment,
               Platform::SharedSegmentErrorText(code), code);
    SetError(text);
    return false;
  }
  m_view = view;
  static VisualInterfaceRecord record;
  RecordCopy copy{m_view, &record};
  if (!Platform::RunGuarded(CopyRecord, &copy) || !CVisShm::VersionMatches(record)) {
    SafeFormat(text, sizeof text,
               "segment \"%s\" is not a visual-interface segment of this layout (its version "
               "text differs)",
               segment);
    SetError(text);
    return false;
  }
  return true;
}

bool VisimSegmentReader::Read(VisimFields* fields) {
  if (m_view == nullptr ||
      !ReadVisimFields(static_cast<const VisualInterfaceRecord*>(m_view), fields)) {
    char text[512];
    SafeFormat(text, sizeof text, "segment \"%s\" shrank under the recorder: stopped recording",
               m_segment);
    SetError(text);
    return false;
  }
  return true;
}

VisimTrackWriter::~VisimTrackWriter() {
  Close();
}

bool VisimTrackWriter::Fail(int error) {
  char text[1200];
  SafeFormat(text, sizeof text, "cannot write %s: %s", m_path, std::strerror(error));
  SetError(text);
  if (m_fd >= 0) close(m_fd);
  m_fd = -1;
  return false;
}

bool VisimTrackWriter::Open(const char* path) {
  SafeCopy(m_path, path, sizeof m_path);
  m_rows = 0;
  m_written = 0;
  m_pending.clear();
  m_fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (m_fd < 0) return Fail(errno);
  m_pending = "time_s";
  for (int field = 0; field < kFieldCount; ++field) {
    m_pending += ',';
    m_pending += VisimFieldName(static_cast<VisimField>(field));
  }
  m_pending += '\n';
  return Flush();
}

bool VisimTrackWriter::Add(double seconds, const VisimFields& fields) {
  if (m_fd < 0) return false;
  if (m_rows > 0 && SameFields(fields, m_last)) return true;
  if (m_rows == 0) m_start = seconds;
  char cell[64];
  SafeFormat(cell, sizeof cell, "%.6f", seconds - m_start);
  m_pending += cell;
  const double numbers[] = {fields.latitude, fields.longitude, fields.altitude, fields.heightAgl,
                            fields.pitch,    fields.bank,      fields.heading};
  for (double number : numbers) {
    m_pending += ',';
    PutNumber(&m_pending, number);
  }
  SafeFormat(cell, sizeof cell, ",%s,%d,%d,%d\n", AirportCell(fields.airport).c_str(),
             static_cast<int>(fields.view), static_cast<int>(fields.timeValue),
             static_cast<int>(fields.stateWord));
  m_pending += cell;
  m_last = fields;
  ++m_rows;
  return true;
}

// A write cut short leaves part of a row: the file is cut back to the end
// of the last whole one.
bool VisimTrackWriter::Flush() {
  if (m_fd < 0) return false;
  std::size_t done = 0;
  while (done < m_pending.size()) {
    const ssize_t put = write(m_fd, m_pending.data() + done, m_pending.size() - done);
    if (put >= 0) {
      done += static_cast<std::size_t>(put);
      continue;
    }
    if (errno == EINTR) continue;
    const int error = errno;
    const std::size_t lineEnd = m_pending.rfind('\n', done > 0 ? done - 1 : 0);
    const std::size_t whole = done > 0 && lineEnd != std::string::npos ? lineEnd + 1 : 0;
    // The reason told is the write's, whether or not the cut succeeds.
    const bool cut =
        ftruncate(m_fd, static_cast<off_t>(m_written + static_cast<long long>(whole))) == 0;
    static_cast<void>(cut);
    return Fail(error);
  }
  m_written += static_cast<long long>(m_pending.size());
  m_pending.clear();
  return true;
}

bool VisimTrackWriter::Close() {
  if (m_fd < 0) return true;
  if (!Flush()) return false;
  const int fd = m_fd;
  m_fd = -1;
  return close(fd) == 0 || Fail(errno);
}

int RunVisimRecorder(VisimSegmentReader& segment, VisimTrackWriter& track, double rate,
                     double duration, Platform::Clock& clock,
                     const volatile std::sig_atomic_t* stop, const char** error) {
  const double start = Seconds(clock);
  double flushed = 0.0;
  for (long n = 0;; ++n) {
    double due = static_cast<double>(n) / rate;
    double late = Seconds(clock) - start - due;
    if (late > 1.0) {  // held up: go on from now rather than catch up
      n = static_cast<long>(std::floor((due + late) * rate));
      due = static_cast<double>(n) / rate;
    }
    if (duration > 0.0 && due > duration) break;
    double wait = start + due - Seconds(clock);
    clock.SleepNanoseconds(wait > 0.0 ? std::llround(wait * 1e9) : 0);
    if (stop != nullptr && *stop != 0) break;
    VisimFields fields;
    if (!segment.Read(&fields)) {
      track.Close();
      *error = segment.GetErrorText();
      return 1;
    }
    bool written = track.Add(due, fields);
    if (written && due - flushed >= kFlushSeconds) {
      written = track.Flush();
      flushed = due;
    }
    if (!written) {
      *error = track.GetErrorText();
      return 1;
    }
  }
  if (!track.Close()) {
    *error = track.GetErrorText();
    return 1;
  }
  return 0;
}
