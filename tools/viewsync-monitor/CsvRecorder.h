#pragma once
// Records every datagram the monitor receives, one CSV line each, with its
// arrival time, so a run can be examined afterwards.
//   arrival_s,unix_time_s,length,status,counter,latitude,longitude,altitude,
//   heading,tilt,roll,time_start,time_end,planet,reason,text
// status is "ok" or "malformed"; a malformed line leaves the value columns
// empty and gives the reason. text is the datagram as received, quoted, with
// "\" and unprintable bytes as \xNN.

#include <cstddef>
#include <cstdio>

#include "QM_ErrorReport.h"
#include "ViewSyncParser.h"

class CsvRecorder : public QM_ErrorReport {
 public:
  CsvRecorder() = default;
  ~CsvRecorder();
  CsvRecorder(const CsvRecorder&) = delete;
  CsvRecorder& operator=(const CsvRecorder&) = delete;

  // Creates (or empties) the file and writes the header line.
  bool Open(const char* path);
  bool IsOpen() const { return m_file != nullptr; }
  // camera is null for a malformed datagram, reason its fault.
  bool Write(double arrivalSeconds, double unixSeconds, const char* data, std::size_t length,
             const ReceivedCamera* camera, const char* reason);
  void Flush();
  bool Close();

 private:
  // "<what> <file>: <errno's text>" as the error text.
  void Fail(const char* what);
  std::FILE* m_file = nullptr;
  char m_path[1024] = "";
};
