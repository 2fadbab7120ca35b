#include "BaseSharedMemory.h"

#include <cstring>

#include "ConfigControl.h"
#include "SharedSegment.h"
#include "TextFunctions.h"

namespace {

const char kSourceRevision[] =
    "%Z% BaseSharedMemory QM2082:01 BaseSharedMemory.cpp $Revision: 1.7 $";

bool s_registered = false;

}  // namespace

BaseSharedMemory::BaseSharedMemory()
    : m_name{},
      m_handle(Platform::kNoSharedSegment),
      m_view(nullptr),
      m_size(0),
      m_viewSize(0),
      m_lastErrorCode(0) {
  RegisterClassOnce(s_registered, "Base Shared Memory Class ",
                    {kBaseSharedMemoryHeaderRevision, kSourceRevision});
}

void BaseSharedMemory::SetName(const char* name) {
  SafeCopy(m_name, name, kNameSize);
}

bool BaseSharedMemory::Create() {
  return CreateMapping(static_cast<std::uint32_t>(m_size)) && Open();
}

bool BaseSharedMemory::Open() {
  return OpenMapping() && MapView();
}

bool BaseSharedMemory::CreateMapping(std::uint32_t size) {
  int code = Platform::CreateSharedSegment(m_name, size);
  if (code != 0) return Fail("Creating Shared memory (Code: %d)", code);
  return true;
}

bool BaseSharedMemory::OpenMapping() {
  Platform::SharedSegmentHandle handle = Platform::kNoSharedSegment;
  int code = Platform::OpenSharedSegment(m_name, &handle);
  if (code != 0) return Fail("OpenFileMapping (Code: %d)", code);
  // A handle left open by an earlier attempt whose MapView failed.
  Platform::CloseSharedSegment(m_handle);
  m_handle = handle;
  return true;
}

bool BaseSharedMemory::MapView() {
  void* view = nullptr;
  std::size_t length = 0;
  int code = Platform::MapSharedSegment(m_handle, &view, &length);
  if (code != 0) return Fail("MapViewOfFile (Code: %d)", code);
  Platform::UnmapSharedSegment(m_view, m_viewSize);
  m_view = view;
  m_viewSize = length;
  return true;
}

void BaseSharedMemory::Release() {
  // Cleared so that a second Release cannot close a descriptor number that
  // the process has since handed to something else.
  Platform::UnmapSharedSegment(m_view, m_viewSize);
  Platform::CloseSharedSegment(m_handle);
  m_view = nullptr;
  m_viewSize = 0;
  m_handle = Platform::kNoSharedSegment;
}

bool BaseSharedMemory::ZeroFill(unsigned count) {
  if (count == 0 || m_view == nullptr || count > m_viewSize) return false;
  std::memset(m_view, 0, count);
  return true;
}

bool BaseSharedMemory::Fail(const char* format, int code) {
  m_lastErrorCode = code;
  char message[kMessageSize];
  SafeFormat(message, sizeof message, format, code);
  SetError(message);
  return false;
}
