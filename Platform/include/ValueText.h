#pragma once
// The station's readers and writers of whole numbers and IPv4 addresses in
// text, one of each, with the rule each source of text needs:
// - a command line or a box the operator types into is read strictly: what is
//   typed is either exactly a value or refused;
// - a stored file (the LAN ini file) is read as it always was read (atoi for
//   numbers, inet_addr for addresses), refusing only a text that was read as
//   something other than what it says.

#include <cstddef>
#include <cstdint>

namespace Platform {

// How a whole number reads.
enum class NumberReading {
  kRead,        // *value holds it
  kNoNumber,    // not a number in the form asked for ("twenty", "12a" where nothing may follow)
  kOutOfRange,  // beyond lowest..highest
};

// The forms a whole number may take, by where the text comes from.
enum class NumberForm {
  kDigits,  // a command line or a file the station writes: decimal digits alone
  kTyped,   // a box the operator types into: blanks around, an optional sign
  kStored,  // a stored setting, as atoi reads it: leading blanks, an optional
            // sign, digits; what follows the digits ("20 ; Hz") is a remark.
            // The number must also fit a 32-bit int.
};

// The one reader of whole numbers: the first `length` characters of the text
// (a NUL among them is not a digit) in the form given, from lowest to
// highest. *value is untouched unless it reads.
NumberReading ReadNumber(const char* text, std::size_t length, NumberForm form, std::int64_t lowest,
                         std::int64_t highest, std::int64_t* value);
// The same for a whole text.
NumberReading ReadNumber(const char* text, NumberForm form, std::int64_t lowest,
                         std::int64_t highest, std::int64_t* value);
// A command line's number (kDigits): true when it reads.
bool ReadWholeNumber(const char* text, std::int64_t lowest, std::int64_t highest,
                     std::int64_t* value);

// How a dotted address reads.
enum class AddressReading {
  kRead,          // *address holds it (network order)
  kNotAnAddress,  // no address at all
  kOctalOctet,    // a zero-padded part that inet_addr reads as octal: "010" is 8
};
// Four decimal numbers 0 to 255 joined by dots, nothing else; a zero-padded
// part only where its octal reading is the same ("001", never "010").
AddressReading ReadStrictAddress(const char* text, std::uint32_t* address);
// What inet_addr reads (1 to 4 parts, octal and hexadecimal parts), except a
// zero-padded part whose octal value differs from its decimal one: that is
// kOctalOctet, with inet_addr's reading in *address for the message.
AddressReading ReadStoredAddress(const char* text, std::uint32_t* address);

// "a.b.c.d" of a network-order address, first byte first.
void FormatDottedAddress(std::uint32_t address, char* buffer, int size);
// "a.b.c.d:port" of a network-order address and a host-order port.
void FormatAddressAndPort(std::uint32_t address, int port, char* buffer, int size);

}  // namespace Platform
