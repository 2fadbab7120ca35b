// viewsync-monitor --kml: the built program fed with datagrams sent from here
// to 127.0.0.1, its path read back with xmllint.

#include <gtest/gtest.h>
#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "KmlCheck.h"
#include "MonitorProcess.h"
#include "TempDir.h"

namespace {

// A camera as the station sends it, climbing 0.5 m a datagram.
std::string Flying(int counter, double heading) {
  char text[128];
  std::snprintf(text, sizeof text, "%d,51.477500,-0.461389,%.6f,%.6f,90.000000,0.000000,0,0,",
                counter, 100.0 + 0.5 * (counter - 1510), heading);
  return text;
}

// Reads the monitor's lines until one a second counts this many datagrams;
// the files are flushed before that line is printed.
bool WaitUntilCounted(MonitorProcess& monitor, int received) {
  const std::string counted = " received " + std::to_string(received) + " malformed ";
  for (std::string line; monitor.ReadLine(line);) {
    if (line.rfind("t ", 0) == 0 && line.find(counted) != std::string::npos) return true;
  }
  return false;
}

bool EndsTheDocument(const std::string& text) {
  const std::string end = "</Document>\n</kml>\n";
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

TEST(MonitorKml, WritesEveryCameraReceivedAsATrackWithAMarkWhereTheViewJumped) {
  TempDir dir;
  const std::string path = dir.File("flight.kml");
  MonitorProcess monitor({"--port", "0", "--count", "61", "--duration", "30", "--kml", path});
  int port = monitor.ListeningPort();
  ASSERT_GT(port, 0);
  LoopbackPeer sender;
  // Two seconds of flight; after one the crew picks the left window.
  for (int counter = 1510; counter < 1570; ++counter) {
    ASSERT_TRUE(sender.SendTo(port, Flying(counter, counter < 1540 ? 270.0 : 180.0)));
    if (counter == 1520) {
      ASSERT_TRUE(sender.SendTo(port, "1521,51.4775,-0.461389"));
    }
  }
  std::string summary = monitor.ReadToEnd();
  ASSERT_EQ(monitor.Finish(), 0) << summary;
  EXPECT_EQ(summary.rfind("received 61 malformed 1 gaps 0 ", 0), 0u) << summary;

  KmlFile kml(path);
  EXPECT_EQ(kml.Faults(), "");
  EXPECT_EQ(kml.Count("//{Placemark}/{MultiTrack}/{Track}/{coord}"), 60);
  EXPECT_EQ(kml.Count("//{Track}/{when}"), 60);
  EXPECT_EQ(kml.Count("//{Track}/{when}[preceding-sibling::{coord}]"), 0);
  EXPECT_EQ(kml.Text("//{Placemark}[1]//{Track}[1]/{coord}[1]"), "-0.461389 51.477500 100.000");
  EXPECT_EQ(kml.Count("//{Placemark}[{Point}]"), 1);
  EXPECT_EQ(kml.Text("//{Placemark}[{Point}]/{name}"), "heading -90.0 deg");
  EXPECT_EQ(kml.Text("//{Placemark}[{Point}]/{description}").rfind("Counter 1540 at ", 0), 0u);
}

TEST(MonitorKml, AnInterruptedRunEndsTheDocumentItShowedWhileGrowing) {
  for (int signal : {SIGINT, SIGTERM}) {
    SCOPED_TRACE(signal == SIGINT ? "SIGINT" : "SIGTERM");
    TempDir dir;
    const std::string path = dir.File("flight.kml");
    MonitorProcess monitor({"--port", "0", "--kml", path});
    int port = monitor.ListeningPort();
    ASSERT_GT(port, 0);
    LoopbackPeer sender;
    for (int counter = 1510; counter < 1522; ++counter)
      ASSERT_TRUE(sender.SendTo(port, Flying(counter, 270.0)));

    ASSERT_TRUE(WaitUntilCounted(monitor, 12));
    KmlFile kml(path);
    EXPECT_EQ(kml.Faults(), "") << "while the monitor runs";
    EXPECT_EQ(kml.Count("//{Track}/{coord}"), 12);

    monitor.Signal(signal);
    EXPECT_EQ(monitor.ReadToEnd().rfind("received 12 malformed 0 ", 0), 0u);
    EXPECT_EQ(monitor.Finish(), 0);
    EXPECT_EQ(kml.Faults(), "");
    EXPECT_EQ(kml.Count("//{Track}/{coord}"), 12);
    EXPECT_TRUE(EndsTheDocument(dir.Read("flight.kml")));
  }
}

TEST(MonitorKml, TheEndOfItsDurationEndsTheDocument) {
  TempDir dir;
  const std::string path = dir.File("flight.kml");
  MonitorProcess monitor({"--port", "0", "--duration", "0.5", "--kml", path});
  int port = monitor.ListeningPort();
  ASSERT_GT(port, 0);
  LoopbackPeer sender;
  for (int counter = 1510; counter < 1515; ++counter)
    ASSERT_TRUE(sender.SendTo(port, Flying(counter, 270.0)));
  std::string summary = monitor.ReadToEnd();
  ASSERT_EQ(monitor.Finish(), 0) << summary;
  // However many arrived within the half second, the path holds each.
  ASSERT_EQ(summary.rfind("received ", 0), 0u) << summary;
  int received = std::atoi(summary.c_str() + std::string("received ").size());
  KmlFile kml(path);
  EXPECT_EQ(kml.Faults(), "");
  EXPECT_EQ(kml.Count("//{Track}/{coord}"), received);
  EXPECT_TRUE(EndsTheDocument(dir.Read("flight.kml")));
}

TEST(MonitorKml, ALinkFileMakesGoogleEarthReloadThePathEverySecond) {
  TempDir dir;
  const std::string link = dir.File("live.kml");
  MonitorProcess monitor(
      {"--port", "0", "--duration", "0.1", "--kml", dir.File("flight.kml"), "--kml-link", link});
  const std::string source = "127.0.0.1:" + std::to_string(monitor.ListeningPort());
  monitor.ReadToEnd();
  EXPECT_EQ(monitor.Finish(), 0);
  KmlFile kml(link);
  EXPECT_EQ(kml.Faults(), "");
  EXPECT_EQ(kml.Count("/*[namespace-uri()='http://www.opengis.net/kml/2.2']"), 1);
  const struct {
    const char* path;
    std::string value;
  } elements[] = {
      {"/{kml}/{NetworkLink}/{name}", "ViewSync cameras received on " + source + ", live"},
      {"/{kml}/{NetworkLink}/{Link}/{href}", "flight.kml"},  // beside it: they move together
      {"/{kml}/{NetworkLink}/{Link}/{refreshMode}", "onInterval"},
      {"/{kml}/{NetworkLink}/{Link}/{refreshInterval}", "1"},
  };
  for (const auto& element : elements) EXPECT_EQ(kml.Text(element.path), element.value);
}

TEST(MonitorKml, SaysWhyItCannotWriteThePath) {
  TempDir dir;
  const std::string path = dir.File("gone/flight.kml");
  MonitorProcess monitor({"--port", "0", "--duration", "0.1", "--kml=" + path});
  monitor.ReadToEnd();
  EXPECT_EQ(monitor.Finish(), 1);
  EXPECT_EQ(monitor.Lines(), std::vector<std::string>({"viewsync-monitor: cannot write " + path +
                                                       ": No such file or directory"}));
}

TEST(MonitorKml, AFileThatFillsUpIsToldOnceWhileTheMonitorGoesOn) {
  TempDir dir;
  const std::string path = dir.File("flight.kml");
  // Room for the document's head and a few dozen points, not for a hundred.
  MonitorProcess monitor({"--port", "0", "--count", "105", "--duration", "30", "--kml", path},
                         4096);
  int port = monitor.ListeningPort();
  ASSERT_GT(port, 0);
  LoopbackPeer sender;
  for (int counter = 1510; counter < 1610; ++counter)
    ASSERT_TRUE(sender.SendTo(port, Flying(counter, 270.0)));
  ASSERT_TRUE(WaitUntilCounted(monitor, 100));
  for (int counter = 1610; counter < 1615; ++counter)
    ASSERT_TRUE(sender.SendTo(port, Flying(counter, 270.0)));
  std::string summary = monitor.ReadToEnd();
  EXPECT_EQ(monitor.Finish(), 1);
  EXPECT_EQ(summary.rfind("received 105 malformed 0 gaps 0 ", 0), 0u) << summary;
  int told = 0;
  for (const std::string& line : monitor.Lines()) {
    if (line.rfind("viewsync-monitor: ", 0) != 0) continue;
    ++told;
    EXPECT_EQ(line, "viewsync-monitor: cannot write " + path + ": File too large");
  }
  EXPECT_EQ(told, 1);
  // The file is put back to the last whole document it held.
  KmlFile kml(path);
  EXPECT_EQ(kml.Faults(), "");
  EXPECT_TRUE(EndsTheDocument(dir.Read("flight.kml")));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()),
                          std::filesystem::directory_iterator()),
            1)
      << "nothing left beside it";
}

}  // namespace
