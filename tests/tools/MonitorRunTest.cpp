// The monitor's run on a stepped clock: the end of --duration, the line
// each second and the files written before each line, without waiting for
// any of them.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ClockFake.h"
#include "MonitorRun.h"
#include "TempDir.h"

namespace {

// Hands over datagrams at chosen times of the clock; a wait moves the clock
// on to the next arrival or by the whole time asked for.
class ScriptedSource : public DatagramSource {
 public:
  explicit ScriptedSource(Platform::FakeClock& clock) : m_clock(clock) {}

  // Arrivals in time order, seconds after the clock's zero.
  void ArriveAt(double seconds, std::string text) {
    m_arrivals.push_back({std::llround(seconds * 1e9), std::move(text)});
  }
  // Runs before each wait, with the clock where the run left it.
  void BeforeEachWait(std::function<void()> action) { m_beforeWait = std::move(action); }

  int Wait(int timeoutMs) override {
    if (m_beforeWait) m_beforeWait();
    const std::int64_t now = m_clock.Nanoseconds();
    if (Due()) return 1;
    const std::int64_t until = now + static_cast<std::int64_t>(timeoutMs) * 1000000;
    const bool comes = m_next < m_arrivals.size() && m_arrivals[m_next].at <= until;
    m_clock.AdvanceNanoseconds((comes ? m_arrivals[m_next].at : until) - now);
    return comes ? 1 : 0;
  }

  int Receive(char* buffer, std::size_t size, std::size_t& length) override {
    length = 0;
    if (!Due()) return 0;
    const std::string& text = m_arrivals[m_next++].text;
    length = text.size() < size ? text.size() : size;
    std::memcpy(buffer, text.data(), length);
    return 1;
  }

 private:
  struct Arrival {
    std::int64_t at;
    std::string text;
  };
  bool Due() const {
    return m_next < m_arrivals.size() && m_arrivals[m_next].at <= m_clock.Nanoseconds();
  }

  Platform::FakeClock& m_clock;
  std::vector<Arrival> m_arrivals;
  std::size_t m_next = 0;
  std::function<void()> m_beforeWait;
};

std::string Camera(int counter) {
  char text[128];
  std::snprintf(text, sizeof text, "%d,51.477500,-0.461389,%.6f,270.000000,90.000000,0.000000,0,0,",
                counter, 100.0 + counter - 1510);
  return text;
}

std::size_t Occurrences(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}

class MonitorRunTest : public ::testing::Test {
 protected:
  // Thirty datagrams a second, the first 10 ms after the start.
  void StationSendsFor(double seconds) {
    for (int k = 0; 0.01 + k / 30.0 < seconds; ++k)
      m_source.ArriveAt(0.01 + k / 30.0, Camera(1510 + k));
  }

  // The run's lines that start with "t ".
  std::vector<std::string> Run() {
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    m_run = std::make_unique<MonitorRun>(m_options, m_source, m_csv, m_kml, m_clock,
                                         MonitorOutput{out, err}, nullptr);
    m_healthy = m_run->Run();
    m_errors = ReadBack(err);
    std::vector<std::string> lines;
    std::string text = ReadBack(out);
    for (std::size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos;
         start = end + 1) {
      if (text.compare(start, 2, "t ") == 0) lines.push_back(text.substr(start, end - start));
    }
    return lines;
  }

  static std::string ReadBack(std::FILE* file) {
    std::string text;
    std::rewind(file);
    for (int c; (c = std::fgetc(file)) != EOF;) text += static_cast<char>(c);
    std::fclose(file);
    return text;
  }

  static std::string Start(const std::string& line, const char* through) {
    return line.substr(0, line.find(through) + std::strlen(through));
  }

  Platform::FakeClock m_clock;
  ScriptedSource m_source{m_clock};
  MonitorOptions m_options;
  CsvRecorder m_csv;
  KmlRecorder m_kml;
  std::unique_ptr<MonitorRun> m_run;
  bool m_healthy = false;
  std::string m_errors;
  TempDir m_dir;
};

TEST_F(MonitorRunTest, EndsAtItsDurationAfterALineEverySecond) {
  m_options.durationSeconds = 3.5;
  StationSendsFor(10.0);
  std::vector<std::string> lines = Run();
  EXPECT_TRUE(m_healthy);
  EXPECT_EQ(m_errors, "");
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(Start(lines[0], " Hz"),
            "t 1.0 s received 30 malformed 0 gaps 0 lost 0 repeats 0 backwards 0 now 30.0 Hz");
  EXPECT_EQ(Start(lines[1], " received 60 "), "t 2.0 s received 60 ");
  EXPECT_EQ(Start(lines[2], " received 90 "), "t 3.0 s received 90 ");
  EXPECT_EQ(Start(lines[3], " received 105 "), "t 3.5 s received 105 ")
      << "the last line at the end";
  EXPECT_EQ(m_run->Statistics().Counts().received, 105);
  EXPECT_LT(m_clock.Nanoseconds(), 3502000000) << "no wait ran past the end";
}

TEST_F(MonitorRunTest, WithoutDatagramsTheLinesStillComeEachSecond) {
  m_options.durationSeconds = 2.5;
  std::vector<std::string> lines = Run();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(Start(lines[0], " received 0 "), "t 1.0 s received 0 ");
  EXPECT_EQ(Start(lines[1], " received 0 "), "t 2.0 s received 0 ");
  EXPECT_EQ(Start(lines[2], " received 0 "), "t 2.5 s received 0 ");
}

TEST_F(MonitorRunTest, ACountEndsTheRunAtItsDatagramBeforeTheDuration) {
  m_options.durationSeconds = 60.0;
  m_options.count = 45;
  StationSendsFor(10.0);
  std::vector<std::string> lines = Run();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(Start(lines[1], " received 45 "), "t 1.5 s received 45 ");
}

TEST_F(MonitorRunTest, BetweenTheLinesTheKmlPathIsWholeAndHoldsWhatTheLastLineCounted) {
  const std::string path = m_dir.File("flight.kml");
  ASSERT_TRUE(m_kml.Open(path.c_str(), "127.0.0.1:7001"));
  m_options.durationSeconds = 2.5;
  StationSendsFor(10.0);
  std::vector<std::size_t> seen;  // points in the file at each half second
  m_source.BeforeEachWait([&] {
    if (m_clock.Nanoseconds() >= static_cast<std::int64_t>(seen.size() + 1) * 500000000) {
      std::string kml = m_dir.Read("flight.kml");
      EXPECT_EQ(kml.compare(kml.size() - 7, 7, "</kml>\n"), 0) << "at " << m_clock.Nanoseconds();
      seen.push_back(Occurrences(kml, "<gx:coord>"));
    }
  });
  Run();
  ASSERT_TRUE(m_kml.Close());
  EXPECT_EQ(seen, (std::vector<std::size_t>{0, 30, 30, 60})) << "flushed with each line only";
  EXPECT_EQ(Occurrences(m_dir.Read("flight.kml"), "<gx:coord>"), 75u) << "every point at the end";
}

}  // namespace
