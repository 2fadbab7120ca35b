#pragma once
// visim's frame loop and the program itself, apart from main(): the clock is
// passed in, so tests run the loop on a clock of their own at full speed.

#include <csignal>
#include <cstddef>
#include <cstdio>

#include "Clock.h"
#include "VisimFields.h"
#include "VisimTrack.h"

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

// A loaded track: each row once its time has come, all due rows of a frame
// together; ends after the last row.
class VisimReplaySource : public VisimSource {
 public:
  explicit VisimReplaySource(const VisimTrack& track) : m_track(track) {}
  bool FieldsAt(double seconds, VisimFields* fields) override;

 private:
  const VisimTrack& m_track;
  std::size_t m_next = 0;
};

// Writes the source into the record, rate frames a second, until the source
// ends, duration seconds have passed (0: no limit) or *stop is non-zero.
// Frame n is due at n / rate seconds of the clock's counter; before each
// frame the loop sleeps until it is due (a sleep of nothing when it is). A loop held up for more
// than a second skips the frames it missed rather than rushing through them. A record that can no
// longer be written (its segment shrunk under the mapping) ends the loop too, and sets *recordLost
// when given. Returns the number of frames run.
long RunVisimFrames(VisimSource& source, VisualInterfaceRecord* record, double rate,
                    double duration, Platform::Clock& clock, const volatile std::sig_atomic_t* stop,
                    bool* recordLost = nullptr);

// The whole program: options, then --remove, or --set / --demo / --replay
// through an attachment that counts as a user, then --dump. Messages go to
// err, the dump, --help and --version to out. Returns the exit status: 0
// done, 1 the segment or the replay file could not be used (also when the
// segment shrank while visim wrote it), 2 bad arguments or a faulty line in
// the replay file.
int VisimMain(int argc, const char* const* argv, std::FILE* out, std::FILE* err,
              Platform::Clock& clock, const volatile std::sig_atomic_t* stop);
