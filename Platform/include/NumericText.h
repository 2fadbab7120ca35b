#pragma once
// Numbers in the station's texts (datagram, offsets file, ini file, logs) always
// use "." as the decimal separator, whatever locale the desktop or the toolkit
// has set for the process. These helpers format and parse in the "C" locale.

#include <cstdarg>
#include <cstddef>

namespace Platform {

// vsnprintf in the "C" locale; same result as vsnprintf.
int FormatC(char* buffer, std::size_t size, const char* format, std::va_list args);

// atof in the "C" locale: leading blanks, optional sign, digits, "." fraction,
// exponent; 0.0 when nothing numeric leads the text.
double AtofC(const char* text);

}  // namespace Platform
