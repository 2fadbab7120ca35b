#include "BaseSharedMemory.h"

#include "ConfigControl.h"
#include "GuardedMemory.h"
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
  return Platform::GuardedZero(m_view, count);
}

BaseSharedMemory::MappingState BaseSharedMemory::CheckMapping() const {
  if (m_view == nullptr) return MappingState::kNotMapped;
  Platform::SharedSegmentIdentity mapped;
  Platform::SharedSegmentIdentity named;
  if (Platform::SharedSegmentIdentityOf(m_handle, &mapped) != 0) return MappingState::kNotMapped;
  if (Platform::NamedSharedSegmentIdentity(m_name, &named) != 0) return MappingState::kNameGone;
  if (!named.SameObject(mapped)) return MappingState::kReplaced;
  if (mapped.size < m_viewSize) return MappingState::kShrunk;
  return MappingState::kIntact;
}

std::size_t BaseSharedMemory::GetCurrentSize() const {
  Platform::SharedSegmentIdentity mapped;
  if (m_view == nullptr || Platform::SharedSegmentIdentityOf(m_handle, &mapped) != 0) return 0;
  return static_cast<std::size_t>(mapped.size);
}

bool BaseSharedMemory::InView(std::size_t offset, std::size_t length) const {
  return m_view != nullptr && offset <= m_viewSize && length <= m_viewSize - offset;
}

bool BaseSharedMemory::ReadView(std::size_t offset, void* to, std::size_t length) const {
  if (to == nullptr || !InView(offset, length)) return false;
  return Platform::GuardedCopy(to, static_cast<const char*>(m_view) + offset, length);
}

bool BaseSharedMemory::WriteView(std::size_t offset, const void* from, std::size_t length) {
  if (from == nullptr || !InView(offset, length)) return false;
  return Platform::GuardedCopy(static_cast<char*>(m_view) + offset, from, length);
}

bool BaseSharedMemory::Fail(const char* format, int code) {
  m_lastErrorCode = code;
  char message[kMessageSize];
  SafeFormat(message, sizeof message, format, code);
  SetError(message);
  return false;
}
