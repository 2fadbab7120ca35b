#pragma once
// The station's main dialog without its window: one face of the Station. It
// keeps what is the window's own (the four address boxes and their reading,
// the port box, the check boxes, the sliders and their formulas, the spin
// buttons, the lamp's bitmaps, the caption and the message boxes), turns
// every control notification into a Station operation and shows what the
// station reports. It reaches its controls only through DialogControls; the
// window forwards every control notification to the public handler named for
// it below.
//
// Everything runs on the window's thread. After the first Connect the frame
// loop's Run pumps the window's messages itself, so every later handler runs
// nested inside OnConnect. Escape and the close box, arriving there, end the
// station; once it has shut down the dialog calls DialogControls::EndDialog.
// Enter never ends the station: an operator confirming a typed address must
// not switch the visuals off.

#include <cstdint>

#include "DialogControls.h"
#include "Resource.h"
#include "Station.h"
#include "StationObserver.h"
#include "StationSettings.h"

namespace Platform {
class Clock;
class MessagePump;
}  // namespace Platform

static_assert(MessageLine::kTextSize == DialogValues::kMessageSize,
              "the window's message line holds what the station's says");

class CTavrionDlg : public StationObserver {
 public:
  static constexpr int kNameSize = 1024;
  // Caption of the message box that tells that Save could not write the file.
  static constexpr const char* kSaveFailureCaption = "CTavrionDlg::OnSave";
  // Caption of the message box that refuses an address box at Connect.
  static constexpr const char* kAddressFailureCaption = "CTavrionDlg::OnConnect";
  static constexpr const char* kCounterStartedOverText = Station::kCounterStartedOverText;
  static constexpr int kNoAirport = AirportTrims::kNoAirport;

  // `pump` is the window's message pump, run by the frame loop between frames;
  // `clock` paces the frames. Both must outlive the dialog.
  CTavrionDlg(DialogControls& controls, Platform::MessagePump& pump, Platform::Clock& clock,
              const StationSettings& settings = StationSettings());
  ~CTavrionDlg() override;
  CTavrionDlg(const CTavrionDlg&) = delete;
  CTavrionDlg& operator=(const CTavrionDlg&) = delete;

  // The station this dialog is a face of (another face, such as the control
  // socket, may command it too).
  Station& GetStation() { return m_station; }
  const Station& GetStation() const { return m_station; }

  // --- Window entry points -------------------------------------------------
  // Dialog initialisation, once the controls exist: the starting figures and
  // boxes, then the station's start-up. True. A close that arrives meanwhile
  // (from a message box) is carried out once the start-up has returned.
  bool OnInitDialog();
  // Button 1001. While the address boxes can still be edited, each must hold
  // a number from 0 to 255, or the press is refused with a message box that
  // names the box. The first accepted press runs the station's frame loop,
  // which does not return until the station closes: every later
  // notification arrives nested inside this call. Later presses pause and
  // resume the frame steps.
  void OnConnect();
  // Enter on anything but a push button: the station goes on as it was.
  void OnOK();
  // Escape and the close box end the station (see above).
  void OnCancel();
  void OnClose();
  // The window is being destroyed: shuts down if that has not happened yet.
  void OnDestroy();

  // --- Control notifications -----------------------------------------------
  void OnAddressChanged();  // 1036 to 1039, text changed
  void OnPortChanged();     // 1040, text changed
  // A view's check box clicked (1003, 1005, 1007, 1000, 1004, 1002).
  void OnViewBox(int id);
  void OnSlew();  // 1009 clicked
  void OnAgl();   // 1047 clicked
  // 1042, mouse capture released. Returns 0 (handled).
  int OnMapSliderReleased();
  // 1043, mouse capture released.
  void OnDatumSliderReleased();
  // 1048, position about to change by `positionChange` (-1 for the upper
  // arrow, +1 for the lower one). Returns 0 (change allowed).
  int OnDatumSpin(int positionChange);
  // 1008 clicked. Success is told on the window's message line, a failure in
  // a message box with the reason; false when the file could not be written.
  bool OnSave();

  // Takes the four boxes into the destination when each holds 0 to 255;
  // otherwise the destination stays as it was and the result is false.
  bool ReadDestinationAddress();

  const DialogValues& GetValues() const { return m_values; }

  // StationObserver: what the station reports, shown.
  void OnStationEvent(const StationEvent& event) override;

 private:
  void ShowStartingFigures();
  void ShowDestination();
  void ShowFigures();
  void ShowLamp();
  void ShowViewChecks();
  void SetCaption();
  // Connect while the address can be edited: every box 0 to 255.
  bool CheckDestinationBoxes();
  void Push();
  bool Take();

  DialogControls& m_controls;
  DialogValues m_values;
  Station m_station;
};
