#pragma once
// Watches for requests from outside to end the station (SIGTERM, SIGINT,
// SIGHUP) from the toolkit's event loop, which also serves the frame loop's
// message pump and the message boxes, and hands each to the window as its
// close box would be. A second request while the station closes down ends
// it at once.

#include <wx/evtloopsrc.h>

class TavrionWindow;

class StopSignalWatcher : public wxEventLoopSourceHandler {
 public:
  // Installs the signal handlers and starts watching; the window must
  // outlive the watcher.
  explicit StopSignalWatcher(TavrionWindow& window);
  ~StopSignalWatcher() override;
  StopSignalWatcher(const StopSignalWatcher&) = delete;
  StopSignalWatcher& operator=(const StopSignalWatcher&) = delete;

  void OnReadWaiting() override;
  void OnWriteWaiting() override {}
  void OnExceptionWaiting() override {}

 private:
  TavrionWindow& m_window;
  wxEventLoopSource* m_source = nullptr;
};
