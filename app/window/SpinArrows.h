#pragma once
// Spin buttons without a buddy (control 1048): an upper and a lower arrow in
// the template's rectangle. Each press reports the position change it is about
// to make through the handler, as the platform's up-down control does under
// its default range: -1 for the upper arrow, +1 for the lower one. Held down,
// the arrow repeats and speeds up (steps of 1, then 5 after 2 s, then 20 after
// 5 s). It is a tab stop: with the focus, the up and down arrow keys press the
// upper and lower arrow once per key press (and per key repeat). There is no
// position or range of its own: the handler decides.

#include <wx/datetime.h>
#include <wx/timer.h>
#include <wx/window.h>

#include <functional>

class SpinArrows : public wxWindow {
 public:
  using ChangeHandler = std::function<void(int positionChange)>;

  SpinArrows(wxWindow* parent, int id, const wxPoint& position, const wxSize& size);

  void SetChangeHandler(ChangeHandler handler) { m_handler = std::move(handler); }

  bool AcceptsFocus() const override { return IsShown() && IsEnabled(); }

 private:
  enum class Arrow { None, Up, Down };

  void OnPaint(wxPaintEvent& event);
  void OnLeftDown(wxMouseEvent& event);
  void OnLeftUp(wxMouseEvent& event);
  void OnCaptureLost(wxMouseCaptureLostEvent& event);
  void OnRepeat(wxTimerEvent& event);
  void OnKeyDown(wxKeyEvent& event);
  void OnFocusChange(wxFocusEvent& event);
  void Release();
  void Report();
  Arrow ArrowAt(const wxPoint& point) const;

  ChangeHandler m_handler;
  Arrow m_pressed = Arrow::None;
  wxTimer m_repeat;
  wxLongLong m_pressedSince;
};
