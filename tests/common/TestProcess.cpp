#include "TestProcess.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <thread>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

int MillisecondsLeft(Clock::time_point deadline) {
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

// The test's own environment with the setup's changes.
std::vector<std::string> ChildEnvironment(const std::vector<std::string>& changes) {
  std::vector<std::string> result;
  for (char** entry = environ; *entry != nullptr; ++entry) result.emplace_back(*entry);
  for (const std::string& change : changes) {
    const std::string prefix = change.substr(0, change.find('=')) + "=";
    result.erase(std::remove_if(result.begin(), result.end(),
                                [&prefix](const std::string& entry) {
                                  return entry.compare(0, prefix.size(), prefix) == 0;
                                }),
                 result.end());
    if (change.find('=') != std::string::npos) result.push_back(change);
  }
  return result;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (std::string& text : texts) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
}

}  // namespace

TestProcess::~TestProcess() {
  Kill();
  for (int& fd : m_fd) {
    if (fd >= 0) close(fd);
    fd = -1;
  }
}

bool TestProcess::Start(const std::vector<std::string>& command, const ProcessSetup& setup) {
  if (command.empty()) return false;
  std::vector<std::string> arguments = command;
  std::vector<char*> argv = Pointers(arguments);
  return Launch([&argv] { execvp(argv[0], argv.data()); }, setup);
}

bool TestProcess::StartFunction(const std::function<int()>& body, const ProcessSetup& setup) {
  return Launch(
      [&body] {
        const int status = body();
        std::fflush(nullptr);
        _exit(status);
      },
      setup);
}

// Everything the child needs is made before the fork: between fork and exec
// a child of a program with threads may only make system calls.
bool TestProcess::Launch(const std::function<void()>& run, const ProcessSetup& setup) {
  if (m_pid > 0) return false;
  int pipes[2][2] = {{-1, -1}, {-1, -1}};
  int childOut = -1, childErr = -1;
  bool made = true;
  switch (setup.output) {
    case ProcessOutput::kMerged:
      made = pipe2(pipes[0], O_CLOEXEC) == 0;
      childOut = childErr = pipes[0][1];
      break;
    case ProcessOutput::kSeparate:
      made = pipe2(pipes[0], O_CLOEXEC) == 0 && pipe2(pipes[1], O_CLOEXEC) == 0;
      childOut = pipes[0][1];
      childErr = pipes[1][1];
      break;
    case ProcessOutput::kDiscarded:
      childOut = childErr = pipes[0][1] = open("/dev/null", O_WRONLY | O_CLOEXEC);
      made = childOut >= 0;
      break;
    case ProcessOutput::kInherited:
      break;
  }
  std::vector<std::string> environment = ChildEnvironment(setup.environment);
  std::vector<char*> envp = Pointers(environment);
  const char* folder = setup.workingFolder.empty() ? nullptr : setup.workingFolder.c_str();
  const pid_t parent = getpid();
  std::fflush(nullptr);  // nothing of the test's own buffered output goes to the child
  m_pid = made ? fork() : -1;
  if (m_pid == 0) {
    if (setup.signalOnTestEnd != 0) {
      prctl(PR_SET_PDEATHSIG, setup.signalOnTestEnd);
      if (getppid() != parent) _exit(126);
    }
    if (childOut >= 0) dup2(childOut, 1);
    if (childErr >= 0) dup2(childErr, 2);
    if (folder != nullptr && chdir(folder) != 0) _exit(126);
    if (setup.fileSizeLimit > 0) {
      signal(SIGXFSZ, SIG_IGN);
      const rlimit limit{static_cast<rlim_t>(setup.fileSizeLimit),
                         static_cast<rlim_t>(setup.fileSizeLimit)};
      setrlimit(RLIMIT_FSIZE, &limit);
    }
    environ = envp.data();
    run();
    _exit(127);
  }
  for (int* ends : pipes) {
    if (ends[1] >= 0) close(ends[1]);
    if (m_pid < 0 && ends[0] >= 0) close(ends[0]);
  }
  if (m_pid < 0) return false;
  m_fd[0] = pipes[0][0];
  m_fd[1] = pipes[1][0];
  m_ended = false;
  m_rawStatus = 0;
  m_text[0].clear();
  m_text[1].clear();
  m_nextLine = 0;
  return true;
}

