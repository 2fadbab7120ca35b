#include "SharedSegment.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace Platform {
namespace {

// The system object's name is the segment name behind one slash.
constexpr std::size_t kObjectNameSize = 256;
// Read-write for the creator's user and group, whatever the creation mask.
constexpr mode_t kSegmentMode = 0660;
constexpr int kCreateAttempts = 3;

int ObjectName(const char* name, char (&object)[kObjectNameSize]) {
  if (name == nullptr || name[0] == '\0') return EINVAL;
  if (std::strchr(name, '/') != nullptr) return EINVAL;
  std::size_t length = std::strlen(name);
  if (length + 2 > kObjectNameSize) return ENAMETOOLONG;
  object[0] = '/';
  std::memcpy(object + 1, name, length + 1);
  return 0;
}

}  // namespace

int CreateSharedSegment(const char* name, std::uint32_t size) {
  char object[kObjectNameSize];
  int code = ObjectName(name, object);
  if (code != 0) return code;
  int fd = -1;
  // Made here, or there already (kept as it is); a segment removed between
  // the two attempts is made on the next round.
  for (int attempt = 0; fd < 0 && attempt < kCreateAttempts; ++attempt) {
    fd = shm_open(object, O_RDWR | O_CREAT | O_EXCL, kSegmentMode);
    if (fd >= 0) {
      // The creation mask would take the group's write right away under the
      // usual 022: the simulator's group must be able to write a segment the
      // station made first.
      if (fchmod(fd, kSegmentMode) != 0) {
        code = errno;
        close(fd);
        return code;
      }
    } else if (errno == EEXIST) {
      fd = shm_open(object, O_RDWR, 0);
      if (fd < 0 && errno != ENOENT) return errno;
    } else {
      return errno;
    }
  }
  if (fd < 0) return ENOENT;
  struct stat status {};
  if (fstat(fd, &status) != 0) {
    code = errno;
  } else if (static_cast<std::uint64_t>(status.st_size) < size) {
    // Reserve the pages now, so a full /dev/shm fails here with its code
    // rather than as a bus error at the first write into the view.
    code = posix_fallocate(fd, 0, static_cast<off_t>(size));
  }
  close(fd);
  return code;
}

int OpenSharedSegment(const char* name, SharedSegmentHandle* handle) {
  char object[kObjectNameSize];
  int code = ObjectName(name, object);
  if (code != 0) return code;
  int fd = shm_open(object, O_RDWR, 0);
  if (fd < 0) return errno;
  if (handle != nullptr) {
    *handle = fd;
  } else {
    close(fd);
  }
  return 0;
}

int MapSharedSegment(SharedSegmentHandle handle, void** view, std::size_t* length) {
  if (view == nullptr || length == nullptr) return EINVAL;
  struct stat status {};
  if (fstat(handle, &status) != 0) return errno;
  if (status.st_size <= 0) return EINVAL;
  std::size_t size = static_cast<std::size_t>(status.st_size);
  void* address = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, handle, 0);
  if (address == MAP_FAILED) return errno;
  *view = address;
  *length = size;
  return 0;
}

void UnmapSharedSegment(void* view, std::size_t length) {
  if (view != nullptr && length > 0) munmap(view, length);
}

void CloseSharedSegment(SharedSegmentHandle handle) {
  if (handle != kNoSharedSegment) close(handle);
}

int RemoveSharedSegment(const char* name) {
  char object[kObjectNameSize];
  int code = ObjectName(name, object);
  if (code != 0) return code;
  return shm_unlink(object) == 0 ? 0 : errno;
}

int SharedSegmentSize(const char* name, std::size_t* size) {
  char object[kObjectNameSize];
  int code = ObjectName(name, object);
  if (code != 0) return code;
  int fd = shm_open(object, O_RDONLY, 0);
  if (fd < 0) return errno;
  struct stat status {};
  code = fstat(fd, &status) == 0 ? 0 : errno;
  if (code == 0 && size != nullptr) *size = static_cast<std::size_t>(status.st_size);
  close(fd);
  return code;
}

bool IsSegmentName(const char* name, std::size_t maxLength) {
  const std::size_t length = name != nullptr ? std::strlen(name) : 0;
  if (length == 0 || length > maxLength) return false;
  for (std::size_t i = 0; i < length; ++i) {
    const unsigned char c = static_cast<unsigned char>(name[i]);
    if (c == '/' || c <= 0x20 || c > 0x7E) return false;
  }
  return true;
}

int SharedSegmentIdentityOf(SharedSegmentHandle handle, SharedSegmentIdentity* identity) {
  if (identity == nullptr) return EINVAL;
  struct stat status {};
  if (fstat(handle, &status) != 0) return errno;
  identity->device = static_cast<std::uint64_t>(status.st_dev);
  identity->object = static_cast<std::uint64_t>(status.st_ino);
  identity->size = status.st_size > 0 ? static_cast<std::uint64_t>(status.st_size) : 0;
  return 0;
}

int NamedSharedSegmentIdentity(const char* name, SharedSegmentIdentity* identity) {
  char object[kObjectNameSize];
  int code = ObjectName(name, object);
  if (code != 0) return code;
  int fd = shm_open(object, O_RDONLY, 0);
  if (fd < 0) return errno;
  code = SharedSegmentIdentityOf(fd, identity);
  close(fd);
  return code;
}

const char* SharedSegmentErrorText(int code) {
  return std::strerror(code);
}

}  // namespace Platform
