#include "SpinArrows.h"

#include <wx/dcclient.h>
#include <wx/renderer.h>
#include <wx/settings.h>
#include <wx/time.h>

namespace {
constexpr int kFirstRepeatMs = 400;
constexpr int kRepeatMs = 100;

// Step of a held arrow by how long it has been held.
int AcceleratedStep(wxLongLong heldMs) {
  if (heldMs >= 5000) {
    return 20;
  }
  if (heldMs >= 2000) {
    return 5;
  }
  return 1;
}
}  // namespace

SpinArrows::SpinArrows(wxWindow* parent, int id, const wxPoint& position, const wxSize& size)
    // The arrow keys are the control's own, not the dialog's navigation.
    : wxWindow(parent, id, position, size,
               wxBORDER_NONE | wxFULL_REPAINT_ON_RESIZE | wxWANTS_CHARS | wxTAB_TRAVERSAL),
      m_repeat(this) {
  SetBackgroundStyle(wxBG_STYLE_PAINT);
  Bind(wxEVT_PAINT, &SpinArrows::OnPaint, this);
  Bind(wxEVT_LEFT_DOWN, &SpinArrows::OnLeftDown, this);
  Bind(wxEVT_LEFT_DCLICK, &SpinArrows::OnLeftDown, this);
  Bind(wxEVT_LEFT_UP, &SpinArrows::OnLeftUp, this);
  Bind(wxEVT_MOUSE_CAPTURE_LOST, &SpinArrows::OnCaptureLost, this);
  Bind(wxEVT_TIMER, &SpinArrows::OnRepeat, this);
  Bind(wxEVT_KEY_DOWN, &SpinArrows::OnKeyDown, this);
  Bind(wxEVT_SET_FOCUS, &SpinArrows::OnFocusChange, this);
  Bind(wxEVT_KILL_FOCUS, &SpinArrows::OnFocusChange, this);
}

void SpinArrows::OnKeyDown(wxKeyEvent& event) {
  switch (event.GetKeyCode()) {
    case WXK_UP:
    case WXK_NUMPAD_UP:
      if (m_handler) {
        m_handler(-1);
      }
      return;
    case WXK_DOWN:
    case WXK_NUMPAD_DOWN:
      if (m_handler) {
        m_handler(1);
      }
      return;
    default:
      event.Skip();
  }
}

void SpinArrows::OnFocusChange(wxFocusEvent& event) {
  event.Skip();
  Refresh(false);
}

SpinArrows::Arrow SpinArrows::ArrowAt(const wxPoint& point) const {
  const wxSize size = GetClientSize();
  if (point.x < 0 || point.y < 0 || point.x >= size.GetWidth() || point.y >= size.GetHeight()) {
    return Arrow::None;
  }
  return point.y < size.GetHeight() / 2 ? Arrow::Up : Arrow::Down;
}

void SpinArrows::OnPaint(wxPaintEvent&) {
  wxPaintDC dc(this);
  const wxSize size = GetClientSize();
  const int half = size.GetHeight() / 2;
  const wxRect upper(0, 0, size.GetWidth(), half);
  const wxRect lower(0, half, size.GetWidth(), size.GetHeight() - half);
  dc.SetBackground(wxBrush(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE)));
  dc.Clear();
  wxRendererNative& renderer = wxRendererNative::Get();
  const int enabled = IsEnabled() ? 0 : static_cast<int>(wxCONTROL_DISABLED);
  const int pressed = static_cast<int>(wxCONTROL_PRESSED);
  renderer.DrawPushButton(this, dc, upper, enabled | (m_pressed == Arrow::Up ? pressed : 0));
  renderer.DrawPushButton(this, dc, lower, enabled | (m_pressed == Arrow::Down ? pressed : 0));
  // Arrow heads, drawn here so they fit the narrow buttons.
  const wxColour ink =
      wxSystemSettings::GetColour(IsEnabled() ? wxSYS_COLOUR_BTNTEXT : wxSYS_COLOUR_GRAYTEXT);
  dc.SetPen(wxPen(ink));
  dc.SetBrush(wxBrush(ink));
  const int width = size.GetWidth();
  const int head = wxMax(2, wxMin(width / 2 - 1, 4));
  const int cx = width / 2;
  const int upY = half / 2 - head / 2;
  const wxPoint up[] = {{cx, upY}, {cx - head, upY + head}, {cx + head, upY + head}};
  dc.DrawPolygon(3, up);
  const int downY = half + (size.GetHeight() - half) / 2 + head / 2;
  const wxPoint down[] = {{cx, downY}, {cx - head, downY - head}, {cx + head, downY - head}};
  dc.DrawPolygon(3, down);
  if (HasFocus()) {
    renderer.DrawFocusRect(this, dc, wxRect(size).Deflate(1));
  }
}

void SpinArrows::OnLeftDown(wxMouseEvent& event) {
  const Arrow arrow = ArrowAt(event.GetPosition());
  if (arrow == Arrow::None || !IsEnabled()) {
    return;
  }
  m_pressed = arrow;
  m_pressedSince = wxGetLocalTimeMillis();
  if (!HasCapture()) {
    CaptureMouse();
  }
  Refresh(false);
  Report();
  // The handler may have ended the press (a message box takes the mouse).
  if (m_pressed != Arrow::None) {
    m_repeat.StartOnce(kFirstRepeatMs);
  }
}

void SpinArrows::OnLeftUp(wxMouseEvent&) {
  Release();
}

void SpinArrows::OnCaptureLost(wxMouseCaptureLostEvent&) {
  m_pressed = Arrow::None;
  m_repeat.Stop();
  Refresh(false);
}

void SpinArrows::Release() {
  m_repeat.Stop();
  if (HasCapture()) {
    ReleaseMouse();
  }
  if (m_pressed != Arrow::None) {
    m_pressed = Arrow::None;
    Refresh(false);
  }
}

void SpinArrows::OnRepeat(wxTimerEvent&) {
  if (m_pressed == Arrow::None) {
    return;
  }
  // Repeats only while the pointer is still over the arrow that was pressed.
  if (ArrowAt(ScreenToClient(wxGetMousePosition())) == m_pressed) {
    Report();
  }
  if (m_pressed != Arrow::None) {
    m_repeat.StartOnce(kRepeatMs);
  }
}

void SpinArrows::Report() {
  const int step = AcceleratedStep(wxGetLocalTimeMillis() - m_pressedSince);
  const int change = m_pressed == Arrow::Up ? -step : step;
  if (m_handler) {
    m_handler(change);
  }
}
