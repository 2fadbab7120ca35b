#include "TavrionApp.h"

#include <cstdio>
#include <cstdlib>

#include <wx/timer.h>

#include "Clock.h"
#include "ControlServer.h"
#include "HeadlessStation.h"
#include "StationOptions.h"
#include "StopSignalWatcher.h"
#include "StopSignals.h"
#include "TavrionDlg.h"
#include "TavrionWindow.h"
#include "WxMessagePump.h"

wxIMPLEMENT_APP_NO_MAIN(CTavrionApp);

namespace {

// What the command line asked for; read by OnInit.
StationSettings s_settings;
// The program's status when OnInit had to end it (the control socket).
int s_exitStatus = 0;

// Serves the control socket from the window's own thread: while the modal
// dialog waits for Connect and, through the frame loop's pump, while frames
// run. Each pass is bounded and never waits.
class ControlTimer : public wxTimer {
 public:
  explicit ControlTimer(ControlServer& server) : m_server(server) {}
  void Notify() override { m_server.Serve(); }

 private:
  ControlServer& m_server;
};
constexpr int kControlServeMs = 20;

}  // namespace

int main(int argc, char** argv) {
  // Stop requests are the station's own from its first moment: one that
  // comes during the start-up ends it cleanly once the window can act on it.
  Platform::WatchStopSignals();
  // The command line is settled before the toolkit starts, so that help,
  // version and faults need no display.
  const int settled = SettleStationCommand(argc, argv, &s_settings);
  if (settled >= 0) {
    return settled;
  }
  if (s_settings.headless) {
    return RunHeadlessStation(s_settings, Platform::SystemClock());
  }
  // The window draws nothing with OpenGL. Without this the toolkit loads the
  // display's GL driver at start-up only to pick visuals, which on a software
  // renderer (Xvfb, remote desktops) costs some 50 MB of memory. An operator's
  // own setting is kept.
  setenv("GDK_GL", "disable", 0);
  // The toolkit sees no options: they were all the station's.
  int toolkitArgc = 1;
  char* toolkitArgv[] = {argv[0], nullptr};
  return wxEntry(toolkitArgc, toolkitArgv);
}

// The whole run happens here, as the station's start-up does: construct the
// dialog, run it modally, and once it returns (whatever its result) destroy it.
bool CTavrionApp::OnInit() {
  // The base OnInit is not called: main has read the command line.
  // A failed toolkit check is reported on standard error: a modal report
  // would stop the frames until someone answered it.
  wxSetAssertHandler([](const wxString& file, int line, const wxString& function,
                        const wxString& condition, const wxString& message) {
    std::fprintf(stderr, "%s(%d): %s: check failed: %s %s\n",
                 static_cast<const char*>(file.utf8_str()), line,
                 static_cast<const char*>(function.utf8_str()),
                 static_cast<const char*>(condition.utf8_str()),
                 static_cast<const char*>(message.utf8_str()));
  });
  TavrionWindow* window = new TavrionWindow(nullptr);
  SetTopWindow(window);
  WxMessagePump pump;
  {
    CTavrionDlg dialog(*window, pump, Platform::SystemClock(), s_settings);
    ControlServer control(dialog.GetStation(), Platform::SystemClock());
    ControlTimer controlTimer(control);
    if (s_settings.controlPath != nullptr) {
      char error[ControlServer::kErrorSize];
      if (!control.Open(s_settings.controlPath, error, sizeof error)) {
        std::fprintf(stderr, "tavrion: --control: %s\n", error);
        s_exitStatus = 2;
        window->Destroy();
        return true;
      }
      controlTimer.Start(kControlServeMs);
    }
    window->Attach(&dialog);
    if (s_settings.connect) {
      window->PressConnectWhenUp();
    }
    StopSignalWatcher stopSignals(*window);  // SIGTERM, SIGINT, SIGHUP: as the close box
    window->RunModal();
    // The window's destruction: the close-down runs if nothing ran it yet.
    window->Attach(nullptr);
    controlTimer.Stop();
    dialog.OnDestroy();
    control.Close();
  }
  window->Destroy();
  return true;
}

// The dialog has already run and closed in OnInit; the application ends here
// with status 0 instead of entering a message loop.
int CTavrionApp::OnRun() {
  return s_exitStatus;
}
