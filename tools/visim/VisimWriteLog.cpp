#include "VisimWriteLog.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>

#include "TextFunctions.h"

namespace {

// A line is a few hundred characters at most; the buffer holds some
// seconds of them before it grows.
constexpr std::size_t kReserve = 1 << 16;

// The shortest text that reads back as the same double, whatever the locale.
void PutNumber(std::string* line, double value) {
  char number[32];
  const std::to_chars_result result = std::to_chars(number, number + sizeof number, value);
  line->append(number, result.ptr);
}

void PutWhole(std::string* line, std::int64_t value) {
  char number[24];
  const std::to_chars_result result = std::to_chars(number, number + sizeof number, value);
  line->append(number, result.ptr);
}

}  // namespace

VisimWriteLog::~VisimWriteLog() {
  Close();
}

bool VisimWriteLog::Fail(int error) {
  char text[1200];
  SafeFormat(text, sizeof text, "cannot write %s: %s", m_path, std::strerror(error));
  SetError(text);
  if (m_fd >= 0) close(m_fd);
  m_fd = -1;
  m_failed = true;
  return false;
}

bool VisimWriteLog::Open(const char* path) {
  SafeCopy(m_path, path, sizeof m_path);
  m_failed = false;
  m_lines = 0;
  m_pending.clear();
  m_pending.reserve(kReserve);
  m_fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (m_fd < 0) return Fail(errno);
  m_pending = "realtime_ns,lat,lon,altitude_m,height_agl_m,pitch,bank,heading,view,time_value\n";
  return Flush();
}

void VisimWriteLog::Add(std::int64_t realtimeNanoseconds, const VisimFields& record) {
  if (m_fd < 0) return;
  PutWhole(&m_pending, realtimeNanoseconds);
  for (double value : {record.latitude, record.longitude, record.altitude, record.heightAgl,
                       record.pitch, record.bank, record.heading}) {
    m_pending += ',';
    PutNumber(&m_pending, value);
  }
  m_pending += ',';
  PutWhole(&m_pending, record.view);
  m_pending += ',';
  PutWhole(&m_pending, record.timeValue);
  m_pending += '\n';
  ++m_lines;
}

bool VisimWriteLog::Flush() {
  if (m_fd < 0) return false;
  for (std::size_t done = 0; done < m_pending.size();) {
    const ssize_t put = write(m_fd, m_pending.data() + done, m_pending.size() - done);
    if (put >= 0) {
      done += static_cast<std::size_t>(put);
    } else if (errno != EINTR) {
      return Fail(errno);
    }
  }
  m_pending.clear();
  return true;
}

bool VisimWriteLog::Close() {
  if (m_fd < 0) return !m_failed;
  if (!Flush()) return false;
  const int fd = m_fd;
  m_fd = -1;
  return close(fd) == 0 || Fail(errno);
}
