#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "ViewSync.h"

namespace {

ViewSyncCamera HeathrowCamera() {
  ViewSyncCamera camera{};
  camera.counter = 1510;
  camera.latitude = 51.4775;
  camera.longitude = -0.461389;
  camera.altitude = 120.5;
  camera.heading = 270.0;
  camera.tilt = 90.0;
  camera.roll = -2.5;
  camera.timeStart = 0;
  camera.timeEnd = 0;
  return camera;
}

std::string Format(const ViewSyncCamera& camera) {
  char text[kViewSyncTextSize];
  const int length = FormatViewSync(camera, text, sizeof text);
  EXPECT_EQ(length, static_cast<int>(std::string(text).size()));
  return text;
}

TEST(ViewSyncDatagram, IsNineCommaTerminatedFieldsWithoutLineEnd) {
  const std::string text = Format(HeathrowCamera());
  EXPECT_EQ(text, "1510,51.477500,-0.461389,120.500000,270.000000,90.000000,-2.500000,0,0,");
  EXPECT_EQ(text.size(), 71u);
}

TEST(ViewSyncDatagram, TimesAreSixtyFourBitSignedDecimals) {
  ViewSyncCamera camera = HeathrowCamera();
  camera.timeEnd = -1;
  EXPECT_EQ(Format(camera).substr(Format(camera).size() - 6), ",0,-1,");
  camera.timeEnd = INT64_MAX;
  camera.timeStart = INT64_MIN;
  const std::string text = Format(camera);
  EXPECT_NE(text.find(",-9223372036854775808,9223372036854775807,"), std::string::npos) << text;
}

TEST(ViewSyncDatagram, NegativeCounterAndHugeValuesStayInOneTerminatedText) {
  ViewSyncCamera camera = HeathrowCamera();
  camera.counter = -7;
  camera.altitude = 1e300;  // 301 digits: the text is cut, never overrun
  char text[kViewSyncTextSize];
  EXPECT_EQ(FormatViewSync(camera, text, sizeof text), -1);
  EXPECT_EQ(std::string(text).size(), 255u);
  EXPECT_EQ(std::string(text).substr(0, 3), "-7,");
}

TEST(ViewSyncDatagram, ATextOfExactlyTheBuffersSizeDidNotFit) {
  // A long altitude, then a counter of as many digits as make the whole text
  // 256 characters: it has lost its last comma to the terminator.
  ViewSyncCamera camera = HeathrowCamera();
  camera.counter = 1;
  camera.altitude = 1e182;
  char text[kViewSyncTextSize];
  const int shortest = FormatViewSync(camera, text, sizeof text);
  ASSERT_GE(shortest, 247);  // a counter of at most 10 digits makes it 256
  ASSERT_LE(shortest, 255);
  int counter = 1;
  for (int digits = 1; digits <= 256 - shortest; ++digits) counter *= 10;
  camera.counter = counter;  // 257 - shortest digits
  EXPECT_EQ(FormatViewSync(camera, text, sizeof text), -1);
  camera.counter = counter / 10;
  EXPECT_EQ(FormatViewSync(camera, text, sizeof text), 255);
}

// Each number is written as the receiver's "%f" writes it: the exact binary
// value rounded to six decimals, a tie to the even digit. Checked against the
// C library's printf on the values where a formatter goes wrong, and on a
// sweep of the globe's values.
TEST(ViewSyncDatagram, NumbersAreThoseOfPrintfFixedPoint) {
  std::vector<double> values = {
      0.0078125,   0.0234375, -0.0078125, -0.0, 0.0, 1e-7, 4.9999999e-7, 5e-7, 0.9999995,
      -0.9999995,  179.9999999, -179.99999949999, 89.99999950000001, 1e15 + 0.5, 4503599627370497.0,
      123456789.123456789, 1e-300, 5e-324, 2.5e-6, 7.8125e-3 * 3};
  std::uint64_t state = 88172645463325252u;  // xorshift: the same sweep every run
  for (int i = 0; i < 20000; ++i) {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    values.push_back((static_cast<double>(state >> 11) / 9007199254740992.0 - 0.5) *
                     (i % 2 == 0 ? 360.0 : 100000.0));
  }
  for (const double value : values) {
    ViewSyncCamera camera = HeathrowCamera();
    camera.latitude = camera.longitude = camera.altitude = value;
    camera.heading = camera.tilt = camera.roll = value;
    char field[400];
    std::snprintf(field, sizeof field, "%f,", value);
    const std::string fields = std::string("1510,") + field + field + field + field + field + field;
    ASSERT_EQ(Format(camera), fields + "0,0,") << value;
  }
}

TEST(ViewSyncDatagram, ACameraIsFiniteOnlyWhenEachOfItsSixNumbersIs) {
  EXPECT_TRUE(IsFiniteCamera(HeathrowCamera()));
  double ViewSyncCamera::*fields[] = {&ViewSyncCamera::latitude, &ViewSyncCamera::longitude,
                                      &ViewSyncCamera::altitude, &ViewSyncCamera::heading,
                                      &ViewSyncCamera::tilt,     &ViewSyncCamera::roll};
  for (double ViewSyncCamera::*field : fields) {
    for (double bad : {std::nan(""), HUGE_VAL, -HUGE_VAL}) {
      ViewSyncCamera camera = HeathrowCamera();
      camera.*field = bad;
      EXPECT_FALSE(IsFiniteCamera(camera));
    }
  }
}

TEST(ViewSyncDatagram, OnlyAPositionOnTheGlobeCanBeSent) {
  const struct {
    double latitude;
    double longitude;
    bool onTheGlobe;
  } cases[] = {
      {90.0, 180.0, true},        {-90.0, -180.0, true},    {0.0, 0.0, true},
      {95.0, -0.5, false},        {-90.000001, 0.0, false}, {51.0, 200.0, false},
      {51.0, -180.000001, false}, {1e100, 0.0, false},      {std::nan(""), 0.0, false},
  };
  for (const auto& c : cases) {
    ViewSyncCamera camera = HeathrowCamera();
    camera.latitude = c.latitude;
    camera.longitude = c.longitude;
    EXPECT_EQ(IsOnTheGlobe(camera), c.onTheGlobe) << c.latitude << ", " << c.longitude;
  }
}

TEST(ViewSyncDatagram, CommaDecimalLocaleDoesNotChangeTheText) {
  const char* german = std::setlocale(LC_ALL, "de_DE.UTF-8");
  if (german == nullptr) german = std::setlocale(LC_ALL, "de_DE");
  if (german == nullptr) {
    GTEST_SKIP() << "no comma-decimal locale on this machine (de_DE.UTF-8 not generated)";
  }
  const std::string text = Format(HeathrowCamera());
  std::setlocale(LC_ALL, "C");
  EXPECT_EQ(text, "1510,51.477500,-0.461389,120.500000,270.000000,90.000000,-2.500000,0,0,");
}

}  // namespace
