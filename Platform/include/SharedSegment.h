#pragma once
// Named shared memory segments that another program on this computer can open
// by the same name: the simulator publishes its eye point in one of them.
//
// A segment "VisualInterface" is the system object "/VisualInterface". Once
// created it outlives every program that uses it until RemoveSharedSegment;
// nothing in the station removes it. Every operation that can fail returns 0
// or the system's error code of the failing call (errno), so a missing
// segment reports 2.

#include <cstddef>
#include <cstdint>

namespace Platform {

// An open segment as the system numbers it; kNoSharedSegment when none.
using SharedSegmentHandle = int;
constexpr SharedSegmentHandle kNoSharedSegment = -1;

// Creates the segment with size bytes, read-write for this user and its
// group (mode 0660) whatever the process's file-creation mask, so that the
// simulator's user may write a segment the station made first when it is in
// the station's group. An existing segment is kept as it is, mode and all,
// except that one left shorter than size (a creator that stopped halfway) is
// grown to size. Keeps no handle open.
int CreateSharedSegment(const char* name, std::uint32_t size);

// Opens an existing segment for reading and writing.
int OpenSharedSegment(const char* name, SharedSegmentHandle* handle);

// Maps the whole segment, shared and read-write; gives its address and length.
// An empty segment cannot be mapped (EINVAL).
int MapSharedSegment(SharedSegmentHandle handle, void** view, std::size_t* length);

// Undo MapSharedSegment / OpenSharedSegment; null view or kNoSharedSegment do nothing.
void UnmapSharedSegment(void* view, std::size_t length);
void CloseSharedSegment(SharedSegmentHandle handle);

// Removes the name; programs that still have it mapped keep their view.
int RemoveSharedSegment(const char* name);

// The current size of an existing segment in bytes.
int SharedSegmentSize(const char* name, std::size_t* size);

// True when `name` can name a segment on a command line: 1 to maxLength
// printable characters, none of them a blank or "/".
bool IsSegmentName(const char* name, std::size_t maxLength);

// Which system object a segment is, and its size now. Two handles or names
// mean the same segment when device and object number are equal; a segment
// removed and created again under its name is another object.
struct SharedSegmentIdentity {
  std::uint64_t device = 0;
  std::uint64_t object = 0;
  std::uint64_t size = 0;
  bool SameObject(const SharedSegmentIdentity& other) const {
    return device == other.device && object == other.object;
  }
};

// The identity of the segment behind an open handle (also after its name
// was removed).
int SharedSegmentIdentityOf(SharedSegmentHandle handle, SharedSegmentIdentity* identity);

// The identity of the segment the name means now; ENOENT when there is none.
int NamedSharedSegmentIdentity(const char* name, SharedSegmentIdentity* identity);

// The system's message text for an error code, without inserts or line end.
const char* SharedSegmentErrorText(int code);

}  // namespace Platform
