// A station set to follow the simulator (--follow-simulator): a fake
// simulator changes the record at given times of the fake clock, whatever
// the station does meanwhile, and every send is timed as it happens with
// the write it carried. Time passes only on the fake clock.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <ostream>
#include <vector>

#include "StationRig.h"

namespace {

constexpr std::int64_t kMicrosecond = 1000;
constexpr std::int64_t kMillisecond = 1000000;
constexpr std::int64_t kSecond = 1000000000;

class FollowSimulator : public StationRig {
 protected:
  struct Sent {
    std::int64_t at;
    int write;  // the write whose values it carried; -1 none
  };

  StationSettings Settings() override {
    StationSettings settings = StationRig::Settings();
    settings.followSimulator = true;
    return settings;
  }

  void SetUp() override {
    pump.PassTimeOn(clock);
    clock.SetCounterStep(kMicrosecond);
  }

  // The simulator writes `hz` times a second from `from` to `until` seconds
  // of the run, each write up to `jitter` early or late (the same series on
  // every run), its latitude telling which write it is.
  void Writes(double hz, double from, double until, std::int64_t jitter = 0) {
    std::uint32_t seed = 12345;
    for (double t = from; t < until; t += 1.0 / hz) {
      seed = seed * 1103515245u + 12345u;
      const std::int64_t off =
          jitter == 0 ? 0 : static_cast<std::int64_t>(seed >> 8) % (2 * jitter + 1) - jitter;
      m_plan.push_back(std::llround(t * 1e9) + off);
    }
    std::sort(m_plan.begin(), m_plan.end());
  }

  // Connects and runs the station for `seconds` of the fake clock.
  void Run(int rate, double seconds) {
    sendRate = rate;
    Start();
    Sim().latitude = 1.0;
    base = clock.Nanoseconds();
    for (std::size_t k = 0; k < m_plan.size(); ++k) {
      clock.At(base + m_plan[k], [this, k] {
        Sim().latitude = 10.0 + 0.0001 * static_cast<double>(k);
        writes.push_back(clock.Nanoseconds() - base);
      });
    }
    pump.Post([this] { station->SetDestination(LoopbackAddress()); });
    pump.PostAt(base + std::llround(seconds * 1e9), [this] { station->End(); });
    int sentBefore = 0;
    int framesBefore = -1;
    pump.SetIdle([&] {
      const int sent = station->GetSentDatagrams();
      const int frames = station->GetFrameCount();
      if (sent - sentBefore > std::max(frames - framesBefore, 0)) ++twoSendsInAStep;
      for (; sentBefore < sent; ++sentBefore) {
        const double latitude = station->GetCamera().latitude;
        const int write =
            latitude < 5.0 ? -1 : static_cast<int>(std::lround((latitude - 10.0) * 1e4));
        sends.push_back({clock.Nanoseconds() - base, write});
      }
      framesBefore = frames;
    });
    station->Connect();
    pump.SetIdle(nullptr);
  }

  // The delay of each write made from `from` to `until` seconds: from the
  // write to the first send that carried it or a later one.
  std::vector<std::int64_t> Delays(double from, double until) const {
    std::vector<std::int64_t> delays;
    for (std::size_t k = 0; k < writes.size(); ++k) {
      if (writes[k] < from * 1e9 || writes[k] > until * 1e9) continue;
      for (const Sent& send : sends) {
        if (send.write >= static_cast<int>(k)) {
          delays.push_back(send.at - writes[k]);
          break;
        }
      }
    }
    return delays;
  }
  static std::int64_t Most(const std::vector<std::int64_t>& values) {
    return values.empty() ? -1 : *std::max_element(values.begin(), values.end());
  }
  // The sends from `from` to `until` seconds.
  std::vector<std::int64_t> SendTimes(double from, double until) const {
    std::vector<std::int64_t> times;
    for (const Sent& send : sends) {
      if (send.at >= from * 1e9 && send.at <= until * 1e9) times.push_back(send.at);
    }
    return times;
  }

  std::int64_t base = 0;
  std::vector<std::int64_t> writes;  // when each write was made, from the run's start
  std::vector<Sent> sends;
  int twoSendsInAStep = 0;

