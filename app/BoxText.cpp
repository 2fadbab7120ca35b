#include "BoxText.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

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

bool ParseAddressOctet(const char* text, int& value) {
  int parsed = 0;
  if (!ParseBoxInteger(text, parsed) || parsed < 0 || parsed > 255) {
    return false;
  }
  value = parsed;
  return true;
}
