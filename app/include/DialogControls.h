#pragma once
// The controls of the main dialog as the dialog logic sees them. The window
// implements this with the toolkit; tests implement it with a recording fake.
// Control and bitmap ids are those of Resource.h; the message box styles
// are the station's (kMessageBoxOk, kMessageBoxExclamation).

#include "StationObserver.h"

// The dialog's value bindings, in binding order. The check boxes, the two
// sliders and the status bitmap are bound as controls, not as values: they are
// reached by id (CheckControl, GetSliderPosition, ShowStatusBitmap) and a push
// or take leaves them alone, so a check box that the operator clicked keeps
// its own mark until the logic sets it.
struct DialogValues {
  static constexpr int kTextSize = 64;
  static constexpr int kMessageSize = 256;

  char frameText[kTextSize];        // 1034, frame counter
  int ipOctets[4];                  // 1036 to 1039, destination address, integers
  char datumText[kTextSize];        // 1044, datum offset
  char altitudeText[kTextSize];     // 1045, altitude sent
  char mapAltitudeText[kTextSize];  // 1046, map view altitude
  char airportText[kTextSize];      // 1049, airport identifier
  int portValue;                    // 1040, local port, integer
  char messageText[kMessageSize];   // 1051, the station's line to the operator
};

class DialogControls {
 public:
  virtual ~DialogControls() = default;

  // Writes every value binding to its control. The controls' change
  // notifications are not forwarded while this runs, so a push never reaches
  // the address or port handlers.
  virtual void PushValues(const DialogValues& values) = 0;
  // Reads every value binding back, in binding order, notifications held off
  // as in PushValues. An integer box (1036 to 1039, 1040) that does not hold
  // an integer stops the reading there: the window prompts the operator for an
  // integer, the fields before that box hold their new values, that box and
  // the ones after it keep what `values` held, and the result is false.
  virtual bool TakeValues(DialogValues& values) = 0;

  // The text a box or label shows as it stands, without the exchange: what
  // the operator typed, whether or not it is a number. Cut to size - 1
  // characters and terminated; empty for an unknown id.
  virtual void GetControlText(int id, char* text, int size) = 0;

  // Sets or clears the check mark of a check box.
  virtual void CheckControl(int id, bool checked) = 0;
  virtual void EnableControl(int id, bool enabled) = 0;
  virtual void ShowControl(int id, bool shown) = 0;
  // Shows one of the status bitmaps (IDB_GREY, IDB_ORANGE, IDB_GREEN, IDB_RED)
  // in the status control IDC_STATUS.
  virtual void ShowStatusBitmap(int bitmapId) = 0;

  // Modal message box with an OK button; returns when the operator closed it.
  virtual void ShowMessageBox(const char* text, const char* caption, int style) = 0;
  virtual void SetCaption(const char* caption) = 0;

  // Sliders run from 0 to 100.
  virtual int GetSliderPosition(int id) = 0;
  virtual void SetSliderPosition(int id, int position) = 0;

  // Ends the modal dialog with the result (IDCANCEL_RESULT). The
  // logic calls it only once its frame loop has returned and the station is
  // shut down. It may arrive from inside a control handler (Connect), so the
  // window only ends its modal run here; it is destroyed after that returns.
  virtual void EndDialog(int result) = 0;
};
