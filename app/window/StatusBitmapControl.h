#pragma once
// The link indication (control 1006): a bitmap in a sunken frame. The control
// takes the size of its bitmap plus the frame, as a bitmap picture control
// does, whatever size the template gave it.

#include <wx/bitmap.h>
#include <wx/window.h>

class StatusBitmapControl : public wxWindow {
 public:
  StatusBitmapControl(wxWindow* parent, int id, const wxPoint& position, const wxBitmap& bitmap);

  void SetBitmap(const wxBitmap& bitmap);
  const wxBitmap& GetBitmap() const { return m_bitmap; }

  bool AcceptsFocus() const override { return false; }

 private:
  void OnPaint(wxPaintEvent& event);

  wxBitmap m_bitmap;
};
