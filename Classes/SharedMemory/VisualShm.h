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
//     VisualInterfaceRecord* record = shm->GetRecord();
//     SafeCopy(record->visualBlock.airportIdent, "EGLL", 5);     // the one write
//     VisualBlock copy = record->visualBlock;                     // each frame
//     char ident[kAirportIdentTextSize];
//     CopyFieldText(ident, sizeof ident, copy.airportIdent);      // bounded
//   }
//   delete shm;  // detaches: userCount goes down by one
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
  // segmentName: at most 42 characters (a longer one is cut), no "/".
  explicit CVisShm(const char* segmentName = kVisualInterfaceSegmentName);
  // Detaches: with a matching version, userCount goes down by one (to 0 for
  // the last user); a mismatched segment's count is left alone. Either way
  // this object's own view and handle are released; the segment stays.
  ~CVisShm();
  CVisShm(const CVisShm&) = delete;
  CVisShm& operator=(const CVisShm&) = delete;

  // Mapped and of this station's layout: the record may be used.
  bool IsUsable() const { return m_opened && m_versionOk; }
  // The mapped record while usable, otherwise null.
  VisualInterfaceRecord* GetRecord() const { return IsUsable() ? m_record : nullptr; }

  // The version text before its first zero byte (within the 64 bytes) is
  // exactly "QMXXXX".
  static bool VersionMatches(const VisualInterfaceRecord& record);

 private:
  void Attached();
  void Created();

  bool m_opened;
  bool m_versionOk;
  VisualInterfaceRecord* m_record;
};
