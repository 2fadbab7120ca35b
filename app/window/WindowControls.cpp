// The window's side of the controls interface: the dialog exchange of the
// value bindings, check marks, the lamp, message boxes, caption and sliders.

#include <wx/checkbox.h>
#include <wx/msgdlg.h>
#include <wx/slider.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

// After wx/msgdlg.h, on which it builds.
#include <wx/generic/msgdlgg.h>

#include "BoxText.h"
#include "Resource.h"
#include "StationResources.h"
#include "StatusBitmapControl.h"
#include "TavrionWindow.h"
#include "TextFunctions.h"
#include "WxText.h"

namespace {

// Value bindings of the dialog exchange that are integer boxes, in binding
// order, and the text labels.
constexpr int kAddressBoxes[] = {IDC_IP1, IDC_IP2, IDC_IP3, IDC_IP4};

// The prompt the dialog exchange shows for a box that holds no integer.
constexpr char kIntegerPrompt[] = "Please enter an integer.";
constexpr char kPromptCaption[] = "Tavrion";

// Holds the controls' change notifications off for one push or take.
class ExchangeGuard {
 public:
  explicit ExchangeGuard(int& depth) : m_depth(depth) { ++m_depth; }
  ~ExchangeGuard() { --m_depth; }
  ExchangeGuard(const ExchangeGuard&) = delete;
  ExchangeGuard& operator=(const ExchangeGuard&) = delete;

 private:
  int& m_depth;
};

}  // namespace

// --- Controls interface ----------------------------------------------------

void TavrionWindow::SetLabelText(int id, const char* text) {
  wxWindow* label = FindWindow(id);
  const wxString value = ToWx(text);
  // Frame steps push 60 times a second; an unchanged label is left alone.
  if (label != nullptr && label->GetLabel() != value) {
    label->SetLabel(value);
  }
}

void TavrionWindow::SetEditText(int id, const char* text) {
  wxTextCtrl* edit = dynamic_cast<wxTextCtrl*>(FindWindow(id));
  const wxString value = ToWx(text);
  // Rewriting an unchanged box would move the operator's caret.
  if (edit != nullptr && edit->GetValue() != value) {
    edit->ChangeValue(value);
  }
}

void TavrionWindow::SetEditInteger(int id, int value) {
  char text[16];
  SafeFormat(text, sizeof text, "%d", value);
  SetEditText(id, text);
}

void TavrionWindow::GetLabelText(int id, char* text, int size) {
  wxWindow* label = FindWindow(id);
  if (label != nullptr) {
    FromWx(label->GetLabel(), text, size);
  }
}

bool TavrionWindow::GetEditInteger(int id, int& value) {
  wxTextCtrl* edit = dynamic_cast<wxTextCtrl*>(FindWindow(id));
  if (edit == nullptr) {
    return true;
  }
  char text[64];
  FromWx(edit->GetValue(), text, sizeof text);
  int parsed = 0;
  if (!ParseBoxInteger(text, parsed)) {
    ShowMessageBox(kIntegerPrompt, kPromptCaption, kMessageBoxExclamation);
    edit->SetFocus();
    edit->SelectAll();
    return false;
  }
  value = parsed;
  return true;
}

void TavrionWindow::PushValues(const DialogValues& values) {
  ExchangeGuard guard(m_exchangeDepth);
  SetLabelText(IDC_FRAME, values.frameText);
  for (int i = 0; i < 4; ++i) {
    SetEditInteger(kAddressBoxes[i], values.ipOctets[i]);
  }
  SetLabelText(IDC_DATUM, values.datumText);
  SetLabelText(IDC_ALTITUDE, values.altitudeText);
  SetLabelText(IDC_MAP_ALTITUDE, values.mapAltitudeText);
  SetLabelText(IDC_AIRPORT, values.airportText);
  SetEditInteger(IDC_PORT, values.portValue);
  SetLabelText(IDC_MESSAGE, values.messageText);
}

