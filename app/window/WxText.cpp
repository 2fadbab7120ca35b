#include "WxText.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "TextFunctions.h"

wxString ToWx(const char* text) {
  if (text == nullptr || *text == '\0') {
    return wxString();
  }
  wxString converted = wxString::FromUTF8(text);
  if (converted.empty()) {
    converted = wxString(text, wxConvISO8859_1);
  }
  return converted;
}

void FromWx(const wxString& text, char* buffer, int size) {
  const wxScopedCharBuffer utf8 = text.utf8_str();
  SafeCopy(buffer, utf8.data() != nullptr ? utf8.data() : "", size);
}

bool ParseBoxInteger(const char* text, int& value) {
  const char* p = text;
  while (*p == ' ' || *p == '\t') {
    ++p;
  }
  const char* start = p;
  if (*p == '+' || *p == '-') {
    ++p;
  }
  if (*p < '0' || *p > '9') {
    return false;
  }
  errno = 0;
  char* end = nullptr;
  const long parsed = std::strtol(start, &end, 10);
  if (errno == ERANGE || parsed < INT_MIN || parsed > INT_MAX) {
    return false;
  }
  while (*end == ' ' || *end == '\t') {
    ++end;
  }
  if (*end != '\0') {
    return false;
  }
  value = static_cast<int>(parsed);
  return true;
}
