#pragma once
// The control protocol's JSON: one object on one line, written as the
// station's texts are (numbers with "." whatever the locale), and the
// station's status and events as objects.

#include <string>

#include "StationObserver.h"
#include "StationStatus.h"

// Appends an object's members to `out`, between the braces it writes.
class JsonObject {
 public:
  explicit JsonObject(std::string& out);
  JsonObject& Text(const char* key, const char* value);
  JsonObject& Number(const char* key, double value, int decimals);
  JsonObject& Whole(const char* key, long long value);
  JsonObject& Flag(const char* key, bool value);
  // A value already written as JSON (an object or an array).
  JsonObject& Raw(const char* key, const std::string& json);
  // The closing brace; nothing may be added after it.
  void End();

 private:
  void Key(const char* key);

  std::string& m_out;
  bool m_first;
};

// A JSON string of `text`, quoted and escaped.
void AppendJsonString(std::string& out, const char* text);

// The status's members into an object.
void AddStatusMembers(JsonObject& object, const StationStatus& status);
// "grey", "green" or "orange"; and the link's state in words.
const char* LampColour(int linkStatus);
const char* LinkState(int linkStatus);
const char* SegmentStateName(SegmentState state);
// The view's name, as `view` takes it ("simulator-left-window" for the
// simulator's own).
const char* ViewName(int mode);
// One line of the watch: the event with what it changed; empty for an
// event a watcher has no use for.
std::string EventLine(const StationEvent& event, const StationStatus& status);
