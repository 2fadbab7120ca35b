#pragma once
// The main dialog's controls without a window: it keeps what each control
// would show and records everything the dialog logic does to them. A test
// "types" into a box by changing what it shows and then calls the handler.

#include <algorithm>
#include <functional>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "DialogControls.h"

class FakeControls : public DialogControls {
 public:
  struct MessageBox {
    std::string text;
    std::string caption;
    int style;
  };

  FakeControls() : shown{} {}

  void PushValues(const DialogValues& values) override {
    ++pushes;
    shown = values;
  }

  bool TakeValues(DialogValues& values) override {
    ++takes;
    // Binding order: frame, the four octets, the four texts, the port.
    std::copy(std::begin(shown.frameText), std::end(shown.frameText), values.frameText);
    for (int i = 0; i < 4; ++i) {
      if (notInteger == 1036 + i) return false;
      values.ipOctets[i] = shown.ipOctets[i];
    }
    std::copy(std::begin(shown.datumText), std::end(shown.datumText), values.datumText);
    std::copy(std::begin(shown.altitudeText), std::end(shown.altitudeText), values.altitudeText);
    std::copy(std::begin(shown.mapAltitudeText), std::end(shown.mapAltitudeText),
              values.mapAltitudeText);
    std::copy(std::begin(shown.airportText), std::end(shown.airportText), values.airportText);
    if (notInteger == 1040) return false;
    values.portValue = shown.portValue;
    return true;
  }

  // What a box shows: the text typed into it with TypeText, else its value.
  void GetControlText(int id, char* text, int size) override {
    std::string value;
    auto typed = texts.find(id);
    if (typed != texts.end()) {
      value = typed->second;
    } else if (id >= 1036 && id <= 1039) {
      value = std::to_string(shown.ipOctets[id - 1036]);
    } else if (id == 1040) {
      value = std::to_string(shown.portValue);
    }
    if (size <= 0) return;
    const std::size_t length = std::min(value.size(), static_cast<std::size_t>(size - 1));
    value.copy(text, length);
    text[length] = '\0';
  }

  void CheckControl(int id, bool isChecked) override { checked[id] = isChecked; }
  void EnableControl(int id, bool isEnabled) override { enabled[id] = isEnabled; }
  void ShowControl(int id, bool isShown) override { visible[id] = isShown; }
  void ShowStatusBitmap(int bitmapId) override { bitmaps.push_back(bitmapId); }
  void ShowMessageBox(const char* text, const char* boxCaption, int style) override {
    messageBoxes.push_back({text, boxCaption, style});
    if (whileMessageBoxIsUp) whileMessageBoxIsUp();
  }
  void SetCaption(const char* text) override { caption = text; }
  int GetSliderPosition(int id) override { return sliders[id]; }
  void SetSliderPosition(int id, int position) override { sliders[id] = position; }
  void EndDialog(int result) override { endResults.push_back(result); }

  // The operator types an address into the four boxes.
  void TypeAddress(int a, int b, int c, int d) {
    shown.ipOctets[0] = a;
    shown.ipOctets[1] = b;
    shown.ipOctets[2] = c;
    shown.ipOctets[3] = d;
    for (int id = 1036; id <= 1039; ++id) texts.erase(id);
  }
  // The operator types any text into a box (a number or not). The exchange
  // reads a non-number box as such (notInteger); its value stays as it was.
  void TypeText(int id, const std::string& text) { texts[id] = text; }
  // A check box toggles its own mark when clicked, before the handler runs.
  void Click(int id) { checked[id] = !checked[id]; }
  bool IsChecked(int id) const {
    auto found = checked.find(id);
    return found != checked.end() && found->second;
  }
  bool IsEnabled(int id) const {
    auto found = enabled.find(id);
    return found == enabled.end() || found->second;
  }

  DialogValues shown;
  int notInteger = 0;  // id of a box that holds no integer, 0 for none
  std::map<int, std::string> texts;
  int pushes = 0;
  int takes = 0;
  std::map<int, bool> checked;
  std::map<int, bool> enabled;
  std::map<int, bool> visible;
  std::map<int, int> sliders;
  std::vector<int> bitmaps;
  std::vector<MessageBox> messageBoxes;
  // Runs while a message box is up, as events that arrive then would.
  std::function<void()> whileMessageBoxIsUp;
  std::string caption;
  std::vector<int> endResults;
};
