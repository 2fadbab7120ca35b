#include "BoxText.h"

#include <climits>
#include <cstdint>

#include "ValueText.h"

bool ParseBoxInteger(const char* text, int& value) {
  std::int64_t parsed = 0;
  if (Platform::ReadNumber(text, Platform::NumberForm::kTyped, INT_MIN, INT_MAX, &parsed) !=
      Platform::NumberReading::kRead) {
    return false;
  }
  value = static_cast<int>(parsed);
  return true;
}

bool ParseAddressOctet(const char* text, int& value) {
  int parsed = 0;
  if (!ParseBoxInteger(text, parsed) || parsed < 0 || parsed > 255) {
    return false;
  }
  value = parsed;
  return true;
}
