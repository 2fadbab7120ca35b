#pragma once
// The station's main dialog, without its window: start-up, Connect, the
// control handlers, the frame step with its camera and ViewSync datagram, and
// the close-down. It reaches its controls only through DialogControls; the
// window forwards every control notification to the public handler named for
// it below and calls nothing else.

#include "DialogControls.h"
#include "Resource.h"

namespace Platform {
class Clock;
class MessagePump;
}  // namespace Platform

// Where the station attaches and what it sends from and to. The defaults are
// the station's own; tests give their own segment, ports and folder.
struct StationSettings {
  const char* segmentName = "VisualInterface";
  int localPort = 7000;
  int remotePort = 7001;
  // Folder of "Offsets.dat"; empty means the process's working folder.
  const char* workingFolder = "";
  int frameRate = 60;
};

class CTavrionDlg {
 public:
  // `pump` is the window's message pump, run by the frame loop between frames;
  // `clock` paces the frames and times the close-down wait.
  CTavrionDlg(DialogControls& controls, Platform::MessagePump& pump, Platform::Clock& clock,
              const StationSettings& settings = StationSettings());
  ~CTavrionDlg();
  CTavrionDlg(const CTavrionDlg&) = delete;
  CTavrionDlg& operator=(const CTavrionDlg&) = delete;

  // --- Window entry points -------------------------------------------------
  // Dialog initialisation, once the controls exist: runs Initialise. True.
  bool OnInitDialog();
  // Button 1001. The first press brings up the LAN interface and runs the
  // frame loop, which does not return until the station closes: every later
  // notification arrives nested inside this call.
  void OnConnect();
  // Enter, Escape and the close box (system close command) all end the
  // station. Inside the running frame loop they stop it and return; once the
  // loop has returned the station shuts down and then calls
  // DialogControls::EndDialog. Outside it they shut down and end at once.
  void OnOK();
  void OnCancel();
  void OnClose();
  // The window is being destroyed: shuts down if that has not happened yet.
  void OnDestroy();

  // --- Control notifications -----------------------------------------------
  void OnAddressChanged();   // 1036 to 1039, text changed
  void OnPortChanged();      // 1040, text changed
  void OnForwardView();      // 1003 clicked
  void OnFwdL();             // 1005 clicked
  void OnFwdR();             // 1007 clicked
  void OnMapView();          // 1000 clicked
  void OnRightWindowView();  // 1004 clicked
  void OnLeftWindowView();   // 1002 clicked
  void OnSlew();             // 1009 clicked
  void OnAgl();              // 1047 clicked
  // 1042, mouse capture released. Returns 0 (handled).
  int OnMapSliderReleased();
  // 1043, mouse capture released.
  void OnDatumSliderReleased();
  // 1048, position about to change by `positionChange` (-1 for the upper
  // arrow, +1 for the lower one). Returns 0 (change allowed).
  int OnDatumSpin(int positionChange);
  void OnSave();  // 1008 clicked

  // --- Frame loop ----------------------------------------------------------
  // One cycle of the frame loop.
  void FrameStep();
};
