// The program clock's displays: colours near the end, the time texts, "Progressivo", and the
// timer handler following the program source.
#include <gtest/gtest.h>

#include "tests/playout/playback_fixture.h"

namespace vexto::test {
namespace {

constexpr TColor kBlue = 16711680;
constexpr TColor kRed = 255;
constexpr TColor kUnset = 0x123456;

media::M_TIME At(double seconds) {
  media::M_TIME t;
  t.rtStartTime = static_cast<int64_t>(seconds * 1e7);
  return t;
}

struct ColourCase {
  const char* name;
  bool alerta, critico;
  double remaining;
  TColor expected;
};

TEST(ClockDisplay, AlertColoursFollowTheThresholdsStrictly) {
  const ColourCase cases[] = {
      {"12 s left: white", true, true, 12.0, clWhite},
      {"9.5 s left: alert blue", true, true, 9.5, kBlue},
      {"4.2 s left: critical red wins", true, true, 4.2, kRed},
      {"exactly 10 s: unchanged", true, true, 10.0, kUnset},
      {"exactly 5 s: alert only", true, true, 5.0, kBlue},
      {"alert off, 7 s: unchanged", false, true, 7.0, kUnset},
      {"alert off, 4 s: red", false, true, 4.0, kRed},
      {"alert off, 12 s: reset to white anyway", false, true, 12.0, clWhite},
      {"both off, 12 s: reset ignores the switches", false, false, 12.0, clWhite},
      {"both off, 3 s: unchanged", false, false, 3.0, kUnset},
  };
  for (const ColourCase& c : cases) {
    SCOPED_TRACE(c.name);
    Rig rig(false);
    rig.settings.bl_alerta = c.alerta;
    rig.settings.bl_alerta_critico = c.critico;
    rig.rt->ProgramDuration = 60.0;
    rig.view.clock_color = kUnset;
    rig.rt->update_UI(At(60.0 - c.remaining));
    EXPECT_EQ(rig.view.clock_color, c.expected);
  }
}

TEST(ClockDisplay, FrameAtOneAndAHalfSecondsOfASixtySecondItem) {
  Rig rig(false);
  rig.rt->ProgramDuration = 60.0;
  media::M_TIME t;
  t.rtStartTime = 15000000;
  rig.rt->update_UI(t);
  EXPECT_EQ(rig.view.elapsed_text, "00:00:01");
  EXPECT_EQ(rig.view.clock_text, "00:00:58:14");
  EXPECT_EQ(rig.view.progress_position, 15);
  EXPECT_EQ(rig.view.clock_color, clWhite);
}

TEST(ClockDisplay, ProgressivoTogglesElapsedAtTheNextTick) {
  Rig rig(false);
  rig.rt->ProgramDuration = 60.0;
  rig.rt->swPlaylist();
  media::M_TIME t;
  t.rtStartTime = 15000000;
  rig.rt->ProgramTime.Store(t);

  rig.rt->Progressivo1Click();
  EXPECT_TRUE(rig.rt->ShowElapsed.load());
  EXPECT_TRUE(rig.view.progressivo);
  rig.rt->UpdateUI_PGMTimer();
  EXPECT_EQ(rig.view.clock_text, "00:00:01:14");

  rig.rt->Progressivo1Click();
  EXPECT_FALSE(rig.rt->ShowElapsed.load());
  EXPECT_FALSE(rig.view.progressivo);
  rig.rt->UpdateUI_PGMTimer();
  EXPECT_EQ(rig.view.clock_text, "00:00:58:14");
}

TEST(ClockDisplay, TheTimerDoesNothingWhileTheCameraIsOnTheProgram) {
  Rig rig(false);
  rig.rt->ProgramDuration = 60.0;
  media::M_TIME t;
  t.rtStartTime = 15000000;
  rig.rt->ProgramTime.Store(t);
  rig.rt->swLive();
  rig.rt->UpdateUI_PGMTimer();
  EXPECT_EQ(rig.view.clock_text, "00:00:00:00");
  EXPECT_EQ(rig.view.progress_position, 0);
  rig.rt->swPlaylist();
  rig.rt->UpdateUI_PGMTimer();
  EXPECT_EQ(rig.view.progress_position, 15);
}

}  // namespace
}  // namespace vexto::test