void TestProcess::ReadAvailable(int waitMilliseconds) {
  pollfd entries[2];
  int stream[2];
  nfds_t count = 0;
  for (int i = 0; i < 2; ++i) {
    if (m_fd[i] < 0) continue;
    entries[count] = pollfd{m_fd[i], POLLIN, 0};
    stream[count++] = i;
  }
  if (count == 0) {
    std::this_thread::sleep_for(std::chrono::milliseconds(waitMilliseconds));
    return;
  }
  if (poll(entries, count, waitMilliseconds) <= 0) return;
  for (nfds_t k = 0; k < count; ++k) {
    if ((entries[k].revents & (POLLIN | POLLHUP | POLLERR)) == 0) continue;
    int& fd = m_fd[stream[k]];
    char chunk[4096];
    const ssize_t got = read(fd, chunk, sizeof chunk);
    if (got > 0) {
      m_text[stream[k]].append(chunk, static_cast<std::size_t>(got));
    } else if (got == 0 || errno != EINTR) {
      close(fd);
      fd = -1;
    }
  }
}

bool TestProcess::ReadLine(std::string& line, std::chrono::milliseconds wait) {
  const Clock::time_point deadline = Clock::now() + wait;
  for (;;) {
    const std::size_t end = m_text[0].find('\n', m_nextLine);
    if (end != std::string::npos) {
      line = m_text[0].substr(m_nextLine, end - m_nextLine);
      m_nextLine = end + 1;
      return true;
    }
    const int left = MillisecondsLeft(deadline);
    if (m_fd[0] < 0 || left == 0) return false;
    ReadAvailable(left);
  }
}

std::string TestProcess::ReadToEnd(std::chrono::milliseconds wait) {
  const Clock::time_point deadline = Clock::now() + wait;
  for (int left = MillisecondsLeft(deadline); StreamsOpen() && left > 0;
       left = MillisecondsLeft(deadline)) {
    ReadAvailable(left);
  }
  const std::size_t lastEnd = m_text[0].rfind('\n');
  m_nextLine = lastEnd == std::string::npos ? 0 : lastEnd + 1;
  const std::vector<std::string> lines = Lines();
  return lines.empty() ? std::string() : lines.back();
}

std::vector<std::string> TestProcess::Lines() const {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end = m_text[0].find('\n'); end != std::string::npos;
       end = m_text[0].find('\n', start)) {
    lines.push_back(m_text[0].substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

bool TestProcess::Reap(bool block) {
  if (m_ended) return true;
  if (m_pid <= 0) return false;
  int raw = 0;
  pid_t done = 0;
  do {
    done = waitpid(m_pid, &raw, block ? 0 : WNOHANG);
  } while (done < 0 && errno == EINTR);
  if (done != m_pid) return false;
  m_rawStatus = raw;
  m_ended = true;
  return true;
}

bool TestProcess::IsRunning() {
  return m_pid > 0 && !Reap(false);
}

bool TestProcess::Signal(int signal) {
  return IsRunning() && kill(m_pid, signal) == 0;
}

bool TestProcess::WaitForExit(std::chrono::milliseconds wait) {
  if (m_pid <= 0) return false;
  const Clock::time_point deadline = Clock::now() + wait;
  while (!Reap(false)) {
    const int left = MillisecondsLeft(deadline);
    if (left == 0) return false;
    ReadAvailable(std::min(left, 10));
  }
  // What it wrote last. A program it started may hold the output open, so
  // only what is there already.
  for (std::size_t before = ~std::size_t{0}; StreamsOpen();) {
    const std::size_t now = m_text[0].size() + m_text[1].size();
    if (now == before) break;
    before = now;
    ReadAvailable(0);
  }
  return true;
}

void TestProcess::Kill() {
  if (m_pid <= 0 || m_ended) return;
  kill(m_pid, SIGKILL);
  Reap(true);
}

int TestProcess::Finish(std::chrono::milliseconds wait) {
  if (!WaitForExit(wait)) Kill();
  return ExitStatus();
}

int TestProcess::ExitStatus() const {
  return m_ended && WIFEXITED(m_rawStatus) ? WEXITSTATUS(m_rawStatus) : -1;
}

int TestProcess::EndSignal() const {
  return m_ended && WIFSIGNALED(m_rawStatus) ? WTERMSIG(m_rawStatus) : 0;
}

ProcessResult RunProcess(const std::vector<std::string>& command, const ProcessSetup& setup,
                         std::chrono::milliseconds wait) {
  ProcessResult result;
  TestProcess process;
  if (!process.Start(command, setup)) return result;
  result.timedOut = !process.WaitForExit(wait);
  result.status = process.Finish(std::chrono::milliseconds(0));
  result.out = process.Output();
  result.err = process.ErrorOutput();
  return result;
}
