#include "WxText.h"

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
