#include "VisualShm.h"

#include <cstring>

#include "SharedSegment.h"
#include "TextFunctions.h"

namespace {
const char kFunction[] = "CVisShm::CVisShm";
}  // namespace

CVisShm::CVisShm(const char* segmentName) : m_opened(false), m_versionOk(false), m_record(nullptr) {
  SetName(segmentName);
  SetSize(kVisualInterfaceSize);
  if (Open()) {
    Attached();
  } else if (Create()) {
    Created();
  }
  if (!m_opened) {
    SetError(kFunction, Platform::SharedSegmentErrorText(GetLastErrorCode()));
  }
}

CVisShm::~CVisShm() {
  if (m_opened && m_versionOk) {
    if (m_record->userCount > 1) {
      m_record->userCount = m_record->userCount - 1;
    } else {
      m_record->userCount = 0;
    }
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
  m_versionOk = VersionMatches(*m_record);
  if (m_versionOk) {
    m_record->userCount = m_record->userCount + 1;
  } else {
    SetError(kFunction, "Shared Memory Version Mismatch\nPlease rebuild software");
  }
}

void CVisShm::Created() {
  if (GetViewSize() < sizeof(VisualInterfaceRecord)) {
    // Another program created the name first, shorter than the record.
    Attached();
    return;
  }
  m_record = static_cast<VisualInterfaceRecord*>(GetData());
  ZeroFill(sizeof(VisualInterfaceRecord));
  WriteFieldText(m_record->version, kVisualInterfaceVersion);
  m_record->userCount = 1;
  m_opened = true;
  m_versionOk = true;
}

bool CVisShm::VersionMatches(const VisualInterfaceRecord& record) {
  char text[sizeof record.version + 1];
  CopyFieldText(text, sizeof text, record.version);
  return std::strcmp(text, kVisualInterfaceVersion) == 0;
}
