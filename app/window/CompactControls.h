#pragma once
// Controls that fit the template's sizes. The desktop theme pads sliders and
// check boxes for touch-sized rows; the template gives a slider 13 and a check
// box 10 dialog units of height, in which the theme's controls would have no
// room to draw themselves.

#include <wx/checkbox.h>
#include <wx/slider.h>

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
