#pragma once
// visim --write-log: for every write of the record, when it was done on the
// system's real-time clock and what the record then held, one CSV line
// each, so that the datagrams a receiver gets can be matched with the
// writes behind them and the transport delay measured:
//   realtime_ns,lat,lon,altitude_m,height_agl_m,pitch,bank,heading,view,time_value
// realtime_ns is CLOCK_REALTIME in nanoseconds just after the write. The
// numbers are written in the fewest digits that read back as the same
// double: exactly the values the station reads.
//
// The lines gather in memory and go to the file at Flush, which the frame
// loop calls about once a second, so no frame waits for the disk.

#include <cstdint>
#include <string>

#include "QM_ErrorReport.h"
#include "VisimFields.h"

class VisimWriteLog : public QM_ErrorReport {
 public:
  VisimWriteLog() = default;
  ~VisimWriteLog();
  VisimWriteLog(const VisimWriteLog&) = delete;
  VisimWriteLog& operator=(const VisimWriteLog&) = delete;

  // Creates (or empties) the file and writes the header line.
  bool Open(const char* path);
  // A write done at realtimeNanoseconds that left the record holding
  // `record` (every field read back).
  void Add(std::int64_t realtimeNanoseconds, const VisimFields& record);
  // Writes out the lines gathered; false, closed, with "cannot write
  // <file>: <reason>" when that failed.
  bool Flush();
  // Flushes and closes; false when that or an earlier write failed.
  bool Close();
  long Lines() const { return m_lines; }

 private:
  bool Fail(int error);

  int m_fd = -1;
  bool m_failed = false;
  char m_path[1024] = "";
  std::string m_pending;
  long m_lines = 0;
};
