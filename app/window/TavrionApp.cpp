#include "TavrionApp.h"

#include "Clock.h"
#include "TavrionDlg.h"
#include "TavrionWindow.h"
#include "WxMessagePump.h"

wxIMPLEMENT_APP(CTavrionApp);

// The whole run happens here, as the station's start-up does: construct the
// dialog, run it modally, and once it returns (whatever its result) destroy it.
bool CTavrionApp::OnInit() {
  // The base OnInit is not called: the station takes no command-line options.
  TavrionWindow* window = new TavrionWindow(nullptr);
  SetTopWindow(window);
  WxMessagePump pump;
  {
    CTavrionDlg dialog(*window, pump, Platform::SystemClock());
    window->Attach(&dialog);
    window->RunModal();
    // The window's destruction: the close-down runs if nothing ran it yet.
    window->Attach(nullptr);
    dialog.OnDestroy();
  }
  window->Destroy();
  return true;
}

// The dialog has already run and closed in OnInit; the application ends here
// with status 0 instead of entering a message loop.
int CTavrionApp::OnRun() {
  return 0;
}

// The toolkit's libraries keep caches and singletons for the life of the
// process; a leak check of a sanitizer build reports only the station's own.
extern "C" __attribute__((visibility("default"), used)) const char* __lsan_default_suppressions() {
  return "leak:libgtk-3.so\n"
         "leak:libgdk-3.so\n"
         "leak:libgdk_pixbuf-2.0.so\n"
         "leak:libglib-2.0.so\n"
         "leak:libgobject-2.0.so\n"
         "leak:libgio-2.0.so\n"
         "leak:libfontconfig.so\n"
         "leak:libpango-1.0.so\n"
         "leak:libpangoft2-1.0.so\n"
         "leak:libpangocairo-1.0.so\n"
         "leak:libcairo.so\n"
         "leak:libharfbuzz.so\n"
         "leak:libatk-1.0.so\n"
         "leak:libatk-bridge-2.0.so\n"
         "leak:libX11.so\n"
         "leak:libwx_gtk3u_core-3.2.so\n"
         "leak:libwx_baseu-3.2.so\n";
}
