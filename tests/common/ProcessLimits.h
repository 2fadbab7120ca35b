#pragma once
// Conditions a test imposes on its own process for a while: a file size
// limit that makes writes fail as on a full disk, and a piece of work run
// without the rights of root (as root, folder permissions would not stop it).

#include <grp.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <string>

#include "TestProcess.h"

// While it lives, files cannot grow beyond `bytes`: a write past the limit
// fails with EFBIG ("File too large") instead of raising SIGXFSZ.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &m_previous);
    m_previousHandler = signal(SIGXFSZ, SIG_IGN);
    rlimit limit = m_previous;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &m_previous);
    signal(SIGXFSZ, m_previousHandler);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit m_previous{};
  sighandler_t m_previousHandler = SIG_DFL;
};

// Runs work(text) as an ordinary user and gives its result; `text` receives
// what the work put in it. As root the work runs in a child process as user
// and group 65534 ("nobody"); otherwise here, as it is.
inline bool RunUnprivileged(const std::function<bool(std::string&)>& work, std::string& text) {
  if (geteuid() != 0) return work(text);
  TestProcess child;
  // The child says "1" or "0", then the text.
  child.StartFunction([&work] {
    if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0) return 2;
    std::string said;
    const std::string answer = (work(said) ? "1" : "0") + said;
    return std::fwrite(answer.data(), 1, answer.size(), stdout) == answer.size() ? 0 : 2;
  });
  if (child.Finish() != 0 || child.Output().empty()) return false;
  text = child.Output().substr(1);
  return child.Output()[0] == '1';
}
