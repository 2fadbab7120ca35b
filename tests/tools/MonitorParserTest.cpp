// The monitor's reading of ViewSync datagrams: what the station sends is
// accepted field by field; everything else is malformed with a clear reason.

#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <string>
#include <vector>

#include "MonitorReport.h"
#include "ViewSyncParser.h"

namespace {

const std::string kExample =
    "1510,51.477500,-0.461389,120.500000,270.000000,90.000000,-2.500000,0,0,";

struct Parsed {
  bool ok;
  ReceivedCamera camera;
  std::string reason;
};

Parsed Parse(const std::string& text) {
  Parsed result{};
  char reason[kParseReasonSize];
  result.ok = ParseViewSync(text.data(), text.size(), result.camera, reason, sizeof reason);
  result.reason = reason;
  return result;
}

TEST(MonitorParser, ReadsEveryFieldOfTheStationsDatagram) {
  ASSERT_EQ(kExample.size(), 71u);
  Parsed parsed = Parse(kExample);
  ASSERT_TRUE(parsed.ok) << parsed.reason;
  EXPECT_EQ(parsed.reason, "");
  EXPECT_EQ(parsed.camera.counter, 1510);
  EXPECT_DOUBLE_EQ(parsed.camera.latitude, 51.4775);
  EXPECT_DOUBLE_EQ(parsed.camera.longitude, -0.461389);
  EXPECT_DOUBLE_EQ(parsed.camera.altitude, 120.5);
  EXPECT_DOUBLE_EQ(parsed.camera.heading, 270.0);
  EXPECT_DOUBLE_EQ(parsed.camera.tilt, 90.0);
  EXPECT_DOUBLE_EQ(parsed.camera.roll, -2.5);
  EXPECT_EQ(parsed.camera.timeStart, 0);
  EXPECT_EQ(parsed.camera.timeEnd, 0);
  EXPECT_STREQ(parsed.camera.planet, "");

  char again[256];
  FormatCamera(parsed.camera, again, sizeof again);
  EXPECT_EQ(again, kExample);
}

TEST(MonitorParser, AcceptsAPlanetFieldWithOrWithoutItsComma) {
  const struct {
    const char* tail;
    const char* planet;
  } cases[] = {{"earth", "earth"}, {"earth,", "earth"}, {"Moon", "Moon"}};
  for (const auto& c : cases) {
    Parsed parsed = Parse(kExample + c.tail);
    ASSERT_TRUE(parsed.ok) << c.tail << ": " << parsed.reason;
    EXPECT_STREQ(parsed.camera.planet, c.planet);
    EXPECT_EQ(parsed.camera.timeEnd, 0);
  }
}

TEST(MonitorParser, ReadsTheWholeRangeOfEachField) {
  Parsed parsed = Parse("-2147483648,-90.000000,180.000000,-5.0,0,0,0,-9223372036854775808,-1,");
  ASSERT_TRUE(parsed.ok) << parsed.reason;
  EXPECT_EQ(parsed.camera.counter, -2147483648LL);
  EXPECT_DOUBLE_EQ(parsed.camera.latitude, -90.0);
  EXPECT_DOUBLE_EQ(parsed.camera.longitude, 180.0);
  EXPECT_EQ(parsed.camera.timeStart, INT64_MIN);
  EXPECT_EQ(parsed.camera.timeEnd, -1);

  parsed = Parse("2147483647,90,-180,0,0,0,0,0,9223372036854775807,");
  ASSERT_TRUE(parsed.ok) << parsed.reason;
  EXPECT_EQ(parsed.camera.counter, 2147483647);
  EXPECT_EQ(parsed.camera.timeEnd, INT64_MAX);

  // The longest text the station can send still fits.
  std::string longest = "1,0,0,1" + std::string(255 - 18, '0') + ",0,0,0,0,0,";
  ASSERT_EQ(longest.size(), 255u);
  parsed = Parse(longest);
  ASSERT_TRUE(parsed.ok) << parsed.reason;
  EXPECT_DOUBLE_EQ(parsed.camera.altitude, 1e237);
}

TEST(MonitorParser, NamesTheFaultOfEachMalformedDatagram) {
  const std::string lead = "1510,51.477500,-0.461389,";
  const std::string tail = "120.500000,270.000000,90.000000,-2.500000,0,0,";
  const struct {
    std::string text;
    const char* reason;
  } cases[] = {
      {"", "empty datagram"},
      {kExample.substr(0, 70), "field 9 (time end) not followed by a comma"},
      {"1510,51.477500,", "field 3 (longitude) missing"},
      {"1510,90.000001,0," + tail, "field 2 (latitude) outside -90..90"},
      {"1510,-91,0," + tail, "field 2 (latitude) outside -90..90"},
      {"1510,0,180.5," + tail, "field 3 (longitude) outside -180..180"},
      {"1510,0,-181," + tail, "field 3 (longitude) outside -180..180"},
      {lead + "abc,270,90,0,0,0,", "field 4 (altitude) not a number"},
      {lead + ",270,90,0,0,0,", "field 4 (altitude) not a number"},
      {lead + "1e3,270,90,0,0,0,", "field 4 (altitude) not a number"},
      {lead + "+1.5,270,90,0,0,0,", "field 4 (altitude) not a number"},
      {lead + " 1.5,270,90,0,0,0,", "field 4 (altitude) not a number"},
      {lead + "1.,270,90,0,0,0,", "field 4 (altitude) not a number"},
      {lead + ".5,270,90,0,0,0,", "field 4 (altitude) not a number"},
      {lead + "nan,270,90,0,0,0,", "field 4 (altitude) not a number"},
      {lead + "1,inf,90,0,0,0,", "field 5 (heading) not a number"},
      {"1510.0,0,0," + tail, "field 1 (counter) not a number"},
      {"2147483648,0,0," + tail, "field 1 (counter) out of range"},
      {lead + "1,2,3,4,0.5,0,", "field 8 (time start) not a number"},
      {lead + "1,2,3,4,9223372036854775808,0,", "field 8 (time start) out of range"},
      {kExample + "earth,moon,", "extra field after the planet"},
      {kExample + "earth,moon", "extra field after the planet"},
      {kExample + "5,", "field 10 (planet) not a name"},
      {kExample + ",", "field 10 (planet) not a name"},
      {kExample + "abcdefghijklmnop", "field 10 (planet) not a name"},
      {kExample + "\n", "holds a byte that is not printable text"},
      {std::string("1510\0,0,0,", 10) + tail, "holds a byte that is not printable text"},
      {kExample + std::string(185, '0'), "longer than 255 characters"},
      {std::string(65507, '7'), "longer than 255 characters"},
  };
  for (const auto& c : cases) {
    Parsed parsed = Parse(c.text);
    EXPECT_FALSE(parsed.ok) << c.text;
    EXPECT_EQ(parsed.reason, c.reason) << c.text.substr(0, 80);
  }
}

TEST(MonitorParser, ReadsOnlyTheBytesItIsGiven) {
  // No terminator after the datagram: the sanitizers catch any read past it.
  std::vector<char> exact(kExample.begin(), kExample.end());
  ReceivedCamera camera;
  char reason[kParseReasonSize];
  EXPECT_TRUE(ParseViewSync(exact.data(), exact.size(), camera, reason, sizeof reason));

  std::string followed = kExample + "999,";
  EXPECT_TRUE(ParseViewSync(followed.data(), kExample.size(), camera, reason, sizeof reason));
  EXPECT_STREQ(camera.planet, "");
  EXPECT_FALSE(ParseViewSync(nullptr, 0, camera, reason, sizeof reason));
}

TEST(MonitorParser, CutsTheReasonToItsBuffer) {
  ReceivedCamera camera;
  char reason[8];
  std::memset(reason, 'x', sizeof reason);
  EXPECT_FALSE(ParseViewSync("1510,", 5, camera, reason, sizeof reason));
  EXPECT_STREQ(reason, "field 2");
}

TEST(MonitorParser, ReadsPointDecimalsUnderACommaDecimalLocale) {
  std::string previous = std::setlocale(LC_ALL, nullptr);
  if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) GTEST_SKIP() << "no de_DE.UTF-8 locale";
  Parsed parsed = Parse(kExample);
  char again[256];
  FormatCamera(parsed.camera, again, sizeof again);
  std::setlocale(LC_ALL, previous.c_str());
  ASSERT_TRUE(parsed.ok) << parsed.reason;
  EXPECT_DOUBLE_EQ(parsed.camera.latitude, 51.4775);
  EXPECT_DOUBLE_EQ(parsed.camera.roll, -2.5);
  EXPECT_EQ(again, kExample);
}

TEST(MonitorExcerpt, ShowsAnyDatagramSafelyOnOneLine) {
  char shown[64];
  FormatExcerpt("a\nb\\c\0d\xff", 8, shown, sizeof shown);
  EXPECT_STREQ(shown, "a\\x0Ab\\x5Cc\\x00d\\xFF");

  char small[12];
  FormatExcerpt("0123456789abcdef", 16, small, sizeof small);
  EXPECT_STREQ(small, "01234567...");
  FormatExcerpt("0123456789a", 11, small, sizeof small);
  EXPECT_STREQ(small, "0123456789a");
  FormatExcerpt("", 0, small, sizeof small);
  EXPECT_STREQ(small, "");
}

}  // namespace
