#include "ValueText.h"

#include <arpa/inet.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace Platform {
namespace {

bool IsDigit(char character) {
  return character >= '0' && character <= '9';
}

bool IsBlank(char character) {
  return character == ' ' || character == '\t' || character == '\n' || character == '\r' ||
         character == '\f' || character == '\v';
}

// Every dot-separated part of the text that is a zero followed by decimal
// digits only, read as octal (as inet_addr reads it) and as decimal: true
// when one of them reads differently.
bool HasOctalSurprise(const char* text) {
  for (const char* part = text; part != nullptr && *part != '\0';) {
    const char* end = std::strchr(part, '.');
    const std::size_t length =
        end != nullptr ? static_cast<std::size_t>(end - part) : std::strlen(part);
    bool digitsOnly = length > 1 && part[0] == '0';
    long octal = 0;
    long decimal = 0;
    for (std::size_t i = 0; digitsOnly && i < length; ++i) {
      digitsOnly = part[i] >= '0' && part[i] <= '7';
      octal = octal * 8 + (part[i] - '0');
      decimal = decimal * 10 + (part[i] - '0');
      if (decimal > 100000000L) break;  // far beyond any part's range
    }
    if (digitsOnly && octal != decimal) return true;
    part = end != nullptr ? end + 1 : nullptr;
  }
  return false;
}

}  // namespace

NumberReading ReadNumber(const char* text, std::size_t length, NumberForm form, std::int64_t lowest,
                         std::int64_t highest, std::int64_t* value) {
  if (text == nullptr) return NumberReading::kNoNumber;
  const char* end = text + length;
  if (form != NumberForm::kDigits) {
    while (text < end && IsBlank(*text)) ++text;
  }
  bool negative = false;
  if (form != NumberForm::kDigits && text < end && (*text == '-' || *text == '+')) {
    negative = *text++ == '-';
  }
  if (text == end || !IsDigit(*text)) return NumberReading::kNoNumber;
  std::int64_t read = 0;
  bool beyond = false;  // past any int64 range: still read to the end of the digits
  for (; text < end && IsDigit(*text); ++text) {
    const int digit = *text - '0';
    if (read > (INT64_MAX - digit) / 10) beyond = true;
    if (!beyond) read = read * 10 + digit;
  }
  if (form == NumberForm::kTyped) {
    while (text < end && IsBlank(*text)) ++text;
  }
  if (form != NumberForm::kStored && text != end) return NumberReading::kNoNumber;
  if (negative) read = -read;
  const bool outsideInt = form == NumberForm::kStored && (read < INT32_MIN || read > INT32_MAX);
  if (beyond || outsideInt || read < lowest || read > highest) return NumberReading::kOutOfRange;
  *value = read;
  return NumberReading::kRead;
}

NumberReading ReadNumber(const char* text, NumberForm form, std::int64_t lowest,
                         std::int64_t highest, std::int64_t* value) {
  return ReadNumber(text, text != nullptr ? std::strlen(text) : 0, form, lowest, highest, value);
}

bool ReadWholeNumber(const char* text, std::int64_t lowest, std::int64_t highest,
                     std::int64_t* value) {
  return ReadNumber(text, NumberForm::kDigits, lowest, highest, value) == NumberReading::kRead;
}

AddressReading ReadStrictAddress(const char* text, std::uint32_t* address) {
  if (text == nullptr) return AddressReading::kNotAnAddress;
  std::uint8_t bytes[4];
  for (int part = 0; part < 4; ++part) {
    if (part > 0 && *text++ != '.') return AddressReading::kNotAnAddress;
    if (!IsDigit(*text)) return AddressReading::kNotAnAddress;
    // A zero-padded part reads as its decimal value where the octal reading
    // agrees ("001"); where they differ ("010") it is refused as ambiguous.
    if (text[0] == '0' && IsDigit(text[1]) && HasOctalSurprise(text)) {
      return AddressReading::kOctalOctet;
    }
    int value = 0;
    int digits = 0;
    for (; IsDigit(*text); ++text) {
      if (++digits > 3) return AddressReading::kNotAnAddress;
      value = value * 10 + (*text - '0');
    }
    if (value > 255) return AddressReading::kNotAnAddress;
    bytes[part] = static_cast<std::uint8_t>(value);
  }
  if (*text != '\0') return AddressReading::kNotAnAddress;
  std::memcpy(address, bytes, sizeof bytes);
  return AddressReading::kRead;
}

AddressReading ReadStoredAddress(const char* text, std::uint32_t* address) {
  if (text == nullptr) return AddressReading::kNotAnAddress;
  in_addr read{};
  if (::inet_aton(text, &read) == 0) return AddressReading::kNotAnAddress;
  *address = read.s_addr;
  return HasOctalSurprise(text) ? AddressReading::kOctalOctet : AddressReading::kRead;
}

void FormatDottedAddress(std::uint32_t address, char* buffer, int size) {
  if (buffer == nullptr || size <= 0) return;
  std::uint8_t bytes[4];
  std::memcpy(bytes, &address, sizeof bytes);
  std::snprintf(buffer, static_cast<std::size_t>(size), "%u.%u.%u.%u", bytes[0], bytes[1], bytes[2],
                bytes[3]);
}

void FormatAddressAndPort(std::uint32_t address, int port, char* buffer, int size) {
  if (buffer == nullptr || size <= 0) return;
  char dotted[16];
  FormatDottedAddress(address, dotted, sizeof dotted);
  std::snprintf(buffer, static_cast<std::size_t>(size), "%s:%d", dotted, port);
}

}  // namespace Platform