 private:
  std::vector<std::int64_t> m_plan;
};

// Writers the station is given. However fast or unsteady the writer, no
// more sends than the rate: never two within half a send period, never more
// than one over the rate in any second, never two in one frame step. The
// writers it locks onto (`mostDelay` set): once it has (within the first
// second), every write is sent within `mostDelay` of being made, and the
// sends come `sendsPerSecond` a second: after each write where the rate
// allows, after every second one where the writer is twice as fast.
struct WriterCase {
  double hz;
  int rate;
  std::int64_t jitter;
  int sendsPerSecond;
  std::int64_t mostDelay;  // 0: not locked onto (writes off the rate)
};

void PrintTo(const WriterCase& c, std::ostream* os) {
  *os << c.hz << " Hz writes, --rate " << c.rate << ", jitter " << c.jitter / kMicrosecond << " us";
}

class Writer : public FollowSimulator, public ::testing::WithParamInterface<WriterCase> {
 protected:
  void SetUp() override { FollowSimulator::SetUp(); }
};

TEST_P(Writer, IsFollowedWithinTheRate) {
  const WriterCase c = GetParam();
  Writes(c.hz, 0.0, 6.0, c.jitter);
  Run(c.rate, 5.0);
  const std::vector<std::int64_t> times = SendTimes(0.0, 5.0);
  ASSERT_GT(times.size(), static_cast<std::size_t>(4 * c.rate));
  const std::int64_t period = kSecond / c.rate;
  for (std::size_t i = 1; i < times.size(); ++i) {
    EXPECT_GE(times[i] - times[i - 1], period / 2) << i;
  }
  for (std::size_t i = 0; i < times.size(); ++i) {
    const auto inSecond = std::upper_bound(times.begin(), times.end(), times[i] + kSecond) -
                          (times.begin() + static_cast<std::ptrdiff_t>(i));
    EXPECT_LE(inSecond, c.rate + 1) << "from send " << i;
  }
  EXPECT_EQ(twoSendsInAStep, 0);
  if (c.mostDelay == 0) return;
  const std::vector<std::int64_t> delays = Delays(1.0, 3.9);
  ASSERT_GT(delays.size(), 80u);
  EXPECT_LE(Most(delays), c.mostDelay);
  EXPECT_NEAR(static_cast<double>(SendTimes(1.0, 3.0).size()), 2.0 * c.sendsPerSecond, 1.0);
}

constexpr std::int64_t kAfterWrite = 500 * kMicrosecond;

INSTANTIATE_TEST_SUITE_P(
    Writers, Writer,
    ::testing::Values(WriterCase{60, 60, 0, 60, kAfterWrite}, WriterCase{50, 60, 0, 50, kAfterWrite},
                      WriterCase{120, 60, 0, 60, 8333 * kMicrosecond + kAfterWrite},
                      WriterCase{30, 30, 0, 30, kAfterWrite},
                      WriterCase{60, 30, 0, 30, 16667 * kMicrosecond + kAfterWrite},
                      WriterCase{60, 60, 1500 * kMicrosecond, 60, 1500 * kMicrosecond},
                      WriterCase{63, 60, 0, 0, 0}, WriterCase{60, 60, 2 * kMillisecond, 0, 0},
                      WriterCase{100, 30, 0, 0, 0}));

// Writes stop for two seconds (a paused simulator): the sends go on at the
// loop's own pace, one send period apart, and follow again once the writes
// come back at another phase.
TEST_F(FollowSimulator, KeepsItsOwnPaceWhileTheRecordStandsStillAndLocksOnAgain) {
  Writes(60, 0.0, 2.0);
  Writes(60, 4.007, 6.0);
  Run(60, 6.0);
  const std::vector<std::int64_t> still = SendTimes(2.3, 4.0);
  ASSERT_GT(still.size(), 90u);
  for (std::size_t i = 1; i < still.size(); ++i) {
    EXPECT_NEAR(still[i] - still[i - 1], kSecond / 60, 20 * kMicrosecond) << i;
  }
  EXPECT_LE(Most(Delays(1.0, 1.9)), 500 * kMicrosecond);
  EXPECT_LE(Most(Delays(5.0, 5.9)), 500 * kMicrosecond);
  EXPECT_EQ(twoSendsInAStep, 0);
}

}  // namespace
