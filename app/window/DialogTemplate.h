#pragma once
// The main dialog's template: every control with its id, kind, text, place and
// size in dialog units, in template order. The window creates its controls
// from this table in this order, so the tab order and the first focus
// (Connect) are the template's.

#include <cstddef>

enum class ControlKind { PushButton, Bitmap, Label, Edit, Slider, CheckBox, GroupBox, SpinButtons };

// Controls without an id of their own (labels and group boxes).
constexpr int kNoControlId = -1;

struct ControlTemplate {
  int id;
  ControlKind kind;
  const char* text;
  int x, y, width, height;  // dialog units
  bool hidden;
  bool disabled;
};

struct DialogTemplate {
  const char* caption;
  int width, height;  // the template's own area, dialog units
  int fontPoints;
  const ControlTemplate* controls;
  std::size_t controlCount;
  // Where the template's point 0,0 lies in the window's client area, and the
  // client area's size: a margin keeps the group boxes off the window's edge
  // and the message line sits below the template's area.
  int originX, originY;
  int clientWidth, clientHeight;
};

// Template 102, the station's main dialog.
const DialogTemplate& MainDialogTemplate();

// Template 100, the about box: the icon, one line and OK.
struct AboutTemplate {
  const char* caption;
  int width, height;
  int iconX, iconY;
  const char* line;
  int lineX, lineY, lineWidth, lineHeight;
  int okX, okY, okWidth, okHeight;
};
const AboutTemplate& AboutBoxTemplate();

// The about command's text in the window's menu (string 101).
const char* AboutMenuText();
