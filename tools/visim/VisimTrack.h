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
// The whole file is checked before anything is written; the first fault
// leaves "<file>:<line>: <reason>" in the error text.

#include <cstddef>
#include <cstdio>
#include <vector>

#include "QM_ErrorReport.h"
#include "VisimFields.h"

struct VisimTrackRow {
  double time = 0.0;   // seconds from the start of the replay
  VisimFields fields;  // the cells this row gives
};

class VisimTrack : public QM_ErrorReport {
 public:
  static constexpr std::size_t kMaxLineLength = 4096;
  static constexpr std::size_t kMaxRows = 1000000;

  // Reads and checks the file; false with the error text on the first fault.
  // Only a regular file is read.
  bool Load(const char* fileName);
  // After a failed Load: the file could not be opened or read (as opposed to
  // a faulty line).
  bool CouldNotRead() const { return m_couldNotRead; }
  // Reads and checks a text held in memory; fileName names it in messages.
  bool Parse(const char* text, std::size_t length, const char* fileName);

  const std::vector<VisimTrackRow>& Rows() const { return m_rows; }
  // The fields named in the header (VisimFields::Bit of each).
  unsigned Columns() const { return m_columns; }

 private:
  void Begin(const char* fileName);
  bool AddLine(const char* line, std::size_t length, long number);
  bool Header(char* line, long number);
  bool Row(char* line, long number);
  bool Finish();
  bool Fail(long number, const char* reason);
  std::FILE* OpenRegular(const char* fileName);

  static constexpr int kMaxColumns = kFieldCount + 1;
  static constexpr int kTimeColumn = -1;

  char m_fileName[1024] = "";
  bool m_haveHeader = false;
  int m_columnCount = 0;
  int m_columnField[kMaxColumns] = {};  // VisimField, or kTimeColumn
  unsigned m_columns = 0;
  bool m_couldNotRead = false;
  std::vector<VisimTrackRow> m_rows;
};
