#pragma once
// The station's main dialog window on wxWidgets (template 102). It builds the
// controls from the template, implements the controls interface of the dialog
// logic and forwards every control notification to the logic's handler.

#include <wx/dialog.h>

#include <vector>

#include "DialogControls.h"

class CTavrionDlg;
class wxCheckBox;
class wxCommandEvent;
class wxKeyEvent;
class wxTextCtrl;
class wxCloseEvent;
class wxContextMenuEvent;

class TavrionWindow : public wxDialog, public DialogControls {
 public:
  explicit TavrionWindow(wxWindow* parent);
  ~TavrionWindow() override;

  // The logic whose handlers receive the notifications; null detaches it.
  void Attach(CTavrionDlg* logic) { m_logic = logic; }

  // Dialog initialisation (before the window shows, as the platform does it),
  // then the modal run; returns the result given to EndDialog.
  int RunModal();
  // Connect is pressed, as by the operator, once the modal run has begun
  // (unless initialisation left it disabled).
  void PressConnectWhenUp() { m_pressConnect = true; }

  // The about box, modal. Reached from the window's context menu and F1: the
  // desktop offers no system menu to put the about command in.
  void ShowAbout();

  // A request from outside to end the station (a signal): the close box's
  // close-down. A message box or the about box that is up is closed first,
  // as its OK button would, and the close follows once it has gone; no
  // further message box is shown.
  void RequestStop();

  // DialogControls
  void PushValues(const DialogValues& values) override;
  bool TakeValues(DialogValues& values) override;
  void GetControlText(int id, char* text, int size) override;
  void CheckControl(int id, bool checked) override;
  void EnableControl(int id, bool enabled) override;
  void ShowControl(int id, bool shown) override;
  void ShowStatusBitmap(int bitmapId) override;
  void ShowMessageBox(const char* text, const char* caption, int style) override;
  void SetCaption(const char* caption) override;
  int GetSliderPosition(int id) override;
  void SetSliderPosition(int id, int position) override;
  void EndDialog(int result) override;

 private:
  void CreateControls();
  void FocusFirstControl();
  void FocusNextControl(bool forward);
  void PressConnect();
  void BindNotifications();

  // Runs a modal box that RequestStop may close.
  int RunClosableBox(wxDialog& box);
  void DeliverStop();

  void SetLabelText(int id, const char* text);
  void SetEditText(int id, const char* text);
  void SetEditInteger(int id, int value);
  void GetLabelText(int id, char* text, int size);
  bool GetEditInteger(int id, int& value);

  void OnCharHook(wxKeyEvent& event);
  void OnCloseBox(wxCloseEvent& event);
  void OnContextMenu(wxContextMenuEvent& event);
  void OnAddressText(wxCommandEvent& event);
  void OnPortText(wxCommandEvent& event);
  void OnCheckBox(wxCommandEvent& event);
  void OnButton(wxCommandEvent& event);

  CTavrionDlg* m_logic = nullptr;
  bool m_pressConnect = false;
  // Above 0 while a push or take runs: the controls' change notifications are
  // then not forwarded.
  int m_exchangeDepth = 0;
  // A change notification waits to be forwarded; one edit that changes the
  // text in several steps (typing over a selection) reaches the logic once.
  bool m_addressChangePending = false;
  bool m_portChangePending = false;
  // The message and about boxes that are up, innermost last.
  std::vector<wxDialog*> m_openBoxes;
  bool m_stopRequested = false;
  // EndDialog came before the modal run began (a stop during start-up).
  bool m_endedBeforeRun = false;
};
