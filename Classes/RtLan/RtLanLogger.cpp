#include "RtLanLogger.h"

#include <cerrno>
#include <cstring>

#include "ConfigControl.h"
#include "TextFunctions.h"

namespace {

const char kSourceRevision[] = "%Z% RtLanLogger QM2123 FileName.RtLanLogger $Revision: 1.3 $";
const char kHeaderRevision[] = "%Z% RtLanLogger QM2123 RtLanLogger $Revision: 1.2 $";
bool s_registered = false;

const char kReceivedHeader[] =
    "             Time            | ms   | Bytes|      Packet     |    Count   |     Frame  | "
    "From/To \n";
const char kSentHeader[] =
    "             Time                    | Bytes|      Packet     |    Count   |     Frame  | "
    "From/To\n";

const char* const kDayNames[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const kMonthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

int DayKey(const std::tm& time) {
  return time.tm_year * 1000 + time.tm_yday;
}

}  // namespace

RtLanLogger::RtLanLogger()
    : m_path{},
      m_file(nullptr),
      m_lineCount(0),
      m_lastMillis(0),
      m_clock(&Platform::SystemClock()),
      m_contentDay(-1) {
  RegisterClassOnce(s_registered, "RtLanLogger Class", {kSourceRevision, kHeaderRevision});
}

RtLanLogger::~RtLanLogger() {
  Close();
}

bool RtLanLogger::Open(const char* path) {
  Close();
  m_lineCount = 0;
  m_lastMillis = 0;
  SafeCopy(m_path, path != nullptr ? path : "", kPathSize);
  m_file = std::fopen(m_path, "w");
  if (m_file == nullptr) {
    SetError("InputFileClass::OpenInputFile", std::strerror(errno), m_path);
    return false;
  }
  m_contentDay = DayKey(Now(nullptr));
  return true;
}

void RtLanLogger::Close() {
  if (m_file != nullptr) std::fclose(m_file);
  m_file = nullptr;
}

void RtLanLogger::Write(const char* text) {
  if (m_file == nullptr) return;
  std::fseek(m_file, 0, SEEK_END);
  std::fputs(text, m_file);
  std::fflush(m_file);
}

void RtLanLogger::WriteLine(const char* text) {
  if (m_file == nullptr) return;
  std::fseek(m_file, 0, SEEK_END);
  std::fprintf(m_file, "%s\n", text != nullptr ? text : "");
  std::fflush(m_file);
}

// Empties the file at the first event of the minute 00:00 of a new day. False
// when the file could not be reopened (the log then stays closed).
bool RtLanLogger::RestartAtMidnight(const std::tm& now) {
  if (now.tm_hour != 0 || now.tm_min != 0 || DayKey(now) == m_contentDay) return true;
  Close();
  m_file = std::fopen(m_path, "w");
  m_contentDay = DayKey(now);
  return m_file != nullptr;
}

void RtLanLogger::LogEvent(int level, const char* text) {
  if (m_file == nullptr) return;
  std::tm now = Now(nullptr);
  if (!RestartAtMidnight(now)) return;

  char line[kLineSize];
  SafeFormat(line, sizeof line, "%d\t%02d/%02d/%02d\t%02d:%02d:%02d\t%s", level, now.tm_mon + 1,
             now.tm_mday, now.tm_year % 100, now.tm_hour, now.tm_min, now.tm_sec,
             text != nullptr ? text : "");
  WriteLine(line);
}

bool RtLanLogger::TableLineAllowed(const RtLanLogRecord& record) const {
  return m_lineCount <= kMaximumTableLines && m_file != nullptr && record.counter >= 0 &&
         record.frame >= 0;
}

// The day, date and time of ctime ("Mon Dec  8 03:26:00"), a full stop and
// the millisecond without padding.
void RtLanLogger::TimeStamp(char* buffer, int size, int* milliseconds) {
  std::tm now = Now(milliseconds);
  SafeFormat(buffer, size, "%.3s %.3s%3d %.2d:%.2d:%.2d.%hu", kDayNames[now.tm_wday % 7],
             kMonthNames[now.tm_mon % 12], now.tm_mday, now.tm_hour, now.tm_min, now.tm_sec,
             static_cast<unsigned short>(*milliseconds));
}

bool RtLanLogger::LogReceived(const RtLanLogRecord& record) {
  if (!TableLineAllowed(record)) return false;
  char stamp[64];
  int milliseconds = 0;
  TimeStamp(stamp, sizeof stamp, &milliseconds);
  if (m_lineCount < 1) Write(kReceivedHeader);
  char line[kLineSize];
  SafeFormat(line, sizeof line, "=> %25s |%6d| % 4d | %15s | %10u | %10u | %s\n", stamp,
             milliseconds - m_lastMillis, record.bytes,
             record.packageName != nullptr ? record.packageName : "",
             static_cast<unsigned>(record.counter), static_cast<unsigned>(record.frame),
             record.address != nullptr ? record.address : "");
  m_lastMillis = milliseconds;
  Write(line);
  ++m_lineCount;
  return true;
}

void RtLanLogger::LogSent(const RtLanLogRecord& record) {
  if (!TableLineAllowed(record)) return;
  char stamp[64];
  int milliseconds = 0;
  TimeStamp(stamp, sizeof stamp, &milliseconds);
  if (m_lineCount < 1) Write(kSentHeader);
  char line[kLineSize];
  SafeFormat(line, sizeof line, "<= %25s  |%s| % 4d | %15s | %10u | %10u | %s\n", stamp, "-----",
             record.bytes, record.packageName != nullptr ? record.packageName : "",
             static_cast<unsigned>(record.counter), static_cast<unsigned>(record.frame),
             record.address != nullptr ? record.address : "");
  Write(line);
  ++m_lineCount;
}
