#pragma once
// The about box (template 100): the station's icon, its version line and OK.

#include <wx/dialog.h>

class CAboutDlg : public wxDialog {
 public:
  explicit CAboutDlg(wxWindow* parent);
};
