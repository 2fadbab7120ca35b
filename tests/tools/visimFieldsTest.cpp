#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "VisimFields.h"

namespace {

TEST(VisimNumber, AcceptsPlainDecimalsOnly) {
  double value = 0.0;
  for (const char* good : {"0", "-0.5", "+2", ".5", "5.", "1e3", "2.5E-2", " 51.4775 "}) {
    EXPECT_TRUE(ParseVisimNumber(good, &value)) << good;
  }
  ASSERT_TRUE(ParseVisimNumber("-0.4614", &value));
  EXPECT_DOUBLE_EQ(value, -0.4614);
  value = 7.0;
  for (const char* bad : {"", " ", "+", ".", "1,5", "1.5.2", "e5", "1e", "0x10", "inf", "nan",
                          "1e999", "12 m", "--1"}) {
    EXPECT_FALSE(ParseVisimNumber(bad, &value)) << bad;
  }
  EXPECT_EQ(value, 7.0) << "a refused text leaves the value alone";
}

TEST(VisimField, WholeNumbersAreDecimalOrHexadecimalAndFitIn32Bits) {
  VisimFields fields;
  char reason[128];
  ASSERT_TRUE(ParseVisimField(kFieldStateWord, "0xFFFFFF", &fields, reason, sizeof reason));
  EXPECT_EQ(fields.stateWord, 16777215);
  ASSERT_TRUE(ParseVisimField(kFieldTimeValue, "0xFFFFFFFF", &fields, reason, sizeof reason));
  EXPECT_EQ(fields.timeValue, -1);
  ASSERT_TRUE(ParseVisimField(kFieldTimeValue, "-2147483648", &fields, reason, sizeof reason));
  EXPECT_EQ(fields.timeValue, INT32_MIN);
  for (const char* bad : {"2147483648", "0x100000000", "1.5", "0x", "0xG", "-", "3 4"}) {
    EXPECT_FALSE(ParseVisimField(kFieldView, bad, &fields, reason, sizeof reason)) << bad;
  }
  EXPECT_STREQ(reason, "view: \"3 4\" is not a 32-bit whole number");
  EXPECT_FALSE(fields.Has(kFieldView));
}

TEST(VisimField, AnglesAreHeldToTheirRanges) {
  VisimFields fields;
  char reason[128];
  EXPECT_TRUE(ParseVisimField(kFieldLatitude, "-90", &fields, reason, sizeof reason));
  EXPECT_FALSE(ParseVisimField(kFieldLatitude, "90.5", &fields, reason, sizeof reason));
  EXPECT_STREQ(reason, "lat: 90.5 is outside -90 to 90");
  EXPECT_EQ(fields.latitude, -90.0);
  EXPECT_TRUE(ParseVisimField(kFieldHeading, "360", &fields, reason, sizeof reason));
  EXPECT_FALSE(ParseVisimField(kFieldHeading, "-1", &fields, reason, sizeof reason));
  EXPECT_FALSE(ParseVisimField(kFieldLongitude, "180.01", &fields, reason, sizeof reason));
  EXPECT_TRUE(ParseVisimField(kFieldAltitude, "-400", &fields, reason, sizeof reason))
      << "below sea level is an altitude too";
}

TEST(VisimField, AnAirportHoldsUpToEightPrintableCharacters) {
  VisimFields fields;
  char reason[128];
  EXPECT_TRUE(ParseVisimField(kFieldAirport, "ABCDEFGH", &fields, reason, sizeof reason));
  EXPECT_STREQ(fields.airport, "ABCDEFGH");
  EXPECT_TRUE(ParseVisimField(kFieldAirport, " EG LL", &fields, reason, sizeof reason));
  EXPECT_STREQ(fields.airport, " EG LL") << "blanks are the simulator's to send";
  EXPECT_FALSE(ParseVisimField(kFieldAirport, "ABCDEFGHI", &fields, reason, sizeof reason));
  EXPECT_STREQ(reason, "airport: \"ABCDEFGHI\" is longer than 8 characters");
  EXPECT_FALSE(ParseVisimField(kFieldAirport, "EG\tLL", &fields, reason, sizeof reason));
  EXPECT_STREQ(fields.airport, " EG LL");
}

TEST(VisimField, NamesRoundTrip) {
  for (int i = 0; i < kFieldCount; ++i) {
    const char* name = VisimFieldName(static_cast<VisimField>(i));
    VisimField found{};
    ASSERT_TRUE(FindVisimField(name, static_cast<int>(std::strlen(name)), &found)) << name;
    EXPECT_EQ(found, i);
    EXPECT_NE(std::strstr(VisimFieldNames(), name), nullptr);
  }
  VisimField found{};
  EXPECT_FALSE(FindVisimField("la", 2, &found));
  EXPECT_FALSE(FindVisimField("latitude", 8, &found));
}

TEST(WriteVisimFields, WritesOnlyTheFieldsGiven) {
  VisualInterfaceRecord record{};
  std::memcpy(record.visualBlock.airportIdent, "EGLL", 4);
  record.visualBlock.heading = 90.0;
  record.stateWord = 5;
  VisimFields fields;
  char reason[64];
  ASSERT_TRUE(ParseVisimField(kFieldLatitude, "51.5", &fields, reason, sizeof reason));
  ASSERT_TRUE(ParseVisimField(kFieldView, "3", &fields, reason, sizeof reason));
  fields.heading = 1.0;  // not in the mask
  WriteVisimFields(fields, &record);
  EXPECT_EQ(record.visualBlock.latitude, 51.5);
  EXPECT_EQ(record.visualBlock.viewSelect, 3);
  EXPECT_EQ(record.visualBlock.heading, 90.0);
  EXPECT_STREQ(record.visualBlock.airportIdent, "EGLL");
  EXPECT_EQ(record.stateWord, 5);
}

std::string Printed(const VisualInterfaceRecord& record) {
  std::FILE* file = std::tmpfile();
  PrintVisimRecord(record, file);
  std::rewind(file);
  std::string text;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, file) != nullptr) text += buffer;
  std::fclose(file);
  return text;
}

TEST(PrintVisimRecord, ShowsEveryFieldBoundedAndPrintable) {
  VisualInterfaceRecord record{};
  std::memcpy(record.version, "QMXXXX", 6);
  record.userCount = 2;
  record.stateWord = 0xFFFFFF;
  VisualBlock& block = record.visualBlock;
  std::memcpy(block.airportIdent, "EG\x01LXXXX", 8);  // unterminated, a control code
  block.timeValue = 0x41414141;                       // bytes that follow the ident
  block.latitude = 51.4775;
  block.longitude = -0.4614;
  block.altitude = 30.0;
  block.heightAgl = 5.0;
  block.heading = 270.0;
  block.viewSelect = 4;
  EXPECT_EQ(Printed(record),
            "version=QMXXXX\nversion_ok=yes\nuser_count=2\nstate_word=16777215\n"
            "lat=51.477500\nlon=-0.461400\naltitude_m=30.000\nheight_agl_m=5.000\n"
            "pitch=0.000\nbank=0.000\nheading=270.000\nairport=EG\\x01LXXXX\nview=4\n"
            "time_value=1094795585\n");

  std::memset(record.version, 'V', sizeof record.version);
  std::string text = Printed(record);
  EXPECT_NE(text.find("version=" + std::string(64, 'V') + "\nversion_ok=no\n"), std::string::npos);
}

}  // namespace
