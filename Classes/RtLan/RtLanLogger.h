#pragma once
// The simulator LAN traffic log: one table line per package datagram sent
// ("<=") or received ("=>"), at most 4001 of them per file, and free-text
// event lines without limit. Every write is skipped while no file is open.
// Each line goes through to the file as it is written, so the log can be read
// while the station runs and keeps every line it wrote if the station dies.
//
// The log restarts every midnight: the first event line written in the
// minute 00:00 of a new day empties the file first.

#include <cstdio>
#include <ctime>

#include "Clock.h"
#include "QM_ErrorReport.h"

// One table line: byte count, package name, counter, frame, peer's dotted address.
struct RtLanLogRecord {
  int bytes;
  const char* packageName;
  int counter;
  int frame;
  const char* address;
};

class RtLanLogger : public QM_ErrorReport {
 public:
  RtLanLogger();
  virtual ~RtLanLogger();
  RtLanLogger(const RtLanLogger&) = delete;
  RtLanLogger& operator=(const RtLanLogger&) = delete;

  // Creates or empties the file; false with the reason in the error text.
  bool Open(const char* path);
  void Close();
  bool IsOpen() const { return m_file != nullptr; }
  // The text and a line break, at the end of the file.
  void WriteLine(const char* text);
  // "<level>\t<date>\t<time>\t<text>", date and time as MM/DD/YY and HH:MM:SS.
  void LogEvent(int level, const char* text);
  // Table lines; nothing is written after 4001 lines, or when the counter or
  // the frame is negative. LogReceived says whether it wrote.
  bool LogReceived(const RtLanLogRecord& record);
  void LogSent(const RtLanLogRecord& record);

  int GetLineCount() const { return m_lineCount; }
  // The clock of the stamps and the midnight restart: the machine's unless a
  // test gives another, which must outlive the logger.
  void SetClock(Platform::Clock& clock) { m_clock = &clock; }

  static constexpr int kMaximumTableLines = 4000;
  static constexpr int kPathSize = 1024;
  static constexpr int kLineSize = 1024;

 private:
  bool TableLineAllowed(const RtLanLogRecord& record) const;
  void TimeStamp(char* buffer, int size, int* milliseconds);
  std::tm Now(int* milliseconds) { return m_clock->ReadLocalTime(milliseconds); }
  void Write(const char* text);
  bool RestartAtMidnight(const std::tm& now);

  char m_path[kPathSize];
  std::FILE* m_file;
  int m_lineCount;
  int m_lastMillis;
  Platform::Clock* m_clock;
  int m_contentDay;  // the day (year * 1000 + day of year) the file's content began
};
