#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdint>
#include <string>

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
