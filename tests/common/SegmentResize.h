#pragma once
// Sets a shared segment's size as the program that owns it may (ftruncate):
// shrunk, it takes the lost pages away from every program that maps it.

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <string>

// `name` as the station names segments ("VisualInterface"), without "/".
inline bool ResizeSharedSegment(const std::string& name, off_t size) {
  const int fd = shm_open(("/" + name).c_str(), O_RDWR, 0);
  if (fd < 0) return false;
  const bool done = ftruncate(fd, size) == 0;
  close(fd);
  return done;
}
