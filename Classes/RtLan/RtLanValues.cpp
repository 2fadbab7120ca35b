// Checks of the values a station is configured with: a value that is not what
// its setting needs is refused, never read as some other value.

#include <cctype>

#include "RtLan.h"

namespace {

bool IsDigit(char character) {
  return std::isdigit(static_cast<unsigned char>(character)) != 0;
}

}  // namespace

bool RtLan::IsDottedAddress(const char* text) {
  if (text == nullptr) return false;
  for (int part = 0; part < 4; ++part) {
    if (part > 0 && *text++ != '.') return false;
    if (!IsDigit(*text)) return false;
    if (text[0] == '0' && IsDigit(text[1])) return false;
    int value = 0;
    int digits = 0;
    for (; IsDigit(*text); ++text) {
      if (++digits > 3) return false;
      value = value * 10 + (*text - '0');
    }
    if (value > 255) return false;
  }
  return *text == '\0';
}

bool RtLan::WholeNumber(const char* text, int minimum, int maximum, int* value) {
  if (text == nullptr || value == nullptr) return false;
  bool negative = *text == '-';
  if (*text == '-' || *text == '+') ++text;
  if (!IsDigit(*text)) return false;
  long long number = 0;
  for (; IsDigit(*text); ++text) {
    number = number * 10 + (*text - '0');
    if (number > 10000000000LL) return false;  // beyond any int
  }
  if (*text != '\0') return false;
  if (negative) number = -number;
  if (number < minimum || number > maximum) return false;
  *value = static_cast<int>(number);
  return true;
}

bool RtLan::IsPortNumber(int port) {
  return port >= 1 && port <= 65535;
}
