#pragma once
// A recorded track for --replay: a CSV text whose header line names its
// columns, time_s first or anywhere, then any of the record fields
//   time_s,lat,lon,altitude_m,height_agl_m,pitch,bank,heading,airport,view,...
// One row per line, cells separated by commas (no quoting), blanks around a
// cell ignored. An empty cell, like a column the header does not name, keeps
// the last value; time_s may not be empty and never goes back. Blank lines
// and lines starting with "#" are skipped; a "\r" before the line end is
// ignored.
//
// The track is read row by row, never held whole, so that a replay is as
// long as a recording may be: --replay reads it once to check it before
// anything is written, then again as it writes. The first fault leaves
// "<file>:<line>: <reason>" in the error text. A last line without a line
// end that does not read (a recording cut short by a full disk or a kill)
// is skipped with a notice instead of refusing the rows before it.

#include <cstddef>
#include <memory>

#include "QM_ErrorReport.h"
#include "VisimFields.h"

struct VisimTrackRow {
  double time = 0.0;   // seconds from the start of the replay
  VisimFields fields;  // the cells this row gives
};

class VisimTrack : public QM_ErrorReport {
 public:
  static constexpr std::size_t kMaxLineLength = 4096;

  VisimTrack();
  ~VisimTrack();
  VisimTrack(const VisimTrack&) = delete;
  VisimTrack& operator=(const VisimTrack&) = delete;

  // Opens the file and reads it up to its header line. Only a regular file
  // is read.
  bool Open(const char* fileName);
  // The same over a text held in memory, which must outlive the reading;
  // fileName names it in messages.
  bool OpenText(const char* text, std::size_t length, const char* fileName);
  // The next row, in time order; false after the last one, or at a fault
  // (Failed(), with the error text; a file without rows is one).
  bool Next(VisimTrackRow* row);
  // Reads the rows to the end; false at a fault.
  bool ReadToEnd();

  bool Failed() const { return m_failed; }
  // After a failure: the file could not be opened or read (as opposed to a
  // faulty line).
  bool CouldNotRead() const { return m_couldNotRead; }
  // The fields named in the header (VisimFields::Bit of each).
  unsigned Columns() const { return m_columns; }
  // Rows read so far.
  long RowCount() const { return m_rowCount; }
  // A cut last line that was skipped: "<file>:<line>: skipped the last line,
  // cut short without a line end (<reason>)"; empty when none was.
  const char* Notice() const { return m_notice; }

 private:
  struct Line {
    const char* text;
    std::size_t length;
    bool tooLong;  // only its start was kept
    bool ended;    // a line end followed it
  };
  enum class Step { kRow, kHeader, kEnd, kFault };

  void Begin(const char* fileName);
  bool ReadLine(Line* line);
  bool FillBuffer();
  Step ReadStep(VisimTrackRow* row);
  Step Parse(const Line& line, VisimTrackRow* row, char* reason, int reasonSize);
  bool Header(char* line, char* reason, int reasonSize);
  bool Row(char* line, VisimTrackRow* row, char* reason, int reasonSize);
  bool Fail(long number, const char* reason);
  int OpenRegular(const char* fileName);

  static constexpr int kMaxColumns = kFieldCount + 1;
  static constexpr int kTimeColumn = -1;
  static constexpr std::size_t kBufferSize = 1 << 16;

  char m_fileName[1024] = "";
  // The text in memory, or a window of the file read into m_buffer.
  const char* m_text = nullptr;
  std::size_t m_start = 0;  // of the next line in the text
  std::size_t m_end = 0;    // of the text read so far
  int m_fd = -1;
  bool m_atEof = true;
  std::unique_ptr<char[]> m_buffer;

  long m_number = 0;  // of the last line read
  bool m_haveHeader = false;
  bool m_failed = false;
  bool m_couldNotRead = false;
  int m_columnCount = 0;
  int m_columnField[kMaxColumns] = {};  // VisimField, or kTimeColumn
  unsigned m_columns = 0;
  long m_rowCount = 0;
  double m_lastTime = 0.0;
  char m_notice[1400] = "";
};
