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
  // a view, or when count is more than the view holds (nothing is written).
  bool ZeroFill(unsigned count);

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

  char m_name[kNameSize];
  int m_handle;
  void* m_view;
  std::int32_t m_size;
  std::size_t m_viewSize;
  int m_lastErrorCode;
};
