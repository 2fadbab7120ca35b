// The control socket's share of the loop's thread in the station without a
// window: serving stops once a window's share is spent, and comes back with
// the next window. Time passes only on the fake clock.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "ClockFake.h"
#include "ControlShare.h"

namespace {

constexpr std::int64_t kMicrosecond = 1000;

// One pass: the time before it, how long serving took, and whether it was
// to be served at all.
struct Pass {
  std::int64_t waitBefore;
  std::int64_t serving;
  bool served;
};

struct ShareCase {
  const char* what;
  std::vector<Pass> passes;
};

class ControlShareCases : public ::testing::TestWithParam<ShareCase> {};

TEST_P(ControlShareCases, ServesWithinTheShareOfEachWindow) {
  Platform::FakeClock clock;
  ControlShare share(clock);
  int index = 0;
  for (const Pass& pass : GetParam().passes) {
    clock.AdvanceNanoseconds(pass.waitBefore);
    const bool may = share.MayServe();
    EXPECT_EQ(may, pass.served) << GetParam().what << ", pass " << index;
    if (may) {
      const std::int64_t begun = share.Now();
      clock.AdvanceNanoseconds(pass.serving);
      share.Served(begun);
    }
    ++index;
  }
}

constexpr std::int64_t kShare = ControlShare::kShareNanoseconds;
constexpr std::int64_t kWindow = ControlShare::kWindowNanoseconds;

INSTANTIATE_TEST_SUITE_P(
    Clients, ControlShareCases,
    ::testing::Values(
        // A client asking now and then is always served.
        ShareCase{"now and then",
                  {{0, 20 * kMicrosecond, true},
                   {kWindow / 2, 20 * kMicrosecond, true},
                   {kWindow, 20 * kMicrosecond, true}}},
        // One asking as fast as it can: served until the share is spent,
        // then not before the next window.
        ShareCase{"flood",
                  {{0, kShare / 2, true},
                   {0, kShare / 2, true},
                   {0, 10 * kMicrosecond, false},
                   {kWindow / 2, 10 * kMicrosecond, false},
                   {kWindow / 2 - kShare, 10 * kMicrosecond, true}}},
        // A long pass spends the share at once; it is not carried over.
        ShareCase{
            "one long pass",
            {{0, 3 * kShare, true}, {0, 0, false}, {kWindow, kShare / 2, true}, {0, 0, true}}}));

TEST(ControlShare, TellsHowLongUntilTheNextWindow) {
  Platform::FakeClock clock;
  ControlShare share(clock);
  const std::int64_t begun = share.Now();
  clock.AdvanceNanoseconds(2 * kShare);
  share.Served(begun);
  EXPECT_FALSE(share.MayServe());
  EXPECT_EQ(share.UntilNextWindow(), kWindow - 2 * kShare);
  clock.AdvanceNanoseconds(kWindow);
  EXPECT_EQ(share.UntilNextWindow(), 0);
  EXPECT_TRUE(share.MayServe());
}

}  // namespace