bool TavrionWindow::TakeValues(DialogValues& values) {
  ExchangeGuard guard(m_exchangeDepth);
  GetLabelText(IDC_FRAME, values.frameText, DialogValues::kTextSize);
  for (int i = 0; i < 4; ++i) {
    if (!GetEditInteger(kAddressBoxes[i], values.ipOctets[i])) {
      return false;
    }
  }
  GetLabelText(IDC_DATUM, values.datumText, DialogValues::kTextSize);
  GetLabelText(IDC_ALTITUDE, values.altitudeText, DialogValues::kTextSize);
  GetLabelText(IDC_MAP_ALTITUDE, values.mapAltitudeText, DialogValues::kTextSize);
  GetLabelText(IDC_AIRPORT, values.airportText, DialogValues::kTextSize);
  if (!GetEditInteger(IDC_PORT, values.portValue)) {
    return false;
  }
  GetLabelText(IDC_MESSAGE, values.messageText, DialogValues::kMessageSize);
  return true;
}

void TavrionWindow::GetControlText(int id, char* text, int size) {
  wxWindow* control = FindWindow(id);
  wxTextCtrl* edit = dynamic_cast<wxTextCtrl*>(control);
  if (edit != nullptr) {
    FromWx(edit->GetValue(), text, size);
  } else if (control != nullptr) {
    FromWx(control->GetLabel(), text, size);
  } else if (size > 0) {
    text[0] = '\0';
  }
}

void TavrionWindow::CheckControl(int id, bool checked) {
  wxCheckBox* box = dynamic_cast<wxCheckBox*>(FindWindow(id));
  if (box != nullptr) {
    box->SetValue(checked);
  }
}

void TavrionWindow::EnableControl(int id, bool enabled) {
  wxWindow* control = FindWindow(id);
  if (control != nullptr) {
    control->Enable(enabled);
  }
}

void TavrionWindow::ShowControl(int id, bool shown) {
  wxWindow* control = FindWindow(id);
  if (control != nullptr) {
    control->Show(shown);
  }
}

void TavrionWindow::ShowStatusBitmap(int bitmapId) {
  StatusBitmapControl* status = dynamic_cast<StatusBitmapControl*>(FindWindow(IDC_STATUS));
  const wxBitmap bitmap = LoadStatusBitmap(bitmapId);
  if (status != nullptr && bitmap.IsOk()) {
    status->SetBitmap(bitmap);
  }
}

void TavrionWindow::ShowMessageBox(const char* text, const char* caption, int style) {
  if (m_stopRequested) {
    return;  // the station is closing: nobody is asked anything more
  }
  long flags = wxOK | wxCENTRE;
  // The icon bits of the platform's message box styles.
  switch (style & 0xF0) {
    case 0x10:
      flags |= wxICON_ERROR;
      break;
    case 0x20:
      flags |= wxICON_QUESTION;
      break;
    case 0x30:
      flags |= wxICON_EXCLAMATION;
      break;
    case 0x40:
      flags |= wxICON_INFORMATION;
      break;
    default:
      flags |= wxICON_NONE;
  }
  // Drawn by the toolkit rather than the desktop's native message box, whose
  // modal run nothing but its own buttons can end: a request to end the
  // station must be able to close it.
  wxGenericMessageDialog box(this, ToWx(text), ToWx(caption), flags);
  RunClosableBox(box);
}

void TavrionWindow::SetCaption(const char* caption) {
  SetTitle(ToWx(caption));
}

int TavrionWindow::GetSliderPosition(int id) {
  wxSlider* slider = dynamic_cast<wxSlider*>(FindWindow(id));
  return slider != nullptr ? slider->GetValue() : 0;
}

void TavrionWindow::SetSliderPosition(int id, int position) {
  wxSlider* slider = dynamic_cast<wxSlider*>(FindWindow(id));
  if (slider != nullptr) {
    slider->SetValue(position);
  }
}

void TavrionWindow::EndDialog(int result) {
  // Ends the modal run once control is back in its loop; called from inside a
  // handler, the window must not be destroyed here.
  if (IsModal()) {
    EndModal(result);
  } else {
    SetReturnCode(result);
    Hide();
    m_endedBeforeRun = true;
  }
}
