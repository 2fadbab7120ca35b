#pragma once
// The station's attachment to the simulator's "VisualInterface" segment.
//
// Construction attaches to the segment, or creates it when the simulator side
// has not yet done so (zeroed, stamped "QMXXXX", userCount 1), and checks that
// both sides use the same record layout. Use it like this:
//
//   CVisShm* shm = new CVisShm();               // the real "VisualInterface"
//   if (!shm->IsUsable()) {
//     SafeCopy(errorText, shm->GetErrorText(), sizeof errorText);
//     delete shm;  // or keep it until close-down
//   } else {
//     shm->WriteAirportIdent("EGLL");                             // the one write
//     VisualBlock copy;
//     if (shm->ReadVisualBlock(copy)) {                           // each frame
//       char ident[kAirportIdentTextSize];
//       CopyFieldText(ident, sizeof ident, copy.airportIdent);    // bounded
//     }
//     if (shm->CheckMapping() != MappingState::kIntact) ...      // about once a second
//   }
//   delete shm;  // detaches: userCount goes down by one
//
// The simulator may shrink the segment while it is mapped: the station
// reaches the record only through ReadVisualBlock, ReadStateWord and the
// other copies below, which report a shrunk segment instead of ending the
// program with a bus error.
//
// Failure texts (GetErrorText):
//   "CVisShm::CVisShm\nShared Memory Version Mismatch\nPlease rebuild software"
//       the segment holds another layout: not usable, userCount untouched;
//   "CVisShm::CVisShm\nShared Memory Size Mismatch\n<n> bytes, record needs 15944"
//       the segment is too short for the record: not usable, nothing read;
//   "CVisShm::CVisShm\n<the system's text for the error>"
//       the segment could be neither opened nor created.
// After a failed open and a successful create the open's text stays behind
// ("OpenFileMapping (Code: 2)"), though the object is usable.
//
// Tests and tools pass their own segment name, so they never touch a running
// station's segment.

#include "BaseSharedMemory.h"
#include "VisualInterfaceShm.h"

class CVisShm : public BaseSharedMemory {
 public:
  // Whether a missing segment is created (the station at start-up, the
  // simulator) or only an existing one is attached (the station following a
  // simulator that made its segment anew: it waits for the simulator's own).
  enum class AttachMode { kOpenOrCreate, kOpenOnly };

  // segmentName: at most 42 characters (a longer one is cut), no "/".
  explicit CVisShm(const char* segmentName = kVisualInterfaceSegmentName,
                   AttachMode mode = AttachMode::kOpenOrCreate);
  // Detaches: with a matching version, userCount goes down by one (to 0 for
  // the last user); a mismatched segment's count is left alone. Either way
  // this object's own view and handle are released; the segment stays.
  ~CVisShm();
  CVisShm(const CVisShm&) = delete;
  CVisShm& operator=(const CVisShm&) = delete;

  // Mapped and of this station's layout: the record may be used.
  bool IsUsable() const { return m_opened && m_versionOk; }
  // This object made the segment (nobody had it yet) and stamped it.
  bool WasCreated() const { return m_created; }
  // The mapped record while usable, otherwise null. Tests and tools that own
  // the segment write through it; a reader that must survive a shrinking
  // segment uses the copies below.
  VisualInterfaceRecord* GetRecord() const { return IsUsable() ? m_record : nullptr; }

  // Copies of record fields; false when not usable or the segment was shrunk
  // under the view (the destination is then not to be used).
  bool ReadVisualBlock(VisualBlock& block) const;
  bool ReadStateWord(std::int32_t& stateWord) const;
  bool ReadUserCount(std::int32_t& userCount) const;
  // Writes at most 4 characters of ident and a terminator into the record's
  // airportIdent; the rest of the field is left as it was.
  bool WriteAirportIdent(const char* ident);

  // The version text before its first zero byte (within the 64 bytes) is
  // exactly "QMXXXX".
  static bool VersionMatches(const VisualInterfaceRecord& record);
  // The same for a copy of the version field of size bytes.
  static bool VersionMatches(const char* version, std::size_t size);

 private:
  void Attached();
  void Created();
  bool ReadRecord(std::size_t offset, void* to, std::size_t length) const;

  bool m_opened;
  bool m_versionOk;
  bool m_created;
  VisualInterfaceRecord* m_record;
};
