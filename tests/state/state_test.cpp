#include "engine/state/state.h"

#include <gtest/gtest.h>

#include <atomic>
#include <limits>
#include <thread>

namespace vexto {
namespace {

TEST(TState, ConstructorStoresEveryArgument) {
  const TState s(eST_PlayFwd, -1.0, 0.0, 1.0, "", true);
  EXPECT_EQ(s.state(), eST_PlayFwd);
  EXPECT_EQ(s.dblFrameRequest(), -1.0);
  EXPECT_EQ(s.dblDuration(), 0.0);
  EXPECT_EQ(s.dblRate(), 1.0);
  EXPECT_EQ(s.strFileName(), "");
  EXPECT_TRUE(s.bLoop());
  static_assert(sizeof(eState) == 1);
  static_assert(eST_PlayFwd == 0 && eST_Pause == 1 && eST_PlayRev == 2 && eST_StepFwd == 3 &&
                eST_StepRev == 4);
}

TEST(SeekPGM, ClampsToDuration) {
  TState s(eST_Pause, -1.0, 120.0, 1.0, "", true);
  const struct {
    double x, expected;
  } cases[] = {{-5, 0}, {1e9, 120}, {42.5, 42.5},
               {0, 0},  {120, 120}, {std::numeric_limits<double>::quiet_NaN(), 0}};
  for (const auto& c : cases) {
    seekPGM(s, c.x);
    EXPECT_EQ(s.dblFrameRequest(), c.expected) << c.x;
  }
  EXPECT_EQ(s.state(), eST_Pause);  // nothing else changes
  s.setDblDuration(0.0);
  for (const double x : {-1.0, 0.0, 3.0}) {
    seekPGM(s, x);
    EXPECT_EQ(s.dblFrameRequest(), 0.0);
  }
}

TEST(TState, FieldsAreSharedSafelyBetweenTwoThreads) {
  TState s(eST_PlayFwd, -1.0, 10.0, 1.0, "", true);
  std::atomic<bool> stop{false};
  std::thread pump([&] {
    while (!stop.load()) {
      if (s.state() == eST_StepFwd) s.setState(eST_Pause);
      s.setDblFrameRequest(-s.dblRate());
    }
  });
  for (int i = 0; i < 20000; ++i) {
    s.setState(eST_StepFwd);
    s.setDblRate(i % 2 ? 3.0 : 1.0);
    seekPGM(s, i * 0.001);
  }
  stop = true;
  pump.join();
  const double r = s.dblFrameRequest();
  EXPECT_TRUE(r <= 10.0 && r >= -3.0);
}

TEST(PublishedTime, ReaderAlwaysSeesOneRecordWhole) {
  PublishedTime time;
  EXPECT_EQ(time.Load().rtStartTime, 0);
  EXPECT_EQ(time.Load().eFFlags, 0u);
  std::atomic<bool> stop{false};
  std::thread pump([&] {
    for (int64_t i = 1; !stop.load(); ++i) {
      time.Store({i * 1000, i * 1000 + 333, uint32_t(i & 0xFFFF)});
    }
  });
  for (int i = 0; i < 200000; ++i) {
    const media::M_TIME t = time.Load();
    ASSERT_EQ(t.rtEndTime, t.rtStartTime == 0 ? 0 : t.rtStartTime + 333);
    ASSERT_EQ(t.eFFlags, uint32_t((t.rtStartTime / 1000) & 0xFFFF));
  }
  stop = true;
  pump.join();
}

TEST(PublishedTime, TwoWritersNeverMixTheirRecords) {
  PublishedTime time;
  std::atomic<bool> stop{false};
  auto writer = [&](int64_t base) {
    while (!stop.load()) time.Store({base, base + 1, uint32_t(base)});
  };
  std::thread a(writer, 100), b(writer, 200);
  for (int i = 0; i < 100000; ++i) {
    const media::M_TIME t = time.Load();
    ASSERT_EQ(t.rtEndTime, t.rtStartTime == 0 ? 0 : t.rtStartTime + 1);
    ASSERT_EQ(int64_t(t.eFFlags), t.rtStartTime);
  }
  stop = true;
  a.join();
  b.join();
}

}  // namespace
}  // namespace vexto
