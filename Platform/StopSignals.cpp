#include "StopSignals.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace Platform {
namespace {

constexpr int kStopSignals[] = {SIGTERM, SIGINT, SIGHUP};

int s_pipe[2] = {-1, -1};
std::atomic<int> s_requests{0};
std::atomic<int> s_firstSignal{0};

extern "C" void OnStopSignal(int signal) {
  const int savedErrno = errno;
  if (s_requests.fetch_add(1) > 0) {
    // Asked again while closing down: the default action, now. The signal
    // is blocked while this runs, so it is delivered as soon as we return.
    struct sigaction byDefault {};
    byDefault.sa_handler = SIG_DFL;
    sigemptyset(&byDefault.sa_mask);
    sigaction(signal, &byDefault, nullptr);
    raise(signal);
    errno = savedErrno;
    return;
  }
  s_firstSignal = signal;
  const char byte = 1;
  (void)!write(s_pipe[1], &byte, 1);
  errno = savedErrno;
}

}  // namespace

int WatchStopSignals() {
  if (s_pipe[0] >= 0) return s_pipe[0];
  if (pipe2(s_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
    s_pipe[0] = s_pipe[1] = -1;
    return -1;
  }
  s_requests = 0;
  s_firstSignal = 0;
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  action.sa_flags = SA_RESTART;
  sigemptyset(&action.sa_mask);
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  for (int signal : kStopSignals) {
    sigaction(signal, &action, nullptr);
    sigaddset(&stopSignals, signal);
  }
  // Whoever started the program may have left them blocked: a request sent
  // before now, or later, must still reach the handler.
  pthread_sigmask(SIG_UNBLOCK, &stopSignals, nullptr);
  return s_pipe[0];
}

int TakeStopSignal() {
  if (s_pipe[0] < 0) return 0;
  char bytes[16];
  while (read(s_pipe[0], bytes, sizeof bytes) > 0) {
  }
  return s_firstSignal;
}

bool WaitForStopSignal(std::int64_t nanoseconds) {
  if (s_pipe[0] < 0) return false;
  if (nanoseconds < 0) nanoseconds = 0;
  struct pollfd watched {};
  watched.fd = s_pipe[0];
  watched.events = POLLIN;
  const struct timespec wait {
    static_cast<time_t>(nanoseconds / 1000000000), static_cast<long>(nanoseconds % 1000000000)
  };
  return ppoll(&watched, 1, &wait, nullptr) > 0;
}

void StopWatchingStopSignals() {
  struct sigaction byDefault {};
  byDefault.sa_handler = SIG_DFL;
  sigemptyset(&byDefault.sa_mask);
  for (int signal : kStopSignals) sigaction(signal, &byDefault, nullptr);
  for (int& end : s_pipe) {
    if (end >= 0) close(end);
    end = -1;
  }
}

}  // namespace Platform
