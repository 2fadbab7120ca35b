#pragma once
// The simulator's side of the station: its segment and the record in it, the
// block copied for each send, and two watches timed by the caller's
// millisecond clock. About once a second the segment name is checked to
// still mean the segment mapped, whole: one removed, made anew or shrunk is
// let go at once, and one of that name is attached again as soon as it is
// usable (only the simulator's own: none is made while waiting). Data that
// has not changed for more than 5 s counts as frozen until it moves again.
// Nothing of a window: the station tells what these report.

#include <cstdint>
#include <memory>

#include "VisualInterfaceShm.h"

class CVisShm;

class SimulatorSide {
 public:
  static constexpr std::uint32_t kCheckMs = 1000;
  static constexpr std::uint32_t kFrozenMs = 5000;
  static constexpr int kNameSize = 1024;
  static constexpr int kErrorSize = 1000;
  static constexpr int kLostSize = 256;

  explicit SimulatorSide(const char* segmentName);
  ~SimulatorSide();
  SimulatorSide(const SimulatorSide&) = delete;
  SimulatorSide& operator=(const SimulatorSide&) = delete;

  // Start-up: the segment, made when it is missing. False, with the reason
  // in ErrorText, when it cannot be used (another layout, too small).
  bool Attach();
  // Start-up without anyone to close the station: a segment that cannot be
  // used is let go and waited for, as one lost while running.
  void WaitForSegment();
  // Close-down: detached.
  void Release();

  // What a watch found: the segment was let go (LostWhat says why), and/or
  // one was attached again; both when one made anew replaced it.
  struct SegmentChange {
    bool lost = false;
    bool attachedAgain = false;
  };
  // Once kCheckMs has passed since the last check (the first call only
  // starts the timing).
  SegmentChange WatchSegment(std::uint32_t now);
  // Copies the block for a send. False when there is no segment, or when
  // the copy met pages lost to a shrink: the segment is then let go
  // (LostWhat says why) and `lost` is set.
  bool ReadBlock(bool* lost);

  // A segment the station made itself holds no simulator's values: from the
  // start airport stamped at start-up on, it is watched for the first write
  // of a simulator (any change of the block). True while none came.
  void AwaitFirstWrite();
  bool IsUnwritten() const { return m_unwritten; }
  // While unwritten: true once a simulator has written the block.
  bool CheckWritten();

  enum class DataChange { kNone, kFrozen, kMovingAgain };
  // After each copy: whether the data has now stood still for more than
  // kFrozenMs, or moves again after that.
  DataChange WatchData(std::uint32_t now);
  // A look at the record's block apart from the copies for the sends: true
  // when it differs from the last look's (or this is the first); false
  // without a segment.
  bool RecordChanged();

  const VisualBlock& Block() const { return m_block; }
  VisualInterfaceRecord* Record() const { return m_record; }
  bool HasSegment() const { return m_shm != nullptr; }
  bool IsLost() const { return m_lost; }
  bool IsFrozen() const { return m_frozen; }
  const char* Name() const { return m_name; }
  const char* ErrorText() const { return m_error; }
  // "was removed", "was made anew", "shrank to N bytes", "cannot be reached".
  const char* LostWhat() const { return m_lostWhat; }
  // The record's state word, when there is a segment to read it from.
  bool ReadStateWord(std::int32_t& stateWord) const;
  bool WriteAirportIdent(const char* ident);

 private:
  void Lose(const char* what);
  bool AttachAgain();

  char m_name[kNameSize];
  std::unique_ptr<CVisShm> m_shm;
  VisualInterfaceRecord* m_record;
  char m_error[kErrorSize];
  char m_lostWhat[kLostSize];
  VisualBlock m_block;
  bool m_lost;
  bool m_unwritten;
  VisualBlock m_madeBlock;  // the block as the station left the segment it made
  bool m_segmentWatchStarted;
  std::uint32_t m_lastSegmentCheck;
  bool m_dataWatchStarted;
  bool m_frozen;
  std::uint32_t m_lastDataChange;
  VisualBlock m_lastBlock;
  VisualBlock m_looked;
};
