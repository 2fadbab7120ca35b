#include "StopSignalWatcher.h"

#include "StopSignals.h"
#include "TavrionWindow.h"

StopSignalWatcher::StopSignalWatcher(TavrionWindow& window) : m_window(window) {
  const int descriptor = Platform::WatchStopSignals();
  if (descriptor >= 0) {
    m_source = wxEventLoopBase::AddSourceForFD(descriptor, this, wxEVENT_SOURCE_INPUT);
  }
}

StopSignalWatcher::~StopSignalWatcher() {
  // The handlers stay: a request that comes now, with the station already
  // closing down, is noted and the close-down goes on; a second ends it.
  delete m_source;
}

void StopSignalWatcher::OnReadWaiting() {
  if (Platform::TakeStopSignal() != 0) {
    m_window.RequestStop();
  }
}
