// The KML document of the cameras received, written into real files and
// read back with xmllint: well-formed at every flush, one point per camera,
// its tracks in the order KML 2.2 wants, marks at the abrupt changes.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <thread>

#include "KmlCheck.h"
#include "KmlRecorder.h"
#include "KmlText.h"
#include "TempDir.h"

namespace {

constexpr double kStart = 1714564800.0;  // 2024-05-01T12:00:00Z

ReceivedCamera Camera(int counter, double altitude = 120.5, double heading = 270.0) {
  ReceivedCamera camera;
  camera.counter = counter;
  camera.latitude = 51.4775;
  camera.longitude = -0.461389 - (counter - 1510) * 1e-5;
  camera.altitude = altitude;
  camera.heading = heading;
  camera.tilt = 90.0;
  camera.roll = -2.5;
  return camera;
}

// Adds the cameras counter first..last, 30 a second from kStart.
void AddLevelFlight(KmlRecorder& kml, int first, int last, double altitude = 120.5,
                    double heading = 270.0) {
  for (int counter = first; counter <= last; ++counter) {
    ASSERT_TRUE(kml.Add(kStart + (counter - 1510) / 30.0, Camera(counter, altitude, heading)))
        << kml.GetErrorText();
  }
}

// Well-formed, its tracks with a when and a coord per point and the whens
// first, everything at absolute altitudes; the number of points.
int CheckedPoints(const KmlFile& kml) {
  EXPECT_EQ(kml.Faults(), "");
  int points = kml.Count("//{Track}/{coord}");
  EXPECT_EQ(kml.Count("//{Track}/{when}"), points);
  EXPECT_EQ(kml.Count("//{Track}/{when}[preceding-sibling::{coord}]"), 0);
  EXPECT_EQ(kml.Count("//{Track}[{altitudeMode}='absolute']"), kml.Count("//{Track}"));
  EXPECT_EQ(kml.Count("//{MultiTrack}[{altitudeMode}='absolute']"), kml.Count("//{MultiTrack}"));
  return points;
}

int Occurrences(const std::string& text, const std::string& what) {
  int count = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
    ++count;
  }
  return count;
}

TEST(KmlRecorder, AFlightIsOneTrackedPathWithAPointPerCamera) {
  TempDir dir;
  KmlRecorder kml;
  ASSERT_TRUE(kml.Open(dir.File("flight.kml").c_str(), "127.0.0.1:7001")) << kml.GetErrorText();
  // More than two chunks held back, with no flush between.
  AddLevelFlight(kml, 1510, 1510 + 2 * KmlRecorder::kChunkPoints + 10);
  ASSERT_TRUE(kml.Close()) << kml.GetErrorText();

  KmlFile file(dir.File("flight.kml"));
  EXPECT_EQ(CheckedPoints(file), 2 * KmlRecorder::kChunkPoints + 11);
  EXPECT_EQ(kml.Points(), 2 * KmlRecorder::kChunkPoints + 11);
  EXPECT_EQ(file.Count("//{Track}"), 3);
  EXPECT_EQ(file.Count("/{kml}/{Document}/{Placemark}"), 1);
  EXPECT_EQ(file.Count("//{Placemark}/{MultiTrack}[{interpolate}='1']/{Track}"), 3);
  EXPECT_EQ(file.Text("/{kml}/{Document}/{name}"), "ViewSync cameras received on 127.0.0.1:7001");
  EXPECT_EQ(file.Text("//{Placemark}/{name}"), "Path from counter 1510");
  EXPECT_EQ(file.Text("//{Track}[1]/{when}[1]"), "2024-05-01T12:00:00.000Z");
  EXPECT_EQ(file.Text("//{Track}[1]/{when}[2]"), "2024-05-01T12:00:00.033Z");
  EXPECT_EQ(file.Text("//{Track}[1]/{coord}[2]"), "-0.461399 51.477500 120.500");
  EXPECT_EQ(file.Text("//{Track}[3]/{when}[11]"), "2024-05-01T12:00:17.400Z");
  EXPECT_EQ(file.Count("//{Placemark}[{Point}]"), 0) << "no abrupt change in level flight";
}

