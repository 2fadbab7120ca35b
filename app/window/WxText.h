#pragma once
// The station's texts are 8-bit strings in fixed buffers; the toolkit's are
// wxString. Texts are taken as UTF-8, and a text that is not valid UTF-8 as
// Latin-1, so every byte shows as some character instead of an empty text.

#include <wx/string.h>

wxString ToWx(const char* text);
// Copies into a buffer of `size` bytes as UTF-8, cut to size - 1 bytes and
// terminated.
void FromWx(const wxString& text, char* buffer, int size);
