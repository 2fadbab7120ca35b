#include "SimulatorSide.h"

#include <cstring>

#include "BaseSharedMemory.h"
#include "TextFunctions.h"
#include "VisualShm.h"

SimulatorSide::SimulatorSide(const char* segmentName)
    : m_name(),
      m_record(nullptr),
      m_error(),
      m_lostWhat(),
      m_block(),
      m_lost(false),
      m_unwritten(false),
      m_madeBlock(),
      m_segmentWatchStarted(false),
      m_lastSegmentCheck(0),
      m_dataWatchStarted(false),
      m_frozen(false),
      m_lastDataChange(0),
      m_lastBlock(),
      m_looked() {
  SafeCopy(m_name, segmentName != nullptr ? segmentName : "", kNameSize);
}

SimulatorSide::~SimulatorSide() = default;

bool SimulatorSide::Attach() {
  if (m_shm == nullptr) {
    m_shm = std::make_unique<CVisShm>(m_name);
  }
  if (m_shm->IsUsable()) {
    m_record = m_shm->GetRecord();
    return true;
  }
  SafeCopy(m_error, m_shm->GetErrorText(), kErrorSize);
  m_record = nullptr;
  return false;
}

void SimulatorSide::AwaitFirstWrite() {
  m_unwritten = m_shm != nullptr && m_shm->WasCreated() && m_shm->ReadVisualBlock(m_madeBlock);
}

bool SimulatorSide::CheckWritten() {
  VisualBlock now{};
  if (!m_unwritten || m_shm == nullptr || !m_shm->ReadVisualBlock(now)) return false;
  m_unwritten = std::memcmp(&now, &m_madeBlock, sizeof now) == 0;
  return !m_unwritten;
}

void SimulatorSide::WaitForSegment() {
  m_shm.reset();
  m_record = nullptr;
  m_lost = true;
}

void SimulatorSide::Release() {
  m_shm.reset();
  m_record = nullptr;
}

SimulatorSide::SegmentChange SimulatorSide::WatchSegment(std::uint32_t now) {
  SegmentChange change;
  // The timer wraps after some 49 days; the difference stays right across it.
  if (!m_segmentWatchStarted) {
    m_segmentWatchStarted = true;
    m_lastSegmentCheck = now;
    return change;
  }
  if (now - m_lastSegmentCheck < kCheckMs) {
    return change;
  }
  m_lastSegmentCheck = now;
  if (m_lost) {
    change.attachedAgain = AttachAgain();
    return change;
  }
  char what[kLostSize];
  switch (m_shm->CheckMapping()) {
    case BaseSharedMemory::MappingState::kIntact:
      return change;
    case BaseSharedMemory::MappingState::kNameGone:
      Lose("was removed");
      break;
    case BaseSharedMemory::MappingState::kReplaced:
      Lose("was made anew");
      break;
    case BaseSharedMemory::MappingState::kShrunk:
      SafeFormat(what, sizeof what, "shrank to %zu bytes", m_shm->GetCurrentSize());
      Lose(what);
      break;
    case BaseSharedMemory::MappingState::kNotMapped:
      Lose("cannot be reached");
      break;
  }
  change.lost = true;
  change.attachedAgain = AttachAgain();  // a segment made anew is there already
  return change;
}

bool SimulatorSide::ReadBlock(bool* lost) {
  *lost = false;
  if (m_shm == nullptr) {
    return false;
  }
  VisualBlock block;
  if (!m_shm->ReadVisualBlock(block)) {
    // Shrunk between two checks: the copy met the lost pages.
    char what[kLostSize];
    SafeFormat(what, sizeof what, "shrank to %zu bytes", m_shm->GetCurrentSize());
    Lose(what);
    *lost = true;
    return false;
  }
  m_block = block;
  return true;
}

void SimulatorSide::Lose(const char* what) {
  // Detaching lowers this station's count in the segment it leaves, as far
  // as that segment still holds its count.
  m_shm.reset();
  m_record = nullptr;
  m_lost = true;
  m_unwritten = false;  // what comes back is the simulator's own
  m_dataWatchStarted = false;
  m_frozen = false;
  SafeCopy(m_lostWhat, what, kLostSize);
}

bool SimulatorSide::AttachAgain() {
  // Only the simulator's own segment: one made here would hold no eye point.
  auto segment = std::make_unique<CVisShm>(m_name, CVisShm::AttachMode::kOpenOnly);
  if (!segment->IsUsable()) {
    return false;
  }
  m_shm = std::move(segment);
  m_record = m_shm->GetRecord();
  m_lost = false;
  return true;
}

SimulatorSide::DataChange SimulatorSide::WatchData(std::uint32_t now) {
  if (!m_dataWatchStarted || std::memcmp(&m_block, &m_lastBlock, sizeof m_block) != 0) {
    m_dataWatchStarted = true;
    m_lastBlock = m_block;
    m_lastDataChange = now;
    if (m_frozen) {
      m_frozen = false;
      return DataChange::kMovingAgain;
    }
    return DataChange::kNone;
  }
  if (!m_frozen && now - m_lastDataChange > kFrozenMs) {
    // Still sent: a paused simulator freezes its record too.
    m_frozen = true;
    return DataChange::kFrozen;
  }
  return DataChange::kNone;
}

bool SimulatorSide::RecordChanged() {
  VisualBlock block;
  if (m_shm == nullptr || !m_shm->ReadVisualBlock(block)) {
    return false;  // a shrink is found and told by the next send's copy
  }
  const bool changed = std::memcmp(&block, &m_looked, sizeof block) != 0;
  m_looked = block;
  return changed;
}

bool SimulatorSide::ReadStateWord(std::int32_t& stateWord) const {
  return m_shm != nullptr && m_shm->ReadStateWord(stateWord);
}

bool SimulatorSide::WriteAirportIdent(const char* ident) {
  return m_shm != nullptr && m_shm->WriteAirportIdent(ident);
}
