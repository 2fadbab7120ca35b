#include "AboutDlg.h"

#include <wx/button.h>
#include <wx/settings.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

#include "DialogTemplate.h"
#include "StationResources.h"
#include "WxText.h"

CAboutDlg::CAboutDlg(wxWindow* parent) {
  const AboutTemplate& about = AboutBoxTemplate();
  Create(parent, wxID_ANY, ToWx(about.caption), wxDefaultPosition, wxDefaultSize,
         wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX);
  wxFont font = wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT);
  font.SetPointSize(MainDialogTemplate().fontPoints);
  SetFont(font);
  SetClientSize(ConvertDialogToPixels(wxSize(about.width, about.height)));

  // The OK button first, so that it has the focus and takes Enter.
  wxButton* ok =
      new wxButton(this, wxID_OK, "OK", ConvertDialogToPixels(wxPoint(about.okX, about.okY)),
                   ConvertDialogToPixels(wxSize(about.okWidth, about.okHeight)));
  ok->SetFont(font);
  ok->SetDefault();
  new wxStaticBitmap(this, wxID_ANY, wxBitmap(LoadAppIcon()),
                     ConvertDialogToPixels(wxPoint(about.iconX, about.iconY)));
  wxStaticText* line = new wxStaticText(
      this, wxID_ANY, ToWx(about.line), ConvertDialogToPixels(wxPoint(about.lineX, about.lineY)),
      ConvertDialogToPixels(wxSize(about.lineWidth, about.lineHeight)), wxST_NO_AUTORESIZE);
  line->SetFont(font);
  SetEscapeId(wxID_OK);
  CentreOnParent();
}
