// The monitor's command line, and real runs of the viewsync-monitor program
// receiving datagrams sent from here to 127.0.0.1.

#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "MonitorOptions.h"
#include "MonitorProcess.h"
#include "TempDir.h"

namespace {

// --- command line ------------------------------------------------------------

bool Options(std::vector<const char*> args, MonitorOptions& options, std::string& error) {
  args.insert(args.begin(), "viewsync-monitor");
  char text[256];
  bool ok =
      ParseMonitorOptions(static_cast<int>(args.size()), args.data(), options, text, sizeof text);
  error = text;
  return ok;
}

TEST(MonitorOptions, DefaultsListenWhereGoogleEarthWould) {
  MonitorOptions options;
  std::string error;
  ASSERT_TRUE(Options({}, options, error));
  EXPECT_STREQ(options.bindAddress, "127.0.0.1");
  EXPECT_EQ(options.port, 7001);
  EXPECT_EQ(options.durationSeconds, 0.0);
  EXPECT_EQ(options.count, 0);
  EXPECT_STREQ(options.csvPath, "");
  EXPECT_STREQ(options.kmlPath, "");
  EXPECT_FALSE(options.help);
}

TEST(MonitorOptions, ReadsEveryOption) {
  MonitorOptions options;
  std::string error;
  ASSERT_TRUE(Options({"--bind=10.0.0.5", "--port", "0", "--duration=2.5", "--count", "300",
                       "--csv", "run.csv", "--kml=path.kml", "-h"},
                      options, error))
      << error;
  EXPECT_STREQ(options.bindAddress, "10.0.0.5");
  EXPECT_EQ(options.port, 0);
  EXPECT_DOUBLE_EQ(options.durationSeconds, 2.5);
  EXPECT_EQ(options.count, 300);
  EXPECT_STREQ(options.csvPath, "run.csv");
  EXPECT_STREQ(options.kmlPath, "path.kml");
  EXPECT_TRUE(options.help);
}

TEST(MonitorOptions, RefusesWhatItCannotUse) {
  const std::vector<std::vector<const char*>> bad = {
      {"--port", "65536"}, {"--port", "-1"},     {"--port", "7001x"},   {"--count", "0"},
      {"--duration", "0"}, {"--duration", "-1"}, {"--duration", "1e3"}, {"--duration", "1,5"},
      {"--count"},         {"--bind", ""},       {"--frobnicate", "1"}, {"7001"},
      {"--help=yes"},      {"--port=7001x"},     {"--kml", ""},         {"--kml"},
      {"--port", "+7001"}, {"--port", " 7001"},  {"--count", "-5"},     {"--count", "1e30"},
      {"--bind", "notanip"}, {"--bind", "300.1.1.1"}, {"--bind", "127.0.0.010"},
      {"--kml-link", "live.kml"},  // a link to no path
  };
  for (const auto& args : bad) {
    MonitorOptions options;
    std::string error;
    EXPECT_FALSE(Options(args, options, error)) << args[0];
    EXPECT_NE(error, "") << args[0];
  }
  MonitorOptions options;
  std::string error;
  EXPECT_FALSE(Options({"--count", "99999999999999999999"}, options, error))
      << "past what 64 bits hold, not wrapped round into range";
}

TEST(MonitorOptions, RefusesTwoOutputsThatNameOneFile) {
  TempDir dir;
  WorkingDirectory here(dir.Path());
  dir.Write("a.kml", "");
  std::filesystem::create_directory(dir.Path() / "sub");
  std::filesystem::create_symlink("a.kml", dir.Path() / "to-a.kml");
  std::filesystem::create_hard_link(dir.Path() / "a.kml", dir.Path() / "also-a.kml");
  const struct {
    std::vector<const char*> args;
    const char* error;  // empty: taken
  } cases[] = {
      {{"--kml", "same.kml", "--kml-link", "same.kml"},
       "--kml-link \"same.kml\" names the same file as --kml \"same.kml\""},
      {{"--kml", "c.kml", "--csv", "c.kml"},
       "--kml \"c.kml\" names the same file as --csv \"c.kml\""},
      {{"--kml", "./a.kml", "--csv", "a.kml"},
       "--kml \"./a.kml\" names the same file as --csv \"a.kml\""},
      {{"--kml", "sub/../new.kml", "--kml-link", "new.kml"},
       "--kml-link \"new.kml\" names the same file as --kml \"sub/../new.kml\""},
      {{"--kml", "a.kml", "--kml-link", "to-a.kml"},
       "--kml-link \"to-a.kml\" names the same file as --kml \"a.kml\""},
      {{"--csv", "also-a.kml", "--kml", "a.kml"},
       "--kml \"a.kml\" names the same file as --csv \"also-a.kml\""},
      {{"--csv", "run.csv", "--kml", "a.kml", "--kml-link", "sub/a.kml"}, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.error);
    MonitorOptions options;
    std::string error;
    EXPECT_EQ(Options(c.args, options, error), c.error[0] == '\0') << error;
    if (c.error[0] != '\0') {
      EXPECT_EQ(error, c.error);
    }
  }
}

// --- real runs ---------------------------------------------------------------

// True when text is a whole number (optionally negative) or, with decimals
// above 0, digits, a point and exactly that many decimals; "-" stands for
// "not seen".
bool IsFigure(const std::string& text, int decimals, bool negative) {
  if (text == "-") return true;
  std::size_t i = negative && !text.empty() && text[0] == '-' ? 1 : 0;
  std::size_t digits = 0;
  while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i, ++digits;
  if (digits == 0) return false;
  if (decimals == 0) return i == text.size();
  if (i >= text.size() || text[i] != '.') return false;
  return text.size() - i - 1 == static_cast<std::size_t>(decimals) &&
         std::all_of(text.begin() + static_cast<long>(i) + 1, text.end(),
                     [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; });
}

// received N malformed M gaps G rate R Hz p50 A ms p99 B ms max C ms first F last L
bool HasSummaryShape(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> words{std::istream_iterator<std::string>(in),
                                 std::istream_iterator<std::string>()};
  const struct {
    const char* label;
    int decimals;
    const char* unit;
  } shape[] = {{"received", 0, nullptr}, {"malformed", 0, nullptr}, {"gaps", 0, nullptr},
               {"rate", 2, "Hz"},        {"p50", 3, "ms"},          {"p99", 3, "ms"},
               {"max", 3, "ms"},         {"first", 0, nullptr},     {"last", 0, nullptr}};
  std::size_t at = 0;
  for (const auto& field : shape) {
    bool counter = field.label[0] == 'f' || field.label[0] == 'l';
    if (at + 2 > words.size() || words[at] != field.label ||
        !IsFigure(words[at + 1], field.decimals, counter)) {
      return false;
    }
    at += 2;
    if (field.unit != nullptr && (at >= words.size() || words[at++] != field.unit)) return false;
  }
  return at == words.size();
}

TEST(MonitorProgram, CountsWhatArrivesAndEndsWithTheSummary) {
  TempDir dir;
  std::string csv = dir.File("run.csv");
  MonitorProcess monitor({"--port", "0", "--count", "6", "--duration", "20", "--csv", csv});
  int port = monitor.ListeningPort();
  ASSERT_GT(port, 0);
  LoopbackPeer sender;
  for (const std::string& text :
       {Datagram(1510), Datagram(1511), Datagram(1513), Datagram(1513),
        std::string("1514,91.0,0,0,0,0,0,0,0,"), Datagram(1514, "earth")}) {
    ASSERT_TRUE(sender.SendTo(port, text));
  }
  std::string summary = monitor.ReadToEnd();
  EXPECT_EQ(monitor.Finish(), 0);

  EXPECT_TRUE(HasSummaryShape(summary)) << summary;
  EXPECT_EQ(summary.rfind("received 6 malformed 1 gaps 1 rate ", 0), 0u) << summary;
  EXPECT_NE(summary.find(" first 1510 last 1514"), std::string::npos) << summary;
  std::string output;
  for (const std::string& line : monitor.Lines()) output += line + "\n";
  EXPECT_NE(output.find("repeats 1"), std::string::npos) << output;
  EXPECT_NE(output.find("malformed: field 2 (latitude) outside -90..90: \"1514,91.0,"),
            std::string::npos)
      << output;

  std::string recorded = dir.Read("run.csv");
  EXPECT_EQ(std::count(recorded.begin(), recorded.end(), '\n'), 7) << recorded;
  EXPECT_NE(recorded.find(",71,ok,1510,51.477500,-0.461389,120.500000,270.000000,90.000000,"
                          "-2.500000,0,0,,,\"1510,"),
            std::string::npos)
      << recorded;
  EXPECT_NE(
      recorded.find(",malformed,,,,,,,,,,,\"field 2 (latitude) outside -90..90\",\"1514,91.0,"),
      std::string::npos)
      << recorded;
  EXPECT_NE(recorded.find(",ok,1514,51.477500,-0.461389,120.500000,270.000000,90.000000,-2.500000,"
                          "0,0,earth,,"),
            std::string::npos)
      << recorded;
}

TEST(MonitorProgram, SummaryShapeCheckRefusesOtherLines) {
  EXPECT_TRUE(HasSummaryShape(
      "received 0 malformed 0 gaps 0 rate - Hz p50 - ms p99 - ms max - ms first - last -"));
  EXPECT_TRUE(
      HasSummaryShape("received 3 malformed 0 gaps 0 rate 30.00 Hz p50 33.333 ms p99 "
                      "34.000 ms max 34.000 ms first -5 last 1512"));
  EXPECT_FALSE(
      HasSummaryShape("received 3 malformed 0 gaps 0 rate 30,00 Hz p50 33.333 ms p99 "
                      "34.000 ms max 34.000 ms first 1510 last 1512"));
  EXPECT_FALSE(
      HasSummaryShape("received 3 malformed 0 gaps 0 rate 30.00 Hz p50 33.333 ms p99 "
                      "34.000 ms max 34.000 ms first 1510 last 1512 repeats 0"));
}

TEST(MonitorProgram, TerminationStillGivesTheSummary) {
  MonitorProcess monitor({"--port", "0"});
  ASSERT_GT(monitor.ListeningPort(), 0);
  monitor.Signal(SIGTERM);
  EXPECT_EQ(monitor.ReadToEnd(),
            "received 0 malformed 0 gaps 0 rate - Hz p50 - ms p99 - ms max - ms first - last -");
  EXPECT_EQ(monitor.Finish(), 0);
}

TEST(MonitorProgram, StopsByItselfAfterItsDuration) {
  MonitorProcess monitor({"--port", "0", "--duration", "0.2"});
  ASSERT_GT(monitor.ListeningPort(), 0);
  EXPECT_EQ(monitor.ReadToEnd().rfind("received 0 malformed 0 gaps 0 ", 0), 0u);
  EXPECT_EQ(monitor.Finish(), 0);
}

TEST(MonitorProgram, TakesTheDatagramsFromAStationSharingThePort) {
  // The station's receive channel holds every address at the port; the
  // monitor, bound to 127.0.0.1 only, is the one that gets the datagrams.
  LoopbackPeer station(0, AnyAddress(), PortSharing::kShared);
  int port = station.Port();
  ASSERT_GT(port, 0);
  MonitorProcess monitor({"--port", std::to_string(port), "--count", "1", "--duration", "20"});
  ASSERT_EQ(monitor.ListeningPort(), port);
  LoopbackPeer sender;
  ASSERT_TRUE(sender.SendTo(port, Datagram(1510)));
  EXPECT_EQ(monitor.ReadToEnd().rfind("received 1 malformed 0 gaps 0 rate - Hz", 0), 0u);
  EXPECT_EQ(monitor.Finish(), 0);
  std::string taken;
  EXPECT_FALSE(station.Next(taken));
}

TEST(MonitorProgram, SaysWhyItCannotListen) {
  LoopbackPeer station(0, AnyAddress());
  int port = station.Port();
  ASSERT_GT(port, 0);
  MonitorProcess monitor({"--port", std::to_string(port)});
  monitor.ReadToEnd();
  EXPECT_EQ(monitor.Finish(), 1);
  EXPECT_EQ(monitor.Lines(),
            std::vector<std::string>({"viewsync-monitor: cannot listen on 127.0.0.1:" +
                                      std::to_string(port) + ": Address already in use"}));

  MonitorProcess confused({"--port", "seven"});
  confused.ReadToEnd();
  EXPECT_EQ(confused.Finish(), 2);
  EXPECT_EQ(confused.Lines(),
            std::vector<std::string>({"viewsync-monitor: --port: unusable value \"seven\"",
                                      "Try 'viewsync-monitor --help' for more information."}));
}

TEST(MonitorProgram, TwoOutputsInOneFileAreAUsageFaultThatWritesNothing) {
  TempDir dir;
  const std::string kml = dir.File("same.kml");
  MonitorProcess monitor({"--port=0", "--duration=0.1", "--kml", kml, "--kml-link", kml});
  monitor.ReadToEnd();
  EXPECT_EQ(monitor.Finish(), 2);
  EXPECT_EQ(monitor.Lines(),
            std::vector<std::string>({"viewsync-monitor: --kml-link \"" + kml +
                                          "\" names the same file as --kml \"" + kml + "\"",
                                      "Try 'viewsync-monitor --help' for more information."}));
  EXPECT_FALSE(std::filesystem::exists(kml));
}

TEST(MonitorProgram, SaysWhyItCannotRecord) {
  TempDir dir;
  const std::string csv = dir.File("gone/run.csv");
  MonitorProcess monitor({"--port=0", "--duration=0.1", "--csv=" + csv});
  monitor.ReadToEnd();
  EXPECT_EQ(monitor.Finish(), 1);
  EXPECT_EQ(monitor.Lines(), std::vector<std::string>({"viewsync-monitor: cannot write " + csv +
                                                       ": No such file or directory"}));
}

TEST(MonitorProgram, VersionNamesTheReleaseAndTheRevision) {
  MonitorProcess monitor({"--version"});
  monitor.ReadToEnd();
  EXPECT_EQ(monitor.Finish(), 0);
  ASSERT_EQ(monitor.Lines().size(), 2u);
  EXPECT_EQ(monitor.Lines()[0], "viewsync-monitor 1.2");
  EXPECT_EQ(monitor.Lines()[1].rfind("git revision ", 0), 0u);
}

}  // namespace
