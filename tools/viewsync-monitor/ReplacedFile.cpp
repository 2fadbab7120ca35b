#include "ReplacedFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>

namespace {

int WriteAll(int fd, const char* text, std::size_t length) {
  while (length > 0) {
    const ssize_t put = write(fd, text, length);
    if (put < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    text += put;
    length -= static_cast<std::size_t>(put);
  }
  return 0;
}

// The first `length` bytes of `from` written at `to`'s position, through
// the caller's buffer where the kernel cannot copy between the two.
int CopyStartByHand(int from, int to, std::int64_t done, std::int64_t length) {
  static char buffer[1 << 16];
  while (done < length) {
    const std::int64_t want = length - done < static_cast<std::int64_t>(sizeof buffer)
                                  ? length - done
                                  : static_cast<std::int64_t>(sizeof buffer);
    const ssize_t got = pread(from, buffer, static_cast<std::size_t>(want), done);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return errno;
    if (got == 0) return EIO;  // the version before was cut under its name
    const int code = WriteAll(to, buffer, static_cast<std::size_t>(got));
    if (code != 0) return code;
    done += got;
  }
  return 0;
}

int CopyStart(int from, int to, std::int64_t length) {
  loff_t done = 0;
  while (done < length) {
    const ssize_t copied =
        copy_file_range(from, &done, to, nullptr, static_cast<std::size_t>(length - done), 0);
    if (copied > 0) continue;  // done moved on
    if (copied < 0 && errno == EINTR) continue;
    if (copied == 0 || errno == EXDEV || errno == EINVAL || errno == ENOSYS ||
        errno == EOPNOTSUPP) {
      return CopyStartByHand(from, to, done, length);
    }
    return errno;
  }
  return 0;
}

}  // namespace

ReplacedFile::~ReplacedFile() {
  Close();
}

int ReplacedFile::Open(const char* path) {
  Close();
  m_target = path;
  m_keepMode = false;
  struct stat status {};
  if (lstat(path, &status) == 0 && S_ISLNK(status.st_mode)) {
    std::error_code error;
    const std::filesystem::path resolved = std::filesystem::weakly_canonical(path, error);
    if (error) return error.value();
    m_target = resolved.string();
  }
  if (stat(m_target.c_str(), &status) != 0) return errno == ENOENT ? 0 : errno;
  if (S_ISREG(status.st_mode)) {
    m_keepMode = true;
    m_mode = status.st_mode & 07777;
    return 0;
  }
  m_stream = open(path, O_WRONLY | O_CLOEXEC);
  return m_stream < 0 ? errno : 0;
}

// A new file in the target's folder, hidden by a leading dot, named for this
// process and its count of files made.
int ReplacedFile::CreateBeside(std::string* temporary) {
  const std::filesystem::path target(m_target);
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string leaf = "." + target.filename().string() + "." + std::to_string(getpid()) +
                             "." + std::to_string(++m_made);
    *temporary = (target.parent_path() / leaf).string();
    const int fd = open(temporary->c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) {
      if (fd < 0) return -errno;
      return fd;
    }
  }
  return -EEXIST;
}

int ReplacedFile::Write(std::int64_t kept, const char* text, std::size_t length) {
  if (m_stream >= 0) return WriteAll(m_stream, text, length);
  std::string temporary;
  const int fd = CreateBeside(&temporary);
  if (fd < 0) return -fd;
  int code = kept > 0 && m_current >= 0 ? CopyStart(m_current, fd, kept) : 0;
  if (code == 0) code = WriteAll(fd, text, length);
  if (code == 0 && m_keepMode && fchmod(fd, m_mode) != 0) code = errno;
  if (code == 0 && std::rename(temporary.c_str(), m_target.c_str()) != 0) code = errno;
  if (code != 0) {
    close(fd);
    unlink(temporary.c_str());
    return code;
  }
  if (m_current >= 0) close(m_current);
  m_current = fd;
  return 0;
}

void ReplacedFile::Close() {
  if (m_current >= 0) close(m_current);
  if (m_stream >= 0) close(m_stream);
  m_current = -1;
  m_stream = -1;
}
