// The program clock's schedule: exact deadlines, late passes counted, missed ticks dropped.
#include <thread>

#include <gtest/gtest.h>

#include "playout/program_clock.h"

namespace vexto {
namespace {

TEST(ProgramClock, DeadlinesAreExactAndNeverDrift) {
  EXPECT_EQ(ProgramTickNs(0), 0);
  EXPECT_EQ(ProgramTickNs(1), 33366666);
  EXPECT_EQ(ProgramTickNs(30000), 1001LL * 1000000000LL);  // 30000 frames are exactly 1001 s
  // Ten days of ticks, still exact at every multiple of 30000.
  const int64_t ten_days = 10LL * 24 * 3600 * 30000 / 1001;
  const int64_t n = ten_days / 30000 * 30000;
  EXPECT_EQ(ProgramTickNs(n), n / 30000 * 1001LL * 1000000000LL);
  EXPECT_GT(ProgramTickNs(n + 1), ProgramTickNs(n));
}

TEST(ProgramClock, PacesAtTheProgramRate) {
  RealTimeProgramClock clock;
  clock.Start();
  const int64_t t0 = MonotonicNowNs();
  for (int i = 0; i < 15; ++i) clock.WaitNextTick();
  const int64_t elapsed = MonotonicNowNs() - t0;
  EXPECT_GE(elapsed, ProgramTickNs(15) - 1000000);
  EXPECT_EQ(clock.LatePasses(), 0);
}

TEST(ProgramClock, ALatePassIsCountedAndItsMissedTicksAreDroppedNotBurst) {
  RealTimeProgramClock clock;
  clock.Start();
  clock.WaitNextTick();
  std::this_thread::sleep_for(std::chrono::milliseconds(120));  // overruns about 3 ticks
  clock.WaitNextTick();
  EXPECT_EQ(clock.LatePasses(), 1);
  EXPECT_GE(clock.DroppedTicks(), 2);
  // The next wait is a whole tick again, not a burst of the missed ones.
  const int64_t t0 = MonotonicNowNs();
  clock.WaitNextTick();
  EXPECT_GT(MonotonicNowNs() - t0, 20000000);
}

}  // namespace
}  // namespace vexto
