#pragma once
// Conditions a test imposes on its own process for a while: a file size
// limit that makes writes fail as on a full disk, and a piece of work run
// without the rights of root (as root, folder permissions would not stop it).

#include <grp.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

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
  int channel[2];
  if (pipe(channel) != 0) return false;
  const pid_t child = fork();
  if (child == 0) {
    close(channel[0]);
    if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0) _exit(2);
    std::string said;
    const char result = work(said) ? '1' : '0';
    if (write(channel[1], &result, 1) != 1) _exit(2);
    for (std::size_t done = 0; done < said.size();) {
      const ssize_t put = write(channel[1], said.data() + done, said.size() - done);
      if (put <= 0) _exit(2);
      done += static_cast<std::size_t>(put);
    }
    _exit(0);
  }
  close(channel[1]);
  std::string received;
  char buffer[512];
  for (ssize_t got; (got = read(channel[0], buffer, sizeof buffer)) > 0;) {
    received.append(buffer, static_cast<std::size_t>(got));
  }
  close(channel[0]);
  int status = 0;
  if (child > 0) waitpid(child, &status, 0);
  if (child <= 0 || received.empty()) return false;
  text = received.substr(1);
  return received[0] == '1';
}
