#pragma once
// A horizontal slider that fits the template's height. The desktop theme pads
// its sliders for touch-sized rows; the template gives 13 dialog units, in
// which the theme's slider would leave no room to draw its trough.

#include <wx/slider.h>

class CompactSlider : public wxSlider {
 public:
  CompactSlider(wxWindow* parent, int id, const wxPoint& position, const wxSize& size);
};
