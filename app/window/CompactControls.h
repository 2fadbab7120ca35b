#pragma once
// Controls that fit the template's sizes. The desktop theme pads sliders,
// check boxes and edit boxes for touch-sized rows; the template gives a slider
// 13 and a check box 10 dialog units of height and an address box 17 units of
// width, in which the theme's controls would have no room for their contents.

#include <wx/checkbox.h>
#include <wx/slider.h>
#include <wx/textctrl.h>

class CompactSlider : public wxSlider {
 public:
  // Horizontal, 0 to 100, no tick marks.
  CompactSlider(wxWindow* parent, int id, const wxPoint& position, const wxSize& size);
};

class CompactCheckBox : public wxCheckBox {
 public:
  CompactCheckBox(wxWindow* parent, int id, const wxString& text, const wxPoint& position,
                  const wxSize& size);
};

// A one-line edit box with a border that scrolls sideways while typed into.
class CompactTextCtrl : public wxTextCtrl {
 public:
  CompactTextCtrl(wxWindow* parent, int id, const wxPoint& position, const wxSize& size);
};