TEST(KmlRecorder, TheFileIsAWholeDocumentAfterEveryFlush) {
  TempDir dir;
  std::string path = dir.File("growing.kml");
  KmlRecorder kml;
  ASSERT_TRUE(kml.Open(path.c_str(), "127.0.0.1:7001"));
  EXPECT_EQ(CheckedPoints(KmlFile(path)), 0) << "an empty document from the start";

  AddLevelFlight(kml, 1510, 1519);
  ASSERT_TRUE(kml.Flush());
  EXPECT_EQ(CheckedPoints(KmlFile(path)), 10);
  ASSERT_TRUE(kml.Flush()) << "a flush with nothing new";
  EXPECT_EQ(CheckedPoints(KmlFile(path)), 10);

  AddLevelFlight(kml, 1520, 1524);
  AddLevelFlight(kml, 1525, 1529, 120.5, 180.0);  // the left window
  ASSERT_TRUE(kml.Flush());
  EXPECT_EQ(CheckedPoints(KmlFile(path)), 20);
  EXPECT_EQ(KmlFile(path).Count("//{Placemark}[{Point}]"), 1);

  ASSERT_TRUE(kml.Close());
  EXPECT_EQ(CheckedPoints(KmlFile(path)), 20);
  std::string text = dir.Read("growing.kml");
  EXPECT_EQ(Occurrences(text, "</kml>"), 1);
  EXPECT_EQ(text.substr(text.size() - 19), "</Document>\n</kml>\n")
      << "nothing left behind the end";
}

TEST(KmlRecorder, AReaderFinishesTheDocumentItBeganWhateverIsWrittenMeanwhile) {
  TempDir dir;
  const std::string path = dir.File("live.kml");
  KmlRecorder kml;
  ASSERT_TRUE(kml.Open(path.c_str(), "127.0.0.1:7001"));
  AddLevelFlight(kml, 1510, 1519);
  ASSERT_TRUE(kml.Flush());
  // Google Earth has read half of it when the next second's points come.
  const int reader = open(path.c_str(), O_RDONLY);
  ASSERT_GE(reader, 0);
  std::string seen(dir.Read("live.kml").size() / 2, '\0');
  ASSERT_EQ(read(reader, seen.data(), seen.size()), static_cast<ssize_t>(seen.size()));
  AddLevelFlight(kml, 1520, 1529);
  ASSERT_TRUE(kml.Flush());
  AddLevelFlight(kml, 1530, 1539);
  ASSERT_TRUE(kml.Close());
  char chunk[4096];
  for (ssize_t got; (got = read(reader, chunk, sizeof chunk)) > 0;) {
    seen.append(chunk, static_cast<std::size_t>(got));
  }
  close(reader);
  dir.Write("seen.kml", seen);
  EXPECT_EQ(CheckedPoints(KmlFile(dir.File("seen.kml"))), 10) << "the document it began, whole";
  EXPECT_EQ(CheckedPoints(KmlFile(path)), 30);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()),
                          std::filesystem::directory_iterator()),
            2)
      << "nothing left beside the document (and the reader's copy)";
}

TEST(KmlRecorder, ALongFlightIsWrittenOutLessOftenSoThatTheCopyingStaysBounded) {
  TempDir dir;
  const std::string path = dir.File("long.kml");
  KmlRecorder kml(4096);  // bytes that a Flush may copy
  ASSERT_TRUE(kml.Open(path.c_str(), "127.0.0.1:7001"));
  AddLevelFlight(kml, 1510, 1609);  // about 9 KB of points
  ASSERT_TRUE(kml.Flush());
  EXPECT_EQ(CheckedPoints(KmlFile(path)), 100) << "the head alone was within the bytes a Flush";
  // A point a second more; with about 10 KB to copy, the document is
  // written out at every third Flush.
  const int expected[] = {100, 100, 103, 103, 103, 106};
  for (int second = 0; second < 6; ++second) {
    SCOPED_TRACE(second);
    AddLevelFlight(kml, 1610 + second, 1610 + second);
    ASSERT_TRUE(kml.Flush());
    EXPECT_EQ(CheckedPoints(KmlFile(path)), expected[second]);
  }
  AddLevelFlight(kml, 1616, 1620);
  ASSERT_TRUE(kml.Close());
  EXPECT_EQ(CheckedPoints(KmlFile(path)), 111) << "the end is always written";
}

