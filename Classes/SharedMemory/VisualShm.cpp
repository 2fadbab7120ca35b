#include "VisualShm.h"

#include <cstddef>
#include <cstring>

#include "SharedSegment.h"
#include "TextFunctions.h"

namespace {

const char kFunction[] = "CVisShm::CVisShm";

constexpr std::size_t kBlockOffset = offsetof(VisualInterfaceRecord, visualBlock);
constexpr std::size_t kAirportIdentOffset = kBlockOffset + offsetof(VisualBlock, airportIdent);
constexpr std::size_t kStateWordOffset = offsetof(VisualInterfaceRecord, stateWord);
constexpr std::size_t kUserCountOffset = offsetof(VisualInterfaceRecord, userCount);

}  // namespace

CVisShm::CVisShm(const char* segmentName, AttachMode mode)
    : m_opened(false), m_versionOk(false), m_created(false), m_record(nullptr) {
  SetName(segmentName);
  SetSize(kVisualInterfaceSize);
  if (Open()) {
    Attached();
  } else if (mode == AttachMode::kOpenOrCreate && Create()) {
    Created();
  }
  if (!m_opened) {
    SetError(kFunction, Platform::SharedSegmentErrorText(GetLastErrorCode()));
  }
}

CVisShm::~CVisShm() {
  std::int32_t count = 0;
  // A segment shrunk under the view has lost its count with its pages:
  // there is nothing left to lower.
  if (IsUsable() && ReadUserCount(count)) {
    count = count > 1 ? count - 1 : 0;
    WriteView(kUserCountOffset, &count, sizeof count);
  }
  // Only this object's view goes: the segment itself, and every other
  // program's view of it, stay as they are.
  if (m_opened) Release();
}

void CVisShm::Attached() {
  m_opened = true;
  if (GetViewSize() < sizeof(VisualInterfaceRecord)) {
    // Reading the record would run off the end of the mapping.
    char detail[128];
    SafeFormat(detail, sizeof detail, "%zu bytes, record needs %d", GetViewSize(),
               kVisualInterfaceSize);
    SetError(kFunction, "Shared Memory Size Mismatch", detail);
    return;
  }
  m_record = static_cast<VisualInterfaceRecord*>(GetData());
  char version[sizeof m_record->version];
  if (!ReadRecord(0, version, sizeof version)) {
    SetError(kFunction, "Shared Memory Size Mismatch", "the segment shrank while it was read");
    return;
  }
  m_versionOk = VersionMatches(version, sizeof version);
  if (!m_versionOk) {
    SetError(kFunction, "Shared Memory Version Mismatch\nPlease rebuild software");
    return;
  }
  std::int32_t count = 0;
  bool counted = ReadUserCount(count);
  if (counted) {
    ++count;
    counted = WriteView(kUserCountOffset, &count, sizeof count);
  }
  if (!counted) {
    m_versionOk = false;
    SetError(kFunction, "Shared Memory Size Mismatch", "the segment shrank while it was read");
  }
}

void CVisShm::Created() {
  if (GetViewSize() < sizeof(VisualInterfaceRecord)) {
    // Another program created the name first, shorter than the record.
    Attached();
    return;
  }
  m_record = static_cast<VisualInterfaceRecord*>(GetData());
  char version[sizeof m_record->version];
  WriteFieldText(version, kVisualInterfaceVersion);
  const std::int32_t count = 1;
  if (!ZeroFill(sizeof(VisualInterfaceRecord)) || !WriteView(0, version, sizeof version) ||
      !WriteView(kUserCountOffset, &count, sizeof count)) {
    SetError(kFunction, "Shared Memory Size Mismatch", "the segment shrank while it was made");
    m_opened = true;  // mapped, not usable: released by the destructor
    return;
  }
  m_opened = true;
  m_versionOk = true;
  m_created = true;
}

bool CVisShm::ReadRecord(std::size_t offset, void* to, std::size_t length) const {
  return m_record != nullptr && ReadView(offset, to, length);
}

bool CVisShm::ReadVisualBlock(VisualBlock& block) const {
  return IsUsable() && ReadRecord(kBlockOffset, &block, sizeof block);
}

bool CVisShm::ReadStateWord(std::int32_t& stateWord) const {
  return IsUsable() && ReadRecord(kStateWordOffset, &stateWord, sizeof stateWord);
}

bool CVisShm::ReadUserCount(std::int32_t& userCount) const {
  return IsUsable() && ReadRecord(kUserCountOffset, &userCount, sizeof userCount);
}

bool CVisShm::WriteAirportIdent(const char* ident) {
  if (!IsUsable()) return false;
  char text[5];
  SafeCopy(text, ident != nullptr ? ident : "", sizeof text);
  return WriteView(kAirportIdentOffset, text, std::strlen(text) + 1);
}

bool CVisShm::VersionMatches(const VisualInterfaceRecord& record) {
  return VersionMatches(record.version, sizeof record.version);
}

bool CVisShm::VersionMatches(const char* version, std::size_t size) {
  char text[sizeof(VisualInterfaceRecord::version) + 1];
  CopyFieldText(text, sizeof text, version, size);
  return std::strcmp(text, kVisualInterfaceVersion) == 0;
}
