#pragma once
// The ViewSync counter across runs of the station.
//
// Google Earth's ViewSync receiver drops every datagram whose counter is not
// above the highest it has seen, until Google Earth itself is restarted. A
// station that began every run at 1510 would therefore leave a receiver that
// kept running frozen after a restart, for as long as the last run had sent.
// So the station keeps the highest counter it has sent in a small file in its
// working folder and starts a new run above it, with a margin for what it may
// have sent after the file's last write.
//
// Near the int's limit: a receiver can never accept a counter again once it
// has seen the largest int, so when fewer than a day of counters (at 30 a
// second) remain above the stored value, a run starts again at 1510 and says
// so; the receivers must then be restarted once, at a station start-up rather
// than in the middle of a flight. A run that reaches the largest int all the
// same (some two years of sending from 1510) goes on at 1510 too.

#include <cstdint>
#include <functional>

#include "ReportOnce.h"

namespace ViewSyncCounter {

// The first datagram of a station that never ran in its folder.
constexpr int kFirst = 1510;
// Above the stored value a restarted station skips this many counters: the
// file is written at least once a second and after at most kMostUnstored
// datagrams, so what was sent after its last write is well inside it.
constexpr int kRestartMargin = 1000;
constexpr int kMostUnstored = 100;
// One day at 30 datagrams a second.
constexpr int kReserve = 30 * 86400;

// The counter after `counter`: after the largest int comes kFirst again.
int Next(int counter);

// The first counter of a run after one that sent up to `highest`; `startedOver`
// is set when so little is left below the largest int that the run starts
// again at kFirst.
int FirstAfter(int highest, bool* startedOver);

}  // namespace ViewSyncCounter

// The file that holds the highest counter sent from a working folder:
// "ViewSyncCounter.txt", a comment line and the number. Replaced whole (a
// temporary file renamed over it), so a reader never finds half a number.
class ViewSyncCounterFile {
 public:
  enum class Load { kRead, kMissing, kUnreadable, kCorrupt };
  static constexpr const char* kFileName = "ViewSyncCounter.txt";
  static constexpr int kReasonSize = 128;

  // An empty folder is the process's working folder.
  explicit ViewSyncCounterFile(const char* folder);

  // The stored counter into `highest`; otherwise why not into `reason`.
  Load Read(int* highest, char* reason, int reasonSize) const;
  // Replaces the file with `highest`; `durable` forces it to the disk as
  // well. 0 or the errno of the failing step; a failed write leaves the
  // earlier file as it was.
  int Write(int highest, bool durable) const;
  const char* Path() const { return m_path; }

 private:
  char m_path[1024];
};

// Keeps the file up to date while the station sends. Lines for the LAN log
// go to the function given; each is about one event, never one per frame.
class ViewSyncCounterKeeper {
 public:
  using Log = std::function<void(const char*)>;

  ViewSyncCounterKeeper(const char* folder, Log log);

  // At Connect: reads the file and returns the counter the run's first
  // datagram is to carry, logging where it comes from. The starting point is
  // written back at once, so a run that ends before its first regular write
  // still counts. `startedOver` as for FirstAfter.
  int Start(bool* startedOver);
  // After a frame's send: writes the counter when it moved and a second has
  // passed since the last write, or kMostUnstored datagrams went out. A
  // write that fails is tried again on the same terms, and logged once per
  // reason.
  void Keep(int counter, std::uint32_t nowMilliseconds);
  // Pause and close-down: writes the counter now if it moved, to the disk.
  void Flush(int counter);

  const ViewSyncCounterFile& File() const { return m_file; }
  int GetWrites() const { return m_writes; }
  // The last write failed, and none has worked since; why, in words.
  bool IsFailing() const { return m_writeFailure.Reason() != 0; }
  const char* FailureText() const { return m_failureText; }

 private:
  void Store(int counter, bool durable);

  ViewSyncCounterFile m_file;
  Log m_log;
  bool m_started;
  int m_stored;     // the value the file holds
  int m_attempted;  // the value last written or tried
  std::uint32_t m_lastWrite;
  bool m_timed;
  ReportOnce m_writeFailure;  // by errno of the failing write
  char m_failureText[160];
  int m_writes;
};
