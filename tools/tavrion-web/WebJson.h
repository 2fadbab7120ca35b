#pragma once
// The JSON that tavrion-web writes itself: its answers to the browser and
// the envelopes around the stations' own lines. The stations' lines are
// passed on as they came, once checked to be one JSON object on one line.

#include <string>

// `text` as a JSON string, quotes included: the quote, the backslash and
// control characters escaped; bytes above ASCII as they are (UTF-8).
std::string JsonQuoted(const std::string& text);

// Whether `line` is one JSON object and holds nothing that would end a
// line of an event stream (a carriage return or another control byte).
bool IsOneJsonObjectLine(const std::string& line);

// {"ok":false,"error":"<reason>"}
std::string JsonRefusal(const std::string& reason);
