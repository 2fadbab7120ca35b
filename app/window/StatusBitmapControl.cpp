#include "StatusBitmapControl.h"

#include <wx/dcclient.h>
#include <wx/pen.h>

namespace {
constexpr int kFrame = 1;  // width of the sunken edge, pixels
}

StatusBitmapControl::StatusBitmapControl(wxWindow* parent, int id, const wxPoint& position,
                                         const wxBitmap& bitmap)
    : wxWindow(parent, id, position,
               wxSize(bitmap.GetWidth() + 2 * kFrame, bitmap.GetHeight() + 2 * kFrame),
               wxBORDER_NONE | wxFULL_REPAINT_ON_RESIZE),
      m_bitmap(bitmap) {
  SetBackgroundStyle(wxBG_STYLE_PAINT);
  Bind(wxEVT_PAINT, &StatusBitmapControl::OnPaint, this);
}

void StatusBitmapControl::SetBitmap(const wxBitmap& bitmap) {
  m_bitmap = bitmap;
  Refresh(false);
}

void StatusBitmapControl::OnPaint(wxPaintEvent&) {
  wxPaintDC dc(this);
  const wxSize size = GetClientSize();
  if (m_bitmap.IsOk()) {
    dc.DrawBitmap(m_bitmap, kFrame, kFrame, false);
  }
  // Half-sunken edge: shadow above and left, light below and right.
  const int right = size.GetWidth() - 1;
  const int bottom = size.GetHeight() - 1;
  dc.SetPen(wxPen(wxColour(128, 128, 128)));
  dc.DrawLine(0, 0, right, 0);
  dc.DrawLine(0, 0, 0, bottom);
  dc.SetPen(wxPen(wxColour(255, 255, 255)));
  dc.DrawLine(0, bottom, right + 1, bottom);
  dc.DrawLine(right, 0, right, bottom);
}
