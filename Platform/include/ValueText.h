#pragma once
// The station's readers and writers of whole numbers and IPv4 addresses in
// text, one of each, with the rule each source of text needs:
// - a command line or a box the operator types into is read strictly: what is
//   typed is either exactly a value or refused;
// - a stored file (the LAN ini file) is read as it always was read (atoi for
//   numbers, inet_addr for addresses), refusing only a text that was read as
//   something other than what it says.

#include <cstdint>

namespace Platform {

// Decimal digits alone (no sign, no blanks), from lowest to highest. False
// otherwise, *value then untouched.
bool ReadWholeNumber(const char* text, std::int64_t lowest, std::int64_t highest,
                     std::int64_t* value);

// How a stored number reads.
enum class NumberReading {
  kRead,           // *value holds it
  kNoNumber,       // no digits lead the text ("twenty"); atoi read 0
  kOutOfRange,     // beyond lowest..highest, or beyond a 32-bit int
};
// As atoi reads it: leading blanks, an optional sign, decimal digits; what
// follows the digits ("20 ; Hz") is a remark and is left alone.
NumberReading ReadStoredNumber(const char* text, std::int64_t lowest, std::int64_t highest,
                               std::int64_t* value);

// How a dotted address reads.
enum class AddressReading {
  kRead,           // *address holds it (network order)
  kNotAnAddress,   // no address at all
  kOctalOctet,     // a zero-padded part that inet_addr reads as octal: "010" is 8
};
// Four decimal numbers 0 to 255 joined by dots, nothing else (no leading zeros).
AddressReading ReadStrictAddress(const char* text, std::uint32_t* address);
// What inet_addr reads (1 to 4 parts, octal and hexadecimal parts), except a
// zero-padded part whose octal value differs from its decimal one.
AddressReading ReadStoredAddress(const char* text, std::uint32_t* address);

// "a.b.c.d" of a network-order address, first byte first.
void FormatDottedAddress(std::uint32_t address, char* buffer, int size);
// "a.b.c.d:port" of a network-order address and a host-order port.
void FormatAddressAndPort(std::uint32_t address, int port, char* buffer, int size);

}  // namespace Platform
