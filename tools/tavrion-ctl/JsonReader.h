#pragma once
// Reads one JSON text into a tree of values: what a client of the station's
// control socket needs to read its replies (objects, arrays, strings with
// their escapes, numbers, true, false, null), nothing more.

#include <string>
#include <utility>
#include <vector>

struct JsonValue {
  enum class Type { kNull, kBool, kNumber, kString, kArray, kObject };

  Type type = Type::kNull;
  bool flag = false;
  double number = 0.0;
  std::string text;  // a string's value; a number as it was written
  std::vector<JsonValue> items;
  std::vector<std::pair<std::string, JsonValue>> members;

  // The member of that name; null when there is none (or this is no object).
  const JsonValue* Find(const char* key) const;
  // A member's text, number or flag, or the fallback.
  std::string TextOf(const char* key, const char* fallback = "") const;
  bool FlagOf(const char* key, bool fallback = false) const;
};

// The whole of `text` as one value; false with the reason (and where) in `error`.
bool ReadJson(const std::string& text, JsonValue* value, std::string* error);
// The value written back as text on one line: a string without its quotes,
// a number as written, an array or object as JSON.
std::string JsonText(const JsonValue& value);
