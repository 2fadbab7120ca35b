#include "FileNames.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace Platform {
namespace {

// ASCII letters only: a desktop locale must not change which file is meant.
char FoldCase(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameIgnoringCase(const char* a, const char* b) {
  for (; *a != '\0' && *b != '\0'; ++a, ++b) {
    if (FoldCase(*a) != FoldCase(*b)) return false;
  }
  return *a == *b;
}

void CopyOut(const std::string& text, char* out, int size) {
  std::size_t length = text.size();
  if (length > static_cast<std::size_t>(size) - 1) length = static_cast<std::size_t>(size) - 1;
  std::memcpy(out, text.data(), length);
  out[length] = '\0';
}

// The folder part of a name, with its final "/", or "" for the working folder.
std::string FolderOf(const std::string& name) {
  std::size_t slash = name.rfind('/');
  return slash == std::string::npos ? std::string() : name.substr(0, slash + 1);
}

// First entry of the folder (byte order) equal to `leaf` ignoring case; "" if none.
std::string FindOtherCasing(const std::string& folder, const std::string& leaf) {
  DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
  if (dir == nullptr) return std::string();
  std::string best;
  while (const dirent* entry = readdir(dir)) {
    if (!SameIgnoringCase(entry->d_name, leaf.c_str())) continue;
    if (best.empty() || std::strcmp(entry->d_name, best.c_str()) < 0) best = entry->d_name;
  }
  closedir(dir);
  return best;
}

// Copies what is left to read of `in` into `out`; 0 or the errno.
int CopyContents(int in, int out) {
  char buffer[65536];
  for (;;) {
    const ssize_t got = read(in, buffer, sizeof buffer);
    if (got == 0) return 0;
    if (got < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    for (ssize_t done = 0; done < got;) {
      const ssize_t put = write(out, buffer + done, static_cast<std::size_t>(got - done));
      if (put < 0) {
        if (errno == EINTR) continue;
        return errno;
      }
      done += put;
    }
  }
}

const char* NotRegularReason(mode_t mode) {
  if (S_ISDIR(mode)) return std::strerror(EISDIR);
  if (S_ISFIFO(mode)) return "Not a regular file (a FIFO)";
  if (S_ISCHR(mode)) return "Not a regular file (a character device)";
  if (S_ISBLK(mode)) return "Not a regular file (a block device)";
  if (S_ISSOCK(mode)) return "Not a regular file (a socket)";
  return "Not a regular file";
}

void SyncFolderOf(const char* name) {
  std::string folder = FolderOf(name);
  int fd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

}  // namespace

bool ResolveFileName(const char* name, char* resolved, int size) {
  if (resolved == nullptr || size <= 0) return false;
  std::string given = name != nullptr ? name : "";
  std::string folder = FolderOf(given);
  std::string leaf = given.substr(folder.size());
  struct stat status;
  bool exists = !leaf.empty() && lstat(given.c_str(), &status) == 0;
  if (leaf.empty() || exists) {
    CopyOut(given, resolved, size);
    return exists;
  }
  std::string other = FindOtherCasing(folder, leaf);
  if (other.empty()) {
    CopyOut(given, resolved, size);
    return false;
  }
  CopyOut(folder + other, resolved, size);
  return true;
}

int CopyFileWhole(const char* from, const char* to) {
  if (from == nullptr || to == nullptr) return EINVAL;
  const std::string temporary = std::string(to) + ".new";
  // Without blocking on a FIFO; only a regular file is copied.
  int in = open(from, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (in < 0) return errno;
  struct stat status {};
  if (fstat(in, &status) != 0 || !S_ISREG(status.st_mode)) {
    close(in);
    return S_ISDIR(status.st_mode) ? EISDIR : EINVAL;
  }
  int out = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (out < 0) {
    const int code = errno;
    close(in);
    return code;
  }
  int code = CopyContents(in, out);
  if (code == 0 && fsync(out) != 0) code = errno;
  if (close(out) != 0 && code == 0) code = errno;
  close(in);
  if (code == 0) code = ReplaceFile(temporary.c_str(), to);
  if (code != 0) RemoveFile(temporary.c_str());
  return code;
}

std::FILE* OpenRegularFileForReading(const char* name, const char** reason) {
  const char* ignored = nullptr;
  const char*& why = reason != nullptr ? *reason : ignored;
  struct stat status;
  if (name == nullptr || stat(name, &status) != 0) {
    why = std::strerror(name == nullptr ? EINVAL : errno);
    return nullptr;
  }
  if (!S_ISREG(status.st_mode)) {
    why = NotRegularReason(status.st_mode);
    return nullptr;
  }
  // Without blocking, in case the name was swapped for a FIFO since the look.
  int fd = open(name, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    why = std::strerror(errno);
    return nullptr;
  }
  if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
    why = NotRegularReason(status.st_mode);
    close(fd);
    return nullptr;
  }
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  std::FILE* stream = fdopen(fd, "r");
  if (stream == nullptr) {
    why = std::strerror(errno);
    close(fd);
  }
  return stream;
}

int SyncFileToDisk(const char* name) {
  if (name == nullptr) return EINVAL;
  int fd = open(name, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno;
  int result = fsync(fd) == 0 ? 0 : errno;
  close(fd);
  return result;
}

int ReplaceFile(const char* from, const char* to) {
  if (from == nullptr || to == nullptr) return EINVAL;
  struct stat status;
  if (stat(to, &status) == 0 && S_ISREG(status.st_mode)) chmod(from, status.st_mode & 07777);
  if (std::rename(from, to) != 0) return errno;
  SyncFolderOf(to);
  return 0;
}

int WriteFileWhole(const char* name, const char* bytes, int length, bool durable) {
  if (name == nullptr || bytes == nullptr || length < 0) return EINVAL;
  const std::string temporary = std::string(name) + ".new";
  int out = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (out < 0) return errno;
  int code = 0;
  for (int done = 0; done < length && code == 0;) {
    const ssize_t put = write(out, bytes + done, static_cast<std::size_t>(length - done));
    if (put >= 0) {
      done += static_cast<int>(put);
    } else if (errno != EINTR) {
      code = errno;
    }
  }
  if (code == 0 && durable && fsync(out) != 0) code = errno;
  if (close(out) != 0 && code == 0) code = errno;
  if (code == 0 && !durable && std::rename(temporary.c_str(), name) != 0) code = errno;
  if (code == 0 && durable) code = ReplaceFile(temporary.c_str(), name);
  if (code != 0) RemoveFile(temporary.c_str());
  return code;
}

void RemoveFile(const char* name) {
  if (name == nullptr) return;
  struct stat status;
  if (lstat(name, &status) == 0 && !S_ISDIR(status.st_mode)) unlink(name);
}

void FileInFolder(const char* folder, const char* name, char* path, int size) {
  std::string joined = folder != nullptr ? folder : "";
  if (!joined.empty() && joined.back() != '/') joined += '/';
  joined += name;
  CopyOut(joined, path, size);
}

}  // namespace Platform
