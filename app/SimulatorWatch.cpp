// The main dialog's watch on the simulator's side: whether the segment it
// reads is still the simulator's, whole, and whether the simulator's data
// still moves. Timed by the clock's millisecond timer, driven by the frame
// steps: nothing runs beside the window's thread.

#include <cstring>
#include <memory>

#include "Clock.h"
#include "QMP0001_02_RtLan.h"
#include "TavrionDlg.h"
#include "TextFunctions.h"
#include "VisualShm.h"

namespace {

const char kFrozenText[] = "Simulator data unchanged for more than 5 s";

}  // namespace

void CTavrionDlg::WatchSegment() {
  // The timer wraps after some 49 days; the difference stays right across it.
  const std::uint32_t now = m_clock.ReadMilliseconds();
  if (!m_segmentWatchStarted) {
    m_segmentWatchStarted = true;
    m_lastSegmentCheck = now;
    return;
  }
  if (now - m_lastSegmentCheck < kSegmentCheckMs) {
    return;
  }
  m_lastSegmentCheck = now;
  if (m_segmentLost) {
    AttachAgain();
    return;
  }
  char what[DialogValues::kMessageSize];
  switch (m_shm->CheckMapping()) {
    case BaseSharedMemory::MappingState::kIntact:
      return;
    case BaseSharedMemory::MappingState::kNameGone:
      LoseSegment("was removed");
      break;
    case BaseSharedMemory::MappingState::kReplaced:
      LoseSegment("was made anew");
      break;
    case BaseSharedMemory::MappingState::kShrunk:
      SafeFormat(what, sizeof what, "shrank to %zu bytes", m_shm->GetCurrentSize());
      LoseSegment(what);
      break;
    case BaseSharedMemory::MappingState::kNotMapped:
      LoseSegment("cannot be reached");
      break;
  }
  AttachAgain();  // a segment made anew is there already
}

bool CTavrionDlg::ReadSimulatorBlock() {
  VisualBlock block;
  if (m_shm == nullptr) {
    return false;
  }
  if (!m_shm->ReadVisualBlock(block)) {
    // Shrunk between two checks: the copy met the lost pages.
    char what[DialogValues::kMessageSize];
    SafeFormat(what, sizeof what, "shrank to %zu bytes", m_shm->GetCurrentSize());
    LoseSegment(what);
    return false;
  }
  m_visual = block;
  return true;
}

void CTavrionDlg::LoseSegment(const char* what) {
  // Detaching lowers this station's count in the segment it leaves, as far
  // as that segment still holds its count.
  m_shm.reset();
  m_record = nullptr;
  m_segmentLost = true;
  m_linkWatchdog = 0;
  m_dataWatchStarted = false;
  m_dataFrozen = false;
  ClearCondition(MessageLine::kDataFrozen);
  ClearCondition(MessageLine::kDatagramsHeld);
  char text[DialogValues::kMessageSize];
  SafeFormat(text, sizeof text,
             "Simulator segment \"%s\" %s: nothing is sent until the simulator's segment "
             "is there again",
             m_segmentName, what);
  RaiseCondition(MessageLine::kSegmentLost, text);
  SafeFormat(text, sizeof text, "Segment %s %s", m_segmentName, what);
  LogEvent(text);
}

bool CTavrionDlg::AttachAgain() {
  // Only the simulator's own segment: one made here would hold no eye point.
  auto segment = std::make_unique<CVisShm>(m_segmentName, CVisShm::AttachMode::kOpenOnly);
  if (!segment->IsUsable()) {
    return false;
  }
  m_shm = std::move(segment);
  m_record = m_shm->GetRecord();
  m_segmentLost = false;
  ClearCondition(MessageLine::kSegmentLost);
  char text[DialogValues::kMessageSize];
  SafeFormat(text, sizeof text, "Attached again to the simulator's segment \"%s\"", m_segmentName);
  ShowMessage(text);
  LogEvent(text);
  SetCaption();  // the caption shows the record's new address
  return true;
}

void CTavrionDlg::WatchSimulatorData() {
  const std::uint32_t now = m_clock.ReadMilliseconds();
  if (!m_dataWatchStarted || std::memcmp(&m_visual, &m_lastBlock, sizeof m_visual) != 0) {
    m_dataWatchStarted = true;
    m_lastBlock = m_visual;
    m_lastDataChange = now;
    if (m_dataFrozen) {
      m_dataFrozen = false;
      ClearCondition(MessageLine::kDataFrozen);
    }
    return;
  }
  if (!m_dataFrozen && now - m_lastDataChange > kFrozenDataMs) {
    // Still sent: a paused simulator freezes its record too. Told once.
    m_dataFrozen = true;
    RaiseCondition(MessageLine::kDataFrozen, kFrozenText);
    LogEvent(kFrozenText);
  }
}

void CTavrionDlg::LogEvent(const char* text) {
  if (m_rtLan != nullptr) {
    m_rtLan->LogText(text);
  }
}
