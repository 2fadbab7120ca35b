#pragma once
// Programs as the tests run them (viewsync-monitor and the tools that check
// its files), and the loopback sockets that feed the monitor: real
// processes, real UDP on 127.0.0.1.

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

// A program run by a test, its standard output and error read through one
// pipe. fileSizeLimit above 0 limits the files it writes to that many bytes
// (a write beyond fails with "File too large"), so a test can make the disk
// full for it alone.
class ChildProcess {
 public:
  ChildProcess(const char* program, const std::vector<std::string>& args, long fileSizeLimit = 0) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program));
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) return;
    m_pid = fork();
    if (m_pid == 0) {
      dup2(out[1], 1);
      dup2(out[1], 2);
      close(out[0]);
      close(out[1]);
      if (fileSizeLimit > 0) {
        signal(SIGXFSZ, SIG_IGN);
        rlimit limit{static_cast<rlim_t>(fileSizeLimit), static_cast<rlim_t>(fileSizeLimit)};
        setrlimit(RLIMIT_FSIZE, &limit);
      }
      execv(argv[0], argv.data());
      _exit(127);
    }
    close(out[1]);
    m_out = out[0];
  }
  ~ChildProcess() {
    if (m_pid > 0) Wait();
    if (m_out >= 0) close(m_out);
  }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // The next whole line; false at the end of the output or after 10 s.
  bool ReadLine(std::string& line) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (;;) {
      std::size_t end = m_pending.find('\n');
      if (end != std::string::npos) {
        line = m_pending.substr(0, end);
        m_pending.erase(0, end + 1);
        m_lines.push_back(line);
        return true;
      }
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      pollfd waiting{m_out, POLLIN, 0};
      if (left.count() <= 0 || poll(&waiting, 1, static_cast<int>(left.count())) <= 0) return false;
      char chunk[4096];
      ssize_t got = read(m_out, chunk, sizeof chunk);
      if (got <= 0) {
        m_ended = got == 0;
        return false;
      }
      m_pending.append(chunk, static_cast<std::size_t>(got));
    }
  }
  // Reads to the end of the output; returns the last line.
  std::string ReadToEnd() {
    std::string line;
    while (ReadLine(line)) {
    }
    return m_lines.empty() ? "" : m_lines.back();
  }
  const std::vector<std::string>& Lines() const { return m_lines; }

  void Signal(int number) { kill(m_pid, number); }
  // The exit status. A program whose output has not ended is killed (-1).
  int Wait() {
    if (m_pid <= 0) return -1;
    if (!m_ended) kill(m_pid, SIGKILL);
    int status = 0;
    waitpid(m_pid, &status, 0);
    m_pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  pid_t m_pid = -1;
  int m_out = -1;
  bool m_ended = false;
  std::string m_pending;
  std::vector<std::string> m_lines;
};

// The viewsync-monitor program.
class MonitorProcess : public ChildProcess {
 public:
  explicit MonitorProcess(const std::vector<std::string>& args, long fileSizeLimit = 0)
      : ChildProcess(VIEWSYNC_MONITOR_PATH, args, fileSizeLimit) {}

  // The port from the first line, "listening on ADDR:PORT"; 0 when missing.
  int ListeningPort() {
    std::string line;
    if (!ReadLine(line) || line.rfind("listening on ", 0) != 0) return 0;
    return std::atoi(line.c_str() + line.rfind(':') + 1);
  }
};

// A UDP socket on 127.0.0.1, optionally bound as the station's receive
// channel is: every address, the given port, with or without SO_REUSEADDR.
class LoopbackSocket {
 public:
  LoopbackSocket() : m_socket(socket(AF_INET, SOCK_DGRAM, 0)) {}
  ~LoopbackSocket() { close(m_socket); }
  int BindEveryAddress(bool reuse) {
    int on = 1;
    if (reuse) setsockopt(m_socket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    if (bind(m_socket, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) return 0;
    socklen_t length = sizeof local;
    getsockname(m_socket, reinterpret_cast<sockaddr*>(&local), &length);
    return ntohs(local.sin_port);
  }
  void SendTo(int port, const std::string& text) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<std::uint16_t>(port));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(
        sendto(m_socket, text.data(), text.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to),
        static_cast<ssize_t>(text.size()));
  }
  bool HasWaiting() {
    char byte;
    return recv(m_socket, &byte, 1, MSG_DONTWAIT) >= 0;
  }

 private:
  int m_socket;
};

// A datagram as the station writes it, with the counter and an optional tenth field.
inline std::string Datagram(int counter, const char* tail = "") {
  return std::to_string(counter) +
         ",51.477500,-0.461389,120.500000,270.000000,90.000000,-2.500000,0,0," + tail;
}
