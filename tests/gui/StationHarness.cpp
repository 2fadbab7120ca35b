#include "StationHarness.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

// --- SimulatorSegment -------------------------------------------------------

SimulatorSegment::SimulatorSegment(const std::string& name) : m_name("/" + name) {
  const int fd = shm_open(m_name.c_str(), O_CREAT | O_RDWR | O_TRUNC, 0666);
  if (fd < 0) {
    return;
  }
  if (ftruncate(fd, kVisualInterfaceSize) == 0) {
    void* view = mmap(nullptr, kVisualInterfaceSize, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (view != MAP_FAILED) {
      m_record = static_cast<VisualInterfaceRecord*>(view);
      std::memset(m_record, 0, sizeof *m_record);
      std::memcpy(m_record->version, kVisualInterfaceVersion, sizeof kVisualInterfaceVersion);
      m_record->userCount = 1;
    }
  }
  close(fd);
}

SimulatorSegment::~SimulatorSegment() {
  if (m_record != nullptr) {
    munmap(m_record, kVisualInterfaceSize);
  }
  shm_unlink(m_name.c_str());
}

int SimulatorSegment::UserCount() const {
  return m_record != nullptr ? static_cast<volatile const std::int32_t&>(m_record->userCount) : -1;
}

// --- ViewSyncReceiver -------------------------------------------------------

ViewSyncReceiver::ViewSyncReceiver(int port, const char* address) {
  m_socket = socket(AF_INET, SOCK_DGRAM, 0);
  if (m_socket < 0) {
    return;
  }
  const int on = 1;
  setsockopt(m_socket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(static_cast<std::uint16_t>(port));
  if (inet_pton(AF_INET, address, &local.sin_addr) != 1 ||
      bind(m_socket, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
    close(m_socket);
    m_socket = -1;
  }
}

ViewSyncReceiver::~ViewSyncReceiver() {
  if (m_socket >= 0) {
    close(m_socket);
  }
}

bool ViewSyncReceiver::Receive(ViewSyncDatagram& datagram, std::chrono::milliseconds timeout) {
  pollfd waiting = {m_socket, POLLIN, 0};
  if (m_socket < 0 || poll(&waiting, 1, static_cast<int>(timeout.count())) <= 0) {
    return false;
  }
  char buffer[512];
  sockaddr_in source{};
  socklen_t sourceLength = sizeof source;
  const ssize_t length = recvfrom(m_socket, buffer, sizeof buffer - 1, 0,
                                  reinterpret_cast<sockaddr*>(&source), &sourceLength);
  if (length <= 0) {
    return false;
  }
  buffer[length] = '\0';
  datagram = ViewSyncDatagram();
  datagram.sourcePort = ntohs(source.sin_port);
  datagram.text.assign(buffer, static_cast<std::size_t>(length));
  int consumed = 0;
  const int fields = std::sscanf(buffer, "%d,%lf,%lf,%lf,%lf,%lf,%lf,%lld,%lld,%n",
                                 &datagram.counter, &datagram.latitude, &datagram.longitude,
                                 &datagram.altitude, &datagram.heading, &datagram.tilt,
                                 &datagram.roll, &datagram.timeStart, &datagram.timeEnd, &consumed);
  return fields == 9 && consumed == length;
}

bool ViewSyncReceiver::ReceiveFresh(ViewSyncDatagram& datagram, std::chrono::milliseconds timeout) {
  char buffer[512];
  while (m_socket >= 0 && recv(m_socket, buffer, sizeof buffer, MSG_DONTWAIT) > 0) {
  }
  return Receive(datagram, timeout);
}

// --- StationProcess ---------------------------------------------------------

StationProcess::~StationProcess() {
  if (m_pid > 0) {
    kill(m_pid, SIGKILL);
    waitpid(m_pid, nullptr, 0);
  }
}

bool StationProcess::Start(const std::string& program, const std::string& workingFolder,
                           const std::string& displayName, const std::string& locale,
                           const std::vector<std::string>& arguments) {
  m_pid = fork();
  if (m_pid < 0) {
    return false;
  }
  if (m_pid == 0) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);  // no station outlives a test that was killed
    if (chdir(workingFolder.c_str()) != 0) {
      _exit(126);
    }
    setenv("DISPLAY", displayName.c_str(), 1);
    // No desktop session runs on the test display: no accessibility bus and
    // no settings daemon to ask.
    setenv("NO_AT_BRIDGE", "1", 1);
    setenv("GSETTINGS_BACKEND", "memory", 1);
    if (!locale.empty()) {
      setenv("LC_ALL", locale.c_str(), 1);
    }
    std::vector<char*> argv = {const_cast<char*>(program.c_str())};
    for (const std::string& argument : arguments) {
      argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  return true;
}

bool StationProcess::WaitForExit(std::chrono::milliseconds timeout, int& status) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (m_pid > 0) {
    int raw = 0;
    const pid_t done = waitpid(m_pid, &raw, WNOHANG);
    if (done == m_pid) {
      m_pid = -1;
      status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
      return true;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

bool StationProcess::Signal(int signal) {
  return m_pid > 0 && kill(m_pid, signal) == 0;
}
