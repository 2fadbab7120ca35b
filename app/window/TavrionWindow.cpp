#include "TavrionWindow.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/menu.h>
#include <wx/msgdlg.h>
#include <wx/settings.h>
#include <wx/slider.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

// After wx/msgdlg.h, on which it builds.
#include <wx/generic/msgdlgg.h>

#include <vector>

#include "AboutDlg.h"
#include "BoxText.h"
#include "CompactControls.h"
#include "DialogTemplate.h"
#include "Resource.h"
#include "SpinArrows.h"
#include "StationResources.h"
#include "StatusBitmapControl.h"
#include "TavrionDlg.h"
#include "TextFunctions.h"
#include "WxText.h"

TavrionWindow::TavrionWindow(wxWindow* parent) {
  const DialogTemplate& dialog = MainDialogTemplate();
  Create(parent, wxID_ANY, ToWx(dialog.caption), wxDefaultPosition, wxDefaultSize,
         wxCAPTION | wxSYSTEM_MENU | wxMINIMIZE_BOX | wxCLOSE_BOX);
  // Dialog units are measured on the template's font: the desktop's own GUI
  // font at the template's size.
  wxFont font = wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT);
  font.SetPointSize(dialog.fontPoints);
  SetFont(font);
  SetClientSize(ConvertDialogToPixels(wxSize(dialog.clientWidth, dialog.clientHeight)));
  SetIcons(LoadAppIcons());
  CreateControls();
  BindNotifications();
  Centre();
}

TavrionWindow::~TavrionWindow() = default;

void TavrionWindow::CreateControls() {
  const DialogTemplate& dialog = MainDialogTemplate();
  for (std::size_t i = 0; i < dialog.controlCount; ++i) {
    const ControlTemplate& control = dialog.controls[i];
    const int id = control.id == kNoControlId ? wxID_ANY : control.id;
    const wxPoint place =
        ConvertDialogToPixels(wxPoint(control.x + dialog.originX, control.y + dialog.originY));
    const wxSize size = ConvertDialogToPixels(wxSize(control.width, control.height));
    const wxString text = ToWx(control.text);
    wxWindow* made = nullptr;
    switch (control.kind) {
      case ControlKind::PushButton:
        made = new wxButton(this, id, text, place, size);
        break;
      case ControlKind::Bitmap:
        made = new StatusBitmapControl(this, id, place, LoadStatusBitmap(IDB_GREY));
        break;
      case ControlKind::Label:
        made = new wxStaticText(this, id, text, place, size, wxST_NO_AUTORESIZE | wxALIGN_LEFT);
        break;
      case ControlKind::Edit:
        made = new CompactTextCtrl(this, id, place, size);
        break;
      case ControlKind::Slider:
        made = new CompactSlider(this, id, place, size);
        break;
      case ControlKind::CheckBox:
        made = new CompactCheckBox(this, id, text, place, size);
        break;
      case ControlKind::GroupBox:
        made = new wxStaticBox(this, id, text, place, size);
        break;
      case ControlKind::SpinButtons:
        made = new SpinArrows(this, id, place, size);
        break;
    }
    made->SetFont(GetFont());
    if (control.disabled) {
      made->Disable();
    }
    if (control.hidden) {
      made->Hide();
    }
  }
}

void TavrionWindow::BindNotifications() {
  Bind(wxEVT_CHAR_HOOK, &TavrionWindow::OnCharHook, this);
  Bind(wxEVT_CLOSE_WINDOW, &TavrionWindow::OnCloseBox, this);
  Bind(wxEVT_CONTEXT_MENU, &TavrionWindow::OnContextMenu, this);
  Bind(wxEVT_TEXT, &TavrionWindow::OnAddressText, this, IDC_IP1, IDC_IP4);
  Bind(wxEVT_TEXT, &TavrionWindow::OnPortText, this, IDC_PORT);
  Bind(wxEVT_CHECKBOX, &TavrionWindow::OnCheckBox, this);
  Bind(wxEVT_BUTTON, &TavrionWindow::OnButton, this);

  // The sliders report when the mouse lets go of them, after the slider has
  // taken its final position.
  FindWindow(IDC_MAP_SLIDER)->Bind(wxEVT_LEFT_UP, [this](wxMouseEvent& event) {
    event.Skip();
    CallAfter([this] {
      if (m_logic != nullptr) {
        m_logic->OnMapSliderReleased();
      }
    });
  });
  FindWindow(IDC_DATUM_SLIDER)->Bind(wxEVT_LEFT_UP, [this](wxMouseEvent& event) {
    event.Skip();
    CallAfter([this] {
      if (m_logic != nullptr) {
        m_logic->OnDatumSliderReleased();
      }
    });
  });
  static_cast<SpinArrows*>(FindWindow(IDC_DATUM_SPIN))->SetChangeHandler([this](int change) {
    if (m_logic != nullptr) {
      m_logic->OnDatumSpin(change);
    }
  });
}

int TavrionWindow::RunModal() {
  if (m_logic != nullptr) {
    m_logic->OnInitDialog();
  }
  // The platform's dialog puts the focus on the first control of the
  // template that takes it (Connect); the toolkit would leave it to the
  // window manager.
  Bind(wxEVT_INIT_DIALOG, [this](wxInitDialogEvent& event) {
    event.Skip();
    FocusFirstControl();
    if (m_pressConnect) {
      // Queued: the press arrives from the modal run's own event handling.
      CallAfter(&TavrionWindow::PressConnect);
    }
  });
  if (m_endedBeforeRun) {
    return GetReturnCode();  // stopped while start-up's message boxes were up
  }
  return ShowModal();
}

