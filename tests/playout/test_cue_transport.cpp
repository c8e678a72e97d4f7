// Cueing and the transport commands, with the real file reader (the pump runs unpaced where
// frames must flow).
#include <gtest/gtest.h>

#include "engine/media/core/engine_error.h"
#include "tests/playout/playback_fixture.h"

namespace vexto::test {
namespace {

using namespace std::chrono_literals;

TEST(Cue, CuesTheSelectedItemAndShowsItsFirstFrame) {
  Rig rig;
  const Clips& c = TestClips();
  rig.AddItems({c.red, c.green});
  rig.Cue(1);
  EXPECT_EQ(rig.Item(1).FStatus, "Preparado");
  EXPECT_EQ(rig.Item(0).FStatus, "Pronto");
  EXPECT_EQ(rig.rt->OnAirIndex.load(), 1);
  EXPECT_FALSE(rig.rt->IsPlaying.load());
  EXPECT_NEAR(rig.rt->ProgramDuration.load(), 2.0, 0.05);
  EXPECT_EQ(rig.view.progress_max, static_cast<int>(rig.rt->ProgramDuration.load() * 10));
  EXPECT_EQ(rig.view.clock_text, FormatTimecode(true, rig.rt->ProgramDuration.load()));
  EXPECT_EQ(rig.view.clock_color, clWhite);
  EXPECT_GE(rig.view.listar_calls, 1);
  const auto pushed = rig.playlist_monitor->Records();
  ASSERT_EQ(pushed.size(), 1u);
  EXPECT_EQ(ClipOf(pushed[0]), 1);
  EXPECT_EQ(FrameIndex(pushed[0]), 0);
  EXPECT_EQ(pushed[0].a, -1);

  // A cue of an item not reading "Pronto" does nothing at once (no wait, no question).
  rig.rt->SetCueDelayMs(2000);
  const auto t0 = std::chrono::steady_clock::now();
  rig.Cue(1);
  EXPECT_LT(std::chrono::steady_clock::now() - t0, 500ms);
  EXPECT_EQ(rig.Item(1).FStatus, "Preparado");
}

TEST(Cue, TheOperatorsCueWaitsHalfASecondWhileTheEventLoopRuns) {
  Rig rig;
  rig.AddItems({TestClips().red});
  rig.rt->SetCueDelayMs(500);
  bool ran = false;
  QTimer::singleShot(100, [&] { ran = true; });
  const auto t0 = std::chrono::steady_clock::now();
  rig.Cue(0);
  EXPECT_GE(std::chrono::steady_clock::now() - t0, 490ms);
  EXPECT_TRUE(ran);  // queued work and timers kept running during the wait
  EXPECT_EQ(rig.Item(0).FStatus, "Preparado");
}

TEST(Cue, ConfirmationWhilePlayingAndItsAnswers) {
  Rig rig;
  const Clips& c = TestClips();
  rig.AddItems({c.red, c.green});
  rig.settings.bl_confimar_preparar = true;
  rig.Cue(0);
  rig.rt->botPlayPGMClick();
  ASSERT_TRUE(rig.rt->IsPlaying.load());

  rig.view.answer_yes = false;
  rig.Cue(1);
  ASSERT_EQ(rig.view.questions.size(), 1u);
  EXPECT_EQ(rig.view.questions[0], "Deseja interromper a reprodução atual?");
  EXPECT_EQ(rig.Item(0).FStatus, "Reproduzindo");
  EXPECT_EQ(rig.rt->OnAirIndex.load(), 0);
  EXPECT_TRUE(rig.rt->IsPlaying.load());

  rig.view.answer_yes = true;
  rig.Cue(1);
  EXPECT_EQ(rig.Item(0).FStatus, "Pronto");
  EXPECT_EQ(rig.Item(1).FStatus, "Preparado");
  EXPECT_FALSE(rig.rt->IsPlaying.load());

  // With the confirmation off no question is asked.
  rig.settings.bl_confimar_preparar = false;
  rig.rt->botPlayPGMClick();
  rig.Cue(0);
  EXPECT_EQ(rig.view.questions.size(), 2u);
  EXPECT_EQ(rig.Item(0).FStatus, "Preparado");
}

TEST(Cue, ElapsedClockAndProgressMaximum) {
  Rig rig;
  rig.AddItems({TestClips().short1234()});
  rig.rt->Progressivo1Click();
  rig.Cue(0);
  EXPECT_EQ(rig.view.clock_text, "00:00:00:00");
  // 12.34 s (the reader's duration may end on the last program frame).
  EXPECT_NEAR(rig.view.progress_max, 123, 1);
}

// A reader whose open fails: the engine steps' error goes to the log; the
// status and flag changes made before the open stand.
class FailingReader final : public media::IMFReader {
 public:
  void OpenMediaFile(const std::string&, int) override {
    throw media::EngineError("Falha ao abrir");
  }
  void CloseMediaFile() override {}
  void QueryMediaDuration(double& s) override { s = 0; }
  void PullFrame(media::M_AV_PROPS&, double, int, int, media::IMFFramePtr& f,
                 const std::string&) override {
    f = nullptr;
  }
};

TEST(Cue, ErrorsOfTheEngineStepsAreLogged) {
  Rig rig(false);
  rig.rt->SetEngineObjects(std::make_shared<FailingReader>(), std::make_shared<FailingReader>(),
                           nullptr, rig.playlist_monitor, rig.camera_monitor, rig.program_monitor,
                           nullptr, rig.writer);
  rig.AddItems({"/nonexistent.mp4"});
  rig.Cue(0);
  EXPECT_EQ(rig.rt->OnAirIndex.load(), 0);
  EXPECT_EQ(rig.Item(0).FStatus, "Pronto");
  const auto log = rig.Log();
  EXPECT_NE(std::find(log.begin(), log.end(), "Falha ao abrir"), log.end());
  EXPECT_TRUE(rig.view.messages.empty());
}

TEST(Transport, PlayPauseResumeAndNothingCued) {
  Rig rig;
  rig.AddItems({TestClips().red});
  rig.rt->Play("Pronto");
  ASSERT_EQ(rig.view.messages.size(), 1u);
  EXPECT_EQ(rig.view.messages[0], "Nenhuma midia preparada");
  rig.rt->botPlayPGMClick();  // nothing on air: the button does nothing
  EXPECT_EQ(rig.view.messages.size(), 1u);

  rig.Cue(0);
  rig.rt->StartPump(std::make_unique<FastClock>(2));
  rig.rt->botPlayPGMClick();
  EXPECT_EQ(rig.Item(0).FStatus, "Reproduzindo");
  EXPECT_TRUE(rig.rt->IsPlaying.load());
  EXPECT_EQ(rig.view.button, "Pause");
  EXPECT_TRUE(rig.view.timer_enabled);
  EXPECT_EQ(rig.rt->Pump()->NumFrames.load(), -1);
  ASSERT_TRUE(RunUntil([&] { return rig.playlist_monitor->Count() > 10; }, 5000ms));

  rig.rt->botPlayPGMClick();
  EXPECT_EQ(rig.Item(0).FStatus, "Pausado");
  EXPECT_FALSE(rig.rt->IsPlaying.load());
  EXPECT_FALSE(rig.view.timer_enabled);
  EXPECT_EQ(rig.view.button, "Play");
  RunFor(100ms);
  const auto before = rig.playlist_monitor->Records();
  RunFor(100ms);
  EXPECT_EQ(rig.playlist_monitor->Count(), before.size());  // no pulls while paused

  rig.rt->botPlayPGMClick();  // resumes from the next frame
  ASSERT_TRUE(RunUntil([&] { return rig.playlist_monitor->Count() > before.size(); }, 2000ms));
  const auto after = rig.playlist_monitor->Records();
  EXPECT_EQ(FrameIndex(after[before.size()]), FrameIndex(before.back()) + 1);
}

TEST(Transport, StepThenPauseModeThenPlay) {
  Rig rig;
  rig.AddItems({TestClips().red});
  rig.Cue(0);
  rig.rt->StartPump(std::make_unique<FastClock>(2));
  rig.rt->botPlayPGMClick();
  ASSERT_TRUE(RunUntil([&] { return rig.playlist_monitor->Count() > 5; }, 5000ms));

  rig.rt->PNGButton4Click();
  EXPECT_EQ(rig.view.button, "Play");
  // The step's pass sets the paused mode, then asks for the frame three ahead.
  ASSERT_TRUE(RunUntil(
      [&] {
        return rig.rt->PgmState.m_state.load() == eST_Pause &&
               rig.rt->PgmState.m_dblFrameRequest.load() == -3.0;
      },
      2000ms));
  EXPECT_TRUE(rig.rt->IsPlaying.load());
  // Paused mode: the same frame again and again.
  RunFor(50ms);
  const size_t n = rig.playlist_monitor->Count();
  RunFor(100ms);
  const auto paused = rig.playlist_monitor->Records();
  ASSERT_GT(paused.size(), n);
  for (size_t i = n; i < paused.size(); ++i) EXPECT_EQ(paused[i].t, paused[n - 1].t);

  rig.rt->botPlayPGMClick();  // leaves the paused mode only
  EXPECT_EQ(rig.rt->PgmState.m_state.load(), eST_PlayFwd);
  EXPECT_EQ(rig.view.button, "Pause");
  EXPECT_EQ(rig.Item(0).FStatus, "Reproduzindo");
  ASSERT_TRUE(RunUntil([&] { return rig.rt->PgmState.m_dblFrameRequest.load() == -1.0; }, 2000ms));
}

TEST(Transport, StepStopPlayPlay) {
  Rig rig;
  rig.AddItems({TestClips().red});
  rig.Cue(0);
  rig.rt->StartPump(std::make_unique<FastClock>(2));
  rig.rt->botPlayPGMClick();
  ASSERT_TRUE(RunUntil([&] { return rig.playlist_monitor->Count() > 5; }, 5000ms));
  rig.rt->PNGButton4Click();
  ASSERT_TRUE(RunUntil([&] { return rig.rt->PgmState.m_state.load() == eST_Pause; }, 2000ms));

  rig.rt->PNGButton3Click();  // stop
  EXPECT_EQ(rig.Item(0).FStatus, "Preparado");
  EXPECT_EQ(rig.view.cells[0], "Preparado");
  EXPECT_FALSE(rig.rt->IsPlaying.load());
  EXPECT_EQ(rig.rt->PgmState.m_dblFrameRequest.load(), 0.0);

  rig.rt->botPlayPGMClick();  // first Play only leaves the paused mode
  EXPECT_EQ(rig.view.button, "Pause");
  EXPECT_EQ(rig.Item(0).FStatus, "Preparado");
  EXPECT_FALSE(rig.rt->IsPlaying.load());

  // Let a pass that began before the stop finish: it may already show the rewound frame 0.
  const size_t passes = rig.camera_monitor->Count();
  ASSERT_TRUE(RunUntil([&] { return rig.camera_monitor->Count() > passes + 2; }, 2000ms));
  const size_t n = rig.playlist_monitor->Count();
  ASSERT_GT(n, 0u);
  rig.rt->botPlayPGMClick();  // the second starts playback, from position 0
  EXPECT_TRUE(rig.rt->IsPlaying.load());
  EXPECT_EQ(rig.Item(0).FStatus, "Reproduzindo");
  ASSERT_TRUE(RunUntil([&] { return rig.playlist_monitor->Count() > n + 2; }, 2000ms));
  const auto r = rig.playlist_monitor->Records();
  if (FrameIndex(r[n - 1]) == 0) {  // frame 0 already shown while stopped: go on from there
    EXPECT_EQ(FrameIndex(r[n]), 1);
    EXPECT_EQ(FrameIndex(r[n + 1]), 2);
  } else {
    EXPECT_EQ(FrameIndex(r[n]), 0);
    EXPECT_EQ(FrameIndex(r[n + 1]), 1);
  }
}

TEST(Transport, SeekBarAndRewind) {
  Rig rig;
  rig.AddItems({TestClips().long60()});
  rig.Cue(0);
  rig.rt->Play("Preparado");  // no pump: only the state is checked
  ASSERT_NEAR(rig.rt->PgmState.m_dblDuration.load(), 60.0, 0.1);
  rig.rt->SeekBarMoved(50);
  EXPECT_DOUBLE_EQ(rig.rt->PgmState.m_dblFrameRequest.load(),
                   0.5 * rig.rt->PgmState.m_dblDuration.load());
  rig.rt->PNGButton2Click();
  EXPECT_EQ(rig.rt->PgmState.m_dblFrameRequest.load(), 0.0);

  // Code moving the bar runs the handler only when the value changes.
  rig.rt->SeekBarMoved(25);
  rig.rt->PgmState.m_dblFrameRequest = -1.0;
  rig.rt->SetSeekBarPosition(25);
  EXPECT_EQ(rig.rt->PgmState.m_dblFrameRequest.load(), -1.0);
  rig.rt->SetSeekBarPosition(0);
  EXPECT_EQ(rig.rt->PgmState.m_dblFrameRequest.load(), 0.0);
  EXPECT_EQ(rig.view.seek_bar_shown, 0);

  // Play resets a moved bar, which asks for position 0.
  rig.rt->SeekBarMoved(50);
  rig.rt->Play("Reproduzindo");
  EXPECT_EQ(rig.rt->PgmState.m_dblFrameRequest.load(), 0.0);
  EXPECT_EQ(rig.Item(0).FStatus, "Pausado");
}

TEST(Transport, StopWithNothingOnAirRaisesAfterRewindingAndResettingTheButton) {
  Rig rig(false);
  rig.view.button = "Pause";
  rig.rt->PgmState.m_dblDuration = 10.0;
  rig.rt->SeekBarMoved(50);
  rig.rt->IsPlaying = true;
  try {
    rig.rt->PNGButton3Click();
    FAIL() << "no error";
  } catch (const std::exception& e) {
    EXPECT_STREQ(e.what(), "Argument out of range");
  }
  EXPECT_EQ(rig.rt->PgmState.m_dblFrameRequest.load(), 0.0);
  EXPECT_FALSE(rig.rt->IsPlaying.load());
  EXPECT_EQ(rig.view.seek_bar_shown, 0);
  EXPECT_EQ(rig.view.button, "Play");
}

}  // namespace
}  // namespace vexto::test
