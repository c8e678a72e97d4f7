#include "engine/state/timecode.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace vexto {
namespace {

struct TimecodeCase {
  double t;
  bool frames;
  const char* expected;
};

TEST(FormatTimecode, Table) {
  const TimecodeCase cases[] = {
      {0.0, true, "00:00:00:00"},      {0.0, false, "00:00:00"},
      {3661.5, true, "01:01:01:14"},                                     // 0.5 / d = 14.985
      {59.999, true, "00:00:59:29"},   {360000.0, true, "40:00:00:00"},  // 100 hours wrap at 60
      {216000.0, true, "00:00:00:00"},                                   // exactly 60 hours
      {-0.5, true, "-1:-1:-1:-15"},    {-0.03, false, "-1:-1:-1"},
      {205.0, false, "00:03:25"},      {59.0, true, "00:00:59:00"},
      {3599.999, false, "00:59:59"},   {-61.0, false, "-1:-2:-1"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatTimecode(c.frames, c.t), c.expected) << "t=" << c.t;
  }
}

TEST(FormatTimecode, FrameBoundariesUseExtendedDivision) {
  // Frame k starts at k * 100/2997 s; just past each start the frame number is k.
  const long double d = 100.0L / 2997.0L;
  for (int k = 0; k < 30; ++k) {
    const double t = double(k * d) + 1e-9;
    if (t >= 1.0) break;
    EXPECT_EQ(FormatTimecode(true, t), "00:00:00:" + ZeroPad(k, 2)) << k;
  }
}

TEST(FormatTimecode, NotFiniteReadsAsZero) {
  EXPECT_EQ(FormatTimecode(true, std::numeric_limits<double>::quiet_NaN()), "00:00:00:00");
  EXPECT_EQ(FormatTimecode(false, std::numeric_limits<double>::infinity()), "00:00:00");
  // Huge finite values stay in range (no integer overflow).
  EXPECT_EQ(FormatTimecode(true, 1e300).size(), 11u);
  EXPECT_FALSE(FormatTimecode(true, -1e300).empty());
}

TEST(ZeroPad, Table) {
  EXPECT_EQ(ZeroPad(7, 2), "07");
  EXPECT_EQ(ZeroPad(123, 2), "123");
  EXPECT_EQ(ZeroPad(-1, 2), "-1");
  EXPECT_EQ(ZeroPad(-1, 3), "0-1");
  EXPECT_EQ(ZeroPad(0, 2), "00");
  EXPECT_EQ(ZeroPad(5, 0), "5");
  EXPECT_EQ(ZeroPad(std::numeric_limits<int32_t>::min(), 2), "-2147483648");
}

}  // namespace
}  // namespace vexto