void TavrionWindow::PressConnect() {
  wxWindow* connect = FindWindow(IDC_CONNECT);
  if (connect == nullptr || !connect->IsEnabled()) {
    return;
  }
  wxCommandEvent press(wxEVT_BUTTON, IDC_CONNECT);
  press.SetEventObject(connect);
  connect->GetEventHandler()->ProcessEvent(press);
}

// Tab follows the template's order, as the platform's dialogs do. The
// desktop's own navigation would sometimes follow the controls' places on
// the screen instead, skipping the spin buttons.
void TavrionWindow::FocusNextControl(bool forward) {
  const wxWindowList& children = GetChildren();
  const std::vector<wxWindow*> order(children.begin(), children.end());
  const int count = static_cast<int>(order.size());
  int at = -1;
  for (int i = 0; i < count; ++i) {
    if (order[i] == FindFocus()) {
      at = i;
    }
  }
  for (int step = 1; step <= count; ++step) {
    const int next = ((at + (forward ? step : -step)) % count + count) % count;
    if (order[next]->IsShown() && order[next]->IsEnabled() &&
        order[next]->CanAcceptFocusFromKeyboard()) {
      order[next]->SetFocus();
      return;
    }
  }
}

void TavrionWindow::FocusFirstControl() {
  for (wxWindow* child : GetChildren()) {
    if (child->IsShown() && child->IsEnabled() && child->CanAcceptFocusFromKeyboard()) {
      child->SetFocus();
      return;
    }
  }
}

void TavrionWindow::ShowAbout() {
  if (m_stopRequested) {
    return;
  }
  CAboutDlg about(this);
  RunClosableBox(about);
}

void TavrionWindow::RequestStop() {
  if (m_stopRequested) {
    return;
  }
  m_stopRequested = true;
  if (!m_openBoxes.empty()) {
    m_openBoxes.back()->EndModal(wxID_OK);  // RunClosableBox carries on from there
    return;
  }
  DeliverStop();
}

int TavrionWindow::RunClosableBox(wxDialog& box) {
  m_openBoxes.push_back(&box);
  const int result = box.ShowModal();
  m_openBoxes.pop_back();
  if (m_stopRequested) {
    if (!m_openBoxes.empty()) {
      m_openBoxes.back()->EndModal(wxID_OK);
    } else {
      // Once the handler that showed the box has returned to the loop.
      CallAfter([this] { DeliverStop(); });
    }
  }
  return result;
}

void TavrionWindow::DeliverStop() {
  if (m_logic != nullptr) {
    m_logic->OnClose();
  } else {
    EndDialog(IDCANCEL_RESULT);
  }
}

// --- Notifications ---------------------------------------------------------

void TavrionWindow::OnCharHook(wxKeyEvent& event) {
  switch (event.GetKeyCode()) {
    case WXK_ESCAPE:
      if (m_logic != nullptr) {
        m_logic->OnCancel();
      }
      return;
    case WXK_RETURN:
    case WXK_NUMPAD_ENTER:
      // A push button with the focus takes Enter as its own press; anywhere
      // else Enter goes no further than the logic, which keeps the station
      // running.
      if (dynamic_cast<wxButton*>(FindFocus()) != nullptr) {
        event.Skip();
        return;
      }
      if (m_logic != nullptr) {
        m_logic->OnOK();
      }
      return;
    case WXK_TAB:
      FocusNextControl(!event.ShiftDown());
      return;
    case WXK_F1:
      ShowAbout();
      return;
    default:
      event.Skip();
  }
}

void TavrionWindow::OnCloseBox(wxCloseEvent& event) {
  if (m_logic == nullptr) {
    event.Skip();
    return;
  }
  // The logic ends the dialog itself once the station is down.
  m_logic->OnClose();
}

void TavrionWindow::OnContextMenu(wxContextMenuEvent&) {
  constexpr int kAboutCommand = IDM_ABOUTBOX;
  wxMenu menu;
  menu.Append(kAboutCommand, ToWx(AboutMenuText()));
  if (GetPopupMenuSelectionFromUser(menu) == kAboutCommand) {
    ShowAbout();
  }
}

void TavrionWindow::OnAddressText(wxCommandEvent&) {
  if (m_exchangeDepth > 0 || m_addressChangePending) {
    return;
  }
  m_addressChangePending = true;
  CallAfter([this] {
    m_addressChangePending = false;
    if (m_logic != nullptr) {
      m_logic->OnAddressChanged();
    }
  });
}

void TavrionWindow::OnPortText(wxCommandEvent&) {
  if (m_exchangeDepth > 0 || m_portChangePending) {
    return;
  }
  m_portChangePending = true;
  CallAfter([this] {
    m_portChangePending = false;
    if (m_logic != nullptr) {
      m_logic->OnPortChanged();
    }
  });
}

void TavrionWindow::OnCheckBox(wxCommandEvent& event) {
  if (m_logic == nullptr) {
    return;
  }
  switch (event.GetId()) {
    case IDC_SLEW:
      m_logic->OnSlew();
      break;
    case IDC_AGL:
      m_logic->OnAgl();
      break;
    default:
      m_logic->OnViewBox(event.GetId());
      break;
  }
}

void TavrionWindow::OnButton(wxCommandEvent& event) {
  if (m_logic == nullptr) {
    return;
  }
  switch (event.GetId()) {
    case IDC_CONNECT:
      m_logic->OnConnect();
      break;
    case IDC_SAVE:
      m_logic->OnSave();
      break;
    default:
      event.Skip();
  }
}
