#pragma once
// One named shared memory segment: created or opened by name, mapped whole for
// reading and writing, released. It does not know what the segment holds; a
// derived class sets the name and size and decides whether to open or create.
//
// Failures leave "Creating Shared memory (Code: %d)", "OpenFileMapping
// (Code: %d)" or "MapViewOfFile (Code: %d)" with the system's error code. A
// success never clears an earlier text, and nothing is undone on failure (a
// handle opened before a failing MapView stays open until Release).
// Destruction releases nothing; the derived class calls Release.
//
// The segment's owner may remove it, create another under its name, or
// shrink it while the view is mapped. CheckMapping tells which, cheaply
// enough to ask about once a second, and ReadView / WriteView reach the view
// without the bus error that touching a shrunk view's lost pages raises.

#include <cstddef>
#include <cstdint>

#include "QM_ErrorReport.h"

inline constexpr char kBaseSharedMemoryHeaderRevision[] =
    "%Z% BaseSharedMemory QM2082:02 BaseSharedMemory.h $Revision: 1.3 $";

class BaseSharedMemory : public QM_ErrorReport {
 public:
  static constexpr int kNameSize = 43;  // 42 characters and the terminator
  static constexpr int kMessageSize = 1024;

  BaseSharedMemory();
  BaseSharedMemory(const BaseSharedMemory&) = delete;
  BaseSharedMemory& operator=(const BaseSharedMemory&) = delete;

  // CreateMapping with the size, OpenMapping, MapView; stops at the first failure.
  bool Create();
  // OpenMapping, MapView; stops at the first failure.
  bool Open();
  // Creates the segment "name" with size bytes; an existing one is kept. No
  // handle is kept: the segment lives on by its name.
  bool CreateMapping(std::uint32_t size);
  // Opens the segment "name" read-write and keeps its handle (closing one
  // still held from an earlier attempt).
  bool OpenMapping();
  // Maps the whole segment from offset 0 read-write and keeps the address.
  bool MapView();
  // Unmaps the view and closes the handle; afterwards GetData is null.
  void Release();
  // Sets the first count bytes of the view to 0. False for count 0, without
  // a view, or when count is more than the view holds (nothing is written),
  // or when the segment was shrunk under the view.
  bool ZeroFill(unsigned count);

  // What the mapped view is worth now.
  enum class MappingState {
    kIntact,    // the name still means the mapped segment, as large as the view
    kNameGone,  // the name was removed (or can no longer be opened)
    kReplaced,  // the name now means another segment
    kShrunk,    // same segment, now shorter than the view
    kNotMapped  // nothing is mapped
  };
  MappingState CheckMapping() const;
  // The size of the mapped segment now, in bytes; 0 when nothing is mapped.
  std::size_t GetCurrentSize() const;

  // Copies length bytes at offset of the view out to `to` / in from `from`.
  // False when the span lies outside the view or the segment was shrunk
  // under it (then `to` or the view may hold part of the copy).
  bool ReadView(std::size_t offset, void* to, std::size_t length) const;
  bool WriteView(std::size_t offset, const void* from, std::size_t length);

  // Start of the mapped view, or null.
  void* GetData() const { return m_view; }
  // Bytes in the mapped view (the segment's size when it was mapped), or 0.
  std::size_t GetViewSize() const { return m_viewSize; }
  // The system's error code of the last failing step, 0 before any failure.
  int GetLastErrorCode() const { return m_lastErrorCode; }
  const char* GetName() const { return m_name; }

 protected:
  // The derived class sets both before any operation.
  void SetName(const char* name);
  void SetSize(std::int32_t size) { m_size = size; }

 private:
  bool Fail(const char* format, int code);
  bool InView(std::size_t offset, std::size_t length) const;

  char m_name[kNameSize];
  int m_handle;
  void* m_view;
  std::int32_t m_size;
  std::size_t m_viewSize;
  int m_lastErrorCode;
};
