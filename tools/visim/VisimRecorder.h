#pragma once
// visim --record: a live simulator's segment written down as a track that
// --replay plays back. The segment is only looked at: opened and mapped
// read-only, never created, stamped or counted as a user, so the simulator
// and the station see nothing of the recorder.
//
// The track is the --replay format (VisimTrack.h): a header line with time_s
// and every field, then a row each time some field changed, time_s counted
// from the first row in microseconds, so that at the rate it was recorded
// each row has a frame of its own when replayed. The field values are
// written in the fewest digits that read back as the same double, so a
// replay writes exactly the values read.

#include <csignal>
#include <cstddef>
#include <cstdio>
#include <string>

#include "Clock.h"
#include "QM_ErrorReport.h"
#include "VisimFields.h"

// The segment seen through a read-only mapping. Failure texts name the
// segment and the reason: not there, not readable, too small for the
// record, or of another layout.
class VisimSegmentReader : public QM_ErrorReport {
 public:
  VisimSegmentReader() = default;
  ~VisimSegmentReader();
  VisimSegmentReader(const VisimSegmentReader&) = delete;
  VisimSegmentReader& operator=(const VisimSegmentReader&) = delete;

  bool Open(const char* segment);
  // Every field of the record as it stands now; false when the segment was
  // shrunk under the mapping.
  bool Read(VisimFields* fields);

 private:
  const void* m_view = nullptr;
  std::size_t m_length = 0;
  char m_segment[64] = "";
};

// The track file. Rows are written out by Flush, which the recorder calls
// about once a second, so a recorder that is killed loses at most that. A
// write that fails (a full disk) cuts the file back to its last whole row,
// so that what was recorded still replays.
class VisimTrackWriter : public QM_ErrorReport {
 public:
  VisimTrackWriter() = default;
  ~VisimTrackWriter();
  VisimTrackWriter(const VisimTrackWriter&) = delete;
  VisimTrackWriter& operator=(const VisimTrackWriter&) = delete;

  // Creates (or empties) the file and writes the header line.
  bool Open(const char* path);
  // A row at `seconds` when some field differs from the last row written
  // (the first one always); fields must have every field set.
  bool Add(double seconds, const VisimFields& fields);
  bool Flush();
  bool Close();
  long Rows() const { return m_rows; }

 private:
  bool Fail(int error);

  int m_fd = -1;
  char m_path[1024] = "";
  std::string m_pending;    // whole rows not yet written out
  long long m_written = 0;  // bytes in the file, all whole lines
  VisimFields m_last;
  double m_start = 0.0;
  long m_rows = 0;
};

// Polls the segment `rate` times a second and adds what it holds to the
// track until duration seconds have passed (0: no limit) or *stop is
// non-zero; flushes the track about once a second and closes it at the end.
// Returns the exit status: 0, or 1 with the reason in *error (segment shrunk,
// file not writable).
int RunVisimRecorder(VisimSegmentReader& segment, VisimTrackWriter& track, double rate,
                     double duration, Platform::Clock& clock,
                     const volatile std::sig_atomic_t* stop, const char** error);
