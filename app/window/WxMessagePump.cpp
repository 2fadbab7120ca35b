#include "WxMessagePump.h"

#include <glib.h>
#include <poll.h>
#include <time.h>
#include <wx/app.h>
#include <wx/evtloop.h>

#include <algorithm>
#include <vector>

#include "Clock.h"

namespace {

using Platform::kNanosecondsPerMillisecond;
using Platform::kNanosecondsPerSecond;

// The records of one wait, kept from wait to wait: the loop waits once or
// twice a frame, and after the first few waits no wait allocates.
struct PollBuffers {
  std::vector<GPollFD> records;
  std::vector<pollfd> fds;
};

// The file descriptors the main context's sources wait on, as GLib lists
// them for `priority` and above, into `records`, with the context's own time
// limit in ms (-1 for none).
void QueryPollRecords(GMainContext* context, gint priority, gint& timeoutMs,
                      std::vector<GPollFD>& records) {
  if (records.size() < 16) records.resize(16);
  for (;;) {
    const gint count = g_main_context_query(context, priority, &timeoutMs, records.data(),
                                            static_cast<gint>(records.size()));
    const bool fitted = count <= static_cast<gint>(records.size());
    records.resize(static_cast<std::size_t>(count));
    if (fitted) return;
  }
}

// Waits on the records for up to `nanoseconds`, with the precision of the
// system's poll rather than GLib's milliseconds. True when any of them has
// something to read or report.
bool PollRecords(std::vector<GPollFD>& records, std::vector<pollfd>& fds,
                 std::int64_t nanoseconds) {
  fds.resize(records.size());
  for (std::size_t i = 0; i < records.size(); ++i) {
    fds[i].fd = records[i].fd;
    fds[i].events = static_cast<short>(records[i].events);
    fds[i].revents = 0;
  }
  timespec limit{};
  limit.tv_sec = static_cast<time_t>(nanoseconds / kNanosecondsPerSecond);
  limit.tv_nsec = static_cast<long>(nanoseconds % kNanosecondsPerSecond);
  const int result = ppoll(fds.data(), fds.size(), &limit, nullptr);
  for (std::size_t i = 0; i < records.size(); ++i) {
    records[i].revents = result > 0 ? static_cast<gushort>(fds[i].revents) : 0;
  }
  return result != 0;  // an interrupted wait counts as woken: the loop looks again
}

}  // namespace

bool WxMessagePump::DispatchOne() {
  wxEventLoopBase* loop = wxEventLoopBase::GetActive();
  if (loop != nullptr && loop->Pending()) {
    loop->Dispatch();
    return true;
  }
  // Events queued inside wx itself never show in the toolkit's queue; the
  // modal loop would run them when idle, which it never is while frames run.
  if (wxTheApp != nullptr && wxTheApp->HasPendingEvents()) {
    wxTheApp->ProcessPendingEvents();
    return true;
  }
  return false;
}

// One round of the main context as GLib's own "is anything pending" runs it
// (prepare, query, poll, check), with the poll allowed to last. Sources found
// ready stay ready, so the next DispatchOne hands their events over. A wx
// event queued from another thread adds a GLib source, which wakes the poll.
bool WxMessagePump::WaitForMessage(std::int64_t nanoseconds) {
  if (wxTheApp != nullptr && wxTheApp->HasPendingEvents()) {
    return true;
  }
  GMainContext* context = g_main_context_default();
  if (!g_main_context_acquire(context)) {
    return false;  // another thread runs the toolkit: nothing to wait on here
  }
  gint priority = G_MAXINT;
  // wx's own idle source never shows here for long: asking the event loop
  // whether anything is pending (DispatchOne, just before) removes it.
  const bool ready = g_main_context_prepare(context, &priority) != FALSE;
  gint contextTimeoutMs = -1;
  // Only the window's thread gets here (it holds the main context).
  static PollBuffers buffers;
  std::vector<GPollFD>& records = buffers.records;
  QueryPollRecords(context, priority, contextTimeoutMs, records);
  std::int64_t wait = ready ? 0 : std::max<std::int64_t>(nanoseconds, 0);
  // A toolkit timer due sooner ends the wait as a message would.
  bool timerFirst = false;
  if (contextTimeoutMs >= 0 && contextTimeoutMs * kNanosecondsPerMillisecond < wait) {
    wait = contextTimeoutMs * kNanosecondsPerMillisecond;
    timerFirst = true;
  }
  const bool woken = PollRecords(records, buffers.fds, wait);
  g_main_context_check(context, priority, records.data(), static_cast<gint>(records.size()));
  g_main_context_release(context);
  return ready || woken || timerFirst;
}
