// Requests to end the station from outside, as the window's event loop sees
// them: a readable descriptor and the signal that came first.

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>

#include "StopSignals.h"

namespace {

bool Readable(int descriptor) {
  pollfd waiting{descriptor, POLLIN, 0};
  return poll(&waiting, 1, 0) == 1;
}

class StopSignals : public ::testing::Test {
 protected:
  void TearDown() override { Platform::StopWatchingStopSignals(); }
};

TEST_F(StopSignals, ARequestIsNotedAndMadeReadableInsteadOfEndingTheProgram) {
  const int descriptor = Platform::WatchStopSignals();
  ASSERT_GE(descriptor, 0);
  EXPECT_EQ(Platform::WatchStopSignals(), descriptor) << "installed once";
  EXPECT_FALSE(Readable(descriptor));
  EXPECT_EQ(Platform::TakeStopSignal(), 0);
  ASSERT_EQ(raise(SIGHUP), 0);
  EXPECT_TRUE(Readable(descriptor));
  EXPECT_EQ(Platform::TakeStopSignal(), SIGHUP);
  EXPECT_FALSE(Readable(descriptor)) << "taken: the loop is not woken again for it";
}

using StopSignalsDeathTest = StopSignals;

TEST_F(StopSignalsDeathTest, ASecondRequestEndsTheProgramAtOnceByItsOwnDefault) {
  EXPECT_EXIT(
      {
        Platform::WatchStopSignals();
        raise(SIGTERM);  // noted: the close-down would begin
        raise(SIGINT);   // while it runs: the end, now
        _exit(0);
      },
      ::testing::KilledBySignal(SIGINT), "");
}

}  // namespace
