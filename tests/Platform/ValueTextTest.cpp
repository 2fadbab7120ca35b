// The one reader of whole numbers and of dotted addresses, each form of it.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "SocketApi.h"
#include "ValueText.h"

namespace {

using Platform::AddressReading;
using Platform::NumberForm;
using Platform::NumberReading;

TEST(ValueText, EachFormOfWholeNumberReadsWhatItsSourceMeans) {
  const struct {
    const char* text;
    NumberForm form;
    NumberReading reading;
    std::int64_t value;
  } cases[] = {
      {"42", NumberForm::kDigits, NumberReading::kRead, 42},
      {"+42", NumberForm::kDigits, NumberReading::kNoNumber, 0},
      {"42 ", NumberForm::kDigits, NumberReading::kNoNumber, 0},
      {"99999999999999999999", NumberForm::kDigits, NumberReading::kOutOfRange, 0},
      {" -12\t", NumberForm::kTyped, NumberReading::kRead, -12},
      {"1 2", NumberForm::kTyped, NumberReading::kNoNumber, 0},
      {"0x10", NumberForm::kTyped, NumberReading::kNoNumber, 0},
      {" 20 ; Hz", NumberForm::kStored, NumberReading::kRead, 20},
      {"-7.5", NumberForm::kStored, NumberReading::kRead, -7},
      {"twenty", NumberForm::kStored, NumberReading::kNoNumber, 0},
      {"2147483648", NumberForm::kStored, NumberReading::kOutOfRange, 0},
  };
  for (const auto& c : cases) {
    std::int64_t value = 0;
    EXPECT_EQ(Platform::ReadNumber(c.text, c.form, INT64_MIN, INT64_MAX, &value), c.reading)
        << '"' << c.text << '"';
    EXPECT_EQ(value, c.value) << '"' << c.text << '"';
  }
  std::int64_t value = 0;
  EXPECT_EQ(Platform::ReadNumber("12\0", 3, NumberForm::kDigits, 0, 99, &value),
            NumberReading::kNoNumber);
  EXPECT_EQ(Platform::ReadNumber("0", NumberForm::kStored, 1, 1000, &value),
            NumberReading::kOutOfRange);
}

TEST(ValueText, AddressesReadStrictlyOrAsStoredFilesWereRead) {
  const struct {
    const char* text;
    AddressReading strict;
    AddressReading stored;
    const char* dotted;  // what the stored reading holds
  } cases[] = {
      {"192.168.1.5", AddressReading::kRead, AddressReading::kRead, "192.168.1.5"},
      {"192.168.001.005", AddressReading::kNotAnAddress, AddressReading::kRead, "192.168.1.5"},
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
  char text[24];
  Platform::FormatAddressAndPort(Platform::AddressFromOctets(127, 0, 0, 9), 7001, text,
                                 sizeof text);
  EXPECT_STREQ(text, "127.0.0.9:7001");
}

}  // namespace