TEST(KmlRecorder, ReplacesTheFileALinkLeadsToAndKeepsItsMode) {
  TempDir dir;
  const std::string file = dir.Write("flight.kml", "an older flight");
  ASSERT_EQ(chmod(file.c_str(), 0640), 0);
  std::filesystem::create_symlink("flight.kml", dir.Path() / "latest.kml");
  KmlRecorder kml;
  ASSERT_TRUE(kml.Open(dir.File("latest.kml").c_str(), "127.0.0.1:7001"));
  AddLevelFlight(kml, 1510, 1519);
  ASSERT_TRUE(kml.Close());
  EXPECT_TRUE(std::filesystem::is_symlink(dir.Path() / "latest.kml"));
  EXPECT_EQ(CheckedPoints(KmlFile(file)), 10);
  struct stat status {};
  ASSERT_EQ(stat(file.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 07777, 0640u);
}

TEST(KmlRecorder, AbruptChangesAreMarkedWhereTheyHappenAndSplitThePath) {
  TempDir dir;
  KmlRecorder kml;
  ASSERT_TRUE(kml.Open(dir.File("changes.kml").c_str(), "127.0.0.1:7001"));
  AddLevelFlight(kml, 1510, 1519);
  AddLevelFlight(kml, 1520, 1529, 120.5, 180.0);  // heading 270 -> 180
  AddLevelFlight(kml, 1530, 1539, 123.5, 180.0);  // a 3 m datum trim
  ASSERT_TRUE(kml.Close());
  EXPECT_EQ(kml.Changes(), 2);

  KmlFile file(dir.File("changes.kml"));
  EXPECT_EQ(CheckedPoints(file), 30);
  EXPECT_EQ(file.Count("/{kml}/{Document}/{Placemark}[{MultiTrack}]"), 3);
  EXPECT_EQ(file.Count("/{kml}/{Document}/{Placemark}[{Point}]"), 2);
  // In time order: path, mark, path, mark, path.
  EXPECT_EQ(file.Text("/{kml}/{Document}/{Placemark}[2]/{name}"), "heading -90.0 deg");
  EXPECT_EQ(file.Text("/{kml}/{Document}/{Placemark}[3]/{name}"), "Path from counter 1520");
  EXPECT_EQ(file.Text("/{kml}/{Document}/{Placemark}[4]/{name}"), "altitude +3.00 m");
  EXPECT_EQ(file.Text("/{kml}/{Document}/{Placemark}[5]/{name}"), "Path from counter 1530");

  const std::string trim = "/{kml}/{Document}/{Placemark}[4]";
  EXPECT_EQ(file.Text(trim + "/{description}"),
            "Counter 1530 at 2024-05-01T12:00:00.667Z: heading 180.000 to 180.000 deg (+0.0), "
            "altitude 120.50 to 123.50 m (+3.00), moved 0.7 m.");
  EXPECT_EQ(file.Text(trim + "/{TimeStamp}/{when}"), "2024-05-01T12:00:00.667Z");
  EXPECT_EQ(file.Text(trim + "/{Point}/{coordinates}"), "-0.461589,51.477500,123.500");
  EXPECT_EQ(file.Text(trim + "/{Point}/{altitudeMode}"), "absolute");
  EXPECT_EQ(file.Text(trim + "/{Camera}/{altitude}"), "123.500");
  EXPECT_EQ(file.Text(trim + "/{Camera}/{heading}"), "180.000000");
  EXPECT_EQ(file.Text(trim + "/{Camera}/{roll}"), "-2.500000");
  EXPECT_EQ(file.Text(trim + "/{Camera}/{altitudeMode}"), "absolute");
  // The point after the change begins the next path.
  EXPECT_EQ(file.Text("/{kml}/{Document}/{Placemark}[5]//{coord}[1]"),
            "-0.461589 51.477500 123.500");
}

TEST(KmlRecorder, APipeGetsTheWholeDocumentAtTheEnd) {
  TempDir dir;
  std::string fifo = dir.File("pipe");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  std::string received;
  std::thread reader([&] {
    int in = open(fifo.c_str(), O_RDONLY);
    char chunk[4096];
    for (ssize_t got; (got = read(in, chunk, sizeof chunk)) > 0;) {
      received.append(chunk, static_cast<std::size_t>(got));
    }
    close(in);
  });
  KmlRecorder kml;
  bool opened = kml.Open(fifo.c_str(), "127.0.0.1:7001");
  if (opened) {
    AddLevelFlight(kml, 1510, 1519);
    kml.Flush();
    AddLevelFlight(kml, 1520, 1529);
  }
  bool closed = kml.Close();
  if (!opened) close(open(fifo.c_str(), O_WRONLY | O_NONBLOCK));  // lets the reader go
  reader.join();
  ASSERT_TRUE(opened && closed) << kml.GetErrorText();
  dir.Write("copy.kml", received);
  EXPECT_EQ(CheckedPoints(KmlFile(dir.File("copy.kml"))), 20);
  EXPECT_EQ(Occurrences(received, "</kml>"), 1);
}

TEST(KmlRecorder, FailuresNameTheFileAndTheReason) {
  TempDir dir;
  KmlRecorder missing;
  std::string path = dir.File("gone/flight.kml");
  EXPECT_FALSE(missing.Open(path.c_str(), "127.0.0.1:7001"));
  EXPECT_STREQ(missing.GetErrorText(),
               ("cannot write " + path + ": No such file or directory").c_str());
  EXPECT_FALSE(missing.IsOpen());
  EXPECT_FALSE(missing.Add(kStart, Camera(1510)));

  KmlRecorder full;
  EXPECT_FALSE(full.Open("/dev/full", "127.0.0.1:7001"));
  EXPECT_STREQ(full.GetErrorText(), "cannot write /dev/full: No space left on device");
  EXPECT_FALSE(full.IsOpen());
  EXPECT_TRUE(full.Close()) << "nothing left to close";
}

TEST(KmlText, TimesAreUtcWithMilliseconds) {
  char text[40];
  FormatKmlTime(0.0, text, sizeof text);
  EXPECT_STREQ(text, "1970-01-01T00:00:00.000Z");
  FormatKmlTime(kStart + 0.0334, text, sizeof text);
  EXPECT_STREQ(text, "2024-05-01T12:00:00.033Z");
  FormatKmlTime(kStart + 59.9996, text, sizeof text);
  EXPECT_STREQ(text, "2024-05-01T12:01:00.000Z") << "rounding carries into the seconds";
  FormatKmlTime(1709164800.5, text, sizeof text);
  EXPECT_STREQ(text, "2024-02-29T00:00:00.500Z");
  FormatKmlTime(-0.25, text, sizeof text);
  EXPECT_STREQ(text, "1969-12-31T23:59:59.750Z");
  FormatKmlTime(std::nan(""), text, sizeof text);
  EXPECT_STREQ(text, "1970-01-01T00:00:00.000Z");
}

TEST(KmlText, TheCameraAnglesAreBroughtIntoKmlRanges) {
  ReceivedCamera camera = Camera(1510);
  camera.heading = 370.0;
  camera.tilt = 185.0;
  camera.roll = 190.0;
  char text[512];
  FormatKmlCamera(camera, text, sizeof text);
  std::string element = text;
  EXPECT_NE(element.find("<heading>10.000000</heading>"), std::string::npos) << element;
  EXPECT_NE(element.find("<tilt>180.000000</tilt>"), std::string::npos) << element;
  EXPECT_NE(element.find("<roll>-170.000000</roll>"), std::string::npos) << element;
  camera.heading = -90.0;
  camera.tilt = -3.0;
  FormatKmlCamera(camera, text, sizeof text);
  element = text;
  EXPECT_NE(element.find("<heading>270.000000</heading>"), std::string::npos) << element;
  EXPECT_NE(element.find("<tilt>0.000000</tilt>"), std::string::npos) << element;
}

}  // namespace
