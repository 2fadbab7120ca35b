#include "CsvRecorder.h"

#include <cerrno>
#include <cstring>

#include "MonitorReport.h"
#include "TextFunctions.h"

namespace {

// Room for the longest datagram (255 characters) fully escaped and quoted.
constexpr int kTextSize = 4 * 256 + 8;
constexpr int kLineSize = kTextSize * 2 + 512;

// Wraps the excerpt in quotes, doubling any quote inside.
void Quote(const char* text, char* buffer, int size) {
  int out = 0;
  buffer[out++] = '"';
  for (; *text != '\0' && out < size - 3; ++text) {
    if (*text == '"') {
      if (out >= size - 4) break;
      buffer[out++] = '"';
    }
    buffer[out++] = *text;
  }
  buffer[out++] = '"';
  buffer[out] = '\0';
}

}  // namespace

void CsvRecorder::Fail(const char* what) {
  char text[1200];
  SafeFormat(text, sizeof text, "%s %s: %s", what, m_path, std::strerror(errno));
  SetError(text);
}

CsvRecorder::~CsvRecorder() {
  Close();
}

bool CsvRecorder::Open(const char* path) {
  Close();
  SafeCopy(m_path, path, sizeof m_path);
  m_file = std::fopen(path, "w");
  if (m_file == nullptr) {
    Fail("cannot write");
    return false;
  }
  std::fputs(
      "arrival_s,unix_time_s,length,status,counter,latitude,longitude,altitude,heading,tilt,"
      "roll,time_start,time_end,planet,reason,text\n",
      m_file);
  return true;
}

bool CsvRecorder::Write(double arrivalSeconds, double unixSeconds, const char* data,
                        std::size_t length, const ReceivedCamera* camera, const char* reason) {
  if (m_file == nullptr) return false;
  char excerpt[kTextSize];
  char quoted[kTextSize * 2];
  FormatExcerpt(data, length, excerpt, sizeof excerpt);
  Quote(excerpt, quoted, sizeof quoted);
  char line[kLineSize];
  if (camera != nullptr) {
    SafeFormat(line, sizeof line, "%.6f,%.6f,%zu,ok,%d,%f,%f,%f,%f,%f,%f,%lld,%lld,%s,,%s\n",
               arrivalSeconds, unixSeconds, length, camera->counter, camera->latitude,
               camera->longitude, camera->altitude, camera->heading, camera->tilt, camera->roll,
               static_cast<long long>(camera->timeStart), static_cast<long long>(camera->timeEnd),
               camera->planet, quoted);
  } else {
    SafeFormat(line, sizeof line, "%.6f,%.6f,%zu,malformed,,,,,,,,,,,\"%s\",%s\n", arrivalSeconds,
               unixSeconds, length, reason != nullptr ? reason : "", quoted);
  }
  if (std::fputs(line, m_file) < 0) {
    Fail("cannot write");
    return false;
  }
  return true;
}

void CsvRecorder::Flush() {
  if (m_file != nullptr) std::fflush(m_file);
}

bool CsvRecorder::Close() {
  if (m_file == nullptr) return true;
  bool written = std::fclose(m_file) == 0;
  m_file = nullptr;
  if (!written) Fail("cannot finish");
  return written;
}
