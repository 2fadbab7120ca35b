// The dotted-address readers side by side: the command line's strict form and
// what a stored file was always read as.

#include <gtest/gtest.h>

#include <cstdint>

#include "ValueText.h"

namespace {

using Platform::AddressReading;

TEST(ValueText, AddressesReadStrictlyOrAsStoredFilesWereRead) {
  const struct {
    const char* text;
    AddressReading strict;
    AddressReading stored;
    const char* dotted;  // what the stored reading holds
  } cases[] = {
      {"192.168.1.5", AddressReading::kRead, AddressReading::kRead, "192.168.1.5"},
      {"192.168.001.005", AddressReading::kRead, AddressReading::kRead, "192.168.1.5"},
      {"192.168.001.010", AddressReading::kOctalOctet, AddressReading::kOctalOctet, "192.168.1.8"},
      {"10.1", AddressReading::kNotAnAddress, AddressReading::kRead, "10.0.0.1"},
      {"300.1.1.1", AddressReading::kNotAnAddress, AddressReading::kNotAnAddress, ""},
      {"notanip", AddressReading::kNotAnAddress, AddressReading::kNotAnAddress, ""},
      {"1.2.3.4x", AddressReading::kNotAnAddress, AddressReading::kNotAnAddress, ""},
  };
  for (const auto& c : cases) {
    std::uint32_t address = 0;
    EXPECT_EQ(Platform::ReadStrictAddress(c.text, &address), c.strict) << c.text;
    address = 0;
    EXPECT_EQ(Platform::ReadStoredAddress(c.text, &address), c.stored) << c.text;
    char dotted[16] = {};
    if (c.dotted[0] != '\0') Platform::FormatDottedAddress(address, dotted, sizeof dotted);
    EXPECT_STREQ(dotted, c.dotted) << c.text;
  }
}

}  // namespace
