#pragma once
// visim's frame loop and the program itself, apart from main(): the clock is
// passed in, so tests run the loop on a clock of their own at full speed.

#include <csignal>
#include <cstddef>
#include <cstdio>

#include "Clock.h"
#include "VisimFields.h"
#include "VisimTrack.h"
#include "VisimWriteLog.h"

// What the frames write: the fields due at a time since the start.
class VisimSource {
 public:
  virtual ~VisimSource() = default;
  // Fills fields (mask 0: nothing due now); false once nothing more will come.
  virtual bool FieldsAt(double seconds, VisimFields* fields) = 0;
};

// The built-in flight; never ends.
class VisimDemoSource : public VisimSource {
 public:
  bool FieldsAt(double seconds, VisimFields* fields) override;
};

// A track read as it is replayed: each row once its time has come, one row
// a frame, so that every row stands in the record for a frame at least. A
// row is due at the frame nearest its time (so times written to the
// millisecond, as older recordings have them, still give each row of a
// recording its own frame at the rate it was recorded); a row due where an
// earlier one was written goes at the next frame. Rows that come more often
// than the frames make the replay fall behind their times (LagSeconds),
// never drop one. Ends after the last row, or when the track fails (a file
// that changed since it was checked).
class VisimReplaySource : public VisimSource {
 public:
  VisimReplaySource(VisimTrack& track, double rate) : m_track(track), m_halfFrame(0.5 / rate) {}
  bool FieldsAt(double seconds, VisimFields* fields) override;
  // The longest a row was written after its time, in seconds.
  double LagSeconds() const { return m_lag; }

 private:
  VisimTrack& m_track;
  double m_halfFrame;
  bool m_started = false;
  bool m_haveRow = false;
  VisimTrackRow m_row;  // the next row to write
  double m_lag = 0.0;
};

// Writes the source into the record, rate frames a second, until the source
// ends, duration seconds have passed (0: no limit) or *stop is non-zero.
// Frame n is due at n / rate seconds of the clock's counter; before each
// frame the loop sleeps until it is due (a sleep of nothing when it is). A loop held up for more
// than a second skips the frames it missed rather than rushing through them. A record that can no
// longer be written (its segment shrunk under the mapping) ends the loop too, and sets *recordLost
// when given. Each frame that writes is told to the log, when given, with the record's fields read
// back and the clock's wall time; the log is written out about once a second, and a log that can
// no longer be written ends the loop. Returns the number of frames run.
long RunVisimFrames(VisimSource& source, VisualInterfaceRecord* record, double rate,
                    double duration, Platform::Clock& clock, const volatile std::sig_atomic_t* stop,
                    bool* recordLost = nullptr, VisimWriteLog* log = nullptr);

// The whole program: options, then --remove, or --set / --demo / --replay
// through an attachment that counts as a user, then --dump. Messages go to
// err, the dump, --help and --version to out. Returns the exit status: 0
// done, 1 the segment or the replay file could not be used (also when the
// segment shrank while visim wrote it, or the write log could not be
// written), 2 bad arguments or a faulty line in the replay file.
int VisimMain(int argc, const char* const* argv, std::FILE* out, std::FILE* err,
              Platform::Clock& clock, const volatile std::sig_atomic_t* stop);
