#pragma once
// Programs as the tests run them: started with their arguments and
// environment, their output collected, waited for with a time-out (a program
// that hangs fails its test instead of holding the run), and killed when the
// test is done with them. A body of test code can run the same way in a
// child process of its own, for what must not happen to the test itself
// (dropping root, another network view).

#include <signal.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

enum class ProcessOutput {
  kMerged,     // standard output and error read as one stream, in the order written
  kSeparate,   // read apart: Output() and ErrorOutput()
  kInherited,  // the test's own, so it shows in the test's log
  kDiscarded,  // /dev/null
};

struct ProcessSetup {
  std::string workingFolder;             // empty: the test's own
  std::vector<std::string> environment;  // "NAME=value" sets NAME, "NAME" alone removes it
  ProcessOutput output = ProcessOutput::kMerged;
  long fileSizeLimit = 0;  // above 0: a write beyond this many bytes fails ("File too large")
  int signalOnTestEnd = SIGKILL;  // what it gets should the test process end first
};

// The setup with standard output and error read apart.
inline ProcessSetup SeparateOutput() {
  ProcessSetup setup;
  setup.output = ProcessOutput::kSeparate;
  return setup;
}

class TestProcess {
 public:
  // How long a test waits for a program that should end or answer by
  // itself; one still busy after that is taken as hanging.
  static constexpr std::chrono::milliseconds kHangGuard{20000};

  TestProcess() = default;
  // Starts `command` (a program, found on PATH unless it names a folder, and its arguments).
  explicit TestProcess(const std::vector<std::string>& command, const ProcessSetup& setup = {}) {
    Start(command, setup);
  }
  // A program still running is killed.
  ~TestProcess();
  TestProcess(const TestProcess&) = delete;
  TestProcess& operator=(const TestProcess&) = delete;

  bool Start(const std::vector<std::string>& command, const ProcessSetup& setup = {});
  // Runs `body` in a child process that ends with its result as exit status.
  bool StartFunction(const std::function<int()>& body, const ProcessSetup& setup = {});

  bool IsRunning();
  // Sends the running program a signal; false when it is not running.
  bool Signal(int signal);

  // The next whole line of standard output (or of the merged stream); false
  // at the end of the output or when none came within `wait`.
  bool ReadLine(std::string& line, std::chrono::milliseconds wait = kHangGuard);
  // Reads until the output ends (or `wait` runs out); the last whole line.
  std::string ReadToEnd(std::chrono::milliseconds wait = kHangGuard);
  // The whole lines of standard output (or of the merged stream) read so far.
  std::vector<std::string> Lines() const;
  const std::string& Output() const { return m_text[0]; }
  const std::string& ErrorOutput() const { return m_text[1]; }

  // True once the program has ended within `wait`, its output read to the end.
  bool WaitForExit(std::chrono::milliseconds wait);
  // Waits for the end and kills a program still running after `wait`; its exit status.
  int Finish(std::chrono::milliseconds wait = kHangGuard);
  // The exit status once it has ended by itself; -1 while it runs, and when a signal ended it.
  int ExitStatus() const;
  // The signal that ended it, 0 when none did.
  int EndSignal() const;

 private:
  bool Launch(const std::function<void()>& run, const ProcessSetup& setup);
  void ReadAvailable(int waitMilliseconds);
  bool StreamsOpen() const { return m_fd[0] >= 0 || m_fd[1] >= 0; }
  bool Reap(bool block);
  void Kill();

  int m_pid = -1;
  int m_rawStatus = 0;
  bool m_ended = false;
  int m_fd[2] = {-1, -1};
  std::string m_text[2];
  std::size_t m_nextLine = 0;
};

// A program run to its end: the exit status (-1 when a signal ended it or
// it was killed at the time-out) and what it wrote.
struct ProcessResult {
  int status = -1;
  bool timedOut = false;
  std::string out;
  std::string err;
};
// Runs `command` as the setup says (standard output and error read apart
// by default), killing it when it runs longer than `wait`.
ProcessResult RunProcess(const std::vector<std::string>& command,
                         const ProcessSetup& setup = SeparateOutput(),
                         std::chrono::milliseconds wait = TestProcess::kHangGuard);
