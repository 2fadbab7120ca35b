#pragma once
// A segment name of the test's own ("tavrion-test-<pid>-<n>"), removed with
// whatever segment it names when the test ends, so that tests never touch a
// running station's "VisualInterface" and can run side by side.

#include <unistd.h>

#include <string>

#include "SharedSegment.h"

class SharedTestSegment {
 public:
  SharedTestSegment() {
    static int s_count = 0;
    m_name = "tavrion-test-" + std::to_string(getpid()) + "-" + std::to_string(++s_count);
    Platform::RemoveSharedSegment(m_name.c_str());
  }
  ~SharedTestSegment() { Platform::RemoveSharedSegment(m_name.c_str()); }
  SharedTestSegment(const SharedTestSegment&) = delete;
  SharedTestSegment& operator=(const SharedTestSegment&) = delete;

  const char* Name() const { return m_name.c_str(); }
  // The segment's size in bytes, or -1 when it does not exist.
  long Size() const {
    std::size_t size = 0;
    return Platform::SharedSegmentSize(Name(), &size) == 0 ? static_cast<long>(size) : -1;
  }

 private:
  std::string m_name;
};
