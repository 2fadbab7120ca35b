#include "GuardedMemory.h"

#include <setjmp.h>
#include <signal.h>

#include <atomic>
#include <cstring>

namespace Platform {
namespace {

// Where a bus error inside a guarded access lands, on this thread; null
// outside one.
thread_local sigjmp_buf* t_landing = nullptr;

struct sigaction s_previous;
std::atomic<bool> s_installed{false};

extern "C" void OnBusError(int, siginfo_t*, void*) {
  sigjmp_buf* landing = t_landing;
  if (landing != nullptr) {
    t_landing = nullptr;
    siglongjmp(*landing, 1);
  }
  // Not ours: hand SIGBUS back to what had it before. Returning repeats the
  // faulting access, which then meets that handling.
  sigaction(SIGBUS, &s_previous, nullptr);
  s_installed = false;
}

void InstallHandler() {
  if (s_installed) return;
  struct sigaction action {};
  action.sa_sigaction = OnBusError;
  // SA_NODEFER: the jump out of the handler leaves SIGBUS unblocked without
  // saving and restoring the signal mask (a system call) on every access.
  action.sa_flags = SA_SIGINFO | SA_NODEFER;
  sigemptyset(&action.sa_mask);
  if (sigaction(SIGBUS, &action, &s_previous) == 0) s_installed = true;
}

struct CopyWork {
  void* to;
  const void* from;
  std::size_t length;
};

}  // namespace

bool RunGuarded(void (*work)(void*), void* context) {
  if (work == nullptr) return false;
  InstallHandler();
  sigjmp_buf landing;
  if (sigsetjmp(landing, 0) != 0) {
    return false;
  }
  t_landing = &landing;
  std::atomic_signal_fence(std::memory_order_seq_cst);
  work(context);
  std::atomic_signal_fence(std::memory_order_seq_cst);
  t_landing = nullptr;
  return true;
}

bool GuardedCopy(void* to, const void* from, std::size_t length) {
  if (length == 0) return true;
  CopyWork copy{to, from, length};
  return RunGuarded(
      [](void* context) {
        const CopyWork& work = *static_cast<const CopyWork*>(context);
        std::memcpy(work.to, work.from, work.length);
      },
      &copy);
}

bool GuardedZero(void* to, std::size_t length) {
  if (length == 0) return true;
  CopyWork zero{to, nullptr, length};
  return RunGuarded(
      [](void* context) {
        const CopyWork& work = *static_cast<const CopyWork*>(context);
        std::memset(work.to, 0, work.length);
      },
      &zero);
}

}  // namespace Platform
