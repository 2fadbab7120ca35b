#include "CompactControls.h"

CompactSlider::CompactSlider(wxWindow* parent, int id, const wxPoint& position, const wxSize& size)
    : wxSlider(parent, id, 0, 0, 100, position, size, wxSL_HORIZONTAL) {
#ifdef __WXGTK3__
  GTKApplyCssStyle(
      "scale { padding: 0px 4px; margin: 0px; min-height: 0px; }"
      "scale contents { margin: 0px; }"
      "scale trough { margin: 0px; min-height: 4px; }"
      "scale slider { min-width: 10px; min-height: 14px; margin: -5px 0px; border-radius: 2px; }");
#endif
}

CompactCheckBox::CompactCheckBox(wxWindow* parent, int id, const wxString& text,
                                 const wxPoint& position, const wxSize& size)
    : wxCheckBox(parent, id, text, position, size) {
#ifdef __WXGTK3__
  GTKApplyCssStyle(
      "checkbutton { padding: 0px; margin: 0px; min-height: 0px; }"
      "checkbutton check { min-width: 12px; min-height: 12px; margin: 0px 4px 0px 0px; }");
#endif
}

CompactTextCtrl::CompactTextCtrl(wxWindow* parent, int id, const wxPoint& position,
                                 const wxSize& size)
    : wxTextCtrl(parent, id, wxString(), position, size, wxBORDER_SUNKEN) {
#ifdef __WXGTK3__
  GTKApplyCssStyle("entry { padding: 0px 3px; min-height: 0px; min-width: 0px; }");
#endif
}
